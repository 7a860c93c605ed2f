#include "ParserTestSupport.h"
#include "pel/text/FormatString.h"
#include "service/parser/ThemeStyler.h"

#include <functional>
#include <thread>

using namespace tessel;

namespace {

class ThemeStylerTest : public tessel_test::MainThreadTest {
protected:
    ThemeStyler styler;
    const tessel_test::ScopeChain chain = {L"source.c", L"meta.block", L"string.quoted"};
    const std::shared_ptr<DocumentTheme> theme = tessel_test::readTheme(
        LR"([{}, {title: "S" scope: "source" settings: {font_style: "bold"}},
             {title: "T" scope: "string" settings: {font_style: "italic"}}])");
};

const char GOLDEN[] =
#include "ThemeGolden.txt"
    ;

} // namespace

TEST_F(ThemeStylerTest, AThemeInJasmineStylesRecordsAsTheGoldenFileSays) {
    styler.setTheme(tessel_test::readTheme(LR"({
      title: "Golden"
      settings: [
        {settings: {foreground: "#202020" background: "#fafafa" selection: "#b0c4de"}}
        {title: "Source" scope: "source" settings: {background: "#f0f0f0"}}
        {title: "Comment" scope: "comment" settings: {foreground: "#808080" font_style: "italic"}}
        {title: "String" scope: "string" settings: {foreground: "#008000"}}
        {title: "Double" scope: "string.quoted.double" settings: {foreground: "#006000" background: "#00ff0020"}}
        {title: "Escape" scope: "string constant.character.escape" settings: {foreground: "#c000c0" font_style: "bold"}}
        {title: "Constant" scope: "constant, comment" settings: {foreground: "#a00000" font_style: "underline"}}
      ]})"));
    tessel_test::ScopeChain records = {L"source.c", L"meta.block", L"string.quoted.double", L"constant.character.escape"};
    for (const wchar_t* name : {L"comment.line.double-slash", L"constant.numeric", L"keyword.control", L""})
        records.addUnder(name, records[name[0] ? 0 : 1].get());
    records.add(L"string.quoted.single");
    records.addUnder(L"text.plain", nullptr);
    std::wstring dump;
    // Innermost records first: the styler computes their ancestors on the way.
    for (size_t i = records.size(); i-- > 0;) {
        const ScopeStyle& style = styler.styleAt(styler.getStyle(*records[i]));
        dump.insert(0, pel::formatString(L"%s: %08X %08X %u\n", records[i]->scopePath().toString().c_str(),
                                         style.foreground, style.background, unsigned(style.fontStyle)));
    }
    // The file's text starts on the line after the opening delimiter.
    EXPECT_EQ(std::wstring(GOLDEN + 1, GOLDEN + sizeof(GOLDEN) - 1), dump);
}

TEST_F(ThemeStylerTest, StylesFromTheThemeInForceOnly) {
    // Without a theme: the default theme's colours, also for an index never asked for.
    EXPECT_EQ(DEFAULT_FOREGROUND, styler.styleAt(styler.getStyle(*chain[2])).foreground);
    const ScopeStyle& fresh = styler.styleAt(500);
    EXPECT_EQ((std::vector<uint32_t>{DEFAULT_FOREGROUND, DEFAULT_BACKGROUND, STYLE_NO_RULE}),
              (std::vector<uint32_t>{fresh.foreground, fresh.background, fresh.fontStyle}));
    styler.setTheme(theme);
    EXPECT_EQ(theme, styler.getTheme());
    EXPECT_EQ(0u, styler.recordCount());
    EXPECT_EQ(STYLE_NO_RULE, styler.styleAt(2).fontStyle) << "not computed yet";
    EXPECT_EQ(FONT_STYLE_BOLD | FONT_STYLE_ITALIC, styler.styleAt(styler.getStyle(*chain[2])).fontStyle);
}

TEST_F(ThemeStylerTest, StylesTheEndOfALongChainWithoutRecursionAndClearsItsPool) {
    tessel_test::ScopeChain deep = {L"source.deep"};
    while (deep.size() < 60000)
        deep.add(deep.size() % 1000 ? L"" : L"meta.block");
    deep.add(L"string.quoted");
    styler.setTheme(theme);
    EXPECT_EQ(FONT_STYLE_BOLD | FONT_STYLE_ITALIC, styler.styleAt(styler.getStyle(*deep.back())).fontStyle);
    EXPECT_EQ(60001u, styler.recordCount());
    styler.clear();
    EXPECT_EQ(0u, styler.recordCount());
    EXPECT_LE(styler.poolChunkCount(), 2u) << "every record went back to the pool";
}

TEST_F(ThemeStylerTest, OnlyTheMainThreadStylesOrChangesTheCache) {
    for (const std::function<void()>& call : std::initializer_list<std::function<void()>>{
             [&] { styler.getStyle(*chain[0]); }, [&] { styler.setTheme(theme); }, [&] { styler.clear(); }}) {
        std::wstring message;
        std::thread([&] {
            try {
                call();
            } catch (const pel::IllegalStateException& e) {
                message = e.message;
            }
        }).join();
        EXPECT_EQ(L"Not a main thread.", message);
    }
}
