// Where the keyboard goes as the program's windows hide, close, come back from the taskbar or are
// given back by a question, and where a second start's hand-over puts it: always somewhere the
// user can type, the window they acted in or the question they are asked. The program's own
// kinds of window: the framework's message box and dialogs, the system's file dialog.

#include "afw/core/afInstanceControl.h"
#include "afw/core/afMainLoop.h"
#include "afw/dialog/afDialogFile.h"
#include "afw/dialog/afMessageBox.h"
#include "afw/control/afControlButton.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/TestViews.h"
#include "afw/tree/afControlTree.h"
#include "afw/window/afWindowDialog.h"
#include "afw/window/afWindowMain.h"
#include "support/TimedWork.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tessel_test;

namespace {

// A window whose views leave every key alone, as the bundle editor's does.
class QuietWindow : public afWindow {
public:
    using afWindow::afWindow;
    bool onKeyDown(afKeyEvent& /*event*/) override { return false; }
};

// A top-level window of the kind with one field that takes the keyboard, owned by the host when
// one is given; shown unless told otherwise.
template <class Window>
struct Framed {
    explicit Framed(afViewPlatform* host = nullptr, bool shown = true) : window(new Window(host)) {
        // Owned here, as the bundle editor owns its window, not by the host's node.
        if (host)
            host->remove(window.get());
        column = new afLayoutLinear(window.get(), afLayoutLinear::VERTICAL);
        window->setContentView(column);
        window->build();
        field = new ChildWidget(window.get(), WS_CHILD | WS_VISIBLE | WS_TABSTOP);
        field->build();
        column->addChild(field, 100, 20);
        if (shown)
            window->setShown(true, true);
    }
    ~Framed() {
        if (window->getHandle())
            ::DestroyWindow(window->getHandle());
    }
    HWND handle() const { return window->getHandle(); }
    HWND fieldHandle() const { return field->getHandle(); }

    std::unique_ptr<Window> window;
    afLayoutLinear* column;
    ChildWidget* field;
};

class ActivationTest : public AppWindowTest {
protected:
    // Waits until the window is the active one with the keyboard in `focus`.
    static testing::AssertionResult holds(HWND window, HWND focus) {
        if (pumpApp([&] { return ::GetActiveWindow() == window && ::GetFocus() == focus; }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the active window is " << ::GetActiveWindow() << ", not " << window
                                           << "; the focus is on " << ::GetFocus() << ", not " << focus;
    }
    // The user puts the keyboard into the window's field.
    static testing::AssertionResult typeInto(HWND window, HWND field) {
        ::SetForegroundWindow(window);
        ::SetFocus(field);
        return holds(window, field);
    }
};

// While a question holds the program, the window disabled under it came to the front (another
// program's activation, say): a second start's hand-over brings the question back there, the
// keyboard in the control it had, for the framework's message box, a dialog of the framework and
// the system's file dialog. Each question's end gives the keyboard back to the main window's
// field.
TEST_F(ActivationTest, AHandOverUnderAQuestionBringsItToTheFrontWithTheKeyboardInItsControl) {
    Framed<afWindowMain> main;
    const HWND mainWindow = main.handle();
    ASSERT_TRUE(typeInto(mainWindow, main.fieldHandle()));
    const auto handOver = [&](HWND question, const std::function<bool()>& keyboardInside) {
        ::SetForegroundWindow(mainWindow);
        EXPECT_TRUE(pumpApp([&] { return ::GetForegroundWindow() == mainWindow; })) << "nothing covered the question";
        EXPECT_EQ(question, afMainLoop::heldWindow());
        afInstanceControl::activateWindow(mainWindow);
        EXPECT_TRUE(pumpApp([&] { return ::GetForegroundWindow() == question && keyboardInside(); }))
            << "the foreground is " << ::GetForegroundWindow() << ", not the question " << question << "; the focus is on "
            << ::GetFocus();
        EXPECT_FALSE(::IsWindowEnabled(mainWindow));
    };

    std::unique_ptr<afMessageBox> box(afMessageBox::createInstance(main.window.get()));
    box->setText(L"Save changes?");
    afControlButton* save = box->addButton(L"&Save", afWindow::RESULT_OK, true);
    box->addButton(L"Cancel", afWindow::RESULT_CANCEL, false);
    later([&] {
        handOver(box->getHandle(), [&] { return ::GetFocus() == save->getHandle(); });
        box->close(afWindow::RESULT_OK);
    });
    EXPECT_EQ(afWindow::RESULT_OK, box->showModal());
    EXPECT_TRUE(holds(mainWindow, main.fieldHandle())) << "after the message box";

    Framed<afWindowDialog> dialog(main.window.get(), false);
    later([&] {
        ASSERT_TRUE(typeInto(dialog.handle(), dialog.fieldHandle()));
        handOver(dialog.handle(), [&] { return ::GetFocus() == dialog.fieldHandle(); });
        dialog.window->close(afWindow::RESULT_OK);
    });
    EXPECT_EQ(afWindow::RESULT_OK, dialog.window->showModal());
    EXPECT_TRUE(holds(mainWindow, main.fieldHandle())) << "after the dialog";

    later([&] {
        HWND shown = nullptr;
        ASSERT_TRUE(pumpApp([&] { return (shown = shownSystemDialog()) != nullptr; }));
        handOver(shown, [&] { return ::IsChild(shown, ::GetFocus()) != FALSE; });
        ::PostMessageW(shown, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    afFileDialogOptions options;
    options.filters.add(1, L"All", {L"*"});
    afDialogFileSave file(main.window.get());
    EXPECT_EQ(afWindow::RESULT_CANCEL, file.run(options));
    EXPECT_TRUE(holds(mainWindow, main.fieldHandle())) << "after the file dialog";
    EXPECT_EQ(nullptr, afMainLoop::heldWindow());
}

// A question of one window asked from another (a reload from the main window asks about the
// bundle editor's entries) gives the keyboard back to the window it was asked from.
TEST_F(ActivationTest, AQuestionGivesTheKeyboardBackToTheWindowItWasAskedFromNotToItsOwner) {
    Framed<afWindowMain> main;
    Framed<afWindow> tool(main.window.get());
    ASSERT_TRUE(typeInto(tool.handle(), tool.fieldHandle()));
    ASSERT_TRUE(typeInto(main.handle(), main.fieldHandle()));
    std::unique_ptr<afMessageBox> box(afMessageBox::createInstance(tool.window.get()));
    box->addButton(L"Cancel", afWindow::RESULT_CANCEL, true);
    later([&] { box->close(afWindow::RESULT_CANCEL); });
    EXPECT_EQ(afWindow::RESULT_CANCEL, box->showModal());
    EXPECT_TRUE(holds(main.handle(), main.fieldHandle()));
    EXPECT_TRUE(::IsWindowEnabled(tool.handle()));
}

// An owned window hidden (SetWindowPos, as a toggle hides it), closed by its close box, or
// destroyed while it has the keyboard: the window the user acted in before takes it back, with
// its field.
TEST_F(ActivationTest, AWindowThatHidesOrClosesHandsTheKeyboardBackToTheWindowActedInBefore) {
    Framed<afWindowMain> main;
    ASSERT_TRUE(typeInto(main.handle(), main.fieldHandle()));
    Framed<afWindow> tool(main.window.get());
    ASSERT_TRUE(typeInto(tool.handle(), tool.fieldHandle()));

    tool.window->setShown(false, false);
    EXPECT_TRUE(holds(main.handle(), main.fieldHandle())) << "hidden";

    ASSERT_TRUE(typeInto(tool.handle(), tool.fieldHandle()));
    ::SendMessageW(tool.handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(tool.handle()));
    EXPECT_TRUE(holds(main.handle(), main.fieldHandle())) << "closed";

    tool.window->setShown(true, true);
    ASSERT_TRUE(typeInto(tool.handle(), tool.fieldHandle()));
    ::DestroyWindow(tool.handle());
    EXPECT_TRUE(holds(main.handle(), main.fieldHandle())) << "destroyed";
}

// Minimised and restored, as the taskbar does it or by ShowWindow: the field typed into before
// has the keyboard again.
TEST_F(ActivationTest, ARestoredWindowGivesTheKeyboardBackToTheFieldThatHadIt) {
    Framed<afWindowMain> main;
    ASSERT_TRUE(typeInto(main.handle(), main.fieldHandle()));
    ::SendMessageW(main.handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(pumpApp([&] { return ::IsIconic(main.handle()) != FALSE; }));
    ::SendMessageW(main.handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(holds(main.handle(), main.fieldHandle())) << "restored as the taskbar does";

    ::ShowWindow(main.handle(), SW_MINIMIZE);
    ASSERT_TRUE(pumpApp([&] { return ::IsIconic(main.handle()) != FALSE; }));
    ::ShowWindow(main.handle(), SW_RESTORE);
    EXPECT_TRUE(holds(main.handle(), main.fieldHandle())) << "restored by ShowWindow";
}

// Alt+F4 in a window whose views leave keys alone, its tree focused, closes it as its close box
// does (it hides); the window that owns it stays, and takes the keyboard back.
TEST_F(ActivationTest, AltF4InAWindowWhoseViewsLeaveKeysAloneDoesWhatItsCloseBoxDoes) {
    Framed<afWindowMain> main;
    ASSERT_TRUE(typeInto(main.handle(), main.fieldHandle()));
    Framed<QuietWindow> tool(main.window.get());
    afControlTree* tree = afControlTree::createInstance(tool.window.get());
    tool.column->addChild(tree, 100, 100);
    ASSERT_TRUE(typeInto(tool.handle(), tree->getHandle()));
    ::PostMessageW(tree->getHandle(), WM_SYSKEYDOWN, VK_F4, 1 << 29);
    EXPECT_TRUE(pumpApp([&] { return !::IsWindowVisible(tool.handle()); })) << "Alt+F4 left the window open";
    EXPECT_TRUE(::IsWindowVisible(main.handle()));
    EXPECT_TRUE(holds(main.handle(), main.fieldHandle()));
}

// Modal work of a view holds the whole program: its enclosing windows and every other one are
// disabled, in pairs that nest; the last enable gives them back and the keyboard stays where the
// user had it. An enable without its disable does nothing.
TEST_F(ActivationTest, TheEnclosingWindowsOfAViewAreHeldAndGivenBackInPairs) {
    Framed<afWindowMain> main;
    Framed<afWindow> tool(main.window.get()), other;
    ASSERT_TRUE(typeInto(tool.handle(), tool.fieldHandle()));
    afView* view = tool.field;
    const auto enabled = [&] {
        return std::vector<bool>{::IsWindowEnabled(main.handle()) != FALSE, ::IsWindowEnabled(tool.handle()) != FALSE,
                                 ::IsWindowEnabled(other.handle()) != FALSE};
    };
    view->disableEnclosingWindows(true);
    EXPECT_EQ((std::vector<bool>{false, false, false}), enabled());
    view->disableEnclosingWindows(false);
    view->enableEnclosingWindows(false);
    EXPECT_EQ((std::vector<bool>{false, false, false}), enabled()) << "given back by the inner pair";
    view->enableEnclosingWindows(true);
    EXPECT_EQ((std::vector<bool>{true, true, true}), enabled());
    EXPECT_TRUE(holds(tool.handle(), tool.fieldHandle()));
    ::EnableWindow(other.handle(), FALSE);
    view->enableEnclosingWindows(true);
    EXPECT_EQ((std::vector<bool>{true, true, false}), enabled()) << "an enable without a disable enabled something";
}

} // namespace
