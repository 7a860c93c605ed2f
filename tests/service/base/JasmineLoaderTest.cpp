#include "service/base/JasmineLoader.h"
#include "service/base/PrintfDouble.h"
#include "service/base/ValueNodeSupport.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/text/FormatString.h"
#include "support/FailingDiskDevice.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>

using namespace tessel;
using tessel_test::make;
using tessel_test::parse;

namespace {

std::wstring written(const ValueNode& node, int depth = 0) {
    std::wstring text;
    JasmineLoader::writeValue(node, text, depth);
    return text;
}

// Lines the loader logged, each "level text".
std::vector<std::wstring> loaderLines(const tessel_test::LogCapture& capture) {
    std::vector<std::wstring> lines;
    for (const tessel_test::LoggedLine& line : capture.lines())
        if (line.source == LOG_JASMINE_LOADER_SOURCE)
            lines.push_back(std::to_wstring(line.level) + L" " + line.text);
    return lines;
}

} // namespace

TEST(JasmineLoaderWriter, WritesTheLayoutAndOnlyTextThatReadsBack) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        ValueNode node;
        std::wstring text;
        int warnings;
    } rows[] = {
        {"empty dictionary", ValueNode(ValueNode::Dictionary), L"\n{\n}\n", 0},
        {"nested dictionary", parse(L"{app:{x:1}}"), L"\n{\n\tapp : \n\t{\n\t\tx : 1\n\t}\n}\n", 0},
        {"list of a list", parse(L"[[1] 'a']"), L"\n[\n\t\n\t[\n\t\t1\n\t]\n\t'a'\n]\n", 0},
        {"quote doubled", parse(L"'it''s'"), L"'it''s'\n", 0},
        {"absent text", ValueNode(ValueNode::String), L"''\n", 0},
        {"Int", parse(L"-7"), L"-7\n", 0},
        {"UInt", parse(L"3000000000"), L"3000000000\n", 0},
        {"Double 0.5", parse(L"0.5"), L"0.5\n", 0},
        {"Double 2.0", parse(L"2.0"), L"2\n", 0},
        {"Double 1e20", parse(L"1e20"), L"1e+020\n", 0},
        {"Double -2.5e-5", parse(L"-2.5e-5"), L"-2.5e-005\n", 0},
        {"Double 1/3", make([](ValueNode& n) { n.setDouble(1.0 / 3); }), L"0.3333333333333333\n", 0},
        {"Bool", parse(L"false"), L"false\n", 0},
        {"Null", ValueNode(), L"null\n", 0},
        {"Symbol", make([](ValueNode& n) { n.setSymbol(L"a_b-1.c"); }), L"a_b-1.c\n", 0},
        {"Symbol with a blank", make([](ValueNode& n) { n.setSymbol(L"a b"); }), L"'a b'\n", 0},
        {"Symbol true", make([](ValueNode& n) { n.setSymbol(L"true"); }), L"'true'\n", 0},
        {"Symbol starting with a digit", make([](ValueNode& n) { n.setSymbol(L"1a"); }), L"'1a'\n", 0},
        {"Symbol without text", ValueNode(ValueNode::Symbol), L"''\n", 0},
        {"RegExp", ValueNode(RegExSource{L"a/b\\/c\\d", L"i"}), L"/a\\/b\\/c\\d/i\n", 0},
        {"RegExp starting with *", ValueNode(RegExSource{L"*x", L""}), L"/\\*x/\n", 0},
        {"RegExp options", ValueNode(RegExSource{L"x", L"i x/"}), L"/x/ix\n", 0},
        {"RegExp absent", ValueNode(ValueNode::RegExp), L"null\n", 1},
        {"RegExp empty", ValueNode(RegExSource{}), L"null\n", 1},
        {"RegExp ending in a backslash", ValueNode(RegExSource{L"a\\\\\\", L""}), L"null\n", 1},
        {"infinity", make([inf](ValueNode& n) { n.setDouble(-inf); }), L"null\n", 1},
        {"NaN", make([](ValueNode& n) { n.setDouble(std::nan("")); }), L"null\n", 1},
        {"keys that would not read back",
         make([](ValueNode& n) {
             for (const wchar_t* key : {L"-x", L"1a", L"a b", L"", L"a+", L"\u00e9", L"1e5"})
                 n.getOrAddKey(key).setInt(1);
         }),
         L"\n{\n\t1e5 : 1\n}\n", 6},
    };
    for (const auto& row : rows) {
        tessel_test::LogCapture capture;
        EXPECT_EQ(row.text, written(row.node)) << row.what;
        const std::vector<std::wstring> lines = loaderLines(capture);
        EXPECT_EQ(static_cast<size_t>(row.warnings), lines.size()) << row.what;
        for (const std::wstring& line : lines)
            EXPECT_EQ(0u, line.find(L"2 JasmineLoader::writeValue(): ")) << line;
        EXPECT_NO_THROW(parse(row.text)) << row.what;
    }
    EXPECT_EQ(L"\n\t\t{\n\t\t}\n", written(ValueNode(ValueNode::Dictionary), 2));
    EXPECT_EQ(L"5\n", written(parse(L"5"), 2));

    // The root of a configuration file; its two entries come in the dictionary's own order.
    const std::wstring text = written(parse(L"{version:'1 0 0 0' app:{x:1}}"));
    const std::wstring version = L"\tversion : '1 0 0 0'\n", app = L"\tapp : \n\t{\n\t\tx : 1\n\t}\n";
    EXPECT_TRUE(text == L"\n{\n" + version + app + L"}\n" || text == L"\n{\n" + app + version + L"}\n") << text;
}

TEST(JasmineLoaderWriter, ContainersBeyondTheParsersDepthAreWrittenAsNull) {
    ValueNode root;
    ValueNode* node = &root;
    for (size_t depth = 0; depth <= ValueNodeParser::MAX_DEPTH; ++depth)
        node = &node->getOrAddKey(L"a");
    tessel_test::LogCapture capture;
    const std::wstring text = written(root);
    EXPECT_EQ(1u, loaderLines(capture).size());
    EXPECT_EQ(ValueNodeParser::MAX_DEPTH, std::count(text.begin(), text.end(), L'{'));
    EXPECT_NE(std::wstring::npos, text.find(L"a : null"));
    EXPECT_NO_THROW(parse(text));
    EXPECT_TRUE(ValueNode(root).equals(root)); // copies and comparisons go as deep
}

TEST(JasmineLoaderWriter, DoublesAsTheRuntimePrintsThem) {
    std::mt19937_64 random(16);
    std::vector<double> values = {0.0, -0.0, 1e16, 9999999999999999.0, 1e-5, 0.0001, 123456789012345678.0,
                                  5e-324, 1.7976931348623157e308, -27678946448798.625, 0.5, 2.5, 1e15 + 0.5};
    for (int i = 0; i < 20000; ++i) {
        uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            values.push_back(value);
        // Exact ties at the 16th digit: 16 integer digits and a half, 12 and an odd 32nd.
        values.push_back((1e15 + static_cast<double>(random() % 120000000000000) + 0.5) * (i % 2 ? 1 : -1));
        values.push_back(static_cast<double>(random() % 1000000000000) + static_cast<double>(random() % 32) / 32);
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), -53) * 1000.0);
    }
    for (double value : values) {
        std::wstring text;
        appendPrintfG16(text, value);
        ASSERT_EQ(pel::formatString(L"%.16g", value), text);
    }
}

// A double is written so that it reads back as itself: "%.16g" where that does, else "%.17g".
// Near the largest double "%.16g" reads back as infinity, which the next write made null.
TEST(JasmineLoaderWriter, DoublesReadBackAsTheSameFiniteValue) {
    const double largest = std::numeric_limits<double>::max();
    std::vector<double> values = {largest, -largest, std::nextafter(largest, 0.0), 5e-324, -5e-324,
                                  std::numeric_limits<double>::min(), 0.1 + 0.2, 1.0 / 3, 2.0 / 3 * 1e300,
                                  9007199254740993.0, 0.0, -0.0, 1e22, 1e23, 123456789.125};
    std::mt19937_64 random(1104);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            values.push_back(value);
    }
    int long17 = 0;
    for (double value : values) {
        ValueNode node;
        node.setDouble(value);
        const std::wstring text = written(node);
        const ValueNode back = parse(text);
        ASSERT_EQ(value, back.getDouble(std::nan(""))) << pel::formatString(L"%.17g", value).c_str();
        std::wstring short16;
        appendPrintfG16(short16, value);
        const bool reads16 = parse(short16).getDouble(0) == value;
        std::wstring expected = pel::formatString(reads16 ? L"%.16g" : L"%.17g", value);
        if (!reads16 && expected.find_first_of(L".eE") == std::wstring::npos)
            expected = pel::formatString(L"%.16e", value); // 17 whole digits: an integer's text
        ASSERT_EQ(expected + L"\n", text);
        long17 += expected.size() > short16.size() ? 1 : 0;
    }
    EXPECT_GT(long17, 0);
    // Written twice, the largest double stays itself rather than becoming null.
    ValueNode node;
    node.setDouble(largest);
    EXPECT_EQ(L"1.7976931348623157e+308\n", written(parse(written(node))));
}

// Where 16 digits do not read back and "%.17g" would write 17 whole digits (from 1e16 to 1e17), a
// double is written with its exponent, so that its text is a double's and never an integer's.
TEST(JasmineLoaderWriter, DoublesThatNeed17DigitsKeepADoublesText) {
    std::vector<double> values = {3.0000000000000004e16, 1.797693134862316e16, 3.163655251184634e16,
                                  std::nextafter(1e16, 1e17), std::nextafter(1e17, 0.0), 1e16, 9.999999999999998e15};
    std::mt19937_64 random(71);
    for (int i = 0; i < 5000; ++i)
        values.push_back(1e16 + static_cast<double>(random() % 90000000000000000ull));
    int exponentForm = 0;
    for (double sign : {1.0, -1.0})
        for (double magnitude : values) {
            const double value = sign * magnitude;
            ValueNode node;
            node.setDouble(value);
            const std::wstring text = written(node);
            const std::wstring number = text.substr(0, text.size() - 1); // before the line feed
            std::wstring short16;
            appendPrintfG16(short16, value);
            if (parse(short16).getDouble(0) != value) {
                ASSERT_NE(std::wstring::npos, number.find_first_of(L".eE")) << number.c_str();
            }
            const ValueNode back = parse(text);
            ASSERT_EQ(ValueNode::Double, back.kind()) << number.c_str();
            ASSERT_EQ(value, back.getDouble(0)) << number.c_str();
            exponentForm += number.find(L'.') != std::wstring::npos && number.find(L"e+016") != std::wstring::npos;
        }
    EXPECT_GT(exponentForm, 1000); // most of them need all 17 digits
    ValueNode node;
    node.setDouble(3.0000000000000004e16);
    EXPECT_EQ(L"3.0000000000000004e+016\n", written(node));
}

// Every key of number units the parser reads is written back and reads as that key; every other
// is left out, and the written text always parses.
TEST(JasmineLoaderWriter, NumberKeysReadBackAsTheParserReadsThem) {
    const ValueNode plus = parse(L"{ 1e+5 : x }");
    EXPECT_NE(std::wstring::npos, written(plus).find(L"1e+5")) << written(plus);
    EXPECT_TRUE(parse(written(plus)).equals(plus));
    std::mt19937 random(11);
    const std::wstring units = L"0123456789.eE-+a_";
    for (int round = 0; round < 20000; ++round) {
        std::wstring key(1, L"0123456789.-"[random() % 12]);
        for (int n = random() % 7; n > 0; --n)
            key += units[random() % units.size()];
        bool parsed = true;
        ValueNode read;
        try {
            read = parse(L"{ " + key + L" : 1 }");
        } catch (const pel::Exception&) {
            parsed = false;
        }
        ValueNode node(ValueNode::Dictionary);
        node.getOrAddKey(key).setInt(1);
        tessel_test::LogCapture capture;
        const std::wstring text = written(node);
        ValueNode back;
        ASSERT_NO_THROW(back = parse(text)) << text;
        EXPECT_EQ(parsed, back.equals(node)) << text;
        EXPECT_EQ(parsed, read.equals(node)) << text;
        EXPECT_EQ(parsed, loaderLines(capture).empty()) << text;
    }
}

// What a written tree reads back as: a Symbol as a String, an absent text as the empty one, a
// number as the parser's number rule types its text, a double within 16 significant digits.
ValueNode readBackForm(const ValueNode& node) {
    ValueNode form;
    switch (node.kind()) {
    case ValueNode::String:
    case ValueNode::Symbol:
        form.setString(node.text() ? node.text() : L"");
        break;
    case ValueNode::Int:
    case ValueNode::UInt:
    case ValueNode::Double:
        form = parse(written(node));
        EXPECT_LE(std::fabs(form.getDouble(0) - node.getDouble(0)), std::fabs(node.getDouble(0)) * 1e-15);
        break;
    case ValueNode::List:
        form = ValueNode(ValueNode::List);
        for (const ValueNode& item : node.listBegin())
            *form.addListItem() = readBackForm(item);
        break;
    case ValueNode::Dictionary:
        form = ValueNode(ValueNode::Dictionary);
        for (const ValueNode::Entry& entry : node.dictionaryBegin())
            form.getOrAddKey(entry.first) = readBackForm(entry.second);
        break;
    default:
        form = node;
        break;
    }
    return form;
}

TEST(JasmineLoaderWriter, WrittenTreesReadBack) {
    std::mt19937 random(104);
    const std::wstring units = L"ab'\"\\/ \t\n{}\u00e9\u65e5*-";
    const auto text = [&] {
        std::wstring t;
        for (int n = random() % 6; n > 0; --n)
            t += units[random() % units.size()];
        return t;
    };
    std::function<void(ValueNode&, int)> fill = [&](ValueNode& node, int depth) {
        switch (random() % (depth < 4 ? 11 : 9)) {
        case 0: node.clear(); break;
        case 1: node.setInt(static_cast<int32_t>(random())); break;
        case 2: node.setUInt(random()); break;
        case 3: node.setDouble(std::ldexp(static_cast<double>(random()) - 2147483648.0, random() % 200 - 100)); break;
        case 4: node.setString(text().c_str()); break;
        case 5: node.setBool(random() % 2); break;
        case 6: node.setSymbol(random() % 3 ? L"sym_1.x" : nullptr); break;
        case 7: { // a stored "\\/" would read back as "/"
            std::wstring pattern = L"a" + text() + L"b";
            std::replace(pattern.begin(), pattern.end(), L'\\', L'c');
            node.setRegExp(RegExSource{pattern + L"\\d", L"gi"});
            break;
        }
        case 8: node = ValueNode(ValueNode::String); break;
        case 9:
            node = ValueNode(ValueNode::List);
            for (int n = random() % 5; n > 0; --n)
                fill(*node.addListItem(), depth + 1);
            break;
        default:
            node = ValueNode(ValueNode::Dictionary);
            for (int n = random() % 5; n > 0; --n)
                fill(node.getOrAddKey(L"k" + std::to_wstring(random() % 100) + L"_-."), depth + 1);
            break;
        }
    };
    for (int round = 0; round < 2000; ++round) {
        ValueNode tree;
        fill(tree, 0);
        const std::wstring text = written(tree);
        ValueNode back;
        ASSERT_NO_THROW(ValueNodeParser().parse(text.c_str(), back)) << text;
        ASSERT_TRUE(readBackForm(tree).equals(back)) << text;
    }
}

class JasmineLoaderFiles : public testing::Test {
protected:
    JasmineLoaderFiles() : disk(folder.path.c_str()) {
        pel::FileIO::attachDevice(L"__winfs", &native, 0);
        pel::FileIO::attachDevice(L"cfg", &disk, 0);
    }
    ~JasmineLoaderFiles() override { pel::FileIO::release(); }

    tessel_test::TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
    tessel_test::FailingDiskDevice disk;
};

TEST_F(JasmineLoaderFiles, SavesAndLoads) {
    ASSERT_TRUE(JasmineLoader::save(L"cfg:empty.tsConfig", ValueNode(ValueNode::Dictionary)));
    EXPECT_EQ(std::string("\xFF\xFE\x0A\x00\x7B\x00\x0A\x00\x7D\x00\x0A\x00", 12), folder.read(L"empty.tsConfig"));
    ValueNode node;
    ASSERT_TRUE(JasmineLoader::load(L"cfg:empty.tsConfig", node));
    EXPECT_TRUE(node.equals(ValueNode(ValueNode::Dictionary)));

    const ValueNode tree = parse(L"{ a : [1 'it''s' 0.5 /x\\/y/i] b : { c : true } }");
    ASSERT_TRUE(JasmineLoader::save(L"cfg:tree.tsConfig", tree));
    ASSERT_TRUE(JasmineLoader::load(L"cfg:tree.tsConfig", node));
    EXPECT_TRUE(node.equals(tree));

    folder.write(L"utf8.tsConfig", "{ name : '\xC3\xA9t\xC3\xA9' }\r\n"); // no byte-order mark
    ASSERT_TRUE(JasmineLoader::load(L"cfg:utf8.tsConfig", node));
    EXPECT_STREQ(L"\u00e9t\u00e9", node.getKey(L"name").text());

    folder.write(L"bad.tsConfig", "{ a : 1,");
    EXPECT_THROW(JasmineLoader::load(L"cfg:bad.tsConfig", node), pel::ParserException);
    EXPECT_EQ(1, node.getKey(L"a").getInt(0)); // what came before the error
}

TEST_F(JasmineLoaderFiles, FailuresAreLoggedAndLeaveNodeAndFileAsTheyWere) {
    folder.write(L"zero.tsConfig", "");
    HANDLE huge = ::CreateFileW((folder / L"huge.tsConfig").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = JasmineLoader::MAX_FILE_SIZE + 1; // sparse
    ::SetFilePointerEx(huge, end, nullptr, FILE_BEGIN);
    ::SetEndOfFile(huge);
    ::CloseHandle(huge);
    const std::wstring zero = L"cfg:zero.tsConfig", missing = L"cfg:missing.tsConfig", big = L"cfg:huge.tsConfig";
    const std::pair<const wchar_t*, std::wstring> loads[] = {
        {zero.c_str(), L"1 ERROR: JasmineLoader::load(): File \"" + zero + L"\" is empty.\n"},
        {missing.c_str(), L"1 ERROR: JasmineLoader::load(): Error reading file \"" + missing + L"\".\n"},
        {big.c_str(), L"1 ERROR: JasmineLoader::load(): Error reading file \"" + big + L"\".\n"},
        {nullptr, L"1 ERROR: JasmineLoader::load(): Error reading file \"(null)\".\n"},
    };
    for (const auto& [path, line] : loads) {
        tessel_test::LogCapture capture;
        ValueNode node = parse(L"[1]");
        EXPECT_FALSE(JasmineLoader::load(path, node)) << line;
        EXPECT_EQ(std::vector<std::wstring>{line}, loaderLines(capture));
        EXPECT_TRUE(node.equals(parse(L"[1]")));
    }
    EXPECT_EQ(pel::FileErrorCode::INVALID_CALL, pel::FileErrorObject::getErrorCode());

    folder.write(L"a.tsConfig", "old");
    disk.writeLimit = 7; // the byte-order mark and a little
    const std::pair<const wchar_t*, const wchar_t*> saves[] = {
        {nullptr, L"1 JasmineLoader::save(): File name is empty or NULL.\n"},
        {L"", L"1 JasmineLoader::save(): File name is empty or NULL.\n"},
        {L"cfg:no\\such\\folder\\x.tsConfig", L"1 JasmineLoader::save(): Cannot open file for writing.\n"},
        {L"cfg:a.tsConfig", L"1 JasmineLoader::save(): Writing file \"cfg:a.tsConfig\" failed.\n"},
    };
    for (const auto& [path, line] : saves) {
        tessel_test::LogCapture capture;
        EXPECT_FALSE(JasmineLoader::save(path, parse(L"{a:'some text'}")));
        EXPECT_EQ(std::vector<std::wstring>{line}, loaderLines(capture));
    }
    EXPECT_EQ("old", folder.read(L"a.tsConfig"));
    EXPECT_EQ(ERROR_DISK_FULL, pel::FileErrorObject::getErrorCode());
}
