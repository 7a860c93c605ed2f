#include "pel/stream/WideStringTextReader.h"

#include "pel/base/Exception.h"

#include <algorithm>

namespace pel {

void WideStringTextReader::checkOpen() const {
    if (!m_open)
        throw IllegalStateException(L"stream is closed");
}

int WideStringTextReader::read(wchar_t* buffer, int count) {
    checkOpen();
    if (!buffer)
        throw NullPointerException(L"buffer");
    if (count < 0)
        throw RangeException(L"count");
    const size_t taken = std::min(static_cast<size_t>(count), m_text.size() - m_position);
    std::copy_n(m_text.data() + m_position, taken, buffer);
    m_position += taken;
    return static_cast<int>(taken);
}

int WideStringTextReader::readToEnd(std::wstring& text) {
    checkOpen();
    text.assign(m_text.data() + m_position, m_text.size() - m_position);
    m_position = m_text.size();
    return static_cast<int>(text.size());
}

int WideStringTextReader::readLine(std::wstring& line) {
    checkOpen();
    if (m_position == m_text.size())
        return -1;
    const size_t end = m_text.find_first_of(L"\r\n", m_position);
    if (end == std::wstring_view::npos) {
        line.append(m_text.data() + m_position, m_text.size() - m_position);
        m_position = m_text.size();
    } else {
        line.append(m_text.data() + m_position, end - m_position);
        m_position = end + 1;
        if (m_text[end] == L'\r' && m_position < m_text.size() && m_text[m_position] == L'\n')
            ++m_position;
    }
    return static_cast<int>(line.size());
}

int WideStringTextReader::peek() {
    checkOpen();
    return m_position < m_text.size() ? m_text[m_position] : -1;
}

int WideStringTextReader::read() {
    checkOpen();
    return m_position < m_text.size() ? m_text[m_position++] : -1;
}

int WideStringTextReader::peekUnits(const wchar_t** o_units) {
    checkOpen();
    if (!o_units)
        throw NullPointerException(L"o_units");
    *o_units = m_text.data() + m_position;
    return static_cast<int>(m_text.size() - m_position);
}

void WideStringTextReader::skip(int count) {
    checkOpen();
    m_position += std::min(static_cast<size_t>(std::max(count, 0)), m_text.size() - m_position);
}

} // namespace pel
