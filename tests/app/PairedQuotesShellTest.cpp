// Quotes typed into C and JavaScript files with the shipped bundles, as a user types them, Enter
// between the lines or at the end of a line above others: what is saved is what was typed, no
// closing quote left behind.

#include "ShippedBundlesShell.h"

#include "afw/support/TestViews.h"

#include <algorithm>

using namespace tessel;

namespace {

class PairedQuotesShellTest : public tessel_test::ShippedBundlesShell {
protected:
    // Types the lines into the active editor, Enter before each but the first when `fresh`, each
    // character once the parse of the change before it is done.
    void typeLines(const std::vector<std::wstring>& lines, bool fresh = true) {
        const HWND editor = window->getActivePage()->editor->getHandle();
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0 || !fresh) {
                // Keys go through the loop, as the program's do.
                ::PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);
                ::PostMessageW(editor, WM_KEYUP, VK_RETURN, 0xC0000001);
                EXPECT_TRUE(tessel_test::pumpApp([&] {
                    MSG message;
                    return !::PeekMessageW(&message, editor, 0, 0, PM_NOREMOVE);
                }));
                parsed(*document);
            }
            typeCharacters(*document, editor, lines[i]);
        }
    }
    // The caret to the end of the line of the active document, and the characters typed there.
    void typeAtEndOf(int32_t line, const std::wstring& text) {
        ShippedBundlesShell::typeAtEndOf(*document, window->getActivePage()->editor->getHandle(), line, text);
    }
    // A JavaScript file of the text handed over to the running program, active once coloured.
    void openJavaScript(const std::wstring& name, const std::string& text) {
        base.write(L"files\\" + name, text);
        ASSERT_EQ(1, handOver(file(name)));
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getTitleText() == name + L" - Tessel"; }));
        document = window->getActivePage()->controller;
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return scopeAt(0).find(L"source.js") != std::wstring::npos; }));
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
    ASSERT_NO_FATAL_FAILURE(openJavaScript(L"quotes.js", ""));
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

// A comment typed at the end of a line above others, and a string closed at the end of its line,
// as in the program's first use: both saved as typed; a pair typed in code, and stepped over,
// still pairs.
TEST_F(PairedQuotesShellTest, QuotesTypedAtTheEndOfALineAboveOthersAreSavedAsTyped) {
    ASSERT_NO_FATAL_FAILURE(startWithShippedBundles(L"end.c", "int a;\nchar *s = \"abc\nint b;\n", 0, L"source.c"));
    typeAtEndOf(0, L" // it's the count");
    typeAtEndOf(1, L"\";");
    typeAtEndOf(2, L" x = \"a\" + 'b';");
    EXPECT_EQ("int a; // it's the count\nchar *s = \"abc\";\nint b; x = \"a\" + 'b';\n", save(L"end.c"));

    ASSERT_NO_FATAL_FAILURE(openJavaScript(L"end.js", "let a;\ns = 'abc\nlet b;\n"));
    typeAtEndOf(0, L" // it's \"done\" `now`");
    typeAtEndOf(1, L"';");
    typeAtEndOf(2, L" t = `a` + \"b\";");
    EXPECT_EQ("let a; // it's \"done\" `now`\ns = 'abc';\nlet b; t = `a` + \"b\";\n", save(L"end.js"));
}

} // namespace
