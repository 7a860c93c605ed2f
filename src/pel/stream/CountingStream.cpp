#include "pel/stream/CountingStream.h"

namespace pel {

CountingStreamBuf::CountingStreamBuf() = default;

CountingStreamBuf::CountingStreamBuf(std::istream& stream) : m_input(&stream) {}

CountingStreamBuf::CountingStreamBuf(std::ostream& stream) : m_output(&stream) {}

void CountingStreamBuf::reset() {
    m_chars = 0;
    m_lines = 0;
    m_pos = 0;
}

void CountingStreamBuf::count(char c) {
    ++m_chars;
    if (m_pos++ == 0)
        ++m_lines;
    if (c == '\n')
        m_pos = 0;
}

CountingStreamBuf::int_type CountingStreamBuf::readFromDevice() {
    if (!m_input)
        return char_traits::eof();
    const int_type c = m_input->get();
    if (!char_traits::eq_int_type(c, char_traits::eof()))
        count(char_traits::to_char_type(c));
    return c;
}

CountingStreamBuf::int_type CountingStreamBuf::writeToDevice(char c) {
    if (m_output && !m_output->put(c))
        return char_traits::eof(); // the failure of the stream below shows in this one too
    count(c);
    return char_traits::to_int_type(c);
}

CountingIOS::CountingIOS() { init(&m_buf); }

CountingIOS::CountingIOS(std::istream& stream) : m_buf(stream) { init(&m_buf); }

CountingIOS::CountingIOS(std::ostream& stream) : m_buf(stream) { init(&m_buf); }

CountingInputStream::CountingInputStream(std::istream& stream) : CountingIOS(stream), std::istream(&m_buf) {}

CountingOutputStream::CountingOutputStream() : std::ostream(&m_buf) {}

CountingOutputStream::CountingOutputStream(std::ostream& stream) : CountingIOS(stream), std::ostream(&m_buf) {}

} // namespace pel
