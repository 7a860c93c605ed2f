#pragma once
// A snippet mirror that shows a regular-expression transformation of its tab stop's text, as
// "${1/(\w+)/\u$1/g}" does: each match (or the first, without the "g" option) replaced by the
// expansion of a replace format. A pattern that does not compile is reported once and leaves
// the mirror a plain copy.

#include "service/parser/base/ReplaceFormat.h"
#include "service/parser/spans/Span.h"

#include <memory>
#include <string>

namespace pel {
class RegEx;
}

namespace tessel {

class SpanTransformation : public Span {
public:
    // options are the letters after the last "/" ("g", "i", ...), empty when none.
    explicit SpanTransformation(const std::wstring& pattern = std::wstring(),
                                const std::wstring& format = std::wstring(),
                                const std::wstring& options = std::wstring());
    ~SpanTransformation() override;

    int32_t getClassTag() const override { return SPAN_CLASS_TRANSFORMATION; }
    // The span's record, then the pattern, the options and the format.
    void write(SpanWriter& out) const override;
    // Compiles the pattern read as before (without reporting it again).
    bool read(SpanReader& in) override;
    // Shows the transformation of text.
    void replaceText(DocumentController& controller, int32_t newLength, const wchar_t* text) override;

    // The substitution of text into o_out; false (o_out a copy of text) when nothing matched or
    // the pattern did not compile.
    bool transform(const std::wstring& text, std::wstring& o_out) const;

    const std::wstring& getPattern() const { return m_pattern; }
    const std::wstring& getOptions() const { return m_options; }
    const std::wstring& getFormat() const { return m_formatText; }
    bool isCompiled() const { return m_regex != nullptr; }

private:
    void compile(bool report);

    std::unique_ptr<pel::RegEx> m_regex;
    ReplaceFormat m_format;
    std::wstring m_pattern;
    std::wstring m_options;
    std::wstring m_formatText;
};

} // namespace tessel
