#include "pel/cl/CommandLine.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileException.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/ScalarValue.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

using namespace pel;

namespace {

// 0: the shell's options and a list option "l" whose values stay as typed; 1: options without a
// default; 2: a required default option. Only the shell's "path" parameters expand paths, and
// only with `paths`: the core's expansion asks the file system, which takes time under Wine.
CommandLine makeOptions(int set, bool paths = true) {
    CommandLine line;
    CommandLineOptions& options = line.options();
    auto with = [](const CommandLineOptionPtr& option, const wchar_t* name, uint32_t flags = 0, bool path = false) {
        CommandLineOptionParameter parameter(name, L"");
        parameter.set(name, L"", flags, path ? parameter.traits : nullptr);
        option->parameters.add(parameter);
        return option;
    };
    if (set == 0) {
        with(options.add(L"open-file", L"f", L"Opens a file.", CommandLineOption::FLAG_DEFAULT), L"path", 0, paths);
        with(options.add(L"open-project", L"p", L"Opens a project file.", 0), L"path", 0, paths);
        with(options.add(L"list", L"l", L"", 0), L"v", CommandLineOptionParameter::FLAG_MULTIPLE);
    } else if (set == 1) {
        with(options.add(L"one", L"o", L"", 0), L"a");
        with(with(options.add(L"pair", L"r", L"", 0), L"x"), L"y");
        with(options.add(L"many", L"m", L"", 0), L"v", CommandLineOptionParameter::FLAG_MULTIPLE);
    } else {
        with(options.add(L"dflt", L"d", L"", CommandLineOption::FLAG_REQUIRED | CommandLineOption::FLAG_DEFAULT), L"p");
    }
    return line;
}

std::wstring render(const Value* value) {
    std::wstring text;
    if (value->getString(&text))
        return text;
    const bool list = value->type == Value::TYPE_LIST;
    if (list)
        for (const Value* element : *static_cast<const ListValue*>(value))
            text += L"," + render(element);
    else
        for (const DictionaryMember& member : static_cast<const AbstractDictionaryValue*>(value)->members())
            text += L"," + member.key() + L"=" + render(member.value());
    return (list ? L"[" : L"{") + text.substr(text.empty() ? 0 : 1) + (list ? L"]" : L"}");
}

class CommandLineTest : public testing::Test {
protected:
    CommandLineTest() : native(nullptr, true) {
        FileIO::attachDevice(L"__winfs", &native, 0);
        WorkString<> full;
        FileIO::getFullPath(L"x", &full);
        cwd.assign(full.c_str(), full.length() - 1);
    }
    ~CommandLineTest() override { FileIO::release(); }

    // The parse as text, or the error with its position.
    static std::wstring outcome(const CommandLine& line, const std::wstring& text) {
        try {
            return render(line.parse(text).get());
        } catch (const ParserException& e) {
            return e.message + L" " + std::to_wstring(e.start.column) + L"-" + std::to_wstring(e.end.column);
        } catch (const FileException& e) {
            return L"FileException " + e.message;
        }
    }

    FileDeviceWin32 native;
    std::wstring cwd; // with its trailing separator, shown as '@' in the cases
};

// Whether the line reads back to the values it was read to; false when it does not parse.
bool readsBack(const CommandLine& line, const std::wstring& text) {
    std::unique_ptr<DictionaryValue> first;
    try { first = line.parse(text); } catch (const ParserException&) { return false; }
    // Empty values (from "") are written as nothing.
    if (std::regex_search(render(first.get()), std::wregex(L"=[,}]|[\\[,][,\\]]")))
        return false;
    std::wstring written = L"prog";
    CommandLine::toString(first.get(), &written);
    EXPECT_TRUE(first->equals(*line.parse(written))) << text << L"\n" << written;
    return true;
}

} // namespace

TEST_F(CommandLineTest, ReadsOptionsWordsAndStringsOrNamesTheFault) {
    const struct { int set; const wchar_t *text, *expected; } cases[] = {
        {0, L"p a.txt", L"{open-file={path=@a.txt}}"},
        {0, L"p -p x.tsProject", L"{open-project={path=@x.tsProject}}"},
        {0, L"p \t ", L"{}"},
        {0, L"-f a.txt", L"{open-file={path=@a.txt}}"},
        {0, L"p -f", L"Parameter `path` not specified for option `open-file`. 4-4"},
        {0, L"p --open-file a b", L"{open-file={path=@a}}"},
        {0, L"p -p a b", L"{open-project={path=@a},open-file={path=@b}}"},
        {0, L"p a -p b", L"Unexpected parameter. 4-6"},
        {0, L"p -x", L"Unknown parameter `x` 2-4"},
        {0, L"p /f a", L"{open-file={path=@a}}"},
        {0, L"p /open-file a", L"Unknown parameter `open-file` 2-12"},
        {0, L"p /", L"Unknown parameter `` 2-3"},
        {0, L"p ---x", L"Unknown parameter `-x` 2-6"},
        {0, L"p --", L"Invalid input. 2-2"},
        {0, L"p \"abc", L"Unexpectedly terminated string value. 2-6"},
        {0, L"\"p", L"Unexpectedly terminated string value. 0-2"},
        {0, L"p \"a b.txt\"", L"{open-file={path=@a b.txt}}"},
        {0, L"p -f \"C:\\my dir\\\\\" -p \"C:\\x\\\"", L"Unexpectedly terminated string value. 22-29"},
        {0, L"p -f \"C:\\my dir\\\\\" -p \"C:\\x\"", L"{open-file={path=C:\\my dir},open-project={path=C:\\x}}"},
        {0, L"p -l \"a\\\"b\" \"a\\\\\\\"b\" a\\\"b \"a\\b\\\\\\c\"", L"{list={v=[a\"b,a\\\"b,a\\\"b,a\\b\\\\\\c]}}"},
        {0, L"p \"\"", L"FileException Invalid call. Please check your parameters."},
        {0, L"p zz:a", L"FileException Unknown file system device 'zz'."},
        {1, L"p w", L"Invalid parameters. 3-3"},
        {1, L"p -o 1 2", L"Too many parameters for option `one`. 8-8"},
        {1, L"p -r 1", L"Parameter `y` not specified for option `pair`. 6-6"},
        {1, L"p -m -r 1 2", L"Parameter `v` not specified for option `many`. 5-5"},
        {1, L"p -r 1 2 -m a \"b c\" \"\" -r 3 4", L"{pair={x=3,y=4},many={v=[a,b c,]}}"},
        {2, L"p w", L"Required option `dflt` not specified. 3-3"},
        {2, L"p -d w x", L"{dflt={p=w}}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::regex_replace(c.expected, std::wregex(L"@"), cwd), outcome(makeOptions(c.set), c.text)) << c.text;
}

TEST_F(CommandLineTest, WritesEachOptionWithItsValuesQuotedWhereNeeded) {
    std::unique_ptr<DictionaryValue> result = makeOptions(0, false).parse(
        L"p -f D:\\a.txt -l a\"b \"a_b\" \"-c\" \"C:\\my dir\\\\\" \"a\tb\" \"x\u3000y\" \\\\s\\ \"\" z");
    result->findDictionary(L"list")->findList(L"v")->append(ScalarValue::createBool(true));
    result->findDictionary(L"list")->setValue(L"n", new ScalarValue(5));
    result->setValue(L"flag", new ScalarValue(1));
    std::wstring text = L"prog";
    CommandLine::toString(result.get(), &text);
    EXPECT_EQ(L"prog --open-file D:\\a.txt --list \"a\\\"b\" \"a_b\" \"-c\" \"C:\\my dir\\\\\" \"a\tb\" \"x\u3000y\" "
              L"\\\\s\\  z --flag", text);
}

TEST_F(CommandLineTest, WrittenCommandLinesReadBackToTheSameValues) {
    for (const wchar_t* text : {L"prog -f \"C:\\my dir\\\\\" -p \"a b\\\u65E5\u672C.txt\"", L"prog \"a_b\\\"-c\\\"\""})
        EXPECT_TRUE(readsBack(makeOptions(0), text)) << text;
    // Values as typed: no path expansion between the two reads.
    const wchar_t* pieces[] = {L"a", L"b", L"\\", L"\\\"", L"\u00FC", L"\u65E5", L" ", L"\U0001F600", L"\t", L"_", L"-", L"/", L"\u3000", L"'"};
    const CommandLine line = makeOptions(0, false);
    std::mt19937 random(4711);
    int compared = 0;
    for (int round = 0; round < 3000; ++round) {
        std::wstring text = L"prog";
        for (int token = random() % 5; token >= 0; --token) {
            const int kind = random() % 6;
            text += kind == 0 ? L" -f " : kind == 1 ? L" --open-project " : kind == 2 ? L" -l " : L" ";
            const bool quoted = random() % 2;
            text += quoted ? L"\"" : L"x";
            for (int n = 1 + random() % 6; n > 0; --n)
                text += pieces[random() % (quoted ? 14 : 6)];
            text += std::wstring(random() % 3 ? L"" : L"\\\\") + (quoted ? L"\"" : L"");
        }
        compared += readsBack(line, text);
    }
    EXPECT_GT(compared, 1500);
}

TEST_F(CommandLineTest, MutatedCommandLinesEndInValuesOrLibraryErrors) {
    const std::wstring samples[] = {L"prog -f \"C:\\my dir\\\\\" -p x.tsProject", L"\"C:\\a b\\t.exe\" --open-file a\\\"b",
                                    L"prog /f a -l \"\\\"x\\\"\" \u65E5 ---x", L"p -l a b c \"d e\" -f \u00FC.txt"};
    const CommandLine raw = makeOptions(0, false), paths = makeOptions(0);
    std::mt19937 random(20240611);
    int values = 0, errors = 0;
    for (int round = 0; round < 100000; ++round) {
        std::wstring text = samples[round % 4];
        for (int change = random() % 4; change >= 0; --change) {
            const size_t at = text.empty() ? 0 : random() % text.size(), how = random() % 4;
            if (how == 0 && !text.empty()) // flip bits of a character
                text[at] ^= static_cast<wchar_t>((random() % 255 + 1) << (random() % 2 ? 8 : 0));
            else if (how == 1) text.erase(at, random() % 8);
            else text.insert(at, 1, L"\"\\-/ \t:"[random() % 7]);
        }
        try {
            (round % 20 ? raw : paths).parse(text);
            ++values;
        } catch (const ParserException&) { ++errors; } catch (const FileException&) { ++errors; }
    }
    EXPECT_TRUE(values > 10000 && errors > 10000) << values << L" " << errors;
}
