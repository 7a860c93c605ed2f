#pragma once
// Streams that count the bytes passing through them, with the line and the position in it:
// over an input stream, over an output stream, or counting what is written to them alone.

#include "pel/stream/TBasicUnbufferedStreamBuf.h"

#include <istream>
#include <ostream>

namespace pel {

class CountingStreamBuf : public UnbufferedStreamBuf {
public:
    CountingStreamBuf(); // counts what is written; reading gives end of file
    explicit CountingStreamBuf(std::istream& stream);
    explicit CountingStreamBuf(std::ostream& stream);

    int chars() const { return m_chars; }
    // The number of the current line, 1-based once a byte has passed (0 before).
    int lines() const { return m_lines; }
    int getCurrentLineNumber() const { return m_lines; }
    // Bytes passed since the last LF.
    int pos() const { return m_pos; }
    void reset();
    void setCurrentLineNumber(int line) { m_lines = line; }

protected:
    int_type readFromDevice() override;
    int_type writeToDevice(char c) override;

private:
    void count(char c);

    std::istream* m_input = nullptr;
    std::ostream* m_output = nullptr;
    int m_chars = 0;
    int m_lines = 0;
    int m_pos = 0;
};

class CountingIOS : public virtual std::ios {
public:
    CountingIOS();
    explicit CountingIOS(std::istream& stream);
    explicit CountingIOS(std::ostream& stream);

    int chars() const { return m_buf.chars(); }
    int lines() const { return m_buf.lines(); }
    int getCurrentLineNumber() const { return m_buf.getCurrentLineNumber(); }
    int pos() const { return m_buf.pos(); }
    void reset() { m_buf.reset(); }
    void setCurrentLineNumber(int line) { m_buf.setCurrentLineNumber(line); }
    CountingStreamBuf* rdbuf() { return &m_buf; }

protected:
    CountingStreamBuf m_buf;
};

class CountingInputStream : public CountingIOS, public std::istream {
public:
    explicit CountingInputStream(std::istream& stream);
};

class CountingOutputStream : public CountingIOS, public std::ostream {
public:
    CountingOutputStream();
    explicit CountingOutputStream(std::ostream& stream);
};

} // namespace pel
