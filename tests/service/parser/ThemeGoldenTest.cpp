// A small theme in Jasmine text styles a fixed set of scope records; the dump of their styles
// must equal the checked-in ThemeGolden.txt.

#include "ParserTestSupport.h"
#include "pel/text/FormatString.h"
#include "service/parser/ThemeStyler.h"

using namespace tessel;

namespace {

const char GOLDEN[] =
#include "ThemeGolden.txt"
    ;

const wchar_t THEME[] = LR"({
  title: "Golden"
  settings: [
    {settings: {foreground: "#202020" background: "#fafafa" selection: "#b0c4de"}}
    {title: "Source" scope: "source" settings: {background: "#f0f0f0"}}
    {title: "Comment" scope: "comment" settings: {foreground: "#808080" font_style: "italic"}}
    {title: "String" scope: "string" settings: {foreground: "#008000"}}
    {title: "Double" scope: "string.quoted.double" settings: {foreground: "#006000" background: "#00ff0020"}}
    {title: "Escape" scope: "string constant.character.escape" settings: {foreground: "#c000c0" font_style: "bold"}}
    {title: "Constant" scope: "constant, comment" settings: {foreground: "#a00000" font_style: "underline"}}
  ]
})";

class ThemeGolden : public tessel_test::MainThreadTest {};

} // namespace

TEST_F(ThemeGolden, AThemeInJasmineStylesScopeRecordsAsTheGoldenFileSays) {
    tessel_test::ScopeChain records = {L"source.c", L"meta.block", L"string.quoted.double", L"constant.character.escape"};
    records.addUnder(L"comment.line.double-slash", &records[0]);
    records.addUnder(L"constant.numeric", &records[0]);
    records.addUnder(L"keyword.control", &records[0]);
    records.addUnder(L"", &records[1]);
    records.addUnder(L"string.quoted.single", &records[7]);
    records.addUnder(L"text.plain", nullptr);
    ThemeStyler styler;
    styler.setTheme(tessel_test::readTheme(THEME));
    std::wstring dump;
    for (size_t i = 0; i < records.size(); ++i) {
        const ScopeStyle& style = styler.styleAt(styler.getStyle(records[i]));
        dump += pel::formatString(L"%s: %08X %08X %u\n", records[i].scopePath().toString().c_str(), style.foreground,
                                  style.background, unsigned(style.fontStyle));
    }
    // The file's text starts on the line after the opening delimiter.
    EXPECT_EQ(std::wstring(GOLDEN + 1, GOLDEN + sizeof(GOLDEN) - 1), dump);
}
