#pragma once
// The last error of an expression as one line of text, for the regular-expression tests.

#include "pel/text/search/RegEx.h"

#include <string>

namespace pel_test {

// "code: message @begin-end" of the last error, or "none".
inline std::wstring errorOf(const pel::RegEx& regex) {
    pel::RegExErrorInfo info;
    if (!regex.getErrorInfo(&info))
        return L"none";
    return std::to_wstring(info.code) + L": " + info.message + L" @" + std::to_wstring(info.begin) + L"-" +
           std::to_wstring(info.end);
}

} // namespace pel_test
