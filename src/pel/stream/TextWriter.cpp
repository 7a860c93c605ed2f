#include "pel/stream/TextWriter.h"

#include "pel/base/Assert.h"
#include "pel/text/LineEnding.h"
#include "pel/text/TextEncoding.h"

namespace pel {

TextWriter::TextWriter() : TextWriter(LineEnding::CRLF, TextEncoding::create(L"UTF-16LE")) {}

TextWriter::TextWriter(int lineEnding, std::shared_ptr<TextEncoding> encoding)
    : m_encoding(std::move(encoding)), m_lineEnding(lineEnding) {
    PEL_CHECK_PTR(m_encoding);
}

TextWriter::~TextWriter() = default;

int TextWriter::write(const std::wstring& text) { return write(text.data(), static_cast<int>(text.size())); }

int TextWriter::writeLine(const std::wstring& text) { return writeLine(text.data(), static_cast<int>(text.size())); }

int TextWriter::writeLine(const wchar_t* text, int length) {
    const int taken = write(text, length);
    return taken + write(std::wstring(LineEnding::toText(m_lineEnding)));
}

} // namespace pel
