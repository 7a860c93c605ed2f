#pragma once
// A read-only stream buffer over the characters of a wide string: its get area is their bytes
// in memory order (UTF-16LE), so that a StreamTextReader with its default encoding reads the
// string back unchanged. Nothing is copied: the characters must outlive the buffer.

#include <cstddef>
#include <ios>
#include <streambuf>
#include <string>

namespace pel {

class String16StreamBuf : public std::streambuf {
public:
    String16StreamBuf(const wchar_t* text, size_t length);
    explicit String16StreamBuf(const std::wstring& text) : String16StreamBuf(text.data(), text.size()) {}
    String16StreamBuf(const String16StreamBuf&) = delete;
    String16StreamBuf& operator=(const String16StreamBuf&) = delete;

protected:
    // Byte positions inside the string's bytes; the put side and positions outside them fail.
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;
};

} // namespace pel
