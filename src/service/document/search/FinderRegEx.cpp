#include "service/document/search/FinderRegEx.h"

#include "pel/log/Log.h"
#include "pel/text/FormatString.h"
#include "service/document/Document.h"
#include "service/document/search/FoldingRegExTraits.h"
#include "service/document/search/GapText.h"
#include "service/document/search/RegExPrefix.h"
#include "service/document/search/RegExSyntax.h"
#include "service/document/search/StackGuard.h"

#include <boost/xpressive/regex_compiler.hpp>
#include <boost/xpressive/xpressive_dynamic.hpp>

#include <algorithm>

namespace xp = boost::xpressive;

namespace tessel {

namespace {

// The search's work ran out.
struct BudgetSpent {};

// The document as the engine reads it. Every read and step of the iterator asks for the
// length, so the stack and the work done are checked there at least once per unit the engine
// consumes; recursion that consumes nothing is bounded by the size of the pattern.
class EngineText {
public:
    void reset(const GapBuffer& buffer, int64_t steps) {
        m_text = GapText(buffer);
        m_guard = StackGuard();
        m_steps = steps;
    }
    int32_t getLength() const {
        m_guard.check();
        if (--m_steps < 0)
            throw BudgetSpent();
        return m_text.length();
    }
    wchar_t charAt(int32_t position) const { return m_text[position]; }
    int64_t stepsLeft() const { return m_steps; }

private:
    GapText m_text;
    StackGuard m_guard;
    mutable int64_t m_steps = 0;
};

using Iterator = GappedStringIterator<EngineText>;
using Regex = xp::basic_regex<Iterator>;
using Match = xp::match_results<Iterator>;
using State = xp::detail::match_state<Iterator>;
using Access = xp::detail::core_access<Iterator>;
namespace flags = xp::regex_constants;

// The work allowed a search over so many units.
int64_t budgetFor(int64_t units) {
    return FinderRegEx::STEP_ALLOWANCE + FinderRegEx::STEPS_PER_UNIT * units;
}

// Backward search looks at blocks of this many units first, doubling up to the largest.
constexpr int32_t FIRST_BLOCK = 4096;
constexpr int32_t LARGEST_BLOCK = 1 << 20;

// The deepest nesting of groups.
int nestingDepth(const std::wstring& pattern, const FoldingRegExTraits& traits) {
    int deepest = 0;
    visitGroupSyntax(pattern, traits, [&](wchar_t c, int depth) { deepest = c == L'(' ? std::max(deepest, depth) : deepest; });
    return deepest;
}

void refuseTooLarge(const std::wstring& pattern, const FoldingRegExTraits& traits) {
    if (pattern.size() > FinderRegEx::MAX_PATTERN_LENGTH)
        throw xp::regex_error(flags::error_complexity, "The regular expression is too long.");
    if (nestingDepth(pattern, traits) > FinderRegEx::MAX_NESTING)
        throw xp::regex_error(flags::error_stack, "The regular expression nests its groups too deeply.");
}

} // namespace

// The engine's results are kept from one search to the next (a fresh set would allocate
// the engine's own stacks again at every search); `found` says whether they hold a match.
struct MatchResultsFinderRegEx::Groups {
    Match match;
    bool found = false;
};

MatchResultsFinderRegEx::MatchResultsFinderRegEx() : m_groups(new Groups) {}

MatchResultsFinderRegEx::~MatchResultsFinderRegEx() = default;

void MatchResultsFinderRegEx::clear() {
    m_groups->found = false;
    m_base = 0;
}

unsigned int MatchResultsFinderRegEx::size() const {
    return m_groups->found ? static_cast<unsigned int>(m_groups->match.size()) : 0;
}

int MatchResultsFinderRegEx::begin(unsigned int i) const {
    const Match& match = m_groups->match;
    if (!m_groups->found || i >= match.size() || !match[i].matched)
        return -1;
    return static_cast<int>(match.position(i)) + m_base;
}

int MatchResultsFinderRegEx::end(unsigned int i) const {
    const int start = begin(i);
    return start < 0 ? -1 : start + static_cast<int>(m_groups->match.length(i));
}

struct FinderRegEx::Engine {
    EngineText text;
    const GapBuffer* buffer = nullptr;
    Regex regex;
    std::unique_ptr<RegExPrefix> prefix; // null when not usable
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

    // The first start in [first, last] with a match in [begin, to), whose groups then fill
    // o_match (measured from first); -1 when there is none. Each search has a state of its own,
    // made with the text from begin on as context, so the engine never takes a start for the
    // text's start unless it is begin itself.
    int32_t firstStart(int32_t begin, int32_t to, int32_t first, int32_t last, Match& o_match) {
        const Iterator textBegin(&text, begin), stop(&text, to);
        State state(textBegin, stop, o_match, *Access::get_regex_impl(regex), endFlags(to));
        if (prefix)
            return firstStartOfPrefix(state, first, last, o_match);
        const xp::detail::regex_impl<Iterator>& impl = *Access::get_regex_impl(regex);
        const xp::detail::finder<Iterator>* finder = impl.finder_.get();
        // The engine's own finder skips to where a match can start; it may look past the last
        // start by the length of a literal, never more than the pattern's.
        const Iterator scanEnd(&text, static_cast<int32_t>(std::min<int64_t>(to, int64_t(last) + 1 + MAX_PATTERN_LENGTH)));
        // A pattern led by a simple repeat resumes where next_search_ says.
        state.cur_ = state.next_search_ = Iterator(&text, first);
        for (;;) {
            if (finder) {
                state.end_ = scanEnd;
                const bool candidate = (*finder)(state);
                state.end_ = stop;
                if (!candidate)
                    return -1;
            }
            const int32_t at = state.cur_.position();
            if (at > last)
                return -1;
            state.sub_match(0).begin_ = state.cur_;
            if (Access::match(regex, state)) {
                Access::set_prefix_suffix(o_match, Iterator(&text, first), stop);
                return at;
            }
            if (at >= last)
                return -1;
            state.cur_ = Iterator(&text, at + 1);
        }
    }

    // firstStart at the places the prefix allows, the only ones where a match can start.
    int32_t firstStartOfPrefix(State& state, int32_t first, int32_t last, Match& o_match) {
        const int32_t limit = std::min(last, state.end_.position() - prefix->length());
        for (int32_t at = first; at <= limit;) {
            at = prefix->next(*buffer, at, limit);
            if (at < 0)
                return -1;
            state.cur_ = state.next_search_ = state.sub_match(0).begin_ = Iterator(&text, at);
            if (Access::match(regex, state)) {
                Access::set_prefix_suffix(o_match, Iterator(&text, first), state.end_);
                return at;
            }
            // A pattern led by a simple repeat says where the next start can be.
            at = std::max(at + 1, state.next_search_.position());
        }
        return -1;
    }

    // The last start in [from, to) with a match in [begin, to): block by block from the end,
    // each block searched forwards from match to match.
    int32_t lastStart(int32_t begin, int32_t from, int32_t to, Match& o_match) {
        int32_t blockEnd = to;
        for (int32_t size = FIRST_BLOCK; blockEnd > from; size = std::min(size * 2, LARGEST_BLOCK)) {
            const int32_t blockStart = std::max(from, blockEnd - size);
            int32_t found = -1;
            for (int32_t at = blockStart; at < blockEnd;) {
                const int32_t start = firstStart(begin, to, at, blockEnd - 1, o_match);
                if (start < 0)
                    break;
                found = start;
                at = start + 1;
            }
            if (found >= 0)
                return firstStart(begin, to, found, found, o_match);
            blockEnd = blockStart;
        }
        return -1;
    }
};

FinderRegEx::SharedBudget::SharedBudget(FinderRegEx* finder, int64_t units) : m_finder(finder) {
    if (m_finder)
        m_finder->m_shared = budgetFor(units);
}

FinderRegEx::SharedBudget::~SharedBudget() {
    if (m_finder)
        m_finder->m_shared = -1;
}

const wchar_t* const FinderRegEx::TOO_LONG = L"The search was stopped: the expression takes too long on this text.";
const wchar_t* const FinderRegEx::TOO_DEEP = L"The search was stopped: the expression recurses too deeply on this text.";

FinderRegEx::FinderRegEx(const std::wstring& pattern, bool ignoreCase, bool usePrefix) : m_engine(new Engine) {
    refuseTooLarge(pattern, m_engine->traits);
    xp::regex_compiler<Iterator, FoldingRegExTraits> compiler;
    m_engine->regex = compiler.compile(pattern.begin(), pattern.end(),
                                       ignoreCase ? flags::ECMAScript | flags::icase : flags::ECMAScript);
    m_engine->word = m_engine->lookup(L"w");
    m_engine->newline = m_engine->lookup(L"newline");
    if (usePrefix)
        m_engine->prefix.reset(new RegExPrefix(pattern, ignoreCase, m_engine->traits));
    if (m_engine->prefix && !m_engine->prefix->usable())
        m_engine->prefix.reset();
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
    engine.text.reset(document->getBuffer(), m_shared >= 0 ? m_shared : budgetFor(to - from));
    engine.buffer = &document->getBuffer();
    // However the search ends, its work comes off the shared budget.
    struct DrawDown {
        FinderRegEx& finder;
        ~DrawDown() {
            if (finder.m_shared >= 0)
                finder.m_shared = std::max<int64_t>(finder.m_engine->text.stepsLeft(), 0);
        }
    } drawDown{*this};
    Match& match = m_results.m_groups->match;
    std::wstring failure;
    try {
        const int32_t start = backward ? engine.lastStart(begin, from, to, match)
                                       : engine.firstStart(begin, to, from, to - 1, match);
        if (start >= 0) {
            // The results measure from where the last search began.
            m_results.m_base = (backward ? start : from) - begin;
            m_results.m_groups->found = true;
            return true;
        }
        m_results.clear();
        return false;
    } catch (const BudgetSpent&) {
        failure = TOO_LONG;
    } catch (const StackExhausted&) {
        failure = TOO_DEEP;
    } catch (const std::exception& error) {
        failure = pel::formatString(L"The search failed: %S", error.what());
    }
    m_results.clear();
    pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"FinderRegEx::find(): %s\n", failure.c_str());
    throw SearchFailed(failure);
}

} // namespace tessel
