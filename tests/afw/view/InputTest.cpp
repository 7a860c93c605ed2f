#include "afw/view/afInput.h"

#include <gtest/gtest.h>

namespace {

TEST(Mnemonic, IsTheUpperCasedCharacterAfterTheFirstAmpersand) {
    const std::pair<const wchar_t*, wchar_t> cases[] = {
        {L"Save &as", L'A'}, {L"&a", L'A'},   {L"&&x", L'&'},     {L"Save&", 0},
        {nullptr, 0},        {L"plain", 0},   {L"a&b&c", L'B'},   {L"&\u00e4", L'\u00c4'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, afGetMnemonic(c.first)) << (c.first ? c.first : L"(null)");
}

TEST(KeyModifiers, ReadEachKeyOfTheThreadsKeyboardState) {
    BYTE saved[256];
    ASSERT_TRUE(::GetKeyboardState(saved));
    const std::pair<int, uint8_t> cases[] = {{VK_CONTROL, AF_MODIFIER_CTRL},   {VK_SHIFT, AF_MODIFIER_SHIFT},
                                             {VK_LMENU, AF_MODIFIER_LEFT_ALT}, {VK_RMENU, AF_MODIFIER_RIGHT_ALT},
                                             {VK_LWIN, AF_MODIFIER_LEFT_WIN},  {VK_RWIN, AF_MODIFIER_RIGHT_WIN}};
    BYTE all[256] = {};
    uint8_t allBits = 0;
    for (const auto& c : cases) {
        BYTE one[256] = {};
        one[c.first] = 0x80;
        one['A'] = 0x80; // other keys do not count
        ASSERT_TRUE(::SetKeyboardState(one));
        EXPECT_EQ(c.second, afGetKeyModifiers()) << c.first;
        all[c.first] = 0x81; // nor does the toggle bit
        allBits |= c.second;
    }
    ASSERT_TRUE(::SetKeyboardState(all));
    EXPECT_EQ(allBits, afGetKeyModifiers());
    ::SetKeyboardState(saved);
}

TEST(DoubleClick, NeedsTheTimeAndTheRectangleButAlwaysTakesTheTime) {
    // A click stamped later than now is always within the time.
    const clock_t later = ::clock() + 600 * CLOCKS_PER_SEC;
    clock_t last = later;
    EXPECT_FALSE(afIsDoubleClick({5000, 5000}, {0, 0}, &last));
    EXPECT_LT(last, later);
    last = later;
    EXPECT_TRUE(afIsDoubleClick({0, 0}, {0, 0}, &last));
}

} // namespace
