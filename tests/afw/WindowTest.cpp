#include "afw/afTaskWindow.h"
#include "afw/afWindowDialog.h"
#include "afw/afWindowHint.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"
#include "service/base/TesselService.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace tessel_test;

namespace {

constexpr UINT kStep = WM_USER + 1, kInnerStep = WM_USER + 2;

// A window that counts its validations and runs a test's step on a posted message.
template <class Base = afWindow>
class TestWindow : public Recording<Base> {
public:
    using Recording<Base>::Recording;
    void validateLayout() override {
        ++validations;
        Base::validateLayout();
    }
    int validations = 0;
};

bool settled(afWindow& window) {
    MSG msg;
    return !window.isValidationPosted() && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

void destroy(afWindow& window) {
    if (window.getHandle())
        ::DestroyWindow(window.getHandle());
}

TEST_F(WindowTest, MergesLayoutRequestsIntoOneValidation) {
    TestWindow<> window;
    auto* content = new LeafView(&window, 100, 50);
    window.setContentView(content); // asked before the window exists
    window.build();
    window.setFrame(afRect(50, 50, 450, 350));
    window.show();
    ASSERT_TRUE(pumpApp([&] { return settled(window); }));
    EXPECT_EQ(window.getClientRect(), content->getFrame()) << "content added before build is laid out";

    const int before = window.validations;
    for (int i = 0; i < 10; ++i)
        window.requestLayout(L"test");
    int posted = 0;
    for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
        posted += msg.message == afWindow::getValidationMessage();
        afApp::dispatch(msg, nullptr);
    }
    EXPECT_EQ(1, posted);
    EXPECT_EQ(before + 1, window.validations);
    destroy(window);
}

TEST_F(WindowTest, SizesTheWindowToItsContentAndMinimum) {
    TestWindow<> window;
    window.setSizePolicy(afWindow::SIZE_CONTENT);
    window.setMinimumSize(500, 0);
    window.setContentView(new LeafView(&window, 300, 80));
    window.build();
    ASSERT_TRUE(pumpApp([&] { return settled(window); }));
    const afRect insets = window.getInsets(), frame = window.getFrame();
    EXPECT_EQ(500 + insets.left + insets.right, frame.width());
    EXPECT_EQ(80 + insets.top + insets.bottom, frame.height());
    destroy(window);
}

TEST_F(WindowTest, ModalRunsEndWithTheirResult) {
    // What ends the run, posted to the dialog while it runs.
    struct Case {
        const char* name;
        std::function<void(TestWindow<afWindowDialog>&, afView* focused)> step;
        uint32_t result;
    } cases[] = {
        {"close", [](TestWindow<afWindowDialog>& dialog, afView*) { dialog.close(0x1234); }, 0x1234},
        {"escape",
         [](TestWindow<afWindowDialog>&, afView* focused) {
             afKeyEvent escape;
             escape.combination = VK_ESCAPE;
             focused->dispatchKeyDown(escape);
         },
         afWindow::RESULT_CANCEL},
        {"alt+f4",
         [](TestWindow<afWindowDialog>& dialog, afView*) {
             ::PostMessageW(dialog.getHandle(), WM_SYSKEYDOWN, VK_F4, 1 << 29);
         },
         afWindow::RESULT_CANCEL},
    };
    for (const Case& c : cases) {
        TestWindow<afWindowDialog> dialog;
        auto* layout = new afLayoutLinear(&dialog, afLayoutLinear::VERTICAL);
        dialog.setContentView(layout);
        dialog.build();
        auto* child = new ChildWidget(&dialog);
        child->build();
        layout->addView(child);
        dialog.onMessage = [&](UINT message) {
            if (message == kStep)
                c.step(dialog, child);
        };
        ::PostMessageW(dialog.getHandle(), kStep, 0, 0);
        EXPECT_EQ(c.result, dialog.showModal()) << c.name;
        EXPECT_EQ(nullptr, dialog.getHandle()) << c.name;
    }
}

TEST_F(WindowTest, ModalRunsPassAQuitOnAndKeepTheOwnerDisabledTillTheOuterEnds) {
    TestWindow<afWindowDialog> quitting;
    quitting.build();
    ::PostQuitMessage(7);
    EXPECT_EQ(afWindow::RESULT_CANCEL, quitting.showModal());
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the outer loop gets the quit";
    EXPECT_EQ(7u, msg.wParam);

    LogCapture log;
    afWindow owner;
    owner.build();
    owner.show();
    auto* outer = new TestWindow<afWindowDialog>(&owner);
    auto* inner = new TestWindow<afWindowDialog>(&owner);
    bool ownerDisabled = false;
    uint32_t again = 0;
    outer->onMessage = [&](UINT message) {
        if (message != kStep)
            return;
        inner->build();
        ::PostMessageW(inner->getHandle(), kInnerStep, 0, 0);
        inner->showModal();
        ownerDisabled = !::IsWindowEnabled(owner.getHandle());
        again = outer->showModal();
        outer->closeOk();
    };
    inner->onMessage = [&](UINT message) {
        if (message == kInnerStep)
            inner->closeOk();
    };
    outer->build();
    ::PostMessageW(outer->getHandle(), kStep, 0, 0);
    EXPECT_EQ(afWindow::RESULT_OK, outer->showModal());
    EXPECT_TRUE(ownerDisabled) << "the inner run leaves the owner as the outer one disabled it";
    EXPECT_TRUE(::IsWindowEnabled(owner.getHandle()));
    EXPECT_EQ(afWindow::RESULT_CANCEL, again);
    EXPECT_TRUE(log.contains(L"afWindow::showModal(): The window runs modally already."));
    destroy(owner);
}

void CALLBACK watchdog(HWND, UINT, UINT_PTR, DWORD) {
    ::PostQuitMessage(0xDEAD);
}

TEST_F(WindowTest, ModalRunEndsWhenItsOwnerIsDestroyed) {
    std::unique_ptr<afWindow> owner(new afWindow);
    owner->build();
    owner->show();
    auto* dialog = new TestWindow<afWindowDialog>(owner.get());
    dialog->onMessage = [&](UINT message) {
        if (message == kStep)
            ::DestroyWindow(owner->getHandle());
    };
    dialog->build();
    ::PostMessageW(dialog->getHandle(), kStep, 0, 0);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20000, &watchdog);
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog->showModal());
    ::KillTimer(nullptr, timer);
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the watchdog had to end the run";
    EXPECT_EQ(nullptr, owner->getHandle());
}

TEST_F(WindowTest, TaskWindowsCentreOverTheirHostOrTheDesktop) {
    afWindow host;
    host.build();
    host.setFrame(afRect(100, 100, 700, 500));
    host.show();
    for (afViewPlatform* owner : {static_cast<afViewPlatform*>(&host), static_cast<afViewPlatform*>(nullptr)}) {
        auto* task = new afTaskWindow(owner);
        std::unique_ptr<afTaskWindow> unowned(owner ? nullptr : task);
        task->setSizePolicy(afWindow::SIZE_CONTENT);
        task->setContentView(new LeafView(task, 200, 100));
        task->build();
        ASSERT_TRUE(pumpApp([&] { return settled(*task); }));
        afRect outer;
        if (owner)
            owner->getOrigin(&outer);
        else
            ::GetClientRect(::GetDesktopWindow(), &outer);
        const afRect frame = task->getFrame();
        EXPECT_EQ(200, task->getClientRect().width());
        EXPECT_EQ(outer.left + ((outer.width() - frame.width()) >> 1), frame.left) << (owner ? "host" : "desktop");
        EXPECT_EQ(outer.top + ((outer.height() - frame.height()) >> 1), frame.top) << (owner ? "host" : "desktop");
        destroy(*task);
    }
    destroy(host);
}

TEST_F(WindowTest, HintDrawsItsTextInTheTooltipColoursAtItsOffset) {
    afWindowHint hint;
    hint.build();
    hint.setFrame(afRect(0, 0, 90, 24));
    hint.setHintText(L"Hint");
    const afRect client = hint.getClientRect();
    DibSurface surface(client.width(), client.height());
    hint.onDraw(*afCanvas::fromDC(surface.dc()), nullptr);
    EXPECT_EQ(DibSurface::pixelOf(afGetStockColour(15)), surface.rgb(0, 0));
    int text = 0;
    for (int y = 0; y < client.height(); ++y)
        for (int x = 0; x < client.width(); ++x)
            if (surface.rgb(x, y) == DibSurface::pixelOf(afGetStockColour(16))) {
                ++text;
                EXPECT_TRUE(x >= afWindowHint::TEXT_X && y >= afWindowHint::TEXT_Y) << x << ", " << y;
            }
    EXPECT_GT(text, 10);
    destroy(hint);
}

TEST_F(WindowTest, WindowsRefuseDockingAndLetGoOfWhatTheirOwnerLeftBehind) {
    afTestWindow host;
    auto* layout = new afLayout(&host);
    host.setContentView(layout);
    afWindow docked;
    EXPECT_EQ(L"Cannot attach window. Docking not supported.", thrown([&] { layout->addView(&docked); }));
    EXPECT_EQ(nullptr, docked.getParent());
    EXPECT_EQ(nullptr, docked.getOwner());
    EXPECT_EQ(L"Cannot detach window. Docking not supported.", thrown([&] { docked.onDetached(); }));

    // Placement on without a service root: nothing is read or written, and no root is made.
    LogCapture log;
    auto* left = new afWindow;
    left->setPlacementKey(L"left");
    left->setPlacementEnabled(true);
    left->build();
    left->show();
    ::SendMessageW(left->getHandle(), WM_CLOSE, 0, 0); // without a host, it only hides
    EXPECT_FALSE(::IsWindowVisible(left->getHandle()));
    HWND window = left->getHandle();
    delete left;
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_TRUE(log.contains(L"Assertion failed"));
    EXPECT_EQ(nullptr, tessel::TesselService::findInstance());
}

} // namespace
