#include "pel/base/Exception.h"
#include "pel/thread/Event.h"
#include "pel/thread/LegacyThread.h"
#include "pel/thread/Thread.h"
#include "pel/thread/ThreadErrorHandler.h"
#include "pel/thread/ThreadLocalStorage.h"
#include "support/LogCapture.h"
#include "support/Runnables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

using namespace pel;
using tessel_test::FunctionRunnable;

namespace {

DWORD exitCodeAfterEnd(Thread& thread) {
    ::WaitForSingleObject(thread.handle(), INFINITE);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeThread(thread.handle(), &code);
    return code;
}

std::vector<std::wstring> textsFrom(const tessel_test::LogCapture& capture) {
    std::vector<std::wstring> texts;
    for (const auto& line : capture.lines()) {
        EXPECT_EQ(LOG_INFO, line.level);
        EXPECT_EQ(LOG_UNKNOWN_SOURCE, line.source);
        texts.push_back(line.text);
    }
    return texts;
}

} // namespace

TEST(Thread, NamesNumbersAndRestarts) {
    Thread first;
    Thread second;
    EXPECT_EQ(first.id() + 1, second.id());
    EXPECT_EQ(L"#" + std::to_wstring(first.id()), first.getName());
    EXPECT_EQ(L"#" + std::to_wstring(second.id()), second.getName());
    second.setName(L"Worker");
    EXPECT_EQ(L"Worker", second.getName());
    EXPECT_EQ(L"Named", Thread(L"Named").getName());

    first.join(); // never started
    EXPECT_EQ(nullptr, first.handle());

    int runs = 0;
    Thread* seen = nullptr;
    FunctionRunnable body([&] {
        ++runs;
        seen = Thread::current();
    });
    first.start(body);
    first.join();
    EXPECT_EQ(nullptr, first.handle());
    first.join(); // a second join returns at once
    first.start(body);
    first.join();
    EXPECT_EQ(2, runs);
    EXPECT_EQ(&first, seen);
    EXPECT_EQ(nullptr, Thread::current());
}

TEST(Thread, SecondStartWhileRunningAndSelfJoinFail) {
    Event release;
    std::wstring selfJoin;
    FunctionRunnable body([&] {
        try {
            Thread::current()->join();
        } catch (const SystemException& e) {
            selfJoin = e.message;
        }
        release.wait();
    });
    Thread thread;
    thread.start(body);
    EXPECT_TRUE(thread.isRunning());
    try {
        thread.start(body);
        FAIL();
    } catch (const SystemException& e) {
        EXPECT_EQ(L"thread already running", e.message);
    }
    release.signal();
    thread.join();
    EXPECT_FALSE(thread.isRunning());
    EXPECT_EQ(L"cannot join thread", selfJoin);
}

TEST(Thread, PriorityIsAppliedOrTheStartFails) {
    Event seenEvent;
    Event release;
    int seen = 0;
    FunctionRunnable body([&] {
        seen = ::GetThreadPriority(::GetCurrentThread());
        seenEvent.signal();
        release.wait();
    });
    Thread thread;
    thread.setPriority(THREAD_PRIORITY_BELOW_NORMAL);
    thread.start(body);
    seenEvent.wait();
    thread.setPriority(THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(THREAD_PRIORITY_ABOVE_NORMAL, ::GetThreadPriority(thread.handle()));
    release.signal();
    thread.join();
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, seen);

    Thread invalid;
    invalid.setPriority(1000);
    try {
        invalid.start(body);
        FAIL();
    } catch (const SystemException& e) {
        EXPECT_EQ(L"cannot set thread priority", e.message);
    }
    EXPECT_EQ(nullptr, invalid.handle()); // no thread was left running
}

TEST(ThreadErrorHandler, EscapingExceptionsAreLoggedAsText) {
    tessel_test::LogCapture capture;
    FunctionRunnable throwsStd([] { throw std::runtime_error("100% sure: %s%n%d"); });
    FunctionRunnable throwsPel([] { throw IllegalStateException(L"bad %s state"); });
    FunctionRunnable throwsOther([] { throw 42; });
    Thread thread;
    for (FunctionRunnable* body : {&throwsStd, &throwsPel, &throwsOther}) {
        thread.start(*body);
        EXPECT_EQ(0u, exitCodeAfterEnd(thread));
        thread.join();
    }
    EXPECT_EQ((std::vector<std::wstring>{L"100% sure: %s%n%d\n", L"IllegalStateException: bad %s state\n",
                                         L"unknown exception\n"}),
              textsFrom(capture));
}

namespace {
class RecordingHandler : public ThreadErrorHandler {
public:
    void exception() override { texts.push_back(L"other"); }
    void exception(const std::exception& e) override { texts.push_back(L"std"); }
    void exception(const Exception& e) override {
        texts.push_back(e.message);
        throw std::runtime_error("the handler fails too");
    }
    std::vector<std::wstring> texts;
};
} // namespace

TEST(ThreadErrorHandler, ReplacedHandlerReceivesAndNullIsRefused) {
    ThreadErrorHandler* original = ThreadErrorHandler::get();
    EXPECT_EQ(ThreadErrorHandler::defaultHandler(), original);
    EXPECT_THROW(ThreadErrorHandler::set(nullptr), AssertionViolationException);
    EXPECT_EQ(original, ThreadErrorHandler::get());

    RecordingHandler handler;
    EXPECT_EQ(original, ThreadErrorHandler::set(&handler));
    FunctionRunnable throwsPel([] { throw RuntimeException(L"from the body"); });
    FunctionRunnable throwsStd([] { throw std::logic_error("x"); });
    Thread thread;
    thread.start(throwsPel);
    EXPECT_EQ(0u, exitCodeAfterEnd(thread)); // what the handler throws is dropped
    thread.join();
    thread.start(throwsStd);
    thread.join();
    EXPECT_EQ(&handler, ThreadErrorHandler::set(original));
    EXPECT_EQ((std::vector<std::wstring>{L"from the body", L"std"}), handler.texts);
}

namespace {
ThreadLocal<int> s_number;

struct Tracked {
    static std::atomic<int> destroyed;
    ~Tracked() { ++destroyed; }
};
std::atomic<int> Tracked::destroyed{0};
ThreadLocal<Tracked> s_tracked;
} // namespace

TEST(ThreadLocalStorage, OwnValuesForThreadsSharedForOthers) {
    *s_number = 7;
    int* foreignAddress = nullptr;
    std::thread foreign([&] { foreignAddress = &*s_number; });
    foreign.join();
    EXPECT_EQ(&*s_number, foreignAddress); // one storage for all threads that are not Threads

    int seenFirst = -1, afterClear = -1;
    FunctionRunnable body([&] {
        seenFirst = *s_number;
        *s_number = 9;
        ThreadLocalStorage::clear();
        afterClear = *s_number;
    });
    Thread thread;
    thread.start(body);
    thread.join();
    EXPECT_EQ(0, seenFirst);
    EXPECT_EQ(0, afterClear);
    EXPECT_EQ(7, *s_number);
    ThreadLocalStorage::clear(); // nothing on a thread that is not a Thread
    EXPECT_EQ(7, *s_number);
}

TEST(ThreadLocalStorage, ValuesLiveAsLongAsTheThreadObject) {
    const int before = Tracked::destroyed;
    {
        FunctionRunnable body([] { s_tracked.get(); });
        Thread thread;
        thread.start(body);
        thread.join();
        EXPECT_EQ(before, Tracked::destroyed.load());
    }
    EXPECT_EQ(before + 1, Tracked::destroyed.load());
}

TEST(Thread, DestroyingARunningThreadWaitsForItsBody) {
    tessel_test::LogCapture capture;
    Event go;
    std::atomic<bool> finished{false};
    FunctionRunnable body([&] {
        go.wait();
        *s_number = 11; // the thread's storage must still exist
        finished = true;
    });
    std::thread releaser([&] {
        ::Sleep(50);
        go.signal();
    });
    {
        Thread thread;
        thread.start(body);
    }
    EXPECT_TRUE(finished.load());
    releaser.join();
}

namespace {
class Poller : public LegacyThread {
public:
    Poller() : LegacyThread(L"Poller") {}
    ~Poller() override {
        requestStop();
        join();
    }
    std::atomic<int> loops{0};
    Event started;

protected:
    int run(void*) override {
        started.signal();
        while (!isStopRequested()) {
            ++loops;
            ::Sleep(1);
        }
        return 5;
    }
};
} // namespace

TEST(LegacyThread, StopRequestEndsTheBodyAndStartClearsIt) {
    Poller poller;
    EXPECT_TRUE(poller.start());
    poller.started.wait();
    EXPECT_THROW(poller.start(), SystemException);
    EXPECT_TRUE(poller.requestStop());
    EXPECT_EQ(0u, exitCodeAfterEnd(poller)); // run's result stays inside the thread
    poller.join();
    EXPECT_TRUE(poller.isStopRequested());

    EXPECT_TRUE(poller.start()); // the flag is cleared for the new run
    poller.started.wait();
    EXPECT_FALSE(poller.isStopRequested());
    EXPECT_TRUE(poller.stop());
    poller.join();
    EXPECT_FALSE(poller.isRunning());
    EXPECT_EQ(L"Poller", poller.getName());
}

TEST(LegacyThread, DestructionStopsAndJoins) {
    std::unique_ptr<Poller> poller(new Poller);
    poller->start();
    poller->started.wait();
    HANDLE handle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), poller->handle(), ::GetCurrentProcess(), &handle, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    poller.reset();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(handle, 0));
    ::CloseHandle(handle);
}
