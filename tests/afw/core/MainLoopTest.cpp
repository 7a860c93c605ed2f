// Work posted for the main loop waits while a nested loop runs or a message is handled under
// another; a modal window holds every other window of the program and keeps them disabled and
// itself in front after a system dialog nested in it ends; what a frame the system abandoned
// kept counted is given back when the main loop waits.

#include "afw/core/afMainLoop.h"
#include "afw/dialog/afDialogFile.h"
#include "afw/dialog/afMessageBox.h"
#include "afw/support/TestViews.h"
#include "afw/window/afWindowMain.h"
#include "support/TimedWork.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

using namespace tessel_test;

namespace {

// A window whose handler of WM_APP runs a loop of its own, as the system's menus do.
class LoopingWindow : public afTestWindow {
public:
    bool onRawMessage(afMessage& msg) override {
        if (msg.message != WM_APP)
            return afTestWindow::onRawMessage(msg);
        inHandler();
        msg.result = 0;
        return true;
    }
    std::function<void()> inHandler;
};

void CALLBACK quitLate(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    ::PostQuitMessage(9);
}

// Cancels the file dialog of this thread once it shows.
void cancelFileDialog() {
    if (HWND dialog = shownSystemDialog())
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    else
        later(&cancelFileDialog);
}

using MainLoopTest = AppWindowTest;

TEST_F(MainLoopTest, PostedWorkWaitsForNestedLoopsAndForHandlersUnderAnother) {
    int ran = 0;
    {
        const afMainLoop::Nested question;
        EXPECT_TRUE(afMainLoop::isNested());
        afMainLoop::post(this, [&] { ++ran; });
        dispatchPending();
        EXPECT_EQ(0, ran) << "ran inside a nested loop";
    }
    ASSERT_TRUE(pumpUntil([&] { return ran == 1; }));
    EXPECT_FALSE(afMainLoop::isNested());

    // A handler's own loop (the system's menu tracking, say) is nested too; the main loop's
    // handling of a message is not.
    std::unique_ptr<LoopingWindow> window(new LoopingWindow);
    window->build();
    bool nestedInHandler = false;
    window->inHandler = [&] {
        nestedInHandler = afMainLoop::isNested();
        afMainLoop::post(this, [&] { ++ran; });
        dispatchPending();
    };
    ::SendMessageW(window->getHandle(), WM_APP, 0, 0);
    EXPECT_FALSE(nestedInHandler);
    EXPECT_EQ(1, ran) << "ran under the handler";
    ASSERT_TRUE(pumpUntil([&] { return ran == 2; }));

    // Cancelled work never runs.
    afMainLoop::post(this, [&] { ++ran; });
    afMainLoop::cancel(this);
    dispatchPending();
    EXPECT_EQ(2, ran);
}

// The system's Save As dialog, owned by a window a question has disabled, enables it as it
// ends: the question's window gets it disabled again and takes the front back.
TEST_F(MainLoopTest, AFileDialogEndingUnderAQuestionLeavesItsOwnerDisabledAndTheQuestionInFront) {
    std::unique_ptr<afWindowMain> owner(new afWindowMain);
    ASSERT_TRUE(owner->build());
    owner->setShown(true, true);
    std::unique_ptr<afMessageBox> box(afMessageBox::createInstance(owner.get()));
    box->addButton(L"OK", afWindow::RESULT_OK, true);
    bool disabledBefore = false, disabledAfter = false, boxActive = false;
    later([&] {
        disabledBefore = !::IsWindowEnabled(owner->getHandle());
        later(&cancelFileDialog);
        afFileDialogOptions options;
        options.filters.add(1, L"All", {L"*"});
        afDialogFileSave dialog(owner.get());
        EXPECT_EQ(afWindow::RESULT_CANCEL, dialog.run(options));
        disabledAfter = !::IsWindowEnabled(owner->getHandle());
        boxActive = ::GetActiveWindow() == box->getHandle();
        box->close(afWindow::RESULT_OK);
    });
    EXPECT_EQ(afWindow::RESULT_OK, box->showModal());
    EXPECT_TRUE(disabledBefore);
    EXPECT_TRUE(disabledAfter) << "the dialog left the question's owner enabled";
    EXPECT_TRUE(boxActive) << "the question lost the front";
    EXPECT_TRUE(::IsWindowEnabled(owner->getHandle())) << "not given back once the question ended";
    ::DestroyWindow(owner->getHandle());
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A question owned by one window disables every other window of the program while it runs,
// and enables again only those it disabled.
TEST_F(MainLoopTest, AQuestionHoldsEveryWindowOfTheProgramAndGivesBackOnlyWhatItDisabled) {
    std::vector<std::unique_ptr<afWindowMain>> windows;
    for (int i = 0; i < 3; ++i) {
        windows.emplace_back(new afWindowMain);
        ASSERT_TRUE(windows.back()->build());
        windows.back()->setShown(true, true);
    }
    const HWND owner = windows[0]->getHandle(), other = windows[1]->getHandle(), disabled = windows[2]->getHandle();
    ::EnableWindow(disabled, FALSE);
    std::unique_ptr<afMessageBox> box(afMessageBox::createInstance(windows[0].get()));
    box->addButton(L"OK", afWindow::RESULT_OK, true);
    bool ownerHeld = false, otherHeld = false, boxFree = false;
    later([&] {
        ownerHeld = !::IsWindowEnabled(owner);
        otherHeld = !::IsWindowEnabled(other);
        boxFree = ::IsWindowEnabled(box->getHandle()) && ::GetActiveWindow() == box->getHandle();
        box->close(afWindow::RESULT_OK);
    });
    EXPECT_EQ(afWindow::RESULT_OK, box->showModal());
    EXPECT_TRUE(ownerHeld);
    EXPECT_TRUE(otherHeld) << "a window the question does not belong to took input";
    EXPECT_TRUE(boxFree);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_FALSE(::IsWindowEnabled(disabled)) << "enabled what another had disabled";
    for (const auto& window : windows)
        ::DestroyWindow(window->getHandle());
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A loop nested in another ends both counts when the frame of the inner one was abandoned.
TEST_F(MainLoopTest, ALoopGivesBackTheLoopsNestedInItThatNeverEnded) {
    {
        const afMainLoop::Nested outer;
        alignas(afMainLoop::Nested) static char abandoned[sizeof(afMainLoop::Nested)];
        new (abandoned) afMainLoop::Nested;
    }
    EXPECT_FALSE(afMainLoop::isNested());
}

// The system may swallow a fault in a window procedure with the frames under it: their loop,
// handling and hold never end. The main loop gives them back when it waits: posted work runs,
// the held window takes input again, and the check hears of it.
TEST_F(MainLoopTest, WhatAnAbandonedFrameKeptIsGivenBackWhenTheMainLoopWaits) {
    std::unique_ptr<afWindowMain> window(new afWindowMain);
    ASSERT_TRUE(window->build());
    alignas(afMainLoop::Nested) static char loop[sizeof(afMainLoop::Nested)];
    alignas(afMainLoop::Handling) static char handlings[2][sizeof(afMainLoop::Handling)];
    alignas(afMainLoop::Hold) static char hold[sizeof(afMainLoop::Hold)];
    new (loop) afMainLoop::Nested;
    new (handlings[0]) afMainLoop::Handling;
    new (handlings[1]) afMainLoop::Handling;
    new (hold) afMainLoop::Hold;
    ASSERT_TRUE(afMainLoop::isNested());
    ASSERT_FALSE(::IsWindowEnabled(window->getHandle()));
    std::vector<std::wstring> told;
    const afMainLoop::Check previous = afMainLoop::setCheck([&](const std::wstring& what) { told.push_back(what); });
    bool ran = false;
    afMainLoop::post(this, [&] {
        ran = true;
        ::PostQuitMessage(7);
    });
    // Should the work never run, the loop still ends.
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 30000, &quitLate);
    EXPECT_EQ(7, afApp::run(afApp::getInstance()));
    ::KillTimer(nullptr, guard);
    afMainLoop::setCheck(previous);
    EXPECT_TRUE(ran);
    EXPECT_FALSE(afMainLoop::isNested());
    EXPECT_TRUE(::IsWindowEnabled(window->getHandle()));
    ASSERT_EQ(1u, told.size());
    EXPECT_NE(std::wstring::npos, told[0].find(L"1 loops, 2 message handlings, 1 holds"))
        << std::string(told[0].begin(), told[0].end());
    ::DestroyWindow(window->getHandle());
}

// A count of the program's kept for a frame is given back by the frame's end; one whose frame was
// abandoned, by the main loop as it waits (innermost first, named in what the check hears); one
// whose owner went, by nobody.
TEST_F(MainLoopTest, TheProgramsCountsAreGivenBackByTheirScopeOrByTheMainLoop) {
    int questions = 0;
    std::vector<int> order;
    {
        const afMainLoop::Count asking(this, L"questions", questions);
        EXPECT_EQ(1, questions);
    }
    EXPECT_EQ(0, questions);
    EXPECT_TRUE(afMainLoop::settle());

    alignas(afMainLoop::Count) static char abandoned[3][sizeof(afMainLoop::Count)];
    new (abandoned[0]) afMainLoop::Count(this, L"questions", questions);
    new (abandoned[1]) afMainLoop::Count(this, L"a wait", [&] { order.push_back(1); });
    int gone = 0;
    new (abandoned[2]) afMainLoop::Count(&gone, L"an owner's", [&] { ++gone; });
    afMainLoop::cancel(&gone);
    EXPECT_EQ(1, questions);
    std::vector<std::wstring> told;
    const afMainLoop::Check previous = afMainLoop::setCheck([&](const std::wstring& what) { told.push_back(what); });
    EXPECT_FALSE(afMainLoop::settle());
    afMainLoop::setCheck(previous);
    EXPECT_EQ(0, questions);
    EXPECT_EQ(std::vector<int>{1}, order);
    EXPECT_EQ(0, gone) << "given back for an owner that went";
    ASSERT_EQ(1u, told.size());
    EXPECT_NE(std::wstring::npos, told[0].find(L"2 counts of the program (questions, a wait)"))
        << std::string(told[0].begin(), told[0].end());
    EXPECT_TRUE(afMainLoop::settle());
}

// What the user is being asked: the modal window of the innermost hold, or the window a hold was
// told it shows; nothing for a hold without one (a wait's).
TEST_F(MainLoopTest, TheHeldWindowIsTheInnermostHoldsWindowShown) {
    std::unique_ptr<afWindowMain> owner(new afWindowMain);
    ASSERT_TRUE(owner->build());
    owner->setShown(true, true);
    std::unique_ptr<afMessageBox> box(afMessageBox::createInstance(owner.get()));
    box->addButton(L"OK", afWindow::RESULT_OK, true);
    HWND underBox = nullptr, underWait = nullptr, underDialog = nullptr;
    later([&] {
        underBox = afMainLoop::heldWindow();
        {
            const afMainLoop::Hold wait;
            underWait = afMainLoop::heldWindow();
            afMainLoop::Hold dialog;
            dialog.show(owner->getHandle());
            underDialog = afMainLoop::heldWindow();
        }
        box->close(afWindow::RESULT_OK);
    });
    EXPECT_EQ(nullptr, afMainLoop::heldWindow());
    EXPECT_EQ(afWindow::RESULT_OK, box->showModal());
    EXPECT_NE(nullptr, underBox);
    EXPECT_EQ(underBox, underWait) << "a hold without a window of its own";
    EXPECT_EQ(owner->getHandle(), underDialog);
    EXPECT_EQ(nullptr, afMainLoop::heldWindow());
    ::DestroyWindow(owner->getHandle());
    MSG quit;
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

} // namespace
