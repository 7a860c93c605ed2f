#include "pel/base/Assert.h"
#include "pel/base/Timestamp.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/DelayedLogFileWrite.h"
#include "pel/log/LogFile.h"
#include "pel/log/LogManager.h"
#include "pel/thread/Event.h"
#include "pel/thread/Thread.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/MemoryFileDevice.h"
#include "support/MessagePump.h"
#include "support/Runnables.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace pel;

namespace {

LogManager_Impl& manager() { return *LogManager_Impl::getInstance(); }

std::string utf16(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// The log file on a device in memory, "logt:debug.log".
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FileIO::attachDevice(L"logt", &device, 0)); }
    void TearDown() override { FileIO::detachDevice(L"logt"); }

    const std::string& content() { return device.files[L"debug.log"]; }

    static constexpr const wchar_t* kPath = L"logt:debug.log";
    tessel_test::MemoryFileDevice device;
};

} // namespace

TEST_F(LogFileTest, LinesBeforeAndAfterTheFileExistsInTheExactLayout) {
    const uint32_t fileIo = manager().registerSource(L"FileIO");
    log_printf(LOG_INFO, fileIo, L"before %d", 1);
    log_printf(LOG_WARNING, LOG_UNKNOWN_SOURCE, L"no source");
    softAssertion(L"x", L"f.cpp", 3); // the unregistered "assert" source shows as "Unknown"
    {
        LogFile file(kPath, LogFile::F_SOURCE_NAME | LogFile::F_LEVEL_PREFIX);
        EXPECT_EQ(nullptr, file.getWriter());
        manager().addListener(&file, true);
        log_printf(7, fileIo, L"after");
        log_printf(LOG_CRITICAL, LOG_INTERNAL_SOURCE, L"");
        manager().removeListener(&file);
    }
    EXPECT_EQ("\xFF\xFE", content().substr(0, 2));
    const std::string tail = utf16(L"[ INFO     ] FileIO: before 1\n"
                                   L"[ WARNING  ] no source\n"
                                   L"[ ERROR    ] Unknown: Assertion failed for `x` in f.cpp : 3.\n"
                                   L"[ INFO     ] LogManager: Log file 'logt:debug.log' has been created\n"
                                   L"[ UNKNOWN  ] FileIO: after\n"
                                   L"[ CRITICAL ] LogManager: \n");
    ASSERT_GE(content().size(), tail.size());
    EXPECT_EQ(tail, content().substr(content().size() - tail.size()));
}

TEST_F(LogFileTest, TheDelayedWriterBatchesLinesAndWritesEverythingAtTheEnd) {
    std::wstring expected;
    int wakeUps = 0;
    int64_t burst = 0;
    {
        LogFile file(kPath, LogFile::F_DEFAULT);
        ASSERT_NE(nullptr, file.getWriter());
        EXPECT_EQ(L"DelayedLogWrite", file.getWriter()->getName());
        manager().addListener(&file, false);
        const int64_t start = currentTimeMillis();
        for (int i = 0; i < 50; ++i) {
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"line %d", i);
            expected += L"[ INFO     ] line " + std::to_wstring(i) + L"\n";
        }
        burst = currentTimeMillis() - start;
        wakeUps = file.getWriter()->wakeUpCount();
        manager().removeListener(&file);
    }
    // The first line wakes the writer, and later ones only 201 ms after the last wake-up: a
    // burst however slow wakes it at most once per 201 ms it lasted.
    EXPECT_GE(wakeUps, 1);
    EXPECT_LE(wakeUps, 1 + burst / DelayedLogFileWrite::WAKE_UP_INTERVAL_MS) << "in " << burst << " ms";
    EXPECT_EQ("\xFF\xFE" + utf16(expected), content());
}

TEST_F(LogFileTest, ASlowDiskStallsNoThreadThatLogs) {
    const std::wstring longLine(3000, L'x'); // more than the stream buffers: the write reaches the disk
    device.gateShut = true;
    {
        LogFile file(kPath, LogFile::F_LEVEL_PREFIX | LogFile::F_DELAYED_WRITE);
        manager().addListener(&file, false);
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"%s", longLine.c_str());
        ASSERT_TRUE(device.writeWaiting.tryWait(30000)) << "the writer never reached the disk";

        // The writer now waits inside a write; a line from another thread is only queued.
        Event logged;
        tessel_test::FunctionRunnable body([&] {
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"meanwhile");
            logged.signal();
        });
        Thread other;
        other.start(body);
        const bool returned = logged.tryWait(30000);
        device.gateShut = false;
        device.writeGate.signal();
        other.join();
        EXPECT_TRUE(returned) << "log_printf waited for the blocked writer";
        manager().removeListener(&file);
    }
    EXPECT_EQ("\xFF\xFE" + utf16(L"[ INFO     ] " + longLine + L"\n[ INFO     ] meanwhile\n"), content());
}

TEST_F(LogFileTest, AFileThatCannotBeOpenedOrWrittenIsReportedOnceAndTakesNothingMore) {
    tessel_test::LogCapture capture;
    {
        LogFile file(L"nodevice:debug.log", LogFile::F_DEFAULT);
        EXPECT_FALSE(file.isOpen());
        manager().addListener(&file, false);
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"ignored");
        manager().removeListener(&file);
    }
    device.writeLimit = 100; // the disk is full after 100 bytes
    {
        LogFile file(kPath, LogFile::F_DEFAULT);
        manager().addListener(&file, false);
        for (int i = 0; i < 300; ++i) // more than the stream's buffer holds
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"line %d", i);
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return file.hasWriteFailed(); }))
            << "the writer never reported the full disk";
        const size_t queued = file.getWriter()->queuedCount();
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"later");
        EXPECT_EQ(queued, file.getWriter()->queuedCount()); // a failed file queues nothing more
        manager().removeListener(&file);
    }
    EXPECT_EQ(100u, device.written);
    std::vector<std::wstring> reports;
    for (const auto& line : capture.lines())
        if (line.source == LOG_INTERNAL_SOURCE && line.text.find(L"Can't") != std::wstring::npos)
            reports.push_back(std::to_wstring(line.level) + L" " + line.text);
    EXPECT_EQ((std::vector<std::wstring>{L"3 \n\nCan't open log file 'nodevice:debug.log'\n\n",
                                         L"4 Can't write data to the log file 'logt:debug.log'\n"}),
              reports);
}

// The last start's log is never emptied before the new text is there: on a disk with no room at
// all it stays whole; with room, the new text goes over it and what is left of it is cut once
// the new text is flushed; on a disk with room for the old text only, the new text takes that.
TEST_F(LogFileTest, TheLastStartsLogStaysUntilTheNewTextIsWrittenOverIt) {
    const std::string old = utf16(L"\xFEFF" + std::wstring(500, L'o') + L"\n");
    const auto logLines = [&](int count) {
        LogFile file(kPath, LogFile::F_LEVEL_PREFIX | LogFile::F_DELAYED_WRITE);
        manager().addListener(&file, false);
        for (int i = 0; i < count; ++i)
            log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"new %d", i);
        manager().removeListener(&file);
    };
    std::wstring lines;
    for (int i = 0; i < 3; ++i)
        lines += L"[ INFO     ] new " + std::to_wstring(i) + L"\n";

    device.files[L"debug.log"] = old;
    device.writeLimit = 0;
    logLines(3);
    EXPECT_EQ(old, content()) << "the old log was emptied";

    device.writeLimit = SIZE_MAX;
    logLines(3);
    EXPECT_EQ("\xFF\xFE" + utf16(lines), content()) << "the old text was not cut after the new";

    device.files[L"debug.log"] = old;
    device.written = 0;
    device.writeLimit = old.size();
    logLines(100);
    ASSERT_EQ(old.size(), content().size());
    EXPECT_EQ("\xFF\xFE" + utf16(L"[ INFO     ] new 0\n"), content().substr(0, 40)) << "no new text over the old";
    EXPECT_EQ(std::string::npos, content().find(utf16(L"ooo"))) << "old text left after the new";
}

TEST(LogFile, FlushedLinesSurviveTheProcessBeingEnded) {
    tessel_test::TempFolder folder;
    ASSERT_TRUE(folder.created);
    tessel_test::ChildProcess child(L"log-and-hold \"" + folder.path + L"\"", true);
    ASSERT_TRUE(child.started());
    std::string line;
    ASSERT_TRUE(child.readLine(line) && line == "flushed") << line;
    child.terminate(); // no destructor runs: only what the flush wrote is there
    std::ifstream in((folder / L"debug.log").c_str(), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("\xFF\xFE" + utf16(L"[ INFO     ] line 1\n[ INFO     ] line 2\n[ INFO     ] line 3\n"), content);
}
