#include "service/parser/spans/SpanTransformation.h"

#include "pel/log/Log.h"
#include "pel/text/search/RegEx.h"
#include "service/parser/spans/SpanStream.h"

namespace tessel {

SpanTransformation::SpanTransformation(const std::wstring& pattern, const std::wstring& format,
                                       const std::wstring& options)
    : m_pattern(pattern), m_options(options), m_formatText(format) {
    compile(true);
}

SpanTransformation::~SpanTransformation() = default;

void SpanTransformation::compile(bool report) {
    m_regex.reset();
    m_format = parseReplaceFormat(m_formatText);
    if (m_pattern.empty())
        return;
    pel::RegExOptions options;
    pel::RegEx::parseOptions(m_options.c_str(), &options);
    std::unique_ptr<pel::RegEx> regex = pel::RegEx::create(m_pattern, options);
    if (regex && regex->isCompiled())
        m_regex = std::move(regex);
    else if (report)
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"TransformElement: RegEx `%s` cannot be compiled.\n",
                        m_pattern.c_str());
}

bool SpanTransformation::transform(const std::wstring& text, std::wstring& o_out) const {
    if (!m_regex) {
        o_out = text;
        return false;
    }
    return substituteReplaceFormat(*m_regex, m_format, text, &o_out);
}

void SpanTransformation::replaceText(DocumentController& controller, int32_t newLength, const wchar_t* text) {
    std::wstring shown;
    transform(text && newLength > 0 ? std::wstring(text, static_cast<size_t>(newLength)) : std::wstring(), shown);
    Span::replaceText(controller, static_cast<int32_t>(shown.size()), shown.c_str());
}

void SpanTransformation::write(SpanWriter& out) const {
    Span::write(out);
    out.putText(m_pattern);
    out.putText(m_options);
    out.putText(m_formatText);
}

bool SpanTransformation::read(SpanReader& in) {
    if (!Span::read(in) || !in.getText(m_pattern) || !in.getText(m_options) || !in.getText(m_formatText))
        return false;
    compile(false);
    return true;
}

} // namespace tessel
