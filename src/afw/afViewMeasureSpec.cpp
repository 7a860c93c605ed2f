#include "afw/afViewMeasureSpec.h"

#include "pel/base/Exception.h"

int32_t afViewMeasureSpec::getSize(uint32_t spec) {
    const uint32_t mode = getMode(spec);
    if (mode != EXACTLY && mode != AT_MOST)
        throw pel::InvalidArgumentException(L"Invalid afViewMeasureSpec mode specified.");
    return getRawSize(spec);
}
