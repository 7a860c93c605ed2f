#include "service/document/search/FinderRegEx.h"

#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/search/FoldingRegExTraits.h"
#include "service/document/search/GapText.h"
#include "service/document/search/StackGuard.h"

#include <boost/xpressive/regex_compiler.hpp>
#include <boost/xpressive/xpressive_dynamic.hpp>

#include <algorithm>

namespace xp = boost::xpressive;

namespace tessel {

namespace {

// The document as the engine reads it. Every read and step of the iterator asks for the
// length, so the stack is checked there at least once per unit the engine consumes; recursion
// that consumes nothing is bounded by the size of the pattern.
class EngineText {
public:
    void reset(const GapBuffer& buffer) {
        m_text = GapText(buffer);
        m_guard = StackGuard();
    }
    int32_t getLength() const {
        m_guard.check();
        return m_text.length();
    }
    wchar_t charAt(int32_t position) const { return m_text[position]; }

private:
    GapText m_text;
    StackGuard m_guard;
};

using Iterator = GappedStringIterator<EngineText>;
using Regex = xp::basic_regex<Iterator>;
using Match = xp::match_results<Iterator>;
using State = xp::detail::match_state<Iterator>;
using Access = xp::detail::core_access<Iterator>;
namespace flags = xp::regex_constants;

// The deepest nesting of groups, roughly: escapes and bracket expressions are skipped.
int nestingDepth(const std::wstring& pattern) {
    int depth = 0, deepest = 0;
    bool inSet = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        if (c == L'\\')
            ++i;
        else if (inSet)
            inSet = c != L']';
        else if (c == L'[')
            inSet = true;
        else if (c == L'(')
            deepest = std::max(deepest, ++depth);
        else if (c == L')' && depth > 0)
            --depth;
    }
    return deepest;
}

void refuseTooLarge(const std::wstring& pattern) {
    if (pattern.size() > FinderRegEx::MAX_PATTERN_LENGTH)
        throw xp::regex_error(flags::error_complexity, "The regular expression is too long.");
    if (nestingDepth(pattern) > FinderRegEx::MAX_NESTING)
        throw xp::regex_error(flags::error_stack, "The regular expression nests its groups too deeply.");
}

} // namespace

struct MatchResultsFinderRegEx::Groups {
    Match match;
};

MatchResultsFinderRegEx::MatchResultsFinderRegEx() : m_groups(new Groups) {}

MatchResultsFinderRegEx::~MatchResultsFinderRegEx() = default;

void MatchResultsFinderRegEx::clear() {
    m_groups->match = Match();
    m_base = 0;
}

unsigned int MatchResultsFinderRegEx::size() const {
    return static_cast<unsigned int>(m_groups->match.size());
}

int MatchResultsFinderRegEx::begin(unsigned int i) const {
    const Match& match = m_groups->match;
    if (i >= match.size() || !match[i].matched)
        return -1;
    return static_cast<int>(match.position(i)) + m_base;
}

int MatchResultsFinderRegEx::end(unsigned int i) const {
    const int start = begin(i);
    return start < 0 ? -1 : start + static_cast<int>(m_groups->match.length(i));
}

struct FinderRegEx::Engine {
    EngineText text;
    Regex regex;
    FoldingRegExTraits traits;
    FoldingRegExTraits::char_class_type word = 0;
    FoldingRegExTraits::char_class_type newline = 0;

    FoldingRegExTraits::char_class_type lookup(const std::wstring& name) const {
        return traits.lookup_classname(name.begin(), name.end(), false);
    }

    // Where the stretch ends inside the text, the engine sees its end as the text's: "$" and
    // "\b" must not hold there unless the unit behind allows it. Only a match ending at a word
    // start can be missed this way (and "\B" holds there), never one the whole text refuses.
    flags::match_flag_type endFlags(int32_t to) const {
        flags::match_flag_type result = flags::match_not_null;
        if (to >= text.getLength())
            return result;
        const wchar_t behind = text.charAt(to);
        if (!traits.isctype(behind, newline))
            result = result | flags::match_not_eol;
        if (traits.isctype(behind, word))
            result = result | flags::match_not_eow;
        return result;
    }
};

FinderRegEx::FinderRegEx(const std::wstring& pattern, bool ignoreCase) : m_engine(new Engine) {
    refuseTooLarge(pattern);
    xp::regex_compiler<Iterator, FoldingRegExTraits> compiler;
    m_engine->regex = compiler.compile(pattern.begin(), pattern.end(),
                                       ignoreCase ? flags::ECMAScript | flags::icase : flags::ECMAScript);
    m_engine->word = m_engine->lookup(L"w");
    m_engine->newline = m_engine->lookup(L"newline");
}

FinderRegEx::~FinderRegEx() = default;

bool FinderRegEx::find(const DocumentIterator& rangeBegin, const DocumentIterator& rangeEnd,
                       const DocumentIterator& searchStart, const DocumentIterator& searchEnd, bool backward) {
    m_results.clear();
    const Document* document = rangeBegin.container();
    if (!document)
        return false;
    const int32_t begin = std::max(rangeBegin.position(), 0);
    const int32_t end = std::min(rangeEnd.position(), document->getLength());
    const int32_t from = std::max(searchStart.position(), begin);
    const int32_t to = std::min(searchEnd.position(), end);
    if (from >= to)
        return false;
    Engine& engine = *m_engine;
    engine.text.reset(document->getBuffer());
    Match& match = m_results.m_groups->match;
    // The engine's own state, so that the text from the range begin on is context while the
    // search starts at `from` (its public calls would take `from` as the text's start).
    const Iterator first(&engine.text, begin), stop(&engine.text, to);
    try {
        const flags::match_flag_type bounds = engine.endFlags(to);
        State state(first, stop, match, *Access::get_regex_impl(engine.regex),
                    backward ? bounds | flags::match_continuous : bounds);
        bool found = false;
        int32_t at = backward ? to - 1 : from;
        while (true) {
            // A pattern led by a simple repeat resumes where next_search_ says: from here too.
            state.cur_ = state.next_search_ = Iterator(&engine.text, at);
            found = xp::detail::regex_search_impl(state, engine.regex);
            if (found || !backward || at == from)
                break;
            state.reset(match, *Access::get_regex_impl(engine.regex));
            --at;
        }
        if (!found) {
            m_results.clear();
            return false;
        }
        m_results.m_base = at - begin;
        return true;
    } catch (const StackExhausted&) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"FinderRegEx::find(): The search needs more stack than the thread has; nothing was found.\n");
    } catch (const std::exception& failure) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"FinderRegEx::find(): The search failed: %S\n",
                        failure.what());
    }
    m_results.clear();
    return false;
}

} // namespace tessel
