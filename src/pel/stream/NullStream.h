#pragma once
// Streams of nothing: reading ends at once, writing accepts and discards every byte.

#include "pel/stream/TBasicUnbufferedStreamBuf.h"

#include <istream>
#include <ostream>

namespace pel {

class NullStreamBuf : public UnbufferedStreamBuf {
protected:
    int_type readFromDevice() override { return char_traits::eof(); }
    int_type writeToDevice(char c) override { return char_traits::to_int_type(c); }
    std::streamsize xsputn(const char* /*bytes*/, std::streamsize count) override { return count; }
};

class NullIOS : public virtual std::ios {
public:
    NullIOS() { init(&m_buf); }
    NullStreamBuf* rdbuf() { return &m_buf; }

protected:
    NullStreamBuf m_buf;
};

class NullInputStream : public NullIOS, public std::istream {
public:
    NullInputStream() : std::istream(&m_buf) {}
};

class NullOutputStream : public NullIOS, public std::ostream {
public:
    NullOutputStream() : std::ostream(&m_buf) {}
};

} // namespace pel
