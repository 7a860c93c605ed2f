#pragma once
// The text that match offsets refer to, read a range at a time: format expansion copies group
// texts through it, so a document can serve them from its own storage without a copy.

#include <cstddef>
#include <string>

namespace tessel {

class ITextRangeSource {
public:
    virtual ~ITextRangeSource() = default;
    // Appends the characters in [begin, end) to io_out; the part of the range outside the text
    // is left out.
    virtual void appendTextRange(int begin, int end, std::wstring* io_out) const = 0;
};

// A wide-character buffer as a source; the buffer must outlive it.
class WideTextRangeSource : public ITextRangeSource {
public:
    WideTextRangeSource(const wchar_t* text, size_t length) : m_text(text), m_length(length) {}
    explicit WideTextRangeSource(const std::wstring& text) : m_text(text.data()), m_length(text.size()) {}

    void appendTextRange(int begin, int end, std::wstring* io_out) const override;

private:
    const wchar_t* m_text;
    size_t m_length;
};

} // namespace tessel
