#include "ParserTestSupport.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

#include <cwchar>

using namespace tessel;
using tessel_test::ScopeChain;

namespace {

const uint32_t UNTOUCHED = 0x01020304;

uint32_t parsed(const std::wstring& text) {
    ThemeColour colour = DocumentTheme::unpackColour(UNTOUCHED);
    EXPECT_EQ(DocumentTheme::parseColour(text, &colour), DocumentTheme::isColourText(text)) << text;
    return DocumentTheme::packColour(colour);
}

// Black on white and one rule per pair of selector and settings.
std::shared_ptr<DocumentTheme> themeOf(std::initializer_list<std::pair<const wchar_t*, std::wstring>> rules) {
    std::wstring text = L"[{settings: {foreground: \"#000000\" background: \"#ffffff\"}}";
    for (const auto& rule : rules)
        text += std::wstring(L", {title: \"r\" scope: \"") + rule.first + L"\" settings: {" + rule.second + L"}}";
    return tessel_test::readTheme(text + L"]");
}

// The style of a chain's innermost record, the outer ones computed first.
ScopeStyle styleOf(const DocumentTheme& theme, const ScopeChain& chain) {
    std::vector<ScopeStyle> styles(chain.size());
    for (size_t i = 0; i < chain.size(); ++i)
        theme.computeStyle(*chain[i], &styles[i], i ? &styles[i - 1] : nullptr);
    return styles.back();
}

} // namespace

TEST(DocumentTheme, ReadsOnlyTheColourFormatAndPacksRedLowest) {
    const std::pair<const wchar_t*, uint32_t> cases[] = {
        {L"#abc", 0xFFCCBBAA},  {L"#AABBCC", 0xFFCCBBAA}, {L"#00000012", 0x12000000}, {L"#12345678", 0x78563412},
        {L"#abcd", UNTOUCHED},  {L"#12345g", UNTOUCHED},  {L"x123456", UNTOUCHED},    {L"#", UNTOUCHED},
        {L"#fff\n", UNTOUCHED}, {L"#ffffff0", UNTOUCHED}, {L" #fff", UNTOUCHED}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, parsed(c.first)) << c.first;
    for (uint32_t byte = 0; byte < 256; ++byte) {
        const uint32_t packed = byte | (255 - byte) << 8 | byte << 16 | (byte ^ 0x5A) << 24;
        ASSERT_EQ(packed, DocumentTheme::packColour(DocumentTheme::unpackColour(packed))) << byte;
    }
}

TEST(DocumentTheme, FontStylesTakeCommasWhiteSpaceOrBoth) {
    for (const auto& c : {std::make_pair(L" ", 0), std::make_pair(L"bold, italic", 3), std::make_pair(L"bold italic", 3),
                          std::make_pair(L" bold ,italic ", 3), std::make_pair(L"underline\treset", 12),
                          std::make_pair(L"italic,bold , underline", 7), std::make_pair(L"", 0)})
        EXPECT_EQ(c.second, DocumentTheme::parseFontStyle(c.first)) << c.first;
    const struct {
        const wchar_t *text, *message;
        uint32_t begin, end;
    } rejected[] = {{L"blink", L"Unknown style `blink`.", 0, 5}, {L"bold bolder", L"Unknown style `bolder`.", 5, 11},
                    {L"bold,,", L"Syntax error.", 5, 6},         {L"bold;italic", L"Syntax error.", 4, 5},
                    {L"bold, ", L"Syntax error.", 6, 6},         {L", bold", L"Syntax error.", 0, 1},
                    {L"Bold", L"Unknown style `Bold`.", 0, 4},   {L"italicx", L"Unknown style `italicx`.", 0, 7}};
    for (const auto& c : rejected) {
        try {
            DocumentTheme::parseFontStyle(c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const pel::ParserException& e) {
            EXPECT_EQ(c.message, e.message);
            EXPECT_EQ(c.begin * 1000 + c.end, e.start.offset * 1000 + e.end.offset) << c.text;
        }
    }
}

TEST(DocumentTheme, RulesLayerOverTheParentsStyle) {
    const ScopeChain chain = {L"source.c", L"meta.block", L"string.quoted"};
    // Font styles add up from parent to child unless the child's says "reset".
    for (const auto& font : {std::make_pair(L"italic", 3), std::make_pair(L"reset, italic", 2), std::make_pair(L"", 1)}) {
        const auto theme = themeOf({{L"source", L"font_style: \"bold\""},
                                    {L"string", std::wstring(L"font_style: \"") + font.first + L"\""}});
        EXPECT_EQ(font.second, styleOf(*theme, chain).fontStyle) << font.first;
    }
    // Backgrounds layer over the parent's, truncating each channel; a root takes them whole.
    for (const auto& layer : {std::make_pair(L"#00000012", 0xFFEDEDEDu), std::make_pair(L"#00000080", 0xFF7E7E7Eu)}) {
        const auto theme = themeOf({{L"meta", std::wstring(L"background: \"") + layer.first + L"\""}});
        EXPECT_EQ(layer.second, styleOf(*theme, chain).background) << layer.first;
        EXPECT_EQ(parsed(layer.first), styleOf(*theme, ScopeChain{L"meta.x"}).background);
    }
    // Rules are looked up by their atoms' innermost names: every operator must still reach them.
    for (const wchar_t* selector : {L"comment | string", L"string - comment", L"source - comment", L"comment, string",
                                    L"string & source", L"string & string.quoted", L"(meta string)", L"()",
                                    L"source.c meta string.quoted - meta string.x", L"string.quot"}) {
        ScopeRank rank;
        const bool matches = ScopeSelectorMatcher(ScopeSelector(selector), chain.back()->scopePath()).match(&rank, true);
        ScopeStyle style; // of the innermost record alone: its ancestors' rules do not count
        themeOf({{selector, L"foreground: \"#ff0000\""}})->computeStyle(*chain.back(), &style, nullptr);
        EXPECT_EQ(matches ? 0xFF0000FFu : 0xFF000000u, style.foreground) << selector;
    }
}

TEST(DocumentTheme, OneBadRuleLosesNothingElseAndReadingAgainStartsOver) {
    DocumentTheme theme;
    std::unique_ptr<pel::Value> value(pel::JasmineReaderHelper::read(
        LR"({title: "T" settings: [{settings: {selection: "#123" hotspot: "bad"}},
             {title: "a" scope: "(a" settings: {foreground: "#ff0000"}}, [1],
             {title: "b" scope: "string" settings: {foreground: "#00ff00" font_style: "blink"}},
             {title: "c" scope: "string" settings: {background: "#0000ff"}}]})"));
    ASSERT_TRUE(theme.read(value.get()));
    ASSERT_EQ(3u, theme.rules().size());
    const ScopeStyle style = styleOf(theme, ScopeChain{L"source.c", L"string"});
    EXPECT_EQ((std::vector<uint32_t>{0, 0xFF332211, 0x301BB25E, 0xFF00FF00, 0xFFFF0000, 0}),
              (std::vector<uint32_t>{theme.rules()[0].selector.has_value(), DocumentTheme::packColour(theme.selection()),
                                     DocumentTheme::packColour(theme.hotspot()), style.foreground, style.background,
                                     style.fontStyle}));
    // Without the selection colour: one copy of each rule, the default colour back.
    value.reset(pel::JasmineReaderHelper::read(L"[{}, {title: \"x\" scope: \"x\" settings: {}}]"));
    ASSERT_TRUE(theme.read(value.get()));
    EXPECT_EQ(1u, theme.rules().size());
    EXPECT_EQ(0x60DF9F28u, DocumentTheme::packColour(theme.selection()));
    value.reset(pel::JasmineReaderHelper::read(L"{title: \"T\"}"));
    EXPECT_FALSE(theme.read(value.get()));
    EXPECT_TRUE(theme.rules().empty());
}

TEST(DocumentTheme, TheRuleIndexFindsWhatTryingEveryRuleFinds) {
    // Names sharing dot prefixes, operators, and a selector twice: each record must get the
    // rules of the best score that trying every rule in turn gives, the last in theme order.
    std::vector<std::wstring> selectors, scopes;
    for (const wchar_t* family : {L"string", L"comment", L"keyword", L"entity.name", L"meta"})
        for (const wchar_t* part : {L"", L".quoted", L".quoted.double", L".line", L".control", L".function.c"}) {
            selectors.push_back(std::wstring(family) + part);
            scopes.push_back(selectors.back() + L".x");
        }
    for (const wchar_t* more : {L"source string, comment.line", L"string - comment", L"meta keyword.control | entity",
                                L"string.quoted", L"(source) & meta.line", L"string.quoted.double.x"})
        selectors.push_back(more);
    std::wstring text = L"[{settings: {foreground: \"#000000\"}}";
    for (size_t i = 0; i < selectors.size(); ++i) {
        wchar_t colour[8];
        std::swprintf(colour, 8, L"#%06x", static_cast<unsigned>(i + 1));
        text += L", {title: \"r\" scope: \"" + selectors[i] + L"\" settings: {foreground: \"" + colour + L"\"}}";
    }
    const auto theme = tessel_test::readTheme(text + L"]");
    for (const std::wstring& scope : scopes) {
        const ScopeChain chain = {L"source.c", L"meta.line", scope.c_str()};
        uint32_t expected = theme->baseStyle().foreground;
        uint64_t bestScore = 0;
        for (const ThemeRule& rule : theme->rules()) {
            ScopeRank rank;
            if (ScopeSelectorMatcher(*rule.selector, chain.back()->scopePath()).match(&rank, true) &&
                rank.score >= bestScore) {
                bestScore = rank.score;
                expected = DocumentTheme::packColour(rule.foreground);
            }
        }
        ScopeStyle style;
        theme->computeStyle(*chain.back(), &style, nullptr);
        EXPECT_EQ(expected, style.foreground) << scope;
    }
}
