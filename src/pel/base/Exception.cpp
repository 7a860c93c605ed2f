#include "pel/base/Exception.h"

#include <boost/format.hpp>

namespace pel {

void Exception::displayText(std::wstring& out) const {
    out.clear();
    out += name();
    if (message.empty()) {
        out += L':';
        return;
    }
    out += L": ";
    out += message;
}

void ParserException::displayText(std::wstring& out) const {
    Exception::displayText(out);
    out += L" at `" + std::to_wstring(start.line) + L':' + std::to_wstring(start.column) + L"` - `" +
           std::to_wstring(end.line) + L':' + std::to_wstring(end.column) + L'`';
}

namespace {
std::wstring unexpectedTokenMessage(const std::wstring& found, const std::wstring& expected) {
    if (found.empty())
        return L"Unexpected token.";
    if (expected.empty())
        return (boost::wformat(L"Unexpected token `%s`.") % found).str();
    return (boost::wformat(L"Unexpected token `%s`, expected `%s`.") % found % expected).str();
}
} // namespace

UnexpectedTokenException::UnexpectedTokenException(const TextPosition& i_start, const TextPosition& i_end,
                                                   const std::wstring& i_found,
                                                   const std::wstring& i_expected)
    : ParserException(unexpectedTokenMessage(i_found, i_expected), i_start, i_end),
      found(i_found),
      expected(i_expected) {}

} // namespace pel
