#pragma once
// The text content of an HTML document as the stand-in HTML view shows it: UTF-8 decoded (a BOM
// skipped, ill-formed bytes as U+FFFD), tags removed, script, style and comments dropped, br a
// line break and block elements a paragraph break, blanks collapsed, the common character
// references decoded (invalid ones as U+FFFD, unknown ones kept as written).

#include <cstddef>
#include <string>
#include <string_view>

namespace htmlayout {

constexpr size_t MAX_DOCUMENT_BYTES = 16u << 20;

std::wstring decodeUtf8(const unsigned char* bytes, size_t length);
std::wstring extractText(std::wstring_view html);
// Both steps: the text the view shows of the document's bytes.
std::wstring documentText(const unsigned char* bytes, size_t length);

} // namespace htmlayout
