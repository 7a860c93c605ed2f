#include "service/base/MessageReceiver.h"
#include "service/base/Task.h"
#include "service/base/TaskRunner.h"

#include "pel/base/Exception.h"
#include "pel/thread/Event.h"
#include "pel/thread/MainThread.h"
#include "support/LogCapture.h"
#include "support/MessagePump.h"
#include "support/Runnables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

using namespace tessel;
using tessel_test::dispatchPending;
using tessel_test::pumpUntil;

namespace {

class FunctionTask : public Task {
public:
    explicit FunctionTask(std::function<void(FunctionTask&)> body = nullptr) : m_body(std::move(body)) {}
    void run() override {
        if (m_body)
            m_body(*this);
        ended = true;
    }
    std::atomic<bool> ended{false};

private:
    std::function<void(FunctionTask&)> m_body;
};

struct Text : pel::Message {
    explicit Text(int i_value) : value(i_value) {}
    int value;
};

bool logged(const tessel_test::LogCapture& capture, int level, const std::wstring& part) {
    for (const auto& line : capture.lines())
        if (line.level == level && line.text.find(part) != std::wstring::npos)
            return true;
    return false;
}

class TaskRunnerTest : public ::testing::Test {
protected:
    void SetUp() override { pel::store_main_thread_id(); }

    // Records every delivery: the task and the thread it arrived on.
    void track(const std::shared_ptr<Task>& task) {
        task->onFinished = [this](const std::shared_ptr<Task>& finished) {
            delivered.push_back(finished.get());
            deliveryThreads.push_back(::GetCurrentThreadId());
            EXPECT_FALSE(finished->finished()); // the flags change after the delegate
        };
    }

    std::vector<Task*> delivered;
    std::vector<DWORD> deliveryThreads;
};

} // namespace

TEST_F(TaskRunnerTest, TwoRunsInARowJoinTheFirstAndDeliverBothInOrderOnTheUiThread) {
    TaskRunner runner(L"BundleLoader");
    int started = 0;
    int finished = 0;
    runner.onTaskStarted = [&](TaskRunner& r) {
        ++started;
        EXPECT_EQ(&runner, &r);
    };
    runner.onTaskFinished = [&](TaskRunner&) { ++finished; };

    pel::Event release(false);
    auto first = std::make_shared<FunctionTask>([&](FunctionTask&) { release.wait(); });
    auto second = std::make_shared<FunctionTask>();
    track(first);
    track(second);
    runner.runTask(first);
    EXPECT_TRUE(first->running());
    EXPECT_EQ(1, started);

    // The second start waits for the first thread, which a helper lets go.
    tessel_test::FunctionRunnable opener([&] { release.signal(); });
    pel::Thread helper;
    helper.start(opener);
    runner.runTask(second);
    EXPECT_TRUE(first->ended);
    helper.join();

    ASSERT_TRUE(pumpUntil([&] { return finished == 2; })) << "both tasks delivered";
    EXPECT_EQ((std::vector<Task*>{first.get(), second.get()}), delivered);
    EXPECT_EQ((std::vector<DWORD>{::GetCurrentThreadId(), ::GetCurrentThreadId()}), deliveryThreads);
    for (const auto& task : {first, second})
        EXPECT_TRUE(task->finished() && !task->running());
    EXPECT_EQ(second, runner.getTask());
}

TEST_F(TaskRunnerTest, TasksThatEndEarlyOrFailAreStillDelivered) {
    TaskRunner runner(L"CompileTaskRunner");
    int finished = 0;
    runner.onTaskFinished = [&](TaskRunner&) { ++finished; };

    // Stopped by its owner: it polls the flag between steps.
    pel::Event entered;
    auto stopped = std::make_shared<FunctionTask>([&](FunctionTask& self) {
        entered.signal();
        while (!self.stopRequested())
            ::SwitchToThread();
    });
    track(stopped);
    runner.runTask(stopped);
    ASSERT_TRUE(entered.tryWait(30000));
    stopped->requestStop();
    runner.join();
    ASSERT_TRUE(pumpUntil([&] { return finished == 1; }));
    EXPECT_TRUE(stopped->finished());

    // A body that throws is logged and delivered as one that ended early.
    tessel_test::LogCapture capture;
    auto failing = std::make_shared<FunctionTask>([](FunctionTask&) { throw pel::IllegalStateException(L"broken"); });
    track(failing);
    runner.runTask(failing);
    ASSERT_TRUE(pumpUntil([&] { return finished == 2; }));
    EXPECT_EQ(failing.get(), delivered.back());
    EXPECT_TRUE(failing->finished() && failing->stopRequested());
    EXPECT_TRUE(logged(capture, 3, L"TaskRunner::run() failed: IllegalStateException: broken"));

    // Without onFinished, delivery sets the flags and tells the runner's delegate only.
    auto plain = std::make_shared<FunctionTask>();
    runner.runTask(plain);
    EXPECT_FALSE(plain->stopRequested()); // each run starts with the flag cleared
    ASSERT_TRUE(pumpUntil([&] { return finished == 3; }));
    EXPECT_TRUE(plain->finished() && !plain->running());
    EXPECT_EQ(2u, delivered.size());
}

TEST_F(TaskRunnerTest, AnEmptyTaskIsAnAssertionViolation) {
    TaskRunner runner(L"UpdateChecker");
    try {
        runner.runTask(nullptr);
        FAIL() << "no exception";
    } catch (const pel::AssertionViolationException& e) {
        EXPECT_EQ(0u, e.message.find(L"task in file")) << e.message;
    }
}

TEST_F(TaskRunnerTest, ReceiversShareTheirMessageAndClassAndKeepMessagesWhileNobodyListens) {
    auto receiver = MessageReceiver::create();
    auto other = MessageReceiver::create();
    EXPECT_EQ(::RegisterWindowMessageW(L"PEL_MESSAGE_RECEIVER_MSG"), MessageReceiver::getMessageId());
    EXPECT_EQ(::GetClassLongPtrW(receiver->getWindow(), GCW_ATOM), ::GetClassLongPtrW(other->getWindow(), GCW_ATOM));
    wchar_t title[32] = {};
    ::GetWindowTextW(receiver->getWindow(), title, 32);
    EXPECT_STREQ(L"PEL_MESSAGE_WND", title);
    EXPECT_EQ(receiver.get(), ::GetPropW(receiver->getWindow(), L"PEL_MESSAGE_RECEIVER"));

    // A wake-up that finds no delegate leaves its message queued for the next one.
    receiver->post(std::make_shared<Text>(1));
    dispatchPending();
    std::vector<int> values;
    receiver->onMessage = [&](const std::shared_ptr<pel::Message>& message) {
        values.push_back(std::static_pointer_cast<Text>(message)->value);
    };
    receiver->post(std::make_shared<Text>(2));
    ASSERT_TRUE(pumpUntil([&] { return values.size() == 1; }));
    EXPECT_EQ(1, values[0]);
    receiver->post(std::make_shared<Text>(3));
    ASSERT_TRUE(pumpUntil([&] { return values.size() == 2; }));
    EXPECT_EQ(2, values[1]);

    // A delegate that throws is logged, and the receiver goes on.
    tessel_test::LogCapture capture;
    other->onMessage = [](const std::shared_ptr<pel::Message>&) { throw pel::RuntimeException(L"refused"); };
    other->post(std::make_shared<Text>(4));
    ASSERT_TRUE(pumpUntil([&] { return logged(capture, 3, L"RuntimeException: refused"); }));
}

TEST_F(TaskRunnerTest, NothingReachesAReceiverWhoseWindowIsGone) {
    // Destroyed with a message posted: the message is released, the delegate never called.
    bool reached = false;
    auto message = std::make_shared<Text>(1);
    std::weak_ptr<pel::Message> watch = message;
    {
        auto receiver = MessageReceiver::create();
        receiver->onMessage = [&](const std::shared_ptr<pel::Message>&) { reached = true; };
        receiver->post(message);
        message.reset();
        EXPECT_FALSE(watch.expired());
    }
    EXPECT_TRUE(watch.expired());
    dispatchPending();
    EXPECT_FALSE(reached);

    // A post from a worker after the window went ends instead of retrying for ever.
    tessel_test::LogCapture capture;
    auto receiver = MessageReceiver::create();
    ::DestroyWindow(receiver->getWindow());
    tessel_test::FunctionRunnable poster([&] { receiver->post(std::make_shared<Text>(2)); });
    pel::Thread thread;
    thread.start(poster);
    thread.join();
    EXPECT_TRUE(logged(capture, 2, L"MessageReceiver::post(): the receiver's window is gone"));
}

TEST_F(TaskRunnerTest, ReceiversAreMadeOnTheUiThreadOnly) {
    std::wstring error;
    tessel_test::FunctionRunnable maker([&] {
        try {
            MessageReceiver::create();
        } catch (const pel::Exception& e) {
            error = e.displayText();
        }
    });
    pel::Thread thread;
    thread.start(maker);
    thread.join();
    EXPECT_EQ(L"IllegalStateException: Not a main thread.", error);
}
