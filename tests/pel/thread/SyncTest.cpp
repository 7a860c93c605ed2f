#include "pel/base/Exception.h"
#include "pel/thread/Event.h"
#include "pel/thread/MessageQueue.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/NamedEvent.h"
#include "pel/thread/NamedMutex.h"
#include "pel/thread/Semaphore.h"
#include "pel/thread/Thread.h"
#include "support/ChildProcess.h"
#include "support/Runnables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <type_traits>
#include <vector>

using namespace pel;
using tessel_test::FunctionRunnable;

static_assert(!std::is_copy_constructible<Mutex_Impl>::value && !std::is_copy_constructible<NamedEventImpl>::value &&
                  !std::is_copy_constructible<NamedMutexImpl>::value && !std::is_copy_constructible<EventImpl>::value &&
                  !std::is_copy_constructible<Semaphore_Impl>::value && !std::is_copy_constructible<MessageQueue>::value,
              "the handles and sections of these objects are never shared by copies");

namespace {

std::wstring uniqueName(const wchar_t* prefix) {
    static std::atomic<int> counter{0};
    return std::wstring(prefix) + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

// Runs body on a library thread and joins it.
template <class Body>
void onOtherThread(Body body) {
    FunctionRunnable runnable(body);
    Thread thread;
    thread.start(runnable);
    thread.join();
}

} // namespace

TEST(FastMutex, ExcludesOtherThreadsAndTimesOut) {
    FastMutex mutex;
    mutex.lock();
    bool plain = true, timed = true, once = true;
    std::wstring timeoutMessage = L"none";
    onOtherThread([&] {
        plain = mutex.tryLock();
        timed = mutex.tryLock(20);
        once = mutex.tryLock(0);
        try {
            mutex.lock(10);
        } catch (const TimeoutException& e) {
            timeoutMessage = e.message;
        }
    });
    EXPECT_FALSE(plain);
    EXPECT_FALSE(timed);
    EXPECT_FALSE(once);
    EXPECT_EQ(L"", timeoutMessage);
    mutex.unlock();

    onOtherThread([&] {
        once = mutex.tryLock(0);
        mutex.unlock();
    });
    EXPECT_TRUE(once);
}

TEST(FastMutex, GuardsACounterAcrossThreads) {
    FastMutex mutex;
    int counter = 0;
    FunctionRunnable body([&] {
        for (int i = 0; i < 20000; ++i) {
            ScopedLock<FastMutex> lock(mutex);
            ++counter;
        }
    });
    std::vector<std::unique_ptr<Thread>> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back(new Thread);
        threads.back()->start(body);
    }
    for (auto& thread : threads)
        thread->join();
    EXPECT_EQ(80000, counter);

    NullMutex none;
    EXPECT_TRUE(none.tryLock());
    EXPECT_TRUE(none.tryLock(5));
}

TEST(Event, AutoAndManualReset) {
    Event automatic;
    EXPECT_FALSE(automatic.tryWait(0));
    automatic.signal();
    EXPECT_TRUE(automatic.tryWait(0));
    EXPECT_FALSE(automatic.tryWait(0)); // the first wait took the signal
    EXPECT_THROW(automatic.wait(0), TimeoutException);

    Event manual(false);
    manual.signal();
    EXPECT_TRUE(manual.tryWait(0));
    EXPECT_TRUE(manual.tryWait(0));
    manual.reset();
    EXPECT_FALSE(manual.tryWait(0));
}

TEST(Event, WakesAWaitingThread) {
    Event ready;
    Event go;
    std::atomic<int> stage{0};
    FunctionRunnable waiter([&] {
        stage = 1;
        ready.signal();
        go.wait();
        stage = 2;
    });
    Thread thread;
    thread.start(waiter);
    ready.wait();
    EXPECT_EQ(1, stage.load());
    go.signal();
    thread.join();
    EXPECT_EQ(2, stage.load());
}

TEST(Semaphore, CountsUpToItsMaximum) {
    Semaphore semaphore(0, 3);
    EXPECT_EQ(Semaphore_Impl::TimedOut, semaphore.wait(0));
    for (int i = 0; i < 3; ++i)
        semaphore.set();
    EXPECT_THROW(semaphore.set(), AssertionViolationException); // beyond the maximum
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Semaphore_Impl::Signalled, semaphore.wait(0));
    EXPECT_EQ(Semaphore_Impl::TimedOut, semaphore.wait(0));
    EXPECT_THROW(semaphore.create(0, 1), AssertionViolationException);

    Semaphore empty;
    EXPECT_THROW(empty.set(), AssertionViolationException);
    EXPECT_THROW(empty.wait(0), AssertionViolationException);
}

TEST(Semaphore, NegativeTimeOutWaitsForTheRelease) {
    Semaphore semaphore(0, 1);
    Event started;
    FunctionRunnable releaser([&] {
        started.wait();
        ::Sleep(50);
        semaphore.set();
    });
    Thread thread;
    thread.start(releaser);
    started.signal();
    EXPECT_EQ(Semaphore_Impl::Signalled, semaphore.wait(-5));
    thread.join();
}

TEST(Semaphore, WaitAnyNamesTheHandle) {
    Semaphore first(0, 1);
    Semaphore second(1, 1);
    HANDLE handles[3] = {first.handle(), second.handle(), nullptr};
    int index = 99;
    EXPECT_EQ(Semaphore_Impl::Signalled, Semaphore_Impl::waitAny(handles, 2, &index));
    EXPECT_EQ(1, index);

    // A mutex whose owner thread ended without releasing it, at position 2.
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, nullptr);
    onOtherThread([&] { ::WaitForSingleObject(mutex, INFINITE); });
    handles[2] = mutex;
    EXPECT_EQ(Semaphore_Impl::Abandoned, Semaphore_Impl::waitAny(handles, 3, &index));
    EXPECT_EQ(2, index);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);

    HANDLE invalid[1] = {nullptr};
    EXPECT_EQ(Semaphore_Impl::Failed, Semaphore_Impl::waitAny(invalid, 1, &index));
    EXPECT_EQ(-1, index);
    EXPECT_THROW(Semaphore_Impl::waitAny(handles, 2, nullptr), NullPointerException);
}

TEST(Semaphore, LegacyMutexIsALockOfOne) {
    LegacyMutex mutex;
    EXPECT_EQ(0, mutex.wait(0));
    int other = -1;
    onOtherThread([&] { other = mutex.wait(0); });
    EXPECT_NE(0, other);
    onOtherThread([&] { mutex.release(); }); // any thread may give it back
    EXPECT_EQ(0, mutex.wait(-1));
    mutex.release();
}

TEST(NamedMutex, HeldAndAbandonedByAnotherProcess) {
    const std::wstring name = uniqueName(L"TesselTestMutex");
    const std::wstring readyName = uniqueName(L"TesselTestReady");
    const std::wstring quitName = uniqueName(L"TesselTestQuit");
    NamedMutex mutex(name);
    NamedEvent ready(readyName);
    NamedEvent quit(quitName);

    tessel_test::ChildProcess child(L"hold-mutex " + name + L" " + readyName + L" " + quitName);
    ASSERT_TRUE(child.started());
    ready.wait();
    EXPECT_FALSE(mutex.tryLock());

    quit.set();
    EXPECT_EQ(0u, child.wait());
    try {
        mutex.lock();
        FAIL() << "an abandoned mutex must be reported";
    } catch (const SystemException& e) {
        EXPECT_EQ(L"Cannot lock named mutex (abandoned) `" + name + L"`.", e.message);
    }
    // The report handed the ownership back: the mutex is free for everyone.
    bool otherThreadGotIt = false;
    onOtherThread([&] {
        otherThreadGotIt = mutex.tryLock();
        if (otherThreadGotIt)
            mutex.unlock();
    });
    EXPECT_TRUE(otherThreadGotIt);
    EXPECT_TRUE(mutex.tryLock());
    mutex.unlock();
}

TEST(NamedObjects, NamesReachOtherObjectsAndTheMessages) {
    const std::wstring name = uniqueName(L"TesselTestEvent");
    NamedEvent setter(name);
    NamedEvent waiter(name);
    setter.set();
    waiter.wait(); // the same kernel event

    // A name taken by an object of another kind cannot be created.
    try {
        NamedMutex clash(name);
        FAIL();
    } catch (const SystemException& e) {
        EXPECT_EQ(L"Cannot create named mutex `" + name + L"`.", e.message);
    }
    const std::wstring mutexName = uniqueName(L"TesselTestMutex");
    NamedMutex mutex(mutexName);
    try {
        NamedEvent clash(mutexName);
        FAIL();
    } catch (const SystemException& e) {
        EXPECT_EQ(L"Cannot create named event `" + mutexName + L"`.", e.message);
    }
}

namespace {
struct NumberMessage : Message {
    NumberMessage(int p, int n) : producer(p), number(n) {}
    int producer;
    int number;
};
} // namespace

TEST(MessageQueue, FirstInFirstOutAndNeverBlocks) {
    MessageQueue queue;
    auto first = std::make_shared<NumberMessage>(0, 1);
    auto second = std::make_shared<NumberMessage>(0, 2);
    queue.post(first);
    queue.post(second);
    EXPECT_EQ(first, queue.get());
    EXPECT_EQ(second, queue.get());
    EXPECT_EQ(nullptr, queue.get());
    EXPECT_THROW(queue.post(nullptr), NullPointerException);
}
