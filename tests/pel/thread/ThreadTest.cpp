#include "pel/base/Exception.h"
#include "pel/thread/Event.h"
#include "pel/thread/LegacyThread.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/MessageQueue.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/NamedEvent.h"
#include "pel/thread/NamedMutex.h"
#include "pel/thread/Semaphore.h"
#include "pel/thread/Thread.h"
#include "pel/thread/ThreadCache.h"
#include "pel/thread/ThreadErrorHandler.h"
#include "pel/thread/ThreadLocalStorage.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/Runnables.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

using namespace pel;
using tessel_test::FunctionRunnable;
using tessel_test::onOtherThread;
using tessel_test::shown;

template <class... T>
constexpr bool NONE_COPYABLE = (!std::is_copy_constructible<T>::value && ...);
static_assert(NONE_COPYABLE<Mutex_Impl, EventImpl, NamedEventImpl, NamedMutexImpl, Semaphore_Impl, MessageQueue>,
              "the handles and sections of these objects are never shared by copies");

namespace {

DWORD exitCodeAfterEnd(Thread& thread) {
    ::WaitForSingleObject(thread.handle(), INFINITE);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeThread(thread.handle(), &code);
    return code;
}

ThreadLocal<int> s_number;

struct Tracked {
    ~Tracked() { ++destroyed; }
    static int destroyed;
};
int Tracked::destroyed = 0;
ThreadLocal<Tracked> s_tracked;

// Polls its stop flag. Once started, run() uses no member of its own, so the base's destructor
// may stop and join it.
class Poller : public LegacyThread {
public:
    Poller() : LegacyThread(L"Poller") {}
    Event started;

protected:
    int run(void*) override {
        started.signal();
        while (!isStopRequested())
            ::Sleep(1);
        return 5;
    }
};

} // namespace

TEST(Thread, NamesNumbersAndRestarts) {
    Thread first, second;
    EXPECT_EQ(first.id() + 1, second.id());
    EXPECT_EQ(L"#" + std::to_wstring(first.id()), first.getName());
    first.join(); // never started

    int runs = 0;
    Thread* seen = nullptr;
    FunctionRunnable body([&] {
        ++runs;
        seen = Thread::current();
    });
    for (int i = 0; i < 2; ++i) {
        first.start(body);
        first.join();
        first.join(); // a second join returns at once
        EXPECT_EQ(nullptr, first.handle());
    }
    EXPECT_EQ(2, runs);
    EXPECT_EQ(&first, seen);
    EXPECT_EQ(nullptr, Thread::current());
}

TEST(Thread, SecondStartSelfJoinAndBadPriorityFail) {
    Event seen, release;
    std::wstring selfJoin;
    int priority = 0;
    FunctionRunnable body([&] {
        selfJoin = shown([] { Thread::current()->join(); });
        priority = ::GetThreadPriority(::GetCurrentThread());
        seen.signal();
        release.wait();
    });
    Thread thread;
    thread.setPriority(THREAD_PRIORITY_BELOW_NORMAL);
    thread.start(body);
    EXPECT_TRUE(thread.isRunning());
    EXPECT_EQ(L"SystemException: thread already running", shown([&] { thread.start(body); }));
    seen.wait();
    thread.setPriority(THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(THREAD_PRIORITY_ABOVE_NORMAL, ::GetThreadPriority(thread.handle()));
    release.signal();
    thread.join();
    EXPECT_FALSE(thread.isRunning());
    EXPECT_EQ(L"SystemException: cannot join thread", selfJoin);
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, priority);

    Thread invalid;
    invalid.setPriority(1000);
    EXPECT_EQ(L"SystemException: cannot set thread priority", shown([&] { invalid.start(body); }));
    EXPECT_EQ(nullptr, invalid.handle()); // no thread was left running

    // Starts made to fail, as the system's refusal would: the one after them runs.
    Thread refused;
    FunctionRunnable quick([] {});
    Thread::failNextStarts(2);
    EXPECT_EQ(L"SystemException: cannot create thread", shown([&] { refused.start(quick); }));
    EXPECT_EQ(L"SystemException: cannot create thread", shown([&] { refused.start(quick); }));
    EXPECT_EQ(nullptr, refused.handle());
    refused.start(quick);
    refused.join();
}

TEST(Thread, DestroyingARunningThreadWaitsForItsBody) {
    std::atomic<bool> finished{false};
    FunctionRunnable body([&] {
        ::Sleep(50);
        *s_number = 11; // the thread's storage must still exist
        finished = true;
    });
    {
        Thread thread;
        thread.start(body);
    }
    EXPECT_TRUE(finished.load());
}

TEST(ThreadErrorHandler, EscapingExceptionsAreLoggedOrHandedToTheHandler) {
    FunctionRunnable throwsStd([] { throw std::runtime_error("100% sure: %s%n%d"); });
    FunctionRunnable throwsPel([] { throw IllegalStateException(L"bad %s state"); });
    FunctionRunnable throwsOther([] { throw 42; });
    // Every body ends its thread normally, with code 0.
    auto runEach = [&] {
        Thread thread;
        for (FunctionRunnable* body : {&throwsStd, &throwsPel, &throwsOther}) {
            thread.start(*body);
            EXPECT_EQ(0u, exitCodeAfterEnd(thread));
            thread.join();
        }
    };
    {
        tessel_test::LogCapture capture;
        runEach();
        std::wstring texts;
        for (const auto& line : capture.lines())
            texts += (line.level == LOG_INFO && line.source == LOG_UNKNOWN_SOURCE ? L"" : L"(level?) ") + line.text;
        EXPECT_EQ(L"100% sure: %s%n%d\nIllegalStateException: bad %s state\nunknown exception\n", texts);
    }
    struct Recording : ThreadErrorHandler {
        void exception() override { texts.push_back(L"other"); }
        void exception(const std::exception&) override { texts.push_back(L"std"); }
        void exception(const Exception& e) override {
            texts.push_back(e.message);
            throw std::runtime_error("the handler fails too"); // dropped
        }
        std::vector<std::wstring> texts;
    } handler;
    ThreadErrorHandler* original = ThreadErrorHandler::get();
    EXPECT_EQ(ThreadErrorHandler::defaultHandler(), original);
    EXPECT_THROW(ThreadErrorHandler::set(nullptr), AssertionViolationException);
    EXPECT_EQ(original, ThreadErrorHandler::set(&handler));
    runEach();
    EXPECT_EQ(&handler, ThreadErrorHandler::set(original));
    EXPECT_EQ((std::vector<std::wstring>{L"std", L"bad %s state", L"other"}), handler.texts);
}

TEST(ThreadLocalStorage, OwnValuesForThreadsSharedForOthers) {
    *s_number = 7;
    int* foreignAddress = nullptr;
    std::thread foreign([&] { foreignAddress = &*s_number; });
    foreign.join();
    EXPECT_EQ(&*s_number, foreignAddress); // one storage for all threads that are not Threads

    Tracked::destroyed = 0;
    int seenFirst = -1, afterClear = -1;
    {
        FunctionRunnable body([&] {
            s_tracked.get();
            seenFirst = *s_number;
            *s_number = 9;
            ThreadLocalStorage::clear();
            afterClear = *s_number;
        });
        Thread thread;
        thread.start(body);
        thread.join();
        EXPECT_EQ(1, Tracked::destroyed); // cleared by the body
        FunctionRunnable keeps([] { s_tracked.get(); });
        thread.start(keeps);
        thread.join();
        EXPECT_EQ(1, Tracked::destroyed); // values live as long as the thread object
    }
    EXPECT_EQ(2, Tracked::destroyed);
    EXPECT_EQ(0, seenFirst);
    EXPECT_EQ(0, afterClear);
    ThreadLocalStorage::clear(); // nothing on a thread that is not a Thread
    EXPECT_EQ(7, *s_number);
}

namespace {
struct CountedCache {
    static inline std::atomic<int> live{0};
    CountedCache() { ++live; }
    ~CountedCache() { --live; }
};
} // namespace

TEST(ThreadCache, EachThreadHasItsOwnObjectGoneWithTheThread) {
    CountedCache* mine = &ThreadCache<CountedCache>::get();
    EXPECT_EQ(mine, &ThreadCache<CountedCache>::get());
    CountedCache* other = nullptr;
    int liveThere = 0;
    std::thread thread([&] {
        other = &ThreadCache<CountedCache>::get();
        liveThere = CountedCache::live;
    });
    thread.join();
    EXPECT_NE(mine, other);
    EXPECT_EQ(2, liveThere);
    EXPECT_EQ(1, CountedCache::live); // the ended thread's object is deleted, ours is kept
}

TEST(LegacyThread, StopRequestEndsTheBodyAndDestructionJoins) {
    auto poller = std::make_unique<Poller>();
    EXPECT_EQ(L"Poller", poller->getName());
    for (int run = 0; run < 2; ++run) { // each start clears the flag
        EXPECT_TRUE(poller->start());
        poller->started.wait();
        EXPECT_FALSE(poller->isStopRequested());
        EXPECT_TRUE(poller->requestStop());
        EXPECT_EQ(0u, exitCodeAfterEnd(*poller)); // run's result stays inside the thread
        poller->join();
        EXPECT_TRUE(poller->isStopRequested());
    }
    poller->start();
    poller->started.wait();
    HANDLE handle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), poller->handle(), ::GetCurrentProcess(), &handle, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    poller.reset(); // stops and joins
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(handle, 0));
    ::CloseHandle(handle);
}

TEST(MainThread, OnlyTheRecordedThreadPasses) {
    // The test runner's thread stands in for the entry point.
    const uint32_t id = store_main_thread_id();
    ASSERT_EQ(::GetCurrentThreadId(), id);
    EXPECT_EQ(id, check_main_thread());
    EXPECT_EQ(id, get_main_thread_id());
    tessel_test::ChildProcess child(L"main-thread", true);
    ASSERT_TRUE(child.started());
    EXPECT_EQ(0u, child.wait());
    // Every thread fails before the entry point records; a worker cannot record itself.
    EXPECT_EQ("before=Not a main thread.\nstored=self\nafter=ok\nworker_store=ignored\nworker_is_main=0\n"
              "worker_check=Not a main thread.\n",
              child.output());
}

TEST(Processors, AffinityMaskAndItsFailure) {
    EXPECT_GE(getProcessorCount(), 1);
    tessel_test::LogCapture capture;
    EXPECT_EQ(0u, getProcessAffinityMask(nullptr));
    const auto lines = capture.lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(LOG_ERROR, lines[0].level);
    EXPECT_EQ(LOG_INTERNAL_SOURCE, lines[0].source);
    EXPECT_EQ(0u, lines[0].text.find(L"MTL::GetProcessAffinityMask error "));
}

TEST(FastMutex, ExcludesOtherThreadsAndTimesOut) {
    FastMutex mutex;
    mutex.lock();
    bool plain = true, timed = true, once = false;
    std::wstring timeout;
    onOtherThread([&] {
        plain = mutex.tryLock();
        timed = mutex.tryLock(20);
        timeout = shown([&] { mutex.lock(10); });
    });
    EXPECT_FALSE(plain || timed);
    EXPECT_EQ(L"TimeoutException:", timeout);
    mutex.unlock();
    onOtherThread([&] {
        once = mutex.tryLock(0);
        mutex.unlock();
    });
    EXPECT_TRUE(once);

    int counter = 0; // four threads that count under the lock lose no step
    FunctionRunnable body([&] {
        for (int i = 0; i < 20000; ++i) {
            ScopedLock<FastMutex> lock(mutex);
            ++counter;
        }
    });
    Thread threads[4];
    for (Thread& thread : threads)
        thread.start(body);
    for (Thread& thread : threads)
        thread.join();
    EXPECT_EQ(80000, counter);
}

TEST(Event, AutoAndManualReset) {
    Event automatic, manual(false);
    automatic.signal();
    manual.signal();
    EXPECT_TRUE(automatic.tryWait(0));
    EXPECT_FALSE(automatic.tryWait(0)); // the first wait took the signal
    EXPECT_THROW(automatic.wait(0), TimeoutException);
    EXPECT_TRUE(manual.tryWait(0));
    EXPECT_TRUE(manual.tryWait(0));
    manual.reset();
    EXPECT_FALSE(manual.tryWait(0));
}

TEST(Semaphore, CountsUpToItsMaximumAndANegativeTimeOutWaits) {
    Semaphore semaphore(0, 3);
    for (int i = 0; i < 3; ++i)
        semaphore.set();
    EXPECT_THROW(semaphore.set(), AssertionViolationException); // beyond the maximum
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Semaphore_Impl::Signalled, semaphore.wait(0));
    EXPECT_EQ(Semaphore_Impl::TimedOut, semaphore.wait(0));
    EXPECT_THROW(semaphore.create(0, 1), AssertionViolationException);
    std::thread releaser([&] {
        ::Sleep(50);
        semaphore.set();
    });
    EXPECT_EQ(Semaphore_Impl::Signalled, semaphore.wait(-5));
    releaser.join();

    Semaphore empty;
    EXPECT_THROW(empty.set(), AssertionViolationException);
    EXPECT_THROW(empty.wait(0), AssertionViolationException);

    LegacyMutex mutex; // a lock of one that any thread may give back
    EXPECT_EQ(0, mutex.wait(0));
    int other = -1;
    onOtherThread([&] { other = mutex.wait(0); });
    EXPECT_NE(0, other);
    onOtherThread([&] { mutex.release(); });
    EXPECT_EQ(0, mutex.wait(-1));
    mutex.release();

    LightSemaphore light(0, 2); // counts as a semaphore does, beyond the maximum nothing
    for (int i = 0; i < 3; ++i)
        light.set();
    EXPECT_EQ(Semaphore_Impl::Signalled, light.wait(0));
    EXPECT_EQ(Semaphore_Impl::Signalled, light.wait(0));
    EXPECT_EQ(Semaphore_Impl::TimedOut, light.wait(20));
    onOtherThread([&] { light.set(); });
    EXPECT_EQ(Semaphore_Impl::Signalled, light.wait(-1));
}

// A count given back while threads wait goes to the one that has waited longest, not to the
// thread that gave it back and asks again at once; a waiter that gives up leaves the queue.
TEST(Semaphore, TheLongestWaiterGetsTheCountBeforeAThreadThatAsksAgain) {
    LegacyMutex mutex;
    ASSERT_EQ(Semaphore_Impl::Signalled, mutex.wait(0));
    const auto queued = [&](size_t count) {
        for (int i = 0; i < 10000 && mutex.waiting() != count; ++i)
            ::Sleep(1);
        return mutex.waiting() == count;
    };
    std::vector<int> order; // written under the mutex
    std::vector<std::thread> threads;
    for (int t = 1; t <= 2; ++t) {
        threads.emplace_back([&, t] {
            mutex.wait(-1);
            order.push_back(t);
            mutex.release();
        });
        EXPECT_TRUE(queued(t)) << "thread " << t << " never waited";
    }
    int gaveUp = -1;
    onOtherThread([&] { gaveUp = mutex.wait(30); });
    EXPECT_EQ(Semaphore_Impl::TimedOut, gaveUp);
    EXPECT_EQ(2u, mutex.waiting());

    mutex.release();
    EXPECT_EQ(Semaphore_Impl::Signalled, mutex.wait(-1));
    order.push_back(0);
    mutex.release();
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ((std::vector<int>{1, 2, 0}), order);
    EXPECT_EQ(Semaphore_Impl::Signalled, mutex.wait(0)) << "the last release left the count";
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

    // A limit of 0 only looks: nothing signalled is a time-out; a signalled handle is taken.
    index = 99;
    EXPECT_EQ(Semaphore_Impl::TimedOut, Semaphore_Impl::waitAny(handles, 2, &index, 0));
    EXPECT_EQ(-1, index);
    first.set();
    EXPECT_EQ(Semaphore_Impl::Signalled, Semaphore_Impl::waitAny(handles, 2, &index, 0));
    EXPECT_EQ(0, index);
}

TEST(NamedObjects, NamesReachOtherObjectsAndOtherProcesses) {
    const std::wstring base = L"TesselTest-" + std::to_wstring(::GetCurrentProcessId()), name = base + L"Mutex";
    NamedMutex mutex(name);
    NamedEvent ready(base + L"Ready"), quit(base + L"Quit");
    tessel_test::ChildProcess child(L"hold-mutex " + name + L" " + base + L"Ready " + base + L"Quit");
    ASSERT_TRUE(child.started());
    ready.wait();
    EXPECT_FALSE(mutex.tryLock());
    quit.set();
    EXPECT_EQ(0u, child.wait());
    EXPECT_EQ(L"SystemException: Cannot lock named mutex (abandoned) `" + name + L"`.", shown([&] { mutex.lock(); }));
    // The report handed the ownership back: the mutex is free for everyone.
    bool otherThreadGotIt = false;
    onOtherThread([&] {
        if ((otherThreadGotIt = mutex.tryLock()))
            mutex.unlock();
    });
    EXPECT_TRUE(otherThreadGotIt);

    NamedEvent setter(base + L"Event"), waiter(base + L"Event");
    setter.set();
    waiter.wait(); // the same kernel event
    // A name taken by an object of another kind cannot be created.
    EXPECT_EQ(L"SystemException: Cannot create named mutex `" + base + L"Event`.",
              shown([&] { NamedMutex clash(base + L"Event"); }));
    EXPECT_EQ(L"SystemException: Cannot create named event `" + name + L"`.", shown([&] { NamedEvent clash(name); }));
}

TEST(MessageQueue, FirstInFirstOutAndNeverBlocks) {
    MessageQueue queue;
    auto first = std::make_shared<Message>(), second = std::make_shared<Message>();
    queue.post(first);
    queue.post(second);
    EXPECT_EQ(first, queue.get());
    EXPECT_EQ(second, queue.get());
    EXPECT_EQ(nullptr, queue.get());
}
