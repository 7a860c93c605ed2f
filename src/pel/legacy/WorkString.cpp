#include "pel/legacy/WorkString.h"

namespace pel {
namespace workstring_detail {

uint32_t fileNameStart(const wchar_t* text, uint32_t length) {
    for (uint32_t i = length; i > 0; --i)
        if (isSeparator(text[i - 1]))
            return i;
    return 0;
}

int32_t lastDot(const wchar_t* text, uint32_t length) {
    for (uint32_t i = length; i > 0; --i) {
        if (isSeparator(text[i - 1]))
            return -1;
        if (text[i - 1] == L'.')
            return static_cast<int32_t>(i - 1);
    }
    return -1;
}

} // namespace workstring_detail
} // namespace pel
