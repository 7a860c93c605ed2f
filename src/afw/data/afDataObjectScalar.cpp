#include "afw/data/afDataObjectScalar.h"

template class afDataObjectScalar<unsigned int>;
