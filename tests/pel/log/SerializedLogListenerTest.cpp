#include "pel/legacy/MessageRegistry.h"
#include "pel/log/LogManager.h"
#include "pel/log/SerializedLogListener.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Thread.h"
#include "support/Runnables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pel;

TEST(SerializedLogListener, LinesFromAWorkerReachTheMainThreadInOneBatch) {
    store_main_thread_id();
    MessageRegistry registry;
    ASSERT_TRUE(registry.initRegistry(::GetModuleHandleW(nullptr)));
    struct Window final : SerializedLogListener {
        std::vector<std::wstring> texts;
        bool onMainThread = true;
        void onSerializedMessage(LogMessage* message) override {
            texts.push_back(message->getText());
            onMainThread = onMainThread && is_main_thread();
        }
    };
    std::vector<std::wstring> expected;
    {
        Window window;
        LogManager_Impl::getInstance()->addListener(&window, false);
        tessel_test::FunctionRunnable body([&] {
            for (int i = 0; i < 100; ++i) {
                log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"worker %d", i);
                expected.push_back(L"worker " + std::to_wstring(i));
            }
        });
        Thread worker;
        worker.start(body);
        worker.join();
        LogManager_Impl::getInstance()->removeListener(&window);
        int wakeUps = 0;
        MSG message;
        const UINT id = registry.getMessageId();
        for (; ::PeekMessageW(&message, registry.getWindow(), id, id, PM_REMOVE); ++wakeUps)
            ::DispatchMessageW(&message);
        EXPECT_EQ(1, wakeUps);
        EXPECT_EQ(expected, window.texts);
        EXPECT_TRUE(window.onMainThread);
    }
    registry.releaseRegistry();
}
