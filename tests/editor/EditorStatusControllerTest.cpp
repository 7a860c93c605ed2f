// The status strip over a real editor: its texts as the caret, format and grammar change, the
// four popups driven by keys fed into their loops, following one editor after another and a
// controller swapped under the editor.

#include "EditorBundlesTestSupport.h"
#include "EditorKeyTestSupport.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/menu/afMenu.h"
#include "afw/support/MenuLines.h"
#include "editor/EditorStatusController.h"
#include "service/document/DocumentManager.h"
#include "service/document/io/DocumentEncoding.h"

#include <deque>
#include <gtest/gtest.h>

using namespace tessel_test;
using tessel::DocumentController;
using tessel::Editor;
using tessel::TextPosition;
using Status = tessel::EditorStatusController;

namespace {

// The strip's window: feeds keys to a popup's loop, one each time it goes idle, after noting the
// popup's lines ("*" before a checked one).
class StripWindow : public afTestWindow {
public:
    bool onRawMessage(afMessage& msg) override {
        if (msg.message == WM_ENTERIDLE && msg.wParam == MSGF_MENU && !keys.empty()) {
            HWND popup = reinterpret_cast<HWND>(msg.lParam);
            if (afMenu* menu = afMenu::fromHandle(reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0)))) {
                lines.clear();
                for (afMenuNode* node : menu->getChildren()) {
                    auto* item = dynamic_cast<afMenuItem*>(node);
                    lines.push_back((item && item->hasCheckMark() ? L"*" : L"") + node->getTitle());
                }
            }
            ::PostMessageW(popup, WM_KEYDOWN, keys.front(), 0);
            keys.pop_front();
        }
        return afTestWindow::onRawMessage(msg);
    }
    std::deque<WPARAM> keys;
    std::vector<std::wstring> lines;
};

class EditorStatusControllerTest : public EditorKeyTest {
protected:
    void SetUp() override {
        EditorKeyTest::SetUp();
        bundles.reset(new FakeBundles(controller));
        stripWindow.build();
        stripWindow.setFrame(afRect(0, 620, 800, 660));
        stripWindow.setShown(true, false);
        strip = new afLayoutLinear(&stripWindow, afLayoutLinear::HORIZONTAL);
        stripWindow.setContentView(strip);
        status.reset(new tessel::EditorStatusController(strip));
    }
    void TearDown() override {
        status.reset();
        ::DestroyWindow(stripWindow.getHandle());
        bundles.reset();
        EditorKeyTest::TearDown();
    }
    // The first count buttons' texts, in the strip's order.
    std::vector<std::wstring> texts(int count = Status::BUTTONS) const {
        std::vector<std::wstring> all;
        for (int i = 0; i < count; ++i)
            all.push_back(button(Status::Button(i))->getText());
        return all;
    }
    ViewVirtualButton* button(Status::Button which) const { return status->getButton(which); }
    // Chooses the menu's line at index through Down presses and Enter (Escape for -1).
    void choose(Status::Button which, int index) {
        stripWindow.keys.assign(index < 0 ? 1 : index + 1, VK_DOWN);
        stripWindow.keys.push_back(index < 0 ? VK_ESCAPE : VK_RETURN);
        parkPointerForMenu();
        status->onClick(button(which));
        EXPECT_FALSE(button(which)->isPressed());
    }
    void settle() {
        ASSERT_TRUE(pumpUntil([&] {
            MSG msg;
            return !stripWindow.isValidationPosted() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        }));
    }

    std::unique_ptr<FakeBundles> bundles;
    StripWindow stripWindow;
    afLayoutLinear* strip = nullptr;
    std::unique_ptr<tessel::EditorStatusController> status;
};

TEST_F(EditorStatusControllerTest, TheTextsFollowTheCaretFormatAndLanguage) {
    status->setEditor(editor);
    EXPECT_EQ(L"tool_strip", strip->getName());
    EXPECT_EQ((std::vector<std::wstring>{L"1", L"1", L"---", L"---", L"---", L"---"}), texts()) << "no controller yet";
    bundles->addGrammar(L"C", L"source.c");
    attach(numberedLines(12));
    controller->setEncoding(pel::ENCODING_UTF8);
    controller->setLineEnding(1);
    controller->setIndentation(4, true);
    place(9, 4);
    EXPECT_EQ((std::vector<std::wstring>{L"10", L"5", L"NULL", L"UTF-8", L"LF", L"Spaces (4)"}), texts());
    controller->setIndentation(8, false);
    controller->setGrammar(L"source.c");
    EXPECT_EQ(L"Tabs (8)", button(Status::INDENTATION)->getText());
    EXPECT_EQ(L"C", button(Status::LANGUAGE)->getText());
    // The same text again asks for no layout; a new one does.
    settle();
    status->onCaretMoved(TextPosition(9, 4));
    EXPECT_FALSE(stripWindow.isValidationPosted());
    status->onCaretMoved(TextPosition(10, 4));
    EXPECT_TRUE(stripWindow.isValidationPosted());
    status->setEditor(nullptr);
    EXPECT_EQ(0, strip->getChildCount());
    EXPECT_EQ(nullptr, button(Status::LINE));
}

// Char counts characters as the caret steps over them: an emoji, a flag, a family joined by
// ZWJ or a letter with its mark is one; virtual columns past the line's end count one each.
TEST_F(EditorStatusControllerTest, CharCountsTheCharactersBeforeTheCaret) {
    status->setEditor(editor);
    attach(L"a\U0001F600\U0001F1EB\U0001F1F7\U0001F468\u200D\U0001F469e\u0301z\nnext");
    const struct {
        TextPosition caret;
        const wchar_t* shown;
    } cases[] = {{{0, 1}, L"2"}, {{0, 3}, L"3"}, {{0, 7}, L"4"}, {{0, 12}, L"5"}, {{0, 14}, L"6"},
                 {{0, 15}, L"7"}, {{0, 17, true}, L"9"}, {{1, 2}, L"3"}};
    for (const auto& c : cases) {
        place(c.caret.line, c.caret.lineOffset);
        if (c.caret.isVirtual) {
            tessel::DocumentController::Lock lock(*controller, tessel::DocumentController::LOCK_READ);
            controller->getSelection().set(c.caret, c.caret, tessel::CARET_VIRTUAL, tessel::selection_ids::CARET);
        }
        EXPECT_EQ(c.shown, button(Status::CHAR)->getText()) << c.caret.line << ":" << c.caret.lineOffset;
    }
}

TEST_F(EditorStatusControllerTest, ThePopupsSetTheDocumentAndTheDefaults) {
    attach(L"text");
    controller->setEncoding(pel::ENCODING_UTF8);
    controller->setIndentation(4, false);
    status->setEditor(editor);
    tessel::DocumentManager& defaults = *documents;
    choose(Status::ENCODING, 2);
    EXPECT_EQ((std::vector<std::wstring>{L"*UTF-8", L"UTF-16 BE", L"UTF-16 LE", L"ANSI", L"UTF-8 Plain"}),
              stripWindow.lines);
    EXPECT_EQ(std::make_pair(uint32_t(pel::ENCODING_UTF16LE), uint32_t(pel::ENCODING_UTF16LE)),
              std::make_pair(controller->getFormat().encoding, defaults.getDefaultEncoding()));
    EXPECT_EQ(L"UTF-16 LE", button(Status::ENCODING)->getText());
    choose(Status::LINE_ENDING, 1);
    EXPECT_EQ(L"CR", stripWindow.lines.at(1));
    EXPECT_EQ(std::make_pair(2u, 2u),
              std::make_pair(controller->getFormat().lineEnding, defaults.getDefaultLineEnding()));
    choose(Status::INDENTATION, 4);
    EXPECT_EQ((std::vector<std::wstring>{L"2", L"3", L"*4", L"8", L"Use Spaces (Soft Tabs)"}), stripWindow.lines);
    EXPECT_EQ(L"Spaces (4)", button(Status::INDENTATION)->getText()) << "soft tabs flipped, the width kept";
    EXPECT_TRUE(defaults.getDefaultIndentation().soft != 0);
    choose(Status::INDENTATION, 0);
    EXPECT_EQ(L"Spaces (2)", button(Status::INDENTATION)->getText());
    choose(Status::ENCODING, -1);
    EXPECT_EQ(uint32_t(pel::ENCODING_UTF16LE), controller->getFormat().encoding) << "Escape changes nothing";
    bundles->addGrammar(L"C", L"source.c");
    bundles->addGrammar(L"Secret", L"source.secret", true);
    bundles->addGrammar(L"Python", L"source.python");
    controller->setGrammar(L"source.c");
    choose(Status::LANGUAGE, 1);
    EXPECT_EQ((std::vector<std::wstring>{L"*C", L"Python"}), stripWindow.lines) << "hidden ones left out";
    EXPECT_EQ(L"source.python", controller->getGrammarName());
    EXPECT_EQ(L"Python", button(Status::LANGUAGE)->getText());
}

TEST_F(EditorStatusControllerTest, OnlyTheFollowedEditorAndItsPresentControllerReachTheStrip) {
    attach(numberedLines(5));
    auto* other = Editor::create(window.get(), Editor::BORDER_NONE);
    DocumentController* second = controllers->createController(*documents->createDocument(L""));
    other->attachController(second);
    place(3, 2);
    status->setEditor(editor);
    EXPECT_EQ(L"4", button(Status::LINE)->getText());
    status->setEditor(other);
    EXPECT_EQ(L"1", button(Status::LINE)->getText()) << "the second editor's state at once";
    place(2, 2);
    EXPECT_EQ(L"1", button(Status::LINE)->getText()) << "the first editor's caret";
    delete editor;
    editor = nullptr;
    second->setEncoding(pel::ENCODING_ANSI);
    EXPECT_EQ(L"ANSI", button(Status::ENCODING)->getText());
    controller->setEncoding(pel::ENCODING_UTF8);
    other->attachController(controller);
    EXPECT_EQ((std::vector<std::wstring>{L"3", L"3", L"NULL", L"UTF-8"}), texts(4));
    status->setEditor(nullptr);
    delete other;
}

} // namespace
