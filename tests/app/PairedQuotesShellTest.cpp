// Quotes typed into C and JavaScript files with the shipped bundles, as a user types them: each
// character once the grammar has parsed the one before (pairs follow the scope at the caret),
// Enter between the lines; what is saved is what was typed, no closing quote left behind.

#include "ShippedBundlesShell.h"

#include "afw/support/TestViews.h"
#include "service/parser/base/ParserClient.h"

#include <algorithm>

using namespace tessel;

namespace {

class PairedQuotesShellTest : public tessel_test::ShippedBundlesShell {
protected:
    // Types the lines into the active editor, Enter before each but the first when `fresh`, each
    // character once the parse of the change before it is done.
    void typeLines(const std::vector<std::wstring>& lines, bool fresh = true) {
        const HWND editor = window->getActivePage()->editor->getHandle();
        const auto parsed = [&] {
            EXPECT_TRUE(tessel_test::pumpUntil([&] { return !document->getDocument().getParserJob()->isBusy(); }))
                << "the parse never ended";
        };
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0 || !fresh) {
                // Keys go through the loop, as the program's do.
                ::PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);
                ::PostMessageW(editor, WM_KEYUP, VK_RETURN, 0xC0000001);
                EXPECT_TRUE(tessel_test::pumpApp([&] {
                    MSG message;
                    return !::PeekMessageW(&message, editor, 0, 0, PM_NOREMOVE);
                }));
                parsed();
            }
            for (wchar_t c : lines[i]) {
                ::SendMessageW(editor, WM_CHAR, c, 1);
                parsed();
            }
        }
    }
    // Saves the active document; the file's text without its CRs.
    std::string save(const std::wstring& name) {
        run(L"file.save");
        std::string saved = base.read(L"files\\" + name);
        saved.erase(std::remove(saved.begin(), saved.end(), '\r'), saved.end());
        return saved;
    }
    // The last line of the active document.
    std::wstring lastLine() {
        const std::wstring text = activeText();
        return text.substr(text.rfind(L'\n') + 1);
    }
};

TEST_F(PairedQuotesShellTest, QuotesTypedInCommentsAndStringsOfTheOtherKindAreSavedAsTyped) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles(L"quotes.c", "", 0, L"source.c"));
    typeLines({L"// it's done", L"printf(\"it's %d\\n\", n);", L"x = 'a';", L"f(\"a\", (1));"});
    EXPECT_EQ("// it's done\n"
              "printf(\"it's %d\\n\", n);\n"
              "x = 'a';\n"
              "f(\"a\", (1));",
              save(L"quotes.c"));
    // In code each quote still pairs; in a character constant the double quote is text.
    typeLines({L"'"}, false);
    EXPECT_EQ(L"''", lastLine());
    typeLines({L"\""}, true);
    EXPECT_EQ(L"'\"'", lastLine());
    save(L"quotes.c"); // nothing to ask about at the end

    // JavaScript's three quotes, also in a template and in the code inside it.
    base.write(L"files\\quotes.js", "");
    ASSERT_EQ(1, handOver(file(L"quotes.js")));
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getTitleText() == L"quotes.js - Tessel"; }));
    document = window->getActivePage()->controller;
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return scopeAt(0).find(L"source.js") != std::wstring::npos; }));
    const std::vector<std::wstring> js = {L"// it's \"done\" `now`", L"s = \"it's `x`\";", L"t = 'say \"hi\" `x`';",
                                          L"u = `it's \"${'a' + \"b\"}\"`;"};
    typeLines(js);
    std::string typed;
    for (const std::wstring& line : js)
        typed += (typed.empty() ? "" : "\n") + narrow(line);
    EXPECT_EQ(typed, save(L"quotes.js"));
    typeLines({L"`"}, false);
    EXPECT_EQ(L"``", lastLine());
    typeLines({L"'\""}, true);
    EXPECT_EQ(L"`'\"`", lastLine());
    save(L"quotes.js");
}

} // namespace
