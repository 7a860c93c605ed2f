#include "ParserTestSupport.h"
#include "pel/base/Exception.h"
#include "service/parser/ThemeStyler.h"

#include <functional>
#include <thread>

using namespace tessel;
using tessel_test::readTheme;
using tessel_test::ScopeChain;

namespace {

class ThemeStylerTest : public tessel_test::MainThreadTest {
protected:
    ThemeStyler styler;
    const ScopeChain chain = {L"source.c", L"meta.block", L"string.quoted"};
    const std::shared_ptr<DocumentTheme> theme = readTheme(
        LR"([{settings: {foreground: "#010203" background: "#000000"}},
             {title: "Source" scope: "source" settings: {foreground: "#ff0000" font_style: "bold"}},
             {title: "String" scope: "string" settings: {font_style: "italic"}}])");
};

} // namespace

TEST_F(ThemeStylerTest, StylesAncestorsFirstAndForgetsEverythingWithTheTheme) {
    // Before any theme: the default theme's colours.
    const ScopeStyle& fresh = styler.styleAt(500);
    EXPECT_EQ(DEFAULT_FOREGROUND, fresh.foreground);
    EXPECT_EQ(DEFAULT_BACKGROUND, fresh.background);
    EXPECT_EQ(STYLE_NO_RULE, fresh.fontStyle);
    EXPECT_EQ(DEFAULT_FOREGROUND, styler.styleAt(styler.getStyle(chain.back())).foreground);

    styler.setTheme(theme);
    EXPECT_EQ(theme, styler.getTheme());
    EXPECT_EQ(0u, styler.recordCount()) << "the old styles went with the old theme";
    EXPECT_EQ(STYLE_NO_RULE, styler.styleAt(2).fontStyle) << "not computed yet";
    EXPECT_EQ(0xFF000000u, styler.styleAt(2).background);
    // The rule on the outermost record reaches the innermost through a middle record no rule reaches.
    EXPECT_EQ(2, styler.getStyle(chain[2]));
    const ScopeStyle& string = styler.styleAt(2);
    EXPECT_EQ(0xFF0000FFu, string.foreground);
    EXPECT_EQ(FONT_STYLE_BOLD | FONT_STYLE_ITALIC, string.fontStyle);
    EXPECT_EQ(FONT_STYLE_BOLD, styler.styleAt(1).fontStyle);
    EXPECT_EQ(3u, styler.recordCount());

    styler.setTheme(nullptr);
    EXPECT_EQ(STYLE_NO_RULE, styler.styleAt(2).fontStyle);
    EXPECT_EQ(DEFAULT_FOREGROUND, styler.styleAt(styler.getStyle(chain[2])).foreground);
}

TEST_F(ThemeStylerTest, StylesTheEndOfALongChainWithoutRecursionAndClearsItsPool) {
    ScopeChain deep = {L"source.deep"};
    while (deep.size() < 60000)
        deep.add(deep.size() % 1000 ? L"" : L"meta.block");
    deep.add(L"string.quoted");
    styler.setTheme(theme);
    const ScopeStyle& style = styler.styleAt(styler.getStyle(deep.back()));
    EXPECT_EQ(FONT_STYLE_BOLD | FONT_STYLE_ITALIC, style.fontStyle);
    EXPECT_EQ(60001u, styler.recordCount());
    styler.clear();
    EXPECT_EQ(0u, styler.recordCount());
    EXPECT_LE(styler.poolChunkCount(), 2u) << "every record went back to the pool";
}

TEST_F(ThemeStylerTest, OnlyTheMainThreadStylesOrChangesTheCache) {
    const std::function<void()> calls[] = {
        [&] { styler.getStyle(chain[0]); }, [&] { styler.setTheme(theme); }, [&] { styler.clear(); }};
    for (const auto& call : calls) {
        std::wstring message;
        std::thread worker([&] {
            try {
                call();
            } catch (const pel::IllegalStateException& e) {
                message = e.message;
            }
        });
        worker.join();
        EXPECT_EQ(L"Not a main thread.", message);
    }
}
