#include "afw/afDataObjectScalar.h"

template class afDataObjectScalar<unsigned int>;
