#include "service/base/MessageReceiver.h"
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
using tessel_test::onOtherThread;
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

class TaskRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        runner.onTaskFinished = [this](TaskRunner& r) {
            EXPECT_EQ(&runner, &r);
            ++finished;
        };
    }
    // Records each delivery of the task and the thread it arrived on.
    std::shared_ptr<FunctionTask> tracked(std::function<void(FunctionTask&)> body = nullptr) {
        auto task = std::make_shared<FunctionTask>(std::move(body));
        task->onFinished = [this](const std::shared_ptr<Task>& done) {
            EXPECT_FALSE(done->finished()); // the flags change after the delegate
            delivered.push_back(done.get());
            threads.push_back(::GetCurrentThreadId());
        };
        return task;
    }

    const uint32_t mainThread = pel::store_main_thread_id(); // the runner's receiver needs it
    TaskRunner runner{L"BundleLoader"};
    int finished = 0;
    std::vector<Task*> delivered;
    std::vector<DWORD> threads;
};

} // namespace

TEST_F(TaskRunnerTest, TwoRunsInARowJoinTheFirstAndDeliverBothInOrderOnTheUiThread) {
    int started = 0;
    runner.onTaskStarted = [&](TaskRunner&) { ++started; };
    pel::Event release(false);
    auto first = tracked([&](FunctionTask&) { release.wait(); });
    auto second = tracked();
    runner.runTask(first);
    EXPECT_TRUE(first->running());

    // The second start waits for the first thread, which a helper lets go.
    tessel_test::FunctionRunnable opener([&] { release.signal(); });
    pel::Thread helper;
    helper.start(opener);
    runner.runTask(second);
    EXPECT_TRUE(first->ended);
    helper.join();

    ASSERT_TRUE(pumpUntil([&] { return finished == 2; })) << "both tasks delivered";
    EXPECT_EQ(2, started);
    EXPECT_EQ((std::vector<Task*>{first.get(), second.get()}), delivered);
    EXPECT_EQ((std::vector<DWORD>(2, ::GetCurrentThreadId())), threads);
    EXPECT_TRUE(first->finished() && !first->running() && second->finished() && !second->running());
}

TEST_F(TaskRunnerTest, TasksThatEndEarlyOrFailAreStillDelivered) {
    // Stopped by its owner: it polls the flag between steps.
    pel::Event entered;
    auto stopped = tracked([&](FunctionTask& self) {
        entered.signal();
        while (!self.stopRequested())
            ::SwitchToThread();
    });
    runner.runTask(stopped);
    ASSERT_TRUE(entered.tryWait(30000));
    stopped->requestStop();
    runner.join();
    ASSERT_TRUE(pumpUntil([&] { return finished == 1; }));
    EXPECT_TRUE(stopped->finished());

    // A body that throws is logged and delivered as one that ended early.
    tessel_test::LogCapture capture;
    auto failing = tracked([](FunctionTask&) { throw pel::IllegalStateException(L"broken"); });
    runner.runTask(failing);
    ASSERT_TRUE(pumpUntil([&] { return finished == 2; }));
    EXPECT_EQ(failing.get(), delivered.back());
    EXPECT_TRUE(failing->finished() && failing->stopRequested());
    EXPECT_TRUE(capture.contains(L"TaskRunner::run() failed: IllegalStateException: broken", 3));

    // Without onFinished, delivery sets the flags and tells the runner's delegate only.
    auto plain = std::make_shared<FunctionTask>();
    plain->requestStop();
    runner.runTask(plain);
    EXPECT_FALSE(plain->stopRequested()); // each run starts with the flag cleared
    ASSERT_TRUE(pumpUntil([&] { return finished == 3; }));
    EXPECT_TRUE(plain->finished() && !plain->running());
    EXPECT_EQ(2u, delivered.size());
}

TEST_F(TaskRunnerTest, ReceiversShareTheirMessageAndClassAndKeepMessagesWhileNobodyListens) {
    auto receiver = MessageReceiver::create();
    auto other = MessageReceiver::create();
    EXPECT_EQ(::RegisterWindowMessageW(L"PEL_MESSAGE_RECEIVER_MSG"), MessageReceiver::getMessageId());
    EXPECT_EQ(::GetClassLongPtrW(receiver->getWindow(), GCW_ATOM), ::GetClassLongPtrW(other->getWindow(), GCW_ATOM));
    EXPECT_EQ(receiver.get(), ::GetPropW(receiver->getWindow(), L"PEL_MESSAGE_RECEIVER"));

    // A wake-up that finds no delegate leaves its message queued for the next one.
    receiver->post(std::make_shared<Text>(1));
    dispatchPending();
    std::vector<int> values;
    receiver->onMessage = [&](const std::shared_ptr<pel::Message>& message) {
        values.push_back(std::static_pointer_cast<Text>(message)->value);
    };
    receiver->post(std::make_shared<Text>(2));
    receiver->post(std::make_shared<Text>(3));
    ASSERT_TRUE(pumpUntil([&] { return values.size() == 2; }));
    EXPECT_EQ((std::vector<int>{1, 2}), values);

    // A delegate that throws is logged, and the receiver goes on; receivers are the UI
    // thread's.
    tessel_test::LogCapture capture;
    other->onMessage = [](const std::shared_ptr<pel::Message>&) { throw pel::RuntimeException(L"refused"); };
    other->post(std::make_shared<Text>(4));
    ASSERT_TRUE(pumpUntil([&] { return capture.contains(L"RuntimeException: refused", 3); }));
    onOtherThread([] { EXPECT_THROW(MessageReceiver::create(), pel::IllegalStateException); });
}

TEST_F(TaskRunnerTest, NothingReachesAReceiverWhoseWindowIsGone) {
    // Destroyed with a message posted: the message is released, the delegate never called.
    bool reached = false;
    auto message = std::make_shared<Text>(1);
    std::weak_ptr<pel::Message> watch = message;
    auto receiver = MessageReceiver::create();
    receiver->onMessage = [&](const std::shared_ptr<pel::Message>&) { reached = true; };
    receiver->post(message);
    message.reset();
    receiver.reset();
    EXPECT_TRUE(watch.expired());
    dispatchPending();
    EXPECT_FALSE(reached);

    // A post from a worker after the window went ends instead of retrying for ever.
    tessel_test::LogCapture capture;
    receiver = MessageReceiver::create();
    ::DestroyWindow(receiver->getWindow());
    onOtherThread([&] { receiver->post(std::make_shared<Text>(2)); });
    EXPECT_TRUE(capture.contains(L"MessageReceiver::post(): the receiver's window is gone", 2));
}
