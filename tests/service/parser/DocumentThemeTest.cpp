#include "ParserTestSupport.h"
#include "pel/base/Exception.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

using namespace tessel;
using tessel_test::readTheme;
using tessel_test::ScopeChain;

namespace {

const uint32_t UNTOUCHED = 0x01020304;

uint32_t parsed(const std::wstring& text) {
    ThemeColour colour = DocumentTheme::unpackColour(UNTOUCHED);
    const bool ok = DocumentTheme::parseColour(text, &colour);
    EXPECT_EQ(ok, DocumentTheme::isColourText(text)) << text;
    return DocumentTheme::packColour(colour);
}

// The style of the last record of a chain, its ancestors computed first.
ScopeStyle styleOf(const DocumentTheme& theme, const ScopeChain& chain) {
    std::vector<ScopeStyle> styles(chain.size());
    for (size_t i = 0; i < chain.size(); ++i)
        theme.computeStyle(chain[i], &styles[i], i ? &styles[i - 1] : nullptr);
    return styles.back();
}

std::wstring rule(const wchar_t* scope, const wchar_t* settings) {
    return std::wstring(L"{title: \"r\" scope: \"") + scope + L"\" settings: {" + settings + L"}}";
}

std::shared_ptr<DocumentTheme> themeOf(std::initializer_list<std::wstring> rules) {
    std::wstring text = L"[{settings: {foreground: \"#000000\" background: \"#ffffff\"}}";
    for (const std::wstring& r : rules)
        text += L", " + r;
    return readTheme(text + L"]");
}

} // namespace

TEST(DocumentTheme, ReadsOnlyTheColourFormatAndPacksRedLowest) {
    const struct {
        const wchar_t* text;
        uint32_t packed;
    } cases[] = {
        {L"#abc", 0xFFCCBBAA},      {L"#AABBCC", 0xFFCCBBAA}, {L"#00000012", 0x12000000},
        {L"#12345678", 0x78563412}, {L"#abcd", UNTOUCHED},    {L"#12345g", UNTOUCHED},
        {L"x123456", UNTOUCHED},    {L"#", UNTOUCHED},        {L"#fff\n", UNTOUCHED},
        {L"", UNTOUCHED},           {L" #fff", UNTOUCHED},    {L"#ffffff0", UNTOUCHED},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.packed, parsed(c.text)) << c.text;
    ThemeColour colour;
    ASSERT_TRUE(DocumentTheme::parseColour(L"#00000012", &colour));
    EXPECT_FLOAT_EQ(0x12 / 255.0f, colour.alpha);
    for (uint32_t byte = 0; byte < 256; ++byte) {
        const uint32_t packed = byte | (255 - byte) << 8 | byte << 16 | (byte ^ 0x5A) << 24;
        ASSERT_EQ(packed, DocumentTheme::packColour(DocumentTheme::unpackColour(packed))) << byte;
    }
}

TEST(DocumentTheme, FontStylesTakeCommasWhiteSpaceOrBoth) {
    const std::pair<const wchar_t*, uint16_t> accepted[] = {
        {L"", 0},          {L"  ", 0},           {L"bold", 1},           {L"bold, italic", 3},
        {L"bold italic", 3}, {L" bold ,italic ", 3}, {L"underline\treset", 12}, {L"italic,bold,italic", 3},
    };
    for (const auto& c : accepted)
        EXPECT_EQ(c.second, DocumentTheme::parseFontStyle(c.first)) << c.first;

    const struct {
        const wchar_t* text;
        const wchar_t* message;
        uint32_t begin, end;
    } rejected[] = {
        {L"blink", L"Unknown style `blink`.", 0, 5}, {L"bold bolder", L"Unknown style `bolder`.", 5, 11},
        {L"bold,,", L"Syntax error.", 5, 6},         {L"bold,", L"Syntax error.", 5, 5},
        {L"bold;italic", L"Syntax error.", 4, 5},    {L", bold", L"Syntax error.", 0, 1},
    };
    for (const auto& c : rejected) {
        try {
            DocumentTheme::parseFontStyle(c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const pel::ParserException& e) {
            EXPECT_EQ(c.message, e.message);
            EXPECT_EQ(c.begin, e.start.offset) << c.text;
            EXPECT_EQ(c.end, e.end.offset) << c.text;
        }
    }
}

TEST(DocumentTheme, TheBestScoringRulesApplyInOrderOverTheParentsStyle) {
    const ScopeChain chain = {L"source.c", L"string.quoted"};
    // Equal scores: both apply, the later colour wins; a better score drops them.
    auto theme = themeOf({rule(L"string", L"foreground: \"#ff0000\" font_style: \"bold\""),
                          rule(L"string", L"foreground: \"#00ff00\""), rule(L"comment", L"foreground: \"#0000ff\"")});
    EXPECT_EQ(0xFF00FF00u, styleOf(*theme, chain).foreground);
    EXPECT_EQ(FONT_STYLE_BOLD, styleOf(*theme, chain).fontStyle);
    theme = themeOf({rule(L"string.quoted", L"foreground: \"#0000ff\""), rule(L"string", L"foreground: \"#ff0000\"")});
    EXPECT_EQ(0xFFFF0000u, styleOf(*theme, chain).foreground);

    // Font styles add up from parent to child, unless the child's rule says "reset"; an empty
    // one adds nothing and clears nothing.
    const std::pair<const wchar_t*, uint16_t> fonts[] = {{L"italic", 3}, {L"reset, italic", 2}, {L"", 1}};
    for (const auto& font : fonts) {
        theme = themeOf({rule(L"source", L"font_style: \"bold\""),
                         rule(L"string", (std::wstring(L"font_style: \"") + font.first + L"\"").c_str())});
        EXPECT_EQ(font.second, styleOf(*theme, chain).fontStyle) << font.first;
    }

    // A child no rule reaches keeps its parent's look; without a match nothing is applied.
    theme = themeOf({rule(L"source", L"foreground: \"#123456\" background: \"#abcdef\"")});
    const ScopeStyle inherited = styleOf(*theme, chain);
    EXPECT_EQ(0xFF563412u, inherited.foreground);
    EXPECT_EQ(0xFFEFCDABu, inherited.background);
    EXPECT_EQ(0, inherited.fontStyle);
    const ScopeStyle untouched = styleOf(*theme, ScopeChain{L"text.plain"});
    EXPECT_EQ(0xFF000000u, untouched.foreground);
    EXPECT_EQ(STYLE_NO_RULE, untouched.fontStyle);
}

TEST(DocumentTheme, RulesApplyExactlyWhenTheirSelectorsMatchTheRecordAnchored) {
    // Rules are tried by their atoms' innermost names; every operator must still reach them.
    const ScopeChain chain = {L"source.c", L"meta.block", L"string.quoted.double"};
    const wchar_t* selectors[] = {L"comment | string", L"string - comment", L"source - comment", L"comment, string",
                                  L"string & source", L"string & string.quoted", L"(string)", L"meta string",
                                  L"string.quoted.double.x", L"()", L"source.c meta string.quoted - meta string.x",
                                  L"string.quoted.d"};
    for (const wchar_t* selector : selectors) {
        ScopeRank rank;
        const bool matches = ScopeSelectorMatcher(ScopeSelector(selector), chain.back().scopePath()).match(&rank, true);
        ScopeStyle style; // of the innermost record alone: its ancestors' rules do not count
        themeOf({rule(selector, L"foreground: \"#ff0000\"")})->computeStyle(chain.back(), &style, nullptr);
        EXPECT_EQ(matches ? 0xFF0000FFu : 0xFF000000u, style.foreground) << selector;
    }
}

TEST(DocumentTheme, BackgroundsLayerOverTheParentsTruncatingEachChannel) {
    const ScopeChain chain = {L"source.c", L"meta.block"};
    const std::pair<const wchar_t*, uint32_t> layers[] = {{L"#00000012", 0xFFEDEDED}, {L"#00000080", 0xFF7E7E7E}};
    for (const auto& layer : layers) {
        auto theme = themeOf({rule(L"meta", (std::wstring(L"background: \"") + layer.first + L"\"").c_str())});
        EXPECT_EQ(layer.second, styleOf(*theme, chain).background) << layer.first;
        // A root takes the rule's colour whole.
        EXPECT_EQ(parsed(layer.first), styleOf(*theme, ScopeChain{L"meta.x"}).background);
    }
}

TEST(DocumentTheme, OneBadRuleLosesNothingElseAndReadingAgainStartsOver) {
    DocumentTheme theme;
    EXPECT_EQ(0xFF333333u, DocumentTheme::packColour(theme.foreground()));
    EXPECT_EQ(DEFAULT_FOREGROUND, theme.baseStyle().foreground);
    EXPECT_EQ(DEFAULT_BACKGROUND, theme.baseStyle().background);
    EXPECT_EQ(0x12000000u, DocumentTheme::packColour(theme.lineHighlight()));

    const std::wstring entry =
        L"{title: \"T\" settings: [{settings: {selection: \"#123\" hotspot: \"bad\"}}, " +
        rule(L"(a", L"foreground: \"#ff0000\"") + L", " + rule(L"string", L"foreground: \"#00ff00\" font_style: \"blink\"") +
        L", [1], " + rule(L"string", L"background: \"#0000ff\"") + L"]}";
    std::unique_ptr<pel::Value> value(pel::JasmineReaderHelper::read(entry));
    ASSERT_TRUE(theme.read(value.get()));
    ASSERT_EQ(3u, theme.rules().size());
    EXPECT_EQ(nullptr, theme.rules()[0].selector);
    EXPECT_EQ(0, theme.rules()[1].fontStyle);
    EXPECT_EQ(0xFF332211u, DocumentTheme::packColour(theme.selection()));
    EXPECT_EQ(0x301BB25Eu, DocumentTheme::packColour(theme.hotspot()));
    const ScopeStyle style = styleOf(theme, ScopeChain{L"source.c", L"string"});
    EXPECT_EQ(0xFF00FF00u, style.foreground);
    EXPECT_EQ(0xFFFF0000u, style.background);

    // Read again without the selection colour: one copy of each rule, the default colour back.
    std::unique_ptr<pel::Value> changed(pel::JasmineReaderHelper::read(L"[{settings: {}}, " + rule(L"x", L"") + L"]"));
    ASSERT_TRUE(theme.read(changed.get()));
    EXPECT_EQ(1u, theme.rules().size());
    EXPECT_EQ(0x60DF9F28u, DocumentTheme::packColour(theme.selection()));
    std::unique_ptr<pel::Value> notATheme(pel::JasmineReaderHelper::read(L"{title: \"T\"}"));
    EXPECT_FALSE(theme.read(notATheme.get()));
    EXPECT_TRUE(theme.rules().empty());
}
