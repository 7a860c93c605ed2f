#include "afw/core/afApp.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/graphics/afImagePack.h"
#include "afw/support/TestViews.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "pel/legacy/MessageRegistry.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using tessel_test::ChildWidget;
using tessel_test::Recording;

namespace {

class TestApp : public afApp {
public:
    TestApp(std::vector<std::string>* log, bool accept) : m_log(log), m_accept(accept) {}
    ~TestApp() override { m_log->push_back("deleted"); }
    bool init() override {
        m_log->push_back(getMessageRegistry() ? "init with registry" : "init");
        return m_accept;
    }
    void exit() override {
        m_log->push_back(getMessageRegistry() && afGetStockFont(0) && getFontManager() ? "exit, parts alive" : "exit");
    }

private:
    std::vector<std::string>* m_log;
    bool m_accept;
};

bool allAccessorsNull() {
    return !afApp::getInstance() && !afApp::getImagePack() && !afApp::getMessageRegistry() && !afApp::getKeyInvoker() &&
           !afApp::getActionRegistry() && !afApp::getClipboard() && !afApp::getFontManager() &&
           !afGetModuleInstance() && !afGetStockFont(0) && !afUnicodeFontManager::peek();
}

using AppTest = tessel_test::WindowTest;

TEST_F(AppTest, RunsUntilQuitAndShutsDownEverything) {
    std::vector<std::string> log;
    ASSERT_TRUE(afApp::init(new TestApp(&log, true), ::GetModuleHandleW(nullptr)));
    EXPECT_NE(nullptr, afApp::getMessageRegistry());
    EXPECT_NE(nullptr, afApp::getClipboard());
    EXPECT_NE(nullptr, afApp::getKeyInvoker());
    for (uint32_t kind : {AF_ACTION_KIND_SHORTCUT, AF_ACTION_KIND_CHARACTER})
        EXPECT_EQ(afApp::getKeyInvoker(), afFindInvoker(afApp::getActionRegistry(), kind));
    EXPECT_NE(nullptr, afApp::getImagePack()); // the tests carry the image pack
    std::unique_ptr<TestApp> second(new TestApp(&log, true));
    EXPECT_FALSE(afApp::init(second.get(), ::GetModuleHandleW(nullptr))) << "a second application";
    ::PostQuitMessage(7);
    EXPECT_EQ(7, afApp::run(afApp::getInstance()));
    afApp::shutdown();
    EXPECT_EQ((std::vector<std::string>{"init with registry", "exit, parts alive", "deleted"}), log);
    EXPECT_TRUE(allAccessorsNull());

    log.clear();
    EXPECT_FALSE(afApp::init(new TestApp(&log, false), ::GetModuleHandleW(nullptr)));
    afApp::shutdown(); // the program would leave the parts to the process's end
    EXPECT_EQ((std::vector<std::string>{"init with registry", "exit, parts alive", "deleted"}), log);
    EXPECT_TRUE(allAccessorsNull());
}

TEST_F(AppTest, ProcessMessagesHandlesTheQueueAlsoReentrantlyAndLeavesQuitToTheLoop) {
    auto window = openWindow<Recording<afTestWindow>>(afRect(0, 0, 200, 150));
    tessel_test::LogCapture log;
    afApp::processMessages();
    window->onMessage = [](UINT message) {
        if (message == WM_USER + 1)
            afApp::processMessages();
    };
    for (UINT message : {WM_USER + 1, WM_USER + 2, WM_USER + 3})
        ::PostMessageW(window->getHandle(), message, 0, 0);
    afApp::processMessages();
    EXPECT_EQ((std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}), window->dispatched);

    ::PostMessageW(window->getHandle(), WM_USER + 4, 0, 0);
    ::PostQuitMessage(5);
    afApp::processMessages();
    MSG quit;
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT was eaten";
    EXPECT_EQ(5u, quit.wParam);

    std::vector<std::wstring> counts;
    for (const auto& line : log.lines())
        if (line.source == 0x891542DA)
            counts.push_back(line.text);
    EXPECT_EQ((std::vector<std::wstring>{L"afApp::processMessages: Processed 0 messages.\n",
                                         L"afApp::processMessages: Processed 2 messages.\n",
                                         L"afApp::processMessages: Processed 1 messages.\n",
                                         L"afApp::processMessages: Processed 1 messages.\n"}),
              counts);
}

TEST_F(AppTest, PreTranslateOffersEachAncestorWidgetInTurnAndSurvivesItsExceptions) {
    auto window = openWindow<Recording<afTestWindow>>(afRect(0, 0, 200, 150));
    auto* child = new Recording<ChildWidget>(window.get());
    child->build();
    // A control without a widget inside the child widget.
    HWND plain = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, child->getHandle(), nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    child->take = WM_USER + 2;
    child->throwOn = WM_USER + 3;
    tessel_test::ErrorRecorder errors;
    for (UINT message : {WM_USER + 1, WM_USER + 2, WM_USER + 3})
        ::PostMessageW(plain, message, 0, 0);
    ::PostMessageW(child->getHandle(), WM_USER + 4, 0, 0);
    afApp::processMessages();
    EXPECT_EQ((std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 4}), child->pretranslated);
    EXPECT_EQ((std::vector<UINT>{WM_USER + 1, WM_USER + 4}), window->pretranslated) << "a taker stops the walk";
    EXPECT_EQ((std::vector<UINT>{WM_USER + 4}), child->dispatched) << "a taken message is not dispatched";
    EXPECT_EQ((std::vector<std::wstring>{L"thrown in pre-translate"}), errors.texts);
    ::DestroyWindow(plain);
}

TEST_F(AppTest, TheWheelGoesToThisThreadsWindowUnderThePoint) {
    auto focused = openWindow<Recording<afTestWindow>>(afRect(0, 0, 300, 300));
    auto under = openWindow<Recording<afTestWindow>>(afRect(400, 0, 700, 300));
    ::SetFocus(focused->getHandle());
    const auto wheelAt = [&](int x, int y) {
        ::PostMessageW(focused->getHandle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(x, y));
        afApp::processMessages();
    };
    wheelAt(550, 150);
    EXPECT_EQ(std::vector<int>{1}, under->wheelSteps);
    EXPECT_TRUE(focused->wheelSteps.empty());
    wheelAt(1200, 900); // the desktop, another process's window: the normal path
    EXPECT_EQ(std::vector<int>{1}, focused->wheelSteps);
}

TEST(ImagePack, ReadsTheCountTableAndRefusesAResourceTooShortForIt) {
    const uint32_t pack[] = {2, 3, 5, 0x11223344, 0x55667788};
    auto read = afImagePack::fromBytes(pack, sizeof pack);
    ASSERT_NE(nullptr, read);
    const uint8_t* bytes = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(read->entry(1, &bytes, &size));
    EXPECT_EQ(2u, size);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(pack) + 12 + 3, bytes);
    EXPECT_FALSE(read->entry(2, &bytes, &size));

    // An entry ending past the data makes the pack bad as a whole.
    const uint32_t outside[] = {1, 9, 0};
    tessel_test::LogCapture log;
    EXPECT_EQ(nullptr, afImagePack::fromBytes(outside, sizeof outside));
    for (uint32_t length : {0u, 2u, 8u})
        EXPECT_EQ(nullptr, afImagePack::fromBytes(pack, length)) << length;
    EXPECT_EQ(4u, log.lines().size()) << "one line for each refused resource";
}

} // namespace
