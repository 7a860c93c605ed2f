#include "pel/base/Exception.h"

#include "pel/text/StringTemplate.h"

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
    // Parsed once; copies share the parsed nodes, so this is safe on any thread.
    static const StringTemplate POSITIONS(L" at `{1}:{2}` - `{3}:{4}`");
    StringTemplate positions(POSITIONS);
    out += positions.arg(1, start.line).arg(2, start.column).arg(3, end.line).arg(4, end.column).render();
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
