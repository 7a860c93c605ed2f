#include "service/document/io/UnstorableCharacter.h"

#include "pel/text/CharacterBoundaries.h"
#include "pel/text/Utf16Characters.h"
#include "service/document/io/TextEncoder.h"
#include "service/document/io/TextPieces.h"

#include <unicode/uchar.h>

namespace tessel {

namespace {

// Pieces as large as the writer's: a piece's check costs what the save's own did.
constexpr int32_t PIECE_UNITS = 0x10000;

// Whether the text holds an unpaired surrogate other than the one at `except`.
bool holdsOtherUnpairedSurrogate(const GapBuffer& text, int32_t except) {
    const int32_t length = text.length();
    for (int32_t at = 0; at < length; at += pel::characterUnits(text, at, length)) {
        if (at != except && pel::isSurrogateUnit(text[at]) && pel::characterUnits(text, at, length) == 1)
            return true;
    }
    return false;
}

std::wstring codeOf(uint32_t codePoint) {
    static const wchar_t DIGITS[] = L"0123456789ABCDEF";
    // Four digits at least, as Unicode writes code points.
    std::wstring hex;
    for (uint32_t rest = codePoint; rest > 0 || hex.size() < 4; rest >>= 4)
        hex.insert(hex.begin(), DIGITS[rest & 0xF]);
    return L"U+" + hex;
}

} // namespace

bool find_unstorable_character(const GapBuffer& text, TextEncoder& encoder, UnstorableCharacter* o_found) {
    int32_t found = -1;
    uint32_t codePoint = 0;
    int32_t position = 0;
    for (TextPieces pieces(text, PIECE_UNITS); found < 0 && pieces.next();
         position += static_cast<int32_t>(pieces.count())) {
        const wchar_t* units = pieces.text();
        const size_t count = pieces.count();
        if (encoder.check(units, count) != EncodeResult::CHARACTERS_LOST)
            continue;
        const auto length = static_cast<int32_t>(count);
        for (int32_t i = 0; i < length; i += pel::characterUnits(units, i, length)) {
            if (encoder.check(units + i, static_cast<size_t>(pel::characterUnits(units, i, length))) ==
                EncodeResult::CHARACTERS_LOST) {
                found = position + i;
                codePoint = pel::codePointAt(units, i, length);
                break;
            }
        }
    }
    if (found < 0)
        return false;
    UnstorableCharacter result;
    result.offset = found;
    result.codePoint = codePoint;
    result.unpairedSurrogate = pel::isSurrogateUnit(codePoint);
    result.otherUnpairedSurrogates = holdsOtherUnpairedSurrogate(text, found);
    int32_t lineStart = 0;
    result.line = 1;
    gap_buffer_read(text, 0, found, [&](const wchar_t* base, int32_t first, int32_t last) {
        for (int32_t at = first; at <= last; ++at)
            if (base[at] == L'\n') {
                ++result.line;
                lineStart = at + 1;
            }
    });
    pel::CharacterBoundaries boundaries;
    boundaries.setText(text.firstHalf(), text.gapStart(), text.secondHalf(), text.length() - text.gapStart());
    // The number of the character it is, or is part of (a mark of its letter, say).
    result.character = boundaries.count(lineStart, found + 1);
    *o_found = result;
    return true;
}

std::wstring describe_unstorable_character(const UnstorableCharacter& found) {
    if (found.offset < 0)
        return L"it holds characters that this encoding cannot store. Choose another encoding, such as UTF-8.";
    const std::wstring where =
        L"line " + std::to_wstring(found.line) + L", character " + std::to_wstring(found.character);
    if (found.unpairedSurrogate)
        return L"it holds half of a character, the unpaired surrogate " + codeOf(found.codePoint) + L" at " + where +
               L", which no encoding but UTF-16 stores (UTF-16 keeps the unit as it is). Delete it, or choose "
               L"UTF-16.";
    // The character itself too where it shows: not a blank, a control or one no version of
    // Unicode that ICU knows assigns.
    std::wstring what = codeOf(found.codePoint);
    if (u_isgraph(static_cast<UChar32>(found.codePoint))) {
        std::wstring shown;
        pel::appendCodePoint(found.codePoint, shown);
        what = L"\u201C" + shown + L"\u201D (" + what + L")";
    }
    // UTF-8 stores every character but an unpaired surrogate, which only UTF-16 keeps.
    const std::wstring choice = found.otherUnpairedSurrogates
                                    ? L"UTF-16: the text also holds half of a character, which no other encoding stores."
                                    : L"UTF-8.";
    return L"it holds characters that this encoding cannot store, the first of them at " + where + L": " + what +
           L". Choose another encoding, such as " + choice;
}

} // namespace tessel
