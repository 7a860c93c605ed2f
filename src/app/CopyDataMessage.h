#pragma once
// What a second instance hands the running one: its command line as UTF-16 text in a
// WM_COPYDATA message. The message comes from any process, so it is checked before a byte of it
// is read as text: dwData 0, an even size of 2 to 65 536 bytes, and a NUL inside.

#include <cstddef>
#include <cstdint>
#include <string>
#include <windows.h>

namespace tessel {

class CopyDataMessage {
public:
    static constexpr size_t MAX_BYTES = 65536;

    // The text up to its first NUL; false (o_text untouched) for a message that fails a check.
    static bool read(const COPYDATASTRUCT* data, std::wstring* o_text);
    // The bytes a forwarded command line is sent as: the text and its NUL.
    static std::wstring encode(const std::wstring& commandLine) { return commandLine + L'\0'; }
};

} // namespace tessel
