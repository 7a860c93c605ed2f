#include "pel/text/CharacterBoundaries.h"

#include "pel/log/Log.h"
#include "pel/text/WideString.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace pel {

namespace {

// Below U+0300 no character joins another but LF after CR: between two such units there is a
// boundary whatever comes before them, and ICU need not be asked.
constexpr wchar_t FIRST_JOINING = 0x0300;

// The rules' iterator, made once; each object works on a clone of its own. Null when ICU's data
// lacks the rules: code points then stand for characters.
const icu::BreakIterator* prototype() {
    static const std::unique_ptr<icu::BreakIterator> made = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE,
                       L"CharacterBoundaries: ICU's character break rules are missing (error %d); code points stand "
                       L"for characters.\n",
                       static_cast<int>(status));
            iterator.reset();
        }
        return iterator;
    }();
    return made.get();
}

std::unique_ptr<icu::BreakIterator> cloneOfPrototype() {
    static std::mutex cloning;
    const icu::BreakIterator* original = prototype();
    if (!original)
        return nullptr;
    std::lock_guard<std::mutex> hold(cloning);
    return std::unique_ptr<icu::BreakIterator>(original->clone());
}

} // namespace

// The text as ICU reads it: a UText whose chunks are the two parts, and, when the parts split a
// surrogate pair, that pair as a chunk of its own between them (a chunk must not split one).
struct CharacterBoundaries::State {
    const UChar* first = nullptr;
    int32_t firstLength = 0;
    const UChar* second = nullptr;
    int32_t length = 0;
    UChar seam[2] = {};
    bool pairAtSeam = false;
    UText text = UTEXT_INITIALIZER;
    std::unique_ptr<icu::BreakIterator> iterator = cloneOfPrototype();

    State();
    ~State() { utext_close(&text); }

    wchar_t unit(int32_t at) const {
        return static_cast<wchar_t>(at < firstLength ? first[at] : second[at - firstLength]);
    }

    // Chunk k (0 the first part, 1 the pair at the seam, 2 the second part): its start, limit and
    // units.
    void chunk(int k, int32_t& o_start, int32_t& o_limit, const UChar*& o_units) const {
        const int32_t cut = pairAtSeam ? 1 : 0;
        if (k == 0) {
            o_start = 0;
            o_limit = firstLength - cut;
            o_units = first;
        } else if (k == 1) {
            o_start = firstLength - cut;
            o_limit = firstLength + cut;
            o_units = seam;
        } else {
            o_start = firstLength + cut;
            o_limit = length;
            o_units = second ? second + cut : seam;
        }
    }

    static UText* clone(UText* dest, const UText* src, UBool deep, UErrorCode* status);
    static int64_t nativeLength(UText* text) { return static_cast<const State*>(text->context)->length; }
    static UBool access(UText* text, int64_t index, UBool forward);
    static int32_t extract(UText* text, int64_t start, int64_t limit, UChar* dest, int32_t capacity,
                           UErrorCode* status);
    static void close(UText*) {}
    static const UTextFuncs FUNCS;
};

const UTextFuncs CharacterBoundaries::State::FUNCS = {
    sizeof(UTextFuncs), 0, 0, 0, &clone, &nativeLength, &access, &extract, nullptr, nullptr, nullptr, nullptr,
    &close, nullptr, nullptr, nullptr,
};

CharacterBoundaries::State::State() {
    UErrorCode status = U_ZERO_ERROR;
    utext_setup(&text, 0, &status);
    text.pFuncs = &FUNCS;
    text.context = this;
    text.providerProperties = 1 << UTEXT_PROVIDER_STABLE_CHUNKS;
}

UText* CharacterBoundaries::State::clone(UText* dest, const UText* src, UBool deep, UErrorCode* status) {
    if (U_FAILURE(*status))
        return dest;
    if (deep) {
        *status = U_UNSUPPORTED_ERROR;
        return dest;
    }
    dest = utext_setup(dest, 0, status);
    if (U_FAILURE(*status))
        return dest;
    // The copy shares the State: how the clone was made and its extra room stay its own.
    void* const extra = dest->pExtra;
    const int32_t flags = dest->flags;
    std::memcpy(dest, src, static_cast<size_t>(std::min(src->sizeOfStruct, dest->sizeOfStruct)));
    dest->pExtra = extra;
    dest->flags = flags;
    return dest;
}

UBool CharacterBoundaries::State::access(UText* text, int64_t index, UBool forward) {
    const State& state = *static_cast<const State*>(text->context);
    const int32_t at = static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(index, state.length)));
    // The unit wanted: the one at the index going forward, the one before it going back. Outside
    // the text the chunk at that end is taken, and the answer is false.
    const int32_t wanted = forward ? at : at - 1;
    const bool inside = wanted >= 0 && wanted < state.length;
    int32_t start = 0, limit = 0;
    const UChar* units = nullptr;
    for (int k = 0; k < 3; ++k) {
        int32_t s, l;
        const UChar* u;
        state.chunk(k, s, l, u);
        if (l <= s)
            continue;
        const bool holds = inside ? s <= wanted && wanted < l : (at == 0 ? s == 0 : l == state.length);
        if (holds) {
            start = s;
            limit = l;
            units = u;
            break;
        }
    }
    if (!units) {
        static const UChar NONE[1] = {0};
        units = NONE;
        start = limit = at;
    }
    text->chunkContents = units;
    text->chunkNativeStart = start;
    text->chunkNativeLimit = limit;
    text->chunkLength = limit - start;
    text->nativeIndexingLimit = limit - start;
    text->chunkOffset = at - start;
    return inside;
}

int32_t CharacterBoundaries::State::extract(UText* text, int64_t start, int64_t limit, UChar* dest, int32_t capacity,
                                            UErrorCode* status) {
    if (U_FAILURE(*status))
        return 0;
    const State& state = *static_cast<const State*>(text->context);
    if (capacity < 0 || (!dest && capacity > 0) || start > limit) {
        *status = U_ILLEGAL_ARGUMENT_ERROR;
        return 0;
    }
    const int32_t from = static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(start, state.length)));
    const int32_t to = static_cast<int32_t>(std::max<int64_t>(from, std::min<int64_t>(limit, state.length)));
    for (int32_t i = from; i < to && i - from < capacity; ++i)
        dest[i - from] = static_cast<UChar>(state.unit(i));
    access(text, to, true);
    const int32_t count = to - from;
    if (count < capacity)
        dest[count] = 0;
    else
        *status = count == capacity ? U_STRING_NOT_TERMINATED_WARNING : U_BUFFER_OVERFLOW_ERROR;
    return count;
}

CharacterBoundaries::CharacterBoundaries() : m_state(new State) {}

CharacterBoundaries::~CharacterBoundaries() = default;

void CharacterBoundaries::setText(const wchar_t* first, int32_t firstLength, const wchar_t* second,
                                  int32_t secondLength) {
    State& state = *m_state;
    firstLength = first ? std::max(firstLength, 0) : 0;
    secondLength = second ? std::max(secondLength, 0) : 0;
    state.first = reinterpret_cast<const UChar*>(first);
    state.firstLength = firstLength;
    state.second = reinterpret_cast<const UChar*>(second);
    state.length = firstLength + secondLength;
    state.pairAtSeam = firstLength > 0 && secondLength > 0 && is_high_surrogate(first[firstLength - 1]) &&
                       is_low_surrogate(second[0]);
    if (state.pairAtSeam) {
        state.seam[0] = static_cast<UChar>(first[firstLength - 1]);
        state.seam[1] = static_cast<UChar>(second[0]);
    }
    State::access(&state.text, 0, true);
    if (state.iterator) {
        UErrorCode status = U_ZERO_ERROR;
        state.iterator->setText(&state.text, status);
        if (U_FAILURE(status))
            state.iterator.reset();
    }
}

int32_t CharacterBoundaries::length() const { return m_state->length; }

bool CharacterBoundaries::isBoundary(int32_t offset) {
    const State& state = *m_state;
    if (offset < 0 || offset > state.length)
        return false;
    if (offset == 0 || offset == state.length)
        return true;
    const wchar_t before = state.unit(offset - 1), after = state.unit(offset);
    if (before == L'\r' && after == L'\n')
        return false;
    if ((before < FIRST_JOINING && after < FIRST_JOINING) || !state.iterator)
        return !(is_high_surrogate(before) && is_low_surrogate(after));
    return state.iterator->isBoundary(offset) != 0;
}

int32_t CharacterBoundaries::following(int32_t offset) {
    const State& state = *m_state;
    if (offset < 0)
        return 0;
    if (offset + 1 >= state.length)
        return state.length;
    const wchar_t unit = state.unit(offset), next = state.unit(offset + 1);
    if ((unit < FIRST_JOINING && next < FIRST_JOINING) || !state.iterator) {
        const bool joined = (unit == L'\r' && next == L'\n') || (is_high_surrogate(unit) && is_low_surrogate(next));
        return offset + (joined ? 2 : 1);
    }
    return state.iterator->following(offset);
}

int32_t CharacterBoundaries::preceding(int32_t offset) {
    const State& state = *m_state;
    if (offset > state.length)
        return state.length;
    if (offset <= 1)
        return 0;
    const wchar_t before = state.unit(offset - 2), unit = state.unit(offset - 1);
    if ((before < FIRST_JOINING && unit < FIRST_JOINING) || !state.iterator) {
        const bool joined = (before == L'\r' && unit == L'\n') || (is_high_surrogate(before) && is_low_surrogate(unit));
        return offset - (joined ? 2 : 1);
    }
    // ICU takes an offset inside a pair for the pair's start, which may be a boundary itself.
    if (offset < state.length && is_high_surrogate(unit) && is_low_surrogate(state.unit(offset)) &&
        state.iterator->isBoundary(offset - 1))
        return offset - 1;
    return state.iterator->preceding(offset);
}

int32_t CharacterBoundaries::count(int32_t from, int32_t to) {
    const State& state = *m_state;
    from = std::max(from, 0);
    to = std::min(to, state.length);
    if (from >= to)
        return 0;
    int32_t characters = 0;
    for (int32_t at = isBoundary(from) ? from : following(from); at < to;) {
        ++characters;
        // A run of units below U+0300 is counted in one pass, read from its part in place: each
        // unit starts a character there, but LF after CR.
        const bool inFirst = at < state.firstLength;
        const UChar* units = inFirst ? state.first : state.second;
        const int32_t base = inFirst ? 0 : state.firstLength;
        const int32_t end = inFirst ? state.firstLength : state.length;
        int32_t next = at;
        while (next + 1 < end && units[next - base] < FIRST_JOINING && units[next + 1 - base] < FIRST_JOINING) {
            next += units[next - base] == u'\r' && units[next + 1 - base] == u'\n' ? 2 : 1;
            if (next >= to)
                break;
            ++characters;
        }
        at = next >= to ? next : following(next);
    }
    return characters;
}

} // namespace pel
