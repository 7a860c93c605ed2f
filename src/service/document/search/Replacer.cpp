#include "service/document/search/Replacer.h"

#include "pel/base/Assert.h"

namespace tessel {

bool ReplacerSimple::replace(const pel::MatchResults&, const ITextRangeSource&, std::wstring* o_out) {
    PEL_CHECK_PTR(o_out);
    *o_out = m_replacement;
    return true;
}

bool ReplacerFormat::replace(const pel::MatchResults& match, const ITextRangeSource& text, std::wstring* o_out) {
    PEL_CHECK_PTR(o_out);
    o_out->clear();
    expandReplaceFormat(m_format, match, text, o_out);
    return true;
}

} // namespace tessel
