#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "pel/log/LogManager.h"
#include "pel/thread/Thread.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/Runnables.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace pel;

namespace {

LogManager_Impl& manager() { return *LogManager_Impl::getInstance(); }

// Records what reaches it and, when given, runs an action for each message.
class TestListener final : public LogListener {
public:
    explicit TestListener(std::function<void(LogMessage*)> action = nullptr) : m_action(std::move(action)) {}
    void onMessage(LogMessage* message) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            texts.push_back(message->getText());
            sources.push_back(message->getSourceName());
            levels.push_back(message->getLevel());
        }
        if (m_action)
            m_action(message);
    }
    bool accepts(LogMessage* message) override { return !rejectAll; }

    std::vector<std::wstring> texts;
    std::vector<std::wstring> sources;
    std::vector<int> levels;
    bool rejectAll = false;

private:
    std::mutex m_mutex;
    std::function<void(LogMessage*)> m_action;
};

// Registers a listener for the scope.
class Registration {
public:
    Registration(LogListener* listener, bool replay = false) : m_listener(listener) {
        manager().addListener(listener, replay);
    }
    ~Registration() { manager().removeListener(m_listener); }

private:
    LogListener* m_listener;
};

} // namespace

TEST(LogManager, StoredTextLevelsAndSourceNames) {
    TestListener listener;
    Registration registration(&listener);
    const uint32_t fileIo = manager().registerSource(L"FileIO");
    log_printf(LOG_INFO, fileIo, L"opened %s", L"a.txt");
    log_printf(7, LOG_UNKNOWN_SOURCE, L"ends\n");
    log_printf(-1, LOG_ASSERT_SOURCE, L"");
    log_printf(LOG_CRITICAL, LOG_INTERNAL_SOURCE, L"%s", std::wstring(5000, L'x').c_str());

    ASSERT_EQ(4u, listener.texts.size());
    EXPECT_EQ(L"opened a.txt", listener.texts[0]);
    EXPECT_EQ(L"ends", listener.texts[1]);
    EXPECT_EQ(L"", listener.texts[2]);
    EXPECT_EQ(std::wstring(4093, L'x'), listener.texts[3]);
    EXPECT_EQ((std::vector<int>{LOG_INFO, 7, -1, LOG_CRITICAL}), listener.levels);
    EXPECT_EQ((std::vector<std::wstring>{L"FileIO", L"Unknown", L"Unknown", L"LogManager"}), listener.sources);
}

TEST(LogManager, SourcesAreRegisteredOnceByTheirHash) {
    EXPECT_EQ(LOG_ALL_SOURCE, manager().registerSource(L"ALL"));
    EXPECT_EQ(LOG_INTERNAL_SOURCE, manager().registerSource(L"LogManager"));
    EXPECT_EQ(LOG_UNKNOWN_SOURCE, manager().registerSource(L"Unknown"));
    EXPECT_STREQ(L"Tessel", manager().getSourceName(crc32Literal("Tessel")));
    EXPECT_STREQ(L"Unknown", manager().getSourceName(LOG_ASSERT_SOURCE));

    const uint32_t id = manager().registerSource(L"Config");
    EXPECT_EQ(crc32Literal("Config"), id);
    EXPECT_EQ(id, manager().registerSource(L"Config"));
    EXPECT_STREQ(L"Config", manager().getSourceName(id));
    EXPECT_THROW(manager().registerSource(nullptr), NullPointerException);
}

TEST(LogManager, LateListenerGetsTheLast511Lines) {
    for (int i = 0; i < 600; ++i)
        log_printf(LOG_DEBUG, LOG_UNKNOWN_SOURCE, L"history %d", i);
    TestListener late;
    Registration registration(&late, true);
    ASSERT_EQ(511u, late.texts.size());
    EXPECT_EQ(L"history 89", late.texts.front());
    EXPECT_EQ(L"history 599", late.texts.back());

    TestListener rejecting;
    rejecting.rejectAll = true;
    Registration second(&rejecting, true);
    EXPECT_TRUE(rejecting.texts.empty());
}

TEST(LogManager, ListenerRegistrationRules) {
    TestListener listener;
    EXPECT_FALSE(manager().removeListener(&listener));
    EXPECT_THROW(manager().addListener(nullptr, false), AssertionViolationException);
    EXPECT_TRUE(manager().addListener(&listener, false));
    EXPECT_THROW(manager().addListener(&listener, false), AssertionViolationException);
    EXPECT_TRUE(manager().removeListener(&listener));
    EXPECT_FALSE(manager().removeListener(&listener));

    // Changing the listeners from inside a listener is refused.
    TestListener other;
    std::vector<std::wstring> refused;
    TestListener changer([&](LogMessage* message) {
        if (std::wstring(message->getText()) != L"change")
            return;
        for (auto change : {+[](LogListener* l) { manager().addListener(l, false); },
                            +[](LogListener* l) { manager().removeListener(l); }}) {
            try {
                change(&other);
            } catch (const AssertionViolationException& e) {
                refused.push_back(e.message.substr(0, e.message.find(L" in file")));
            }
        }
    });
    Registration registration(&changer);
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"change");
    EXPECT_EQ((std::vector<std::wstring>{L"!lmapIsLocked(t_context->tc)", L"!lmapIsLocked(t_context->tc)"}), refused);
    EXPECT_FALSE(manager().removeListener(&other));
}

TEST(LogManager, LinesLoggedByAListenerFollowTheCurrentLine) {
    TestListener nested([](LogMessage* message) {
        if (std::wstring(message->getText()) == L"outer")
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"inner");
    });
    TestListener after;
    Registration first(&nested);
    Registration second(&after);
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"outer");
    EXPECT_EQ((std::vector<std::wstring>{L"outer", L"inner"}), nested.texts);
    EXPECT_EQ((std::vector<std::wstring>{L"outer", L"inner"}), after.texts);
}

TEST(LogManager, ListenerThatAlwaysLogsIsCutOffAfterFourPasses) {
    TestListener echo([](LogMessage* message) { log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"echo"); });
    Registration registration(&echo);
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"start");
    EXPECT_EQ((std::vector<std::wstring>{L"start", L"echo", L"echo", L"echo", L"echo"}), echo.texts);
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"again"); // the thread's context is usable again
    EXPECT_EQ(10u, echo.texts.size());
    EXPECT_EQ(L"again", echo.texts[5]);
}

TEST(LogManager, ThrowingListenerDoesNotStopTheOthers) {
    TestListener thrower([](LogMessage*) { throw std::runtime_error("listener failure"); });
    TestListener after;
    Registration first(&thrower);
    Registration second(&after);
    EXPECT_NO_THROW(log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"delivered"));
    EXPECT_EQ((std::vector<std::wstring>{L"delivered"}), after.texts);
}

TEST(LogManager, AReferenceKeepsTheLineAfterTheHistoryDropsIt) {
    LogMessage* kept = nullptr;
    TestListener keeper([&](LogMessage* message) {
        if (!kept) {
            kept = message;
            kept->addRef();
        }
    });
    {
        Registration registration(&keeper);
        log_printf(LOG_WARNING, LOG_UNKNOWN_SOURCE, L"keep me %d", 1);
    }
    for (int i = 0; i < 1200; ++i)
        log_printf(LOG_DEBUG, LOG_UNKNOWN_SOURCE, L"filler %d", i);
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(1, kept->getRefCount());
    EXPECT_STREQ(L"keep me 1", kept->getText());
    EXPECT_EQ(LOG_WARNING, kept->getLevel());
    kept->release();
}

TEST(LogManager, EightThreadsLoseAndTearNoLine) {
    constexpr int kThreads = 8;
    constexpr int kLines = 3000;
    struct Counter final : LogListener {
        std::vector<int> next = std::vector<int>(kThreads, 0);
        int bad = 0;
        void onMessage(LogMessage* message) override {
            int thread = -1, line = -1;
            wchar_t tail[64] = {};
            if (swscanf(message->getText(), L"line %d %d %63ls", &thread, &line, tail) != 3 || thread < 0 ||
                thread >= kThreads)
                return; // another test's line
            if (line != next[thread] || std::wstring(tail) != std::wstring(40, L'a' + thread))
                ++bad;
            next[thread] = line + 1;
        }
    } counter;
    Registration registration(&counter);

    // Half of them library threads, half threads the library did not start.
    auto body = [](int thread) {
        const std::wstring tail(40, L'a' + thread);
        for (int line = 0; line < kLines; ++line)
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"line %d %d %s", thread, line, tail.c_str());
    };
    std::vector<std::unique_ptr<tessel_test::FunctionRunnable>> runnables;
    std::vector<std::unique_ptr<Thread>> libraryThreads;
    std::vector<std::thread> otherThreads;
    for (int t = 0; t < kThreads; ++t) {
        if (t % 2 == 0) {
            runnables.emplace_back(new tessel_test::FunctionRunnable([=] { body(t); }));
            libraryThreads.emplace_back(new Thread);
            libraryThreads.back()->start(*runnables.back());
        } else {
            otherThreads.emplace_back(body, t);
        }
    }
    for (auto& thread : libraryThreads)
        thread->join();
    for (auto& thread : otherThreads)
        thread.join();
    EXPECT_EQ(0, counter.bad);
    EXPECT_EQ(std::vector<int>(kThreads, kLines), counter.next);
}

TEST(LogManager, RegisteredListenerKeepsTheManagerAfterLoggingThreadsEnd) {
    tessel_test::ChildProcess child(L"listener-outlives-threads", true);
    ASSERT_TRUE(child.started());
    EXPECT_EQ(0u, child.wait());
    EXPECT_EQ("first|second\n", child.output());
}
