#pragma once
// Where the characters a reader sees begin and end in UTF-16 text: Unicode's extended grapheme
// clusters (a letter with its marks, a surrogate pair, an emoji with its modifier or joined to
// others by ZWJ, a flag's two regional indicators, CR LF), found by ICU's character break rules.
// The one rule that caret stops, deletions, selections and counts of characters go by. An
// unpaired surrogate is a character of its own.
//
// The text is read in place, in one part or two (a gap buffer's halves, the second following the
// first), and must stay unchanged while it is set. Each object has an iterator of its own: one
// object per thread, which may keep it for reuse.

#include <cstdint>
#include <memory>

namespace pel {

class CharacterBoundaries {
public:
    CharacterBoundaries();
    ~CharacterBoundaries();
    CharacterBoundaries(const CharacterBoundaries&) = delete;
    CharacterBoundaries& operator=(const CharacterBoundaries&) = delete;

    void setText(const wchar_t* text, int32_t length) { setText(text, length, nullptr, 0); }
    void setText(const wchar_t* first, int32_t firstLength, const wchar_t* second, int32_t secondLength);
    int32_t length() const;

    // Whether a character begins or ends at the offset: 0 and the length do; nothing outside them.
    bool isBoundary(int32_t offset);
    // The first boundary after the offset (the length from the length on, 0 before the start).
    int32_t following(int32_t offset);
    // The last boundary before the offset (0 down from 0, the length past the end).
    int32_t preceding(int32_t offset);
    // The number of characters that begin in [from, to): a boundary counts, the offsets are
    // clamped into the text.
    int32_t count(int32_t from, int32_t to);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace pel
