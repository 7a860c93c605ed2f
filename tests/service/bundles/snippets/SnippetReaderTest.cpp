#include "service/bundles/snippets/SnippetReader.h"

#include <gtest/gtest.h>

#include <random>

using namespace tessel;

namespace {

// Text as it stands; an active node as <M or m (master, mirror), its name, ":" and its
// children, or "/regex/format/options".
std::wstring dump(const SnippetNode& node) {
    if (node.kind == SnippetNode::KIND_TEXT)
        return static_cast<const SnippetTextNode&>(node).text;
    const auto& active = static_cast<const SnippetActiveNode&>(node);
    std::wstring out;
    for (const auto& child : active.children)
        out += dump(*child);
    if (!active.parent)
        return out;
    std::wstring head = (active.kind == SnippetNode::KIND_MASTER ? L"<M" : L"<m") + active.name;
    if (active.isTransformation())
        head += L"/" + active.regex + L"/" + active.format + L"/" + active.options;
    return head + (out.empty() ? L"" : L":" + out) + L">";
}

struct Outcome {
    std::wstring tree;     // "null" for no snippet, else the exception's class and its expected text
    size_t warnings = 0;
};

Outcome readOf(const std::wstring& text) {
    SnippetReader reader;
    Outcome outcome;
    try {
        const std::unique_ptr<Snippet> snippet = reader.read(text);
        outcome.tree = snippet ? dump(snippet->root()) : L"null";
    } catch (const pel::UnexpectedTokenException& e) {
        outcome.tree = L"token " + e.found + L" / " + e.expected;
    } catch (const pel::UnexpectedlyTerminatedException& e) {
        outcome.tree = std::wstring(L"end ") + e.message;
    }
    outcome.warnings = reader.getWarnings().size();
    return outcome;
}

} // namespace

TEST(SnippetReaderTest, ReadsEveryFormOfTheSyntax) {
    const struct {
        const wchar_t* text;
        const wchar_t* tree;
        size_t warnings;
    } rows[] = {
        {LR"(a\$b)", L"a$b", 0},
        {LR"(a\nb)", LR"(a\nb)", 0},
        {LR"(a\)", L"a", 0},
        {LR"(\\\`\}x)", L"\\`}x", 0},
        {L"a$", L"a$", 1},
        {L"$-", L"$-", 1},
        {L"${1:foo} $1", L"<M1:foo> <m1>", 0},
        {L"$1 ${1:foo}", L"<m1> <M1:foo>", 0},
        {L"$1 ${1/a/b/} $1", L"<M1> <m1/a/b/> <m1>", 0},
        {L"${1/(a)/b/}", L"<M1/(a)/b/>", 0},
        {L"${1/(a)/b/g}", L"<M1/(a)/b/g>", 0},
        {LR"(${1/\/x/\//i})", LR"(<M1/\/x/\//i>)", 0},
        {L"${1:a ${2:b $3}}$0", L"<M1:a <M2:b <M3>>><M0>", 0},
        {L"$x ${NAME:default}", L"<mx> <mNAME:default>", 0},
        {L"$1x", L"<M1>x", 0},
        {L"$99999999999 $4294967296", L"<M99999999999> <m4294967296>", 0},
        {L"a}b", L"a}b", 0},
        {L"a`ls`b`x\\`y`c", L"abc", 0},
        {L"x${", L"null", 1},
        {L"${1:a${", L"null", 1},
        {L"${}", L"token unknown / variable or number", 0},
        {L"${ 1}", L"token unknown / variable or number", 0},
        {L"${1 }", L"token unknown / } : or /", 0},
        {L"${1/a/b/g x}", L"token unknown / }", 0},
        {L"${1/(a)/b}", L"end Parsing ended unexpectedly.", 0},
        {L"${1/(a)", L"end Parsing ended unexpectedly.", 0},
        {L"${1:a", L"end Parsing ended unexpectedly.", 0},
        {L"${1", L"end Parsing ended unexpectedly.", 0},
    };
    for (const auto& row : rows) {
        const Outcome outcome = readOf(row.text);
        EXPECT_EQ(row.tree, outcome.tree) << row.text;
        EXPECT_EQ(row.warnings, outcome.warnings) << row.text;
    }
}

TEST(SnippetReaderTest, MastersAndMirrorsAreListedByNumber) {
    const std::unique_ptr<Snippet> snippet = SnippetReader().read(L"$1 ${2} ${1:x} $NAME ${1/a/b/} $99999999999");
    ASSERT_TRUE(snippet);
    ASSERT_EQ(3u, snippet->masters().size());
    EXPECT_EQ(L"1", snippet->findMaster(1)->name);
    EXPECT_EQ(1u, snippet->findMaster(1)->children.size());
    EXPECT_EQ(0, snippet->findMaster(1)->index);
    // The first $1, NAME, the transformation; the number beyond 32 bits is a stop of its own (-1).
    EXPECT_EQ((std::vector<int32_t>{0, 2}), snippet->findMirrors(1));
    EXPECT_EQ(3u, snippet->mirrors().size());
    EXPECT_TRUE(snippet->mirrors()[1]->isVariable);
    EXPECT_EQ(-1, snippet->mirrors()[1]->number);
    EXPECT_EQ(-1, snippet->findMaster(-1)->number);
}

TEST(SnippetReaderTest, ErrorsAndWarningsArePositioned) {
    SnippetReader reader;
    EXPECT_TRUE(reader.read(L"ab\r\ncd$ e\n$"));
    ASSERT_EQ(2u, reader.getWarnings().size());
    EXPECT_EQ(L"Not escaped `$`.", reader.getWarnings()[0].message);
    EXPECT_EQ(1u, reader.getWarnings()[0].position.line);
    EXPECT_EQ(2u, reader.getWarnings()[0].position.column);
    EXPECT_EQ(6u, reader.getWarnings()[0].position.offset);
    EXPECT_EQ(2u, reader.getWarnings()[1].position.line);
    try {
        SnippetReader().read(L"x\n${1:a ${2 3}");
        FAIL() << "no exception";
    } catch (const pel::UnexpectedTokenException& e) {
        EXPECT_EQ(1u, e.start.line);
        EXPECT_EQ(9u, e.start.column);
        EXPECT_EQ(11u, e.start.offset);
    }
}

// Whatever the text, the reader answers a snippet, none or a parser exception, and never more
// than MAX_DEPTH placeholders deep.
TEST(SnippetReaderTest, AnyTextGivesASnippetNoneOrAParserException) {
    const wchar_t alphabet[] = L"${}:/\\`1a_ \nx";
    std::mt19937 random(40);
    size_t snippets = 0, nulls = 0, errors = 0;
    for (int i = 0; i < 100000; ++i) {
        std::wstring text(random() % 24, L' ');
        for (wchar_t& unit : text)
            unit = alphabet[random() % (std::size(alphabet) - 1)];
        try {
            (SnippetReader().read(text) ? snippets : nulls)++;
        } catch (const pel::ParserException&) {
            ++errors;
        }
    }
    EXPECT_GT(snippets, 1000u);
    EXPECT_GT(nulls, 100u);
    EXPECT_GT(errors, 1000u);

    std::wstring nested;
    for (int i = 0; i < 10000; ++i)
        nested += L"${1:";
    EXPECT_THROW(SnippetReader().read(nested), pel::UnexpectedTokenException);
    std::wstring deepest;
    for (int i = 0; i < SnippetReader::MAX_DEPTH; ++i)
        deepest = L"${1:" + deepest + L"}";
    EXPECT_TRUE(SnippetReader().read(deepest));
    EXPECT_THROW(SnippetReader().read(L"${1:" + deepest + L"}"), pel::UnexpectedTokenException);
}
