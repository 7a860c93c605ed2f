#pragma once
// Turns a match into its replacement text: ReplacerSimple gives fixed text, ReplacerFormat
// expands a replace format (group texts, conditionals, case changes) over the matched text,
// reading the groups from the document itself rather than from a copy.

#include "pel/text/search/MatchResults.h"
#include "service/parser/base/ReplaceFormat.h"
#include "service/parser/base/TextRangeSource.h"

#include <string>

namespace tessel {

class Replacer {
public:
    virtual ~Replacer() = default;
    // The replacement of one match, whose offsets refer to text, in o_out; true when made.
    virtual bool replace(const pel::MatchResults& match, const ITextRangeSource& text, std::wstring* o_out) = 0;
    // The text every replacement is, when it does not depend on the match; else null.
    virtual const std::wstring* fixedText() const { return nullptr; }
};

class ReplacerSimple : public Replacer {
public:
    explicit ReplacerSimple(std::wstring replacement) : m_replacement(std::move(replacement)) {}
    bool replace(const pel::MatchResults& match, const ITextRangeSource& text, std::wstring* o_out) override;
    const std::wstring* fixedText() const override { return &m_replacement; }

private:
    std::wstring m_replacement;
};

class ReplacerFormat : public Replacer {
public:
    // The format is parsed once, here.
    explicit ReplacerFormat(const std::wstring& format) : m_format(parseReplaceFormat(format)) {}
    bool replace(const pel::MatchResults& match, const ITextRangeSource& text, std::wstring* o_out) override;

private:
    ReplaceFormat m_format;
};

} // namespace tessel
