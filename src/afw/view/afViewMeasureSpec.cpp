#include "afw/view/afViewMeasureSpec.h"

#include "pel/base/Exception.h"

void afViewMeasureSpec::throwInvalidMode() {
    throw pel::InvalidArgumentException(L"Invalid afViewMeasureSpec mode specified.");
}
