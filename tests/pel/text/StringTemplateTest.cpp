#include "pel/base/Exception.h"
#include "pel/text/StringTemplate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

using namespace pel;

TEST(StringTemplate, MissingRepeatedAndReplacedValues) {
    EXPECT_EQ(L"3.5.12", StringTemplate(L"{1}.{2}.{3}").arg(1, 3).arg(2, 5).arg(3, 12).render());
    StringTemplate t(L"a{1}b");
    EXPECT_EQ(L"ab", t.render());
    EXPECT_EQ(L"a7b", t.arg(1, 7u).render());
    EXPECT_EQ(L"axb", t.arg(1, std::wstring(L"x")).render()); // the cached result is dropped
    // Repeats, gaps and leading zeros; 8-bit text widens as Latin-1.
    EXPECT_EQ(L"yy-", StringTemplate(L"{2}{2}-{1}").arg(2, L"y").render());
    EXPECT_EQ(L"<q\u00E9>", StringTemplate(L"<{007}>").arg(7, "q\xE9").render());
    EXPECT_EQ(L"-2147483648 4294967295", StringTemplate(L"{10} {3}").arg(10, INT32_MIN).arg(3, 4294967295u).render());
}

TEST(StringTemplate, MalformedPlaceholdersStayLiteral) {
    for (const wchar_t* text : {L"{{1}", L"{1", L"x{", L"{a}", L"{}", L"{-1}", L"{ 1}", L"{99999999999}"})
        EXPECT_EQ(text, StringTemplate(text).arg(1, 5).render());
    // The character taken for the closing brace is literal with the rest.
    EXPECT_EQ(L"{1{2}", StringTemplate(L"{1{2}").arg(2, 5).render());
    EXPECT_EQ(L"}{1x}[5]{", StringTemplate(L"}{1x}[{1}]{").arg(1, 5).render());
}

TEST(StringTemplate, StringArgumentsAreCopied) {
    // A template held in an exception outlives the strings it was filled with.
    std::unique_ptr<StringTemplate> kept;
    {
        std::wstring wide = L"wide";
        std::string narrow = "narrow";
        kept = std::make_unique<StringTemplate>(L"{1}/{2}");
        kept->arg(1, wide.c_str()).arg(2, narrow.c_str());
        const StringTemplateValue reference(wide.c_str());
        EXPECT_EQ(StringTemplateValue::WIDE_REFERENCE, reference.kind());
        EXPECT_EQ(StringTemplateValue::WIDE_COPY, StringTemplateValue(reference).kind());
        wide.assign(100, L'#');
        narrow.assign(100, '#');
    }
    EXPECT_EQ(L"wide/narrow", kept->render());

    StringTemplate copy(*kept);
    copy.arg(1, 2);
    EXPECT_EQ(L"wide/narrow", kept->render());
    EXPECT_EQ(L"2/narrow", copy.render());
}

TEST(StringTemplate, ParserExceptionPositions) {
    ParserException e(L"bad", TextPosition{4294967295u, 0, 0}, TextPosition{12, 34, 56});
    EXPECT_EQ(L"ParserException: bad at `4294967295:0` - `12:34`", e.displayText());
}

TEST(StringTemplate, ManyUnclosedPlaceholdersParseInOnePass) {
    // Each "{1" takes the next "{" for its closing brace and stays literal; a template of them
    // once took seconds at a few hundred characters.
    std::wstring text = L"{{";
    for (int i = 0; i < 10000; ++i)
        text += L"{1";
    for (const std::wstring& form : {text, text + L'\xD800', text + L"{1}"}) {
        const auto start = std::chrono::steady_clock::now();
        const std::wstring rendered = StringTemplate(form).arg(1, 5).render();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << form.size();
        EXPECT_EQ(form.back() == L'}' ? text + L"5" : form, rendered);
    }
}
