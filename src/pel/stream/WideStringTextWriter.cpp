#include "pel/stream/WideStringTextWriter.h"

#include "pel/base/Exception.h"

namespace pel {

// The units go into the string unchanged: UTF-16LE, as the base class names it by default.
WideStringTextWriter::WideStringTextWriter(std::wstring& target) : m_target(&target) {}

void WideStringTextWriter::checkOpen() const {
    if (!m_target)
        throw IllegalStateException(L"stream is closed");
}

int WideStringTextWriter::write(wchar_t c) {
    checkOpen();
    m_target->push_back(c);
    return 1;
}

int WideStringTextWriter::write(const wchar_t* text, int length) {
    if (!text)
        return 0;
    checkOpen();
    if (length <= 0)
        return 0;
    m_target->append(text, static_cast<size_t>(length));
    return length;
}

void WideStringTextWriter::close() {
    checkOpen();
    m_target = nullptr;
}

} // namespace pel
