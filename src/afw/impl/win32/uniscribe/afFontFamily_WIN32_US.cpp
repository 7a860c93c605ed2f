#include "afw/impl/win32/uniscribe/afFontFamily_WIN32_US.h"

#include "pel/base/Assert.h"

afFontEntry* afFontFamily_WIN32_US::createFont(uint16_t, int) const {
    pel::notImplementedViolation(L"afw/impl/win32/uniscribe/afFontFamily_WIN32_US.h", __LINE__);
}
