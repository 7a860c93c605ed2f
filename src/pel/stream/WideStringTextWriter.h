#pragma once
// A text writer that appends UTF-16 units to a wide string in memory as they are (no encoding),
// for callers that want the written text back as a string. The string is not owned and must
// outlive the writer.

#include "pel/stream/TextWriter.h"

namespace pel {

class WideStringTextWriter : public TextWriter {
public:
    explicit WideStringTextWriter(std::wstring& target);

    using TextWriter::write;
    int write(wchar_t c) override;
    int write(const wchar_t* text, int length) override;
    // Detaches from the string; every later write or close throws IllegalStateException.
    void close() override;

private:
    void checkOpen() const;

    std::wstring* m_target;
};

} // namespace pel
