#include "service/document/search/FinderRegEx.h"

#include "pel/log/Log.h"
#include "pel/text/FormatString.h"
#include "pel/text/Utf16Characters.h"
#include "service/document/Document.h"
#include "service/document/search/GapText.h"
#include "service/document/search/RegExPrefix.h"
#include "service/document/search/RegExSyntax.h"
#include "service/document/search/StackGuard.h"
#include "service/document/search/UnicodeRegExTraits.h"

#include <boost/xpressive/regex_compiler.hpp>
#include <boost/xpressive/xpressive_dynamic.hpp>

#include <algorithm>
#include <functional>

namespace xp = boost::xpressive;

namespace tessel {

namespace {

// The search's work ran out.
struct BudgetSpent {};

// The document as the engine reads it. Every read and step of the engine asks for the length,
// so the stack and the work done are checked there at least once per character the engine
// consumes; recursion that consumes nothing is bounded by the size of the pattern. The work is
// counted off in slices, and between two a search that may pause does.
class EngineText {
public:
    // Steps of the work between two pauses, and at most in one slice: a count of a slice's steps
    // fits 32 bits, which the hot path counts down.
    static constexpr int64_t PAUSE_SLICE = int64_t(1) << 20;
    static constexpr int64_t SLICE = int64_t(1) << 30;

    void reset(const GapBuffer& buffer, int64_t steps, const std::function<bool()>* pause) {
        m_text = GapText(buffer);
        m_guard = StackGuard();
        m_pause = pause;
        m_reserve = steps;
        m_steps = 0;
        takeSlice();
    }
    __attribute__((always_inline)) int32_t getLength() const {
        m_guard.check();
        if (--m_steps < 0)
            nextSlice();
        return m_text.length();
    }
    const GapText& units() const { return m_text; }
    int64_t stepsLeft() const { return std::max<int32_t>(m_steps, 0) + m_reserve; }

private:
    void takeSlice() const {
        const int64_t slice = std::min(m_reserve, m_pause ? PAUSE_SLICE : SLICE);
        m_reserve -= slice;
        m_steps = static_cast<int32_t>(slice);
    }
    // The work ran out, or a slice of it.
    __attribute__((noinline)) void nextSlice() const {
        if (m_reserve <= 0)
            throw BudgetSpent();
        if (m_pause && !(*m_pause)())
            throw SearchStopped();
        takeSlice();
        --m_steps; // this step
    }

    GapText m_text;
    StackGuard m_guard;
    const std::function<bool()>* m_pause = nullptr;
    mutable int32_t m_steps = 0;
    mutable int64_t m_reserve = 0;
};

// The characters of the text, as the engine walks them: a pair is one character, a half
// without its partner one of its own. Its positions are units; the engine only ever stands at
// the start of a character, so it never matches, starts or ends inside a pair.
class CharacterIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = char32_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const char32_t*;
    using reference = char32_t;

    CharacterIterator() = default;
    CharacterIterator(const EngineText* text, int32_t position) : m_text(text), m_pos(position) {}

    int32_t position() const { return m_pos; }

    // The engine's matchers read and step character by character: a unit that is no half of a
    // pair is a character of its own, read and stepped over here, inlined into them; a pair, or
    // a position off the text, goes the long way, out of line.
    __attribute__((always_inline)) char32_t operator*() const {
        const int32_t length = m_text->getLength();
        if (m_pos < length) {
            const wchar_t unit = m_text->units()[m_pos];
            if (!pel::isSurrogateUnit(unit))
                return unit;
        }
        return readAcross(length);
    }
    __attribute__((always_inline)) CharacterIterator& operator++() {
        const int32_t length = m_text->getLength();
        if (m_pos + 1 < length && !pel::isHighSurrogateUnit(m_text->units()[m_pos]))
            ++m_pos;
        else
            stepAcross(length);
        return *this;
    }
    __attribute__((always_inline)) CharacterIterator& operator--() {
        const int32_t length = m_text->getLength(); // every step is checked, as every read is
        if (m_pos > 0 && m_pos <= length && !pel::isLowSurrogateUnit(m_text->units()[m_pos - 1]))
            --m_pos;
        else
            stepBackAcross(length);
        return *this;
    }
    CharacterIterator operator++(int) {
        CharacterIterator old = *this;
        ++*this;
        return old;
    }
    CharacterIterator operator--(int) {
        CharacterIterator old = *this;
        --*this;
        return old;
    }
    friend bool operator==(const CharacterIterator& a, const CharacterIterator& b) { return a.m_pos == b.m_pos; }
    friend bool operator!=(const CharacterIterator& a, const CharacterIterator& b) { return a.m_pos != b.m_pos; }

private:
    // The rules of characters as every reader of text applies them (pel/text/Utf16Characters.h).
    __attribute__((noinline)) char32_t readAcross(int32_t length) const {
        if (m_pos >= length) {
            pel::softAssertion(L"m_pos < m_text->getLength()", PEL_FILE, __LINE__);
            return 0;
        }
        return static_cast<char32_t>(pel::codePointAt(m_text->units(), m_pos, length));
    }
    __attribute__((noinline)) void stepAcross(int32_t length) {
        PEL_SOFT_ASSERT(m_pos < length);
        m_pos += pel::characterUnits(m_text->units(), m_pos, length);
    }
    __attribute__((noinline)) void stepBackAcross(int32_t length) {
        PEL_SOFT_ASSERT(m_pos > 0 && m_pos <= length);
        m_pos = pel::characterStart(m_text->units(), m_pos - 1, length);
    }

    const EngineText* m_text = nullptr;
    int32_t m_pos = 0;
};

using Iterator = CharacterIterator;
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
int nestingDepth(const std::wstring& pattern, const UnicodeRegExTraits& traits) {
    int deepest = 0;
    visitGroupSyntax(pattern, traits, [&](wchar_t c, int depth) { deepest = c == L'(' ? std::max(deepest, depth) : deepest; });
    return deepest;
}

void refuseTooLarge(const std::wstring& pattern, const UnicodeRegExTraits& traits) {
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
    return match[i].first.position() - m_base;
}

int MatchResultsFinderRegEx::end(unsigned int i) const {
    const Match& match = m_groups->match;
    if (!m_groups->found || i >= match.size() || !match[i].matched)
        return -1;
    return match[i].second.position() - m_base;
}

struct FinderRegEx::Engine {
    EngineText text;
    const GapBuffer* buffer = nullptr;
    Regex regex;
    std::unique_ptr<RegExPrefix> prefix; // null when not usable
    UnicodeRegExTraits traits;
    UnicodeRegExTraits::char_class_type word = 0;
    UnicodeRegExTraits::char_class_type newline = 0;

    UnicodeRegExTraits::char_class_type lookup(const std::string& name) const {
        return traits.lookup_classname(name.begin(), name.end(), false);
    }
    const GapText& units() const { return text.units(); }
    // The start of the next character after the one at `at`.
    int32_t nextStart(int32_t at) const { return at + pel::characterUnits(units(), at, units().length()); }

    // Where the stretch ends inside the text, the engine sees its end as the text's: "$" and
    // "\b" must not hold there unless the character behind allows it. Only a match ending at a
    // word start can be missed this way (and "\B" holds there), never one the whole text refuses.
    flags::match_flag_type endFlags(int32_t to) const {
        flags::match_flag_type result = flags::match_not_null;
        const int32_t length = text.getLength();
        if (to >= length)
            return result;
        const auto behind = static_cast<char32_t>(pel::codePointAt(units(), to, length));
        if (!traits.isctype(behind, newline))
            result = result | flags::match_not_eol;
        if (traits.isctype(behind, word))
            result = result | flags::match_not_eow;
        return result;
    }

    // The first start in [first, last] with a match in [begin, to), whose groups then fill
    // o_match; -1 when there is none. begin and to are starts of characters, and so is every
    // start tried (a first inside a pair moves on to the next character). Each search has a
    // state of its own, made with the text from begin on as context, so the engine never takes
    // a start for the text's start unless it is begin itself.
    int32_t firstStart(int32_t begin, int32_t to, int32_t first, int32_t last, Match& o_match) {
        const int32_t length = units().length();
        first = pel::characterEnd(units(), first, length);
        if (first > last)
            return -1;
        const Iterator textBegin(&text, begin), stop(&text, to);
        State state(textBegin, stop, o_match, *Access::get_regex_impl(regex), endFlags(to));
        if (prefix)
            return firstStartOfPrefix(state, first, last, o_match);
        const xp::detail::regex_impl<Iterator>& impl = *Access::get_regex_impl(regex);
        const xp::detail::finder<Iterator>* finder = impl.finder_.get();
        // The engine's own finder skips to where a match can start; it may look past the last
        // start by the length of a literal, never more than the pattern's.
        const auto scanEnd = static_cast<int32_t>(std::min<int64_t>(to, int64_t(last) + 1 + MAX_PATTERN_LENGTH));
        const Iterator scanStop(&text, pel::characterEnd(units(), scanEnd, length));
        // A pattern led by a simple repeat resumes where next_search_ says.
        state.cur_ = state.next_search_ = Iterator(&text, first);
        for (;;) {
            if (finder) {
                state.end_ = scanStop;
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
            state.cur_ = Iterator(&text, nextStart(at));
        }
    }

    // firstStart at the places the prefix allows, the only ones where a match can start; a
    // place inside a pair is none.
    int32_t firstStartOfPrefix(State& state, int32_t first, int32_t last, Match& o_match) {
        const int32_t length = units().length();
        const int32_t limit = std::min(last, state.end_.position() - prefix->length());
        for (int32_t at = first; at <= limit;) {
            at = prefix->next(*buffer, at, limit);
            if (at < 0)
                return -1;
            if (pel::splitsPair(units(), at, length)) {
                ++at;
                continue;
            }
            state.cur_ = state.next_search_ = state.sub_match(0).begin_ = Iterator(&text, at);
            if (Access::match(regex, state)) {
                Access::set_prefix_suffix(o_match, Iterator(&text, first), state.end_);
                return at;
            }
            // A pattern led by a simple repeat says where the next start can be.
            at = std::max(nextStart(at), state.next_search_.position());
        }
        return -1;
    }

    // The last start in [from, to) with a match in [begin, to): block by block from the end,
    // each block searched forwards from match to match.
    int32_t lastStart(int32_t begin, int32_t from, int32_t to, Match& o_match) {
        int32_t blockEnd = to;
        for (int32_t size = FIRST_BLOCK; blockEnd > from; size = std::min(size * 2, LARGEST_BLOCK)) {
            // Blocks meet at the starts of characters.
            const int32_t blockStart = pel::characterStart(units(), std::max(from, blockEnd - size), units().length());
            int32_t found = -1;
            for (int32_t at = blockStart; at < blockEnd;) {
                const int32_t start = firstStart(begin, to, at, blockEnd - 1, o_match);
                if (start < 0)
                    break;
                found = start;
                at = nextStart(start);
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

FinderRegEx::Pauses::Pauses(FinderRegEx* finder, std::function<bool()> pause) : m_finder(finder) {
    if (m_finder)
        m_finder->m_pause = std::move(pause);
}

FinderRegEx::Pauses::~Pauses() {
    if (m_finder)
        m_finder->m_pause = nullptr;
}

const wchar_t* const FinderRegEx::TOO_LONG = L"The search was stopped: the expression takes too long on this text.";
const wchar_t* const FinderRegEx::TOO_DEEP = L"The search was stopped: the expression recurses too deeply on this text.";

FinderRegEx::FinderRegEx(const std::wstring& pattern, bool ignoreCase, bool usePrefix) : m_engine(new Engine) {
    refuseTooLarge(pattern, m_engine->traits);
    const std::u32string characters = enginePattern(pattern, m_engine->traits);
    xp::regex_compiler<Iterator, UnicodeRegExTraits> compiler;
    m_engine->regex = compiler.compile(characters.begin(), characters.end(), engineSyntax(ignoreCase));
    m_engine->word = m_engine->lookup("w");
    m_engine->newline = m_engine->lookup("newline");
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
    const int32_t length = document->getLength();
    int32_t begin = std::max(rangeBegin.position(), 0);
    const int32_t end = std::min(rangeEnd.position(), length);
    int32_t from = std::max(searchStart.position(), begin);
    int32_t to = std::min(searchEnd.position(), end);
    if (from >= to)
        return false;
    Engine& engine = *m_engine;
    engine.text.reset(document->getBuffer(), m_shared >= 0 ? m_shared : budgetFor(to - from),
                      m_pause ? &m_pause : nullptr);
    engine.buffer = &document->getBuffer();
    // The engine walks characters: the range and the stretch start and end where characters do.
    const int32_t base = begin;
    begin = pel::characterEnd(engine.units(), begin, length);
    from = pel::characterEnd(engine.units(), from, length);
    to = pel::characterStart(engine.units(), to, length);
    if (from >= to)
        return false;
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
            m_results.m_base = base; // the results measure from the range's begin
            m_results.m_groups->found = true;
            return true;
        }
        m_results.clear();
        return false;
    } catch (const SearchStopped&) {
        m_results.clear();
        throw;
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
