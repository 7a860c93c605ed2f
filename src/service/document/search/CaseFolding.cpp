#include "service/document/search/CaseFolding.h"

#include "pel/text/WideString.h"

#include <windows.h>

#include <vector>

namespace tessel {

namespace {

constexpr int UNITS = 0x10000;

wchar_t toLowerChar(wchar_t unit) {
    wchar_t buffer[1] = {unit};
    ::CharLowerBuffW(buffer, 1);
    return buffer[0];
}

// One unit at a time, as the finders' pattern is upper-cased: the call is given no
// neighbours that could pair into a surrogate pair.
std::vector<wchar_t> makeTable(wchar_t (*fold)(wchar_t)) {
    std::vector<wchar_t> table(UNITS);
    for (int unit = 0; unit < UNITS; ++unit)
        table[unit] = fold(static_cast<wchar_t>(unit));
    return table;
}

const std::vector<wchar_t>& upperTable() {
    static const std::vector<wchar_t> table = makeTable(pel::toUpperChar);
    return table;
}

const std::vector<wchar_t>& lowerTable() {
    static const std::vector<wchar_t> table = makeTable(toLowerChar);
    return table;
}

} // namespace

wchar_t foldUpper(wchar_t unit) {
    return upperTable()[static_cast<unsigned short>(unit)];
}

wchar_t foldLower(wchar_t unit) {
    return lowerTable()[static_cast<unsigned short>(unit)];
}

const wchar_t* upperCaseTable() {
    return upperTable().data();
}

} // namespace tessel
