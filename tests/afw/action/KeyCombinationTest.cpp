#include "afw/action/afKeyCombination.h"

#include "afw/support/Golden.h"
#include "support/GuardedBytes.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <sstream>

namespace {

TEST(KeyCombinationTest, ParsesAndFormatsBindingTexts) {
    const struct {
        const wchar_t* text;
        afKeyCombination parsed;
        const wchar_t* formatted;
    } cases[] = {
        {L"Ctrl+Shift+Z", 0x35A, L"Ctrl+Shift+Z"},
        {L"Shift+Ctrl+Z", 0x35A, L"Ctrl+Shift+Z"},
        {L"Ctrl", 0x111, L"Ctrl"},
        {L"Ctrl+", 0x111, L"Ctrl"},
        {L"Ctrl++", 0x1BB, L"Ctrl++"},
        {L"+", 0xBB, L"+"},
        {L"L-Shift", 0x2A0, L"Shift+L-Shift"},
        {L"R-Alt+X", 0x858, L"X"},
        {L"R-Alt", 0x8A5, L"R-Alt"},
        {L"Alt+Shift+O", 0x64F, L"Alt+Shift+O"},
        {L"L-Win+R-Win+Shift+Ins", 0x322D, L"Shift+L-Win+R-Win+Ins"},
        {L"F24", 135, L"F24"},
        {L"Num-0", 96, L"Num-0"},
        {L"Page-Down", 34, L"Page-Down"},
        {L"Print-Screen", 44, L"Print-Screen"},
        {L"`", 192, L"`"},
        {L"\\", 220, L"\\"},
        {L"F10", 121, L"F10"}, // "F1" does not take it
        // Not parsed: a name before anything but "+", lower case, "-" as a separator, code 255.
        {L"+X", 0, nullptr},
        {L"ctrl+s", 0, nullptr},
        {L"Ctrl-S", 0, nullptr},
        {L"0xFF", 0, nullptr},
        {L"", 0, nullptr},
        {L"Ctrl+Nothing", 0, nullptr},
        {L"Ctrl+S+", 0x153, L"Ctrl+S"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.parsed, afParseKeyCombination(c.text)) << c.text;
        if (c.formatted) {
            EXPECT_EQ(c.formatted, afFormatKeyCombination(c.parsed)) << c.text;
        }
    }
    std::wstring text = L"left over";
    EXPECT_TRUE(formatKeyCombination(255, text));
    EXPECT_EQ(L"0xFF", text);
    EXPECT_FALSE(formatKeyCombination(AF_KEY_CTRL | 7, text)) << "code 7 has no name";
    EXPECT_EQ(L"Ctrl+", text);
    EXPECT_FALSE(formatKeyCombination(7, text));
    EXPECT_EQ(L"", text);
    for (uint32_t code = 0; code < 256; ++code)
        EXPECT_EQ(code == 16 || code == 17 || code == 18 || code == 91 || code == 92, afIsModifierKey(0x300 | code))
            << code;
}

TEST(KeyCombinationTest, TheNameTableIsTheGoldenList) {
    std::ostringstream list;
    int named = 0;
    for (int code = 0; code < 256; ++code) {
        list << code << ' ';
        if (const wchar_t* name = afKeyNames[code]) {
            ++named;
            for (; *name; ++name)
                list << static_cast<char>(*name);
        } else {
            list << "(null)";
        }
        list << '\n';
    }
    EXPECT_EQ(189, named);
    EXPECT_TRUE(tessel_test::matchesGoldenText("afw/golden/key-names.txt", list.str()));
}

TEST(KeyCombinationTest, EveryKeyNameRoundTripsAloneAndWithModifiers) {
    for (uint32_t code = 1; code < 255; ++code) {
        const wchar_t* name = afKeyNames[code];
        if (!name || afIsModifierKey(code) || (code >= 160 && code <= 165))
            continue;
        EXPECT_EQ(code, afParseKeyCombination(name)) << code;
        EXPECT_EQ(name, afFormatKeyCombination(code));
        const afKeyCombination chord = code | AF_KEY_CTRL | AF_KEY_ALT | AF_KEY_SHIFT;
        EXPECT_EQ(chord, afParseKeyCombination(afFormatKeyCombination(chord))) << code;
    }
}

TEST(KeyCombinationTest, ParsingReadsNothingPastTheLength) {
    const struct {
        const wchar_t* text;
        afKeyCombination parsed;
    } cases[] = {{L"F1", 112}, {L"Ctrl+", 0x111}, {L"Ctrl+Page-Up", 0x121}, {L"Ctrl+Page-Up+", 0x121}, {L"Ctrl+Pa", 0}};
    for (const auto& c : cases) {
        const tessel_test::GuardedBytes text{std::wstring(c.text)};
        EXPECT_EQ(c.parsed, afParseKeyCombination(text.text(), std::wcslen(c.text))) << c.text;
    }
    const tessel_test::GuardedBytes ctrl{std::wstring(L"Ctrl")};
    EXPECT_EQ(17, afFindKeyName(ctrl.text(), 4));
    EXPECT_EQ(112u, afParseKeyCombination(L"F10", 2)) << "the length ends the text, not the NUL";
}


// What a chord of the right Alt reaches besides itself: Alt, as the left key, on a layout without
// AltGr; on one with AltGr nothing else, so that AltGr (the right Alt with Ctrl) types its
// character and never runs a Ctrl+Alt binding. Chords without the right Alt are themselves.
TEST(KeyCombinationTest, TheRightAltReadsAsAltUnlessTheLayoutHasAltGr) {
    const struct {
        const wchar_t* chord;
        const wchar_t* withoutAltGr;
    } cases[] = {
        {L"R-Alt+Down", L"Alt+Down"}, {L"R-Alt+Shift+U", L"Alt+Shift+U"}, {L"Ctrl+R-Alt+Q", L"Ctrl+Alt+Q"},
        {L"Alt+Down", L"Alt+Down"},   {L"Ctrl+Z", L"Ctrl+Z"},             {L"Shift+F3", L"Shift+F3"},
    };
    for (const auto& c : cases) {
        const afKeyCombination chord = afParseKeyCombination(c.chord);
        ASSERT_NE(0u, chord) << c.chord;
        EXPECT_EQ(afParseKeyCombination(c.withoutAltGr), afAltReading(chord, false)) << c.chord;
        EXPECT_EQ(chord, afAltReading(chord, true)) << c.chord;
    }
    EXPECT_EQ(0x400u | 'Q' | 0x100u, afAltReading(0x800u | 'Q' | 0x100u, false));
    EXPECT_EQ(0x900u | 'Q', afAltReading(0x900u | 'Q', true)) << "AltGr+Q never becomes Ctrl+Alt+Q";
}

} // namespace
