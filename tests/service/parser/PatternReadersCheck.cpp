#include "PatternReadersCheck.h"

#include "pel/text/Utf8Text.h"
#include "service/parser/ParserRule.h"

#include <bitset>
#include <cstdio>

namespace tessel_test {

namespace {

constexpr unsigned long SEARCH_RETRY_LIMIT = 20000;

} // namespace

PatternReadersCheck::PatternReadersCheck(const std::wstring& pattern, uint32_t options)
    : m_pattern(pattern), m_usesG(tessel::patternUsesG(pattern)) {
    pel::RegExOptions compileOptions;
    compileOptions.options |= options;
    m_regex = tessel::compileGrammarPattern(pattern, compileOptions);
    // As the grammar's rules are built: only a pattern the engine took is read.
    if (m_regex->isCompiled()) {
        m_firstChars = tessel::PatternFirstChars(pattern, m_regex->getOptions());
        m_literals = tessel::PatternLiterals(pattern, m_regex->getOptions());
    }
}

int PatternReadersCheck::tryLine(const std::wstring& line, std::string* o_fault) const {
    o_fault->clear();
    if (!compiled())
        return 0;
    const pel::Utf8Text bytes(line.data(), line.size());
    const char* const text = bytes.data();
    const char* const end = bytes.end();
    std::bitset<256> held;
    for (size_t i = 0; i < bytes.size(); ++i)
        held.set(static_cast<unsigned char>(text[i]));
    const auto fault = [&](const std::string& what, size_t at) {
        if (o_fault->empty())
            *o_fault = what + " at byte " + std::to_string(at) + " of \"" + printable(line) + "\"";
    };
    const auto nextCharacter = [&](size_t at) {
        return at + (at < bytes.size() ? pel::Utf8Text::sequenceLength(static_cast<unsigned char>(text[at])) : 1);
    };
    const auto checkStart = [&](size_t at, bool anchor) {
        // The line matcher tries no place past the line's last character.
        if (at >= bytes.size())
            return;
        if (!m_firstChars.mayBeginAt(text, static_cast<int>(at), anchor))
            fault(anchor ? "the first characters rule out a match where \\G holds" : "the first characters rule out a match",
                  at);
        if (!m_firstChars.mayBeginAt(line.data(), static_cast<int>(bytes.unitOffset(at)), anchor))
            fault("the first characters of the UTF-16 line rule out a match", at);
        if (!m_firstChars.mayBeginOnLine(held))
            fault("the first characters rule out the line of a match", at);
    };

    int places = 0;
    size_t firstPlace = 0;
    pel::MatchResultsRegEx results;
    // A generated pattern may backtrack without end; where the engine gave up, nothing is known.
    results.setSearchRetryLimit(SEARCH_RETRY_LIMIT);
    // Every place a match begins where \G holds nowhere: each search goes on after the last one.
    for (size_t from = 0; from <= bytes.size();) {
        m_regex->searchUtf8(&results, text, end, text + from, end, pel::RegExOptions::NO_START_ANCHOR);
        if (!results.found())
            break;
        auto at = static_cast<size_t>(results.begin(0));
        if (at < from) {
            // The engine may answer with a match before the place its search began ("(?:\ ?B){2,}\z"
            // from the second "B" of "BB"): that place is matched on its own.
            m_regex->matchUtf8(&results, text, end, text + from, pel::RegExOptions::NO_START_ANCHOR);
            at = from;
            from = nextCharacter(from);
            if (!results.found())
                continue;
        }
        firstPlace = places++ == 0 ? at : firstPlace;
        checkStart(at, false);
        from = nextCharacter(at);
    }
    // Where \G holds, at each place the line matcher could be.
    for (size_t at = 0; m_usesG && at < bytes.size(); at = nextCharacter(at)) {
        m_regex->matchUtf8(&results, text, end, text + at);
        if (!results.found())
            continue;
        firstPlace = places++ == 0 ? at : firstPlace;
        checkStart(at, true);
    }
    if (places > 0) {
        if (!m_literals.heldBy(text, bytes.size()))
            fault("the literals rule out the line of a match", firstPlace);
        tessel::LineBytes lineBytes(text, bytes.size());
        if (!m_literals.none() && !lineBytes.holdsAnyOf(m_literals.leadBytes()))
            fault("the literals' lead bytes rule out the line of a match", firstPlace);
    }
    return places;
}

std::string printable(const std::wstring& text) {
    std::string out;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char code[16];
            std::snprintf(code, sizeof(code), "\\x{%X}", static_cast<unsigned>(c));
            out += code;
        }
    }
    return out;
}

} // namespace tessel_test
