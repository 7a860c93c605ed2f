#pragma once
// A stream buffer without a buffer: one character of look-ahead, one of put-back. A concrete
// buffer supplies only readFromDevice() and writeToDevice(c), one character at a time.

#include <ios>
#include <streambuf>

namespace pel {

template <class ch, class tr = std::char_traits<ch>>
class TBasicUnbufferedStreamBuf : public std::basic_streambuf<ch, tr> {
protected:
    using Base = std::basic_streambuf<ch, tr>;
    using char_type = ch;
    using char_traits = tr;
    using int_type = typename Base::int_type;

public:
    TBasicUnbufferedStreamBuf() = default;
    TBasicUnbufferedStreamBuf(const TBasicUnbufferedStreamBuf&) = delete;
    TBasicUnbufferedStreamBuf& operator=(const TBasicUnbufferedStreamBuf&) = delete;

protected:
    int_type underflow() override {
        if (m_held)
            return m_pb;
        const int_type c = readFromDevice();
        if (char_traits::eq_int_type(c, char_traits::eof()))
            return c;
        m_pb = c;
        m_held = true;
        return c;
    }

    int_type uflow() override {
        if (m_held) {
            m_held = false;
            return m_last = m_pb;
        }
        return m_last = readFromDevice();
    }

    // A character given back is held for the next read. unget() gives none (end of file): the
    // character last read is then the one held, so that unget works as on a buffered stream.
    int_type pbackfail(int_type c) override {
        if (m_held)
            return char_traits::eof();
        if (char_traits::eq_int_type(c, char_traits::eof()))
            c = m_last;
        if (char_traits::eq_int_type(c, char_traits::eof()))
            return c;
        m_pb = c;
        m_held = true;
        m_last = char_traits::eof();
        return c;
    }

    std::streamsize xsgetn(char_type* buffer, std::streamsize count) override {
        std::streamsize copied = 0;
        while (copied < count) {
            const int_type c = uflow();
            if (char_traits::eq_int_type(c, char_traits::eof()))
                break;
            buffer[copied++] = char_traits::to_char_type(c);
        }
        return copied;
    }

    int_type overflow(int_type c) override {
        if (char_traits::eq_int_type(c, char_traits::eof()))
            return char_traits::eof();
        return writeToDevice(char_traits::to_char_type(c));
    }

    // Supplied by the concrete buffer: the character read (0..255 for char) or end of file; the
    // character written, or end of file on failure.
    virtual int_type readFromDevice() { return char_traits::eof(); }
    virtual int_type writeToDevice(char_type c) { return char_traits::eof(); }

private:
    int_type m_pb = char_traits::eof();
    bool m_held = false;
    int_type m_last = char_traits::eof(); // the character uflow delivered last, for unget()
};

using UnbufferedStreamBuf = TBasicUnbufferedStreamBuf<char>;

} // namespace pel
