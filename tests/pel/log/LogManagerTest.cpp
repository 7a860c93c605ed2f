#include "pel/base/Crc.h"
#include "pel/base/Exception.h"
#include "pel/log/LogManager.h"
#include "pel/text/FormatString.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace pel;

namespace {

LogManager_Impl& manager() { return *LogManager_Impl::getInstance(); }

int formatInto(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = vformatInto(buffer, capacity, format, args);
    va_end(args);
    return written;
}

// Records the texts that reach it and, when given, runs an action for each message;
// registered for its lifetime.
class TestListener final : public LogListener {
public:
    explicit TestListener(std::function<void(LogMessage*)> action = nullptr, bool replay = false)
        : m_action(std::move(action)) {
        manager().addListener(this, replay);
    }
    ~TestListener() { manager().removeListener(this); }
    // Deliveries come one at a time, under the library lock.
    void onMessage(LogMessage* message) override {
        texts.push_back(message->getText());
        if (m_action)
            m_action(message);
    }
    bool accepts(LogMessage*) override { return accepting; }

    std::vector<std::wstring> texts;
    bool accepting = true;

private:
    std::function<void(LogMessage*)> m_action;
};

} // namespace

TEST(FormatString, TextThatDoesNotFitIsCutAndReported) {
    wchar_t small[4];
    EXPECT_EQ(3, formatInto(small, 4, L"%s", L"abc"));
    EXPECT_STREQ(L"abc", small);
    EXPECT_EQ(-1, formatInto(small, 4, L"%s", L"abcd"));
    EXPECT_STREQ(L"abc", small);
}

TEST(LogManager, LinesKeepLevelSourceNameAndAtMost4093Characters) {
    const uint32_t fileIo = manager().registerSource(L"FileIO");
    std::vector<std::wstring> seen;
    TestListener listener([&](LogMessage* m) {
        seen.push_back(std::to_wstring(m->getLevel()) + L" " + m->getSourceName() + L": " + m->getText());
    });
    // In a wide format "%s" takes a wide string, "%S" a narrow one.
    log_printf(LOG_WARNING, fileIo, L"opened %s from %S", L"\u00e9t\u00e9.txt", "disk");
    log_printf(7, LOG_UNKNOWN_SOURCE, L"ends\n"); // one newline, not two
    log_printf(-1, LOG_ASSERT_SOURCE, L"");       // a source never registered
    log_printf(LOG_CRITICAL, LOG_INTERNAL_SOURCE, L"%s", std::wstring(5000, L'x').c_str());
    log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"%s", std::wstring(4093, L'z').c_str());
    EXPECT_EQ((std::vector<std::wstring>{L"2 FileIO: opened \u00e9t\u00e9.txt from disk", L"7 Unknown: ends",
                                         L"-1 Unknown: ", L"4 LogManager: " + std::wstring(4093, L'x'),
                                         L"3 Unknown: " + std::wstring(4093, L'z')}),
              seen);
}

TEST(LogManager, SourcesAreRegisteredOnceByTheirHash) {
    EXPECT_STREQ(L"Tessel", manager().getSourceName(crc32Literal("Tessel")));
    EXPECT_STREQ(L"Unknown", manager().getSourceName(LOG_ASSERT_SOURCE));
    const uint32_t id = manager().registerSource(L"Config");
    EXPECT_EQ(crc32Literal("Config"), id);
    EXPECT_EQ(id, manager().registerSource(L"Config"));
    EXPECT_STREQ(L"Config", manager().getSourceName(id));
}

TEST(LogManager, LateListenerGetsTheLast511LinesAndAReferenceKeepsALineTheHistoryDropped) {
    LogMessage* kept = nullptr;
    {
        TestListener keeper([&](LogMessage* message) {
            if (!kept)
                (kept = message)->addRef();
        });
        log_printf(LOG_WARNING, LOG_UNKNOWN_SOURCE, L"keep me %d", 1);
    }
    for (int i = 0; i < 600; ++i)
        log_printf(LOG_DEBUG, LOG_UNKNOWN_SOURCE, L"history %d", i);
    TestListener late(nullptr, true);
    ASSERT_EQ(511u, late.texts.size());
    EXPECT_EQ(L"history 89", late.texts.front());
    EXPECT_EQ(L"history 599", late.texts.back());
    late.accepting = false;
    log_printf(LOG_DEBUG, LOG_UNKNOWN_SOURCE, L"refused");
    EXPECT_EQ(511u, late.texts.size());

    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(1, kept->getRefCount());
    EXPECT_STREQ(L"keep me 1", kept->getText());
    EXPECT_EQ(LOG_WARNING, kept->getLevel());
    kept->release();
}

TEST(LogManager, ListenerRegistrationRules) {
    EXPECT_THROW(manager().addListener(nullptr, false), AssertionViolationException);
    TestListener other;
    EXPECT_THROW(manager().addListener(&other, false), AssertionViolationException); // twice
    EXPECT_TRUE(manager().removeListener(&other));
    EXPECT_FALSE(manager().removeListener(&other));

    // Changing the listeners from inside a listener is refused.
    std::vector<std::wstring> refused;
    TestListener changer([&](LogMessage* message) {
        if (std::wstring(message->getText()) != L"change")
            return;
        for (bool add : {true, false}) {
            try {
                add ? manager().addListener(&other, false) : manager().removeListener(&other);
            } catch (const AssertionViolationException& e) {
                refused.push_back(e.message.substr(0, e.message.find(L" in file")));
            }
        }
    });
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"change");
    EXPECT_EQ(std::vector<std::wstring>(2, L"!lmapIsLocked(t_context->tc)"), refused);
    EXPECT_FALSE(manager().removeListener(&other));
}

TEST(LogManager, LinesLoggedByAListenerFollowTheCurrentLineForFourPassesAtMost) {
    // The first listener logs, then throws: neither stops the delivery to the second.
    TestListener echo([](LogMessage*) {
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"echo");
        throw std::runtime_error("listener failure");
    });
    TestListener after;
    const std::vector<std::wstring> expected{L"start", L"echo", L"echo", L"echo", L"echo"};
    for (int round = 0; round < 2; ++round) { // the thread's context is usable again
        echo.texts.clear();
        after.texts.clear();
        EXPECT_NO_THROW(log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"start"));
        EXPECT_EQ(expected, echo.texts);
        EXPECT_EQ(expected, after.texts);
    }
}

TEST(LogManager, EightThreadsLoseAndTearNoLine) {
    constexpr int kThreads = 8;
    constexpr int kLines = 3000;
    std::vector<int> next(kThreads, 0);
    int bad = 0;
    TestListener counter([&](LogMessage* message) {
        int thread = -1, line = -1;
        wchar_t tail[64] = {};
        if (swscanf(message->getText(), L"line %d %d %63ls", &thread, &line, tail) != 3 || thread < 0 ||
            thread >= kThreads)
            return; // another test's line
        bad += line != next[thread] || std::wstring(tail) != std::wstring(40, L'a' + thread);
        next[thread] = line + 1;
    });
    auto body = [](int thread) {
        const std::wstring tail(40, L'a' + thread);
        for (int line = 0; line < kLines; ++line)
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"line %d %d %s", thread, line, tail.c_str());
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(body, t);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, bad);
    EXPECT_EQ(std::vector<int>(kThreads, kLines), next);
}

TEST(LogManager, RegisteredListenerKeepsTheManagerAfterLoggingThreadsEnd) {
    tessel_test::ChildProcess child(L"listener-outlives-threads", true);
    ASSERT_TRUE(child.started());
    EXPECT_EQ(0u, child.wait());
    EXPECT_EQ("first|second\n", child.output());
}
