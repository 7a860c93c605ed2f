#include "service/bundles/themes/ThemeBundleItem.h"

#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleEntryValidator.h"

#include "service/parser/DocumentTheme.h"

#include "../EntryValueSupport.h"

using namespace tessel;
using tessel_test::EntryValue;
using tessel_test::errorLines;

namespace {

// A theme whose own settings give the background, with one rule's settings.
std::wstring themeText(const std::wstring& background, const std::wstring& rule = L"foreground: '#000'") {
    return L"{title: 'T' settings: [ {settings: {background: " + background + L"}} {title: 'R' scope: 's' settings: {" +
           rule + L"}} ]}";
}

std::wstring validated(const std::wstring& text) {
    ErrorList errors;
    BundleEntryTraits::theme().validator->validate(&EntryValue(text).dictionary(), &errors);
    return errorLines(errors);
}

} // namespace

TEST(ThemeItemTest, ColoursMustBeWholeColourTexts) {
    const struct {
        const wchar_t* colour;
        bool valid;
    } rows[] = {{L"'#FFF'", true},     {L"'#FFFFFF'", true}, {L"'#FFFFFF80'", true}, {L"'#FFFF'", false},
                {L"'FFFFFF'", false},  {L"'#GGGGGG'", false}, {L"'#FFF\\n'", false}, {L"''", false}};
    for (const auto& row : rows) {
        EXPECT_EQ(row.valid ? L"" : L"3 Invalid color format.", validated(themeText(row.colour))) << row.colour;
        EXPECT_EQ(row.valid ? L"" : L"3 Invalid color format.",
                  validated(themeText(L"'#FFF'", std::wstring(L"background: ") + row.colour)))
            << row.colour;
    }
}

TEST(ThemeItemTest, TheValidatorChecksTheSettingsListAndItsRules) {
    const struct {
        const wchar_t* text;
        const wchar_t* errors;
    } rows[] = {
        {L"{title: 'T' settings: []}", L"3 Default settings are missing."},
        {L"{title: 'T'}", L"2 Dictionary key `settings` not found."},
        {L"{title: 'T' settings: {}}", L"2 Value must be `List`, but `Dictionary` found."},
        {L"{title: 'T' settings: [ [] {title: 'R' scope: 's' settings: {foreground: '#12'}} ]}",
         L"3 Value must be `Dictionary`, but `List` found.; 3 Invalid color format."},
        {L"{title: 'T' settings: [ {} 'x' {scope: 1 settings: {font_style: 'bold, italic'}} ]}",
         L"2 Dictionary key `settings` not found.; 2 Value must be `Dictionary`, but `String` found.; "
         L"2 Dictionary key `title` not found.; 2 Value must be `String`, but `Integer` found."},
        {L"{title: 'T' settings: [ {settings: {hotspot: 1}} {title: 'R' scope: 's' settings: {font_style: 'blink'}} ]}",
         L"2 Value must be `String`, but `Integer` found.; 3 Unknown style `blink`."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.errors, validated(row.text)) << row.text;
}

// A bad font style is the validator's to report: reading keeps the theme's other settings.
TEST(ThemeItemTest, ReadingKeepsWhatReadsAndStartsEachValueAnew) {
    boost::intrusive_ptr<ThemeBundleItem> item(new ThemeBundleItem, false);
    const std::shared_ptr<DocumentTheme> first = item->getTheme();
    EXPECT_EQ(0x333333u | 0xFF000000u, DocumentTheme::packColour(first->foreground()));
    ErrorList errors;
    item->readValue(EntryValue(themeText(L"'#102030'", L"font_style: 'blink' foreground: '#FF0000'")).dictionary(),
                    &errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_NE(first, item->getTheme());
    EXPECT_EQ(0xFF302010u, DocumentTheme::packColour(item->getTheme()->background()));
    ASSERT_EQ(1u, item->getTheme()->rules().size());
    EXPECT_TRUE(item->getTheme()->rules()[0].hasForeground);
    item->readValue(EntryValue(L"{title: 'T' settings: 3}").dictionary(), &errors);
    EXPECT_EQ(0xFFFFFFFFu, DocumentTheme::packColour(item->getTheme()->background()));
    EXPECT_TRUE(item->getTheme()->rules().empty());
}
