#include "pel/base/Exception.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Thread.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/Runnables.h"

#include <gtest/gtest.h>

using namespace pel;

TEST(MainThread, OnlyTheRecordedThreadPasses) {
    // The test runner's thread stands in for the entry point.
    const uint32_t id = store_main_thread_id();
    ASSERT_EQ(::GetCurrentThreadId(), id);
    EXPECT_TRUE(is_main_thread());
    EXPECT_EQ(id, check_main_thread());
    EXPECT_EQ(id, get_main_thread_id());

    tessel_test::LogCapture capture;
    std::wstring message;
    uint32_t storedByWorker = 0;
    tessel_test::FunctionRunnable body([&] {
        storedByWorker = store_main_thread_id();
        try {
            check_main_thread();
        } catch (const IllegalStateException& e) {
            message = e.message;
        }
    });
    Thread worker;
    worker.start(body);
    worker.join();
    EXPECT_EQ(id, storedByWorker);
    EXPECT_EQ(L"Not a main thread.", message);
    EXPECT_TRUE(capture.lines().empty());
}

TEST(MainThread, EveryThreadFailsBeforeTheEntryPointRecords) {
    tessel_test::ChildProcess child(L"main-thread", true);
    ASSERT_TRUE(child.started());
    EXPECT_EQ(0u, child.wait());
    EXPECT_EQ("before=Not a main thread.\nstored=self\nafter=ok\nworker_store=ignored\nworker_is_main=0\n"
              "worker_check=Not a main thread.\n",
              child.output());
}

TEST(Processors, AffinityMaskAndItsFailure) {
    EXPECT_NE(0u, getProcessAffinityMask());
    EXPECT_GE(getProcessorCount(), 1);

    tessel_test::LogCapture capture;
    EXPECT_EQ(0u, getProcessAffinityMask(nullptr));
    auto lines = capture.lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(LOG_ERROR, lines[0].level);
    EXPECT_EQ(LOG_INTERNAL_SOURCE, lines[0].source);
    EXPECT_EQ(0u, lines[0].text.find(L"MTL::GetProcessAffinityMask error "));
}
