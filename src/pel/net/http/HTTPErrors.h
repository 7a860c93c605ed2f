#pragma once
// The texts of failed WinHTTP calls: a fixed table of the codes a session expects, and the
// system's own text for any other code.

#include <cstdint>
#include <string>

namespace pel {
namespace net {

// The table's text for a code, or null when the code is not in it.
const wchar_t* httpErrorTableText(uint32_t code);
// The table's text, else the system's message for the code, else a text naming the code;
// a fixed text for 0, which WinHTTP leaves when it fails without a reason.
std::wstring httpErrorText(uint32_t code);

} // namespace net
} // namespace pel
