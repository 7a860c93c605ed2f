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

namespace {

class WindowLines final : public SerializedLogListener {
public:
    std::vector<std::wstring> texts;
    std::vector<DWORD> threads;

protected:
    void onSerializedMessage(LogMessage* message) override {
        if (std::wstring(message->getText()).compare(0, 7, L"worker ") != 0)
            return;
        texts.push_back(message->getText());
        threads.push_back(::GetCurrentThreadId());
    }
};

} // namespace

TEST(SerializedLogListener, LinesFromAWorkerReachTheMainThreadInOneBatch) {
    store_main_thread_id();
    MessageRegistry registry;
    ASSERT_TRUE(registry.initRegistry(::GetModuleHandleW(nullptr)));
    {
        WindowLines window;
        LogManager_Impl::getInstance()->addListener(&window, false);
        tessel_test::FunctionRunnable body([] {
            for (int i = 0; i < 100; ++i)
                log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"worker %d", i);
        });
        Thread worker;
        worker.start(body);
        worker.join();
        // One wake-up is in flight for the whole batch.
        int wakeUps = 0;
        MSG message;
        const UINT id = registry.getMessageId();
        while (::PeekMessageW(&message, registry.getWindow(), id, id, PM_REMOVE)) {
            ++wakeUps;
            ::DispatchMessageW(&message);
        }
        LogManager_Impl::getInstance()->removeListener(&window);
        EXPECT_EQ(1, wakeUps);
        ASSERT_EQ(100u, window.texts.size());
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(L"worker " + std::to_wstring(i), window.texts[i]);
        EXPECT_EQ(std::vector<DWORD>(100, ::GetCurrentThreadId()), window.threads);
    }
    registry.releaseRegistry();
}
