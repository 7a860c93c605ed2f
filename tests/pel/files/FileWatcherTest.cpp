#include "pel/files/FileWatcher.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/WatchPool.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/Thread.h"

#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "support/WatchSeam.h"

#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace pel;

namespace {

using tessel_test::pumpUntil;

struct Callback {
    uintptr_t cookie;
    uint32_t kind;
    std::wstring name;
    std::wstring second;
    uint32_t hash;
    bool overflow;
    bool onMainThread;
};

class FileWatcherTest : public testing::Test {
protected:
    FileWatcherTest() {
        store_main_thread_id(); // the test runner's thread stands in for the entry point
        registry.initRegistry(::GetModuleHandleW(nullptr));
        FileIO::attachDevice(L"__winfs", &native, 0);
        watcher.reset(new FileWatcher(L"TestWatcher"));
        watcher->addClientCallback(this, &FileWatcherTest::onChange);
    }
    ~FileWatcherTest() override {
        watcher.reset();
        FileIO::release();
        registry.releaseRegistry();
    }
    void onChange(WatchedObject* object, WatchNotification* change) {
        seen.push_back({object->cookie(), change->kind, change->name, change->secondName, change->nameHash,
                        change->overflow, is_main_thread()});
    }
    WatchedObject* open(const std::wstring& name, uintptr_t cookie, uint32_t options = 0) {
        WatchedObject* object = watcher->openObject((folder / name).c_str(), options, cookie);
        EXPECT_TRUE(object) << name;
        EXPECT_TRUE(pumpUntil([] { return WatchPool::pendingStarts() == 0; })) << name << ": never watched";
        return object;
    }
    void write(const std::wstring& name, const char* text = "x") {
        HANDLE file = ::CreateFileW((folder / name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        ::SetFilePointer(file, 0, nullptr, FILE_END);
        DWORD written = 0;
        ::WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
        ::CloseHandle(file);
    }
    // Pumps until a callback of the cookie matches kind and name (and second name when given).
    bool waitFor(uintptr_t cookie, uint32_t kind, const std::wstring& name, const wchar_t* second = nullptr) {
        return pumpUntil([&] { return find(cookie, kind, name, second) != nullptr; });
    }
    const Callback* find(uintptr_t cookie, uint32_t kind, const std::wstring& name, const wchar_t* second = nullptr) {
        for (const Callback& c : seen)
            if (c.cookie == cookie && c.kind == kind && c.name == name && (!second || c.second == second))
                return &c;
        return nullptr;
    }
    size_t count(uintptr_t cookie) const {
        size_t n = 0;
        for (const Callback& c : seen)
            n += c.cookie == cookie;
        return n;
    }
    uint64_t writeTime(const std::wstring& name) {
        FileInfo info;
        EXPECT_TRUE(FileIO::getFileInfo((folder / name).c_str(), &info));
        return (static_cast<uint64_t>(info.lastWriteTime.dwHighDateTime) << 32) | info.lastWriteTime.dwLowDateTime;
    }

    MessageRegistry registry;
    tessel_test::WatchSeam seam;
    tessel_test::TempFolder folder;
    FileDeviceWin32 native{nullptr, true};
    std::unique_ptr<FileWatcher> watcher;
    std::vector<Callback> seen;
};

enum : uintptr_t { PLAIN = 1, RECURSIVE = 2, FILE_W = 3, FILE_OTHER = 4, MARKER = 5 };

TEST_F(FileWatcherTest, ChangesInAFolderAndInASubfolderOfARecursiveWatch) {
    ASSERT_TRUE(open(L"", PLAIN));
    ASSERT_TRUE(open(L"", RECURSIVE, FileWatcher::OPEN_RECURSIVE));
    // Wine watches only the subfolders made after a recursive watch began; Windows all of them.
    const struct {
        std::function<void()> action;
        uintptr_t cookie;
        uint32_t kind;
        const wchar_t* name;
        const wchar_t* second;
    } steps[] = {
        {[&] { write(L"a.txt"); }, PLAIN, WATCH_ADDED, L"a.txt", nullptr},
        {[&] { write(L"a.txt", "more"); }, PLAIN, WATCH_MODIFIED, L"a.txt", nullptr},
        {[&] { ::MoveFileW((folder / L"a.txt").c_str(), (folder / L"b.txt").c_str()); }, PLAIN, WATCH_RENAMED, L"a.txt", L"b.txt"},
        {[&] { ::DeleteFileW((folder / L"b.txt").c_str()); }, PLAIN, WATCH_REMOVED, L"b.txt", nullptr},
        {[&] { ::CreateDirectoryW((folder / L"sub").c_str(), nullptr); }, RECURSIVE, WATCH_ADDED, L"sub", nullptr},
        {[&] { write(L"sub\\c.txt"); }, RECURSIVE, WATCH_ADDED, L"sub\\c.txt", nullptr},
        {[&] { write(L"sub\\c.txt", "more"); }, RECURSIVE, WATCH_MODIFIED, L"sub\\c.txt", nullptr},
        {[&] { ::MoveFileW((folder / L"sub\\c.txt").c_str(), (folder / L"sub\\d.txt").c_str()); }, RECURSIVE, WATCH_RENAMED, L"sub\\c.txt", L"sub\\d.txt"},
        {[&] { ::DeleteFileW((folder / L"sub\\d.txt").c_str()); }, RECURSIVE, WATCH_REMOVED, L"sub\\d.txt", nullptr},
    };
    for (const auto& step : steps) {
        seen.clear();
        step.action();
        ASSERT_TRUE(waitFor(step.cookie, step.kind, step.name, step.second)) << step.name;
        const Callback* c = find(step.cookie, step.kind, step.name);
        EXPECT_TRUE(c->onMainThread);
        EXPECT_EQ(std::wstring(step.name).find(L'\\') == std::wstring::npos, c->hash != WATCH_NO_NAME_HASH) << step.name;
        if (step.kind == WATCH_RENAMED) { // one record for the pair
            EXPECT_EQ(1, std::count_if(seen.begin(), seen.end(), [&](const Callback& x) {
                          return x.cookie == step.cookie && x.kind == WATCH_RENAMED;
                      })) << step.name;
        }
    }
}

TEST_F(FileWatcherTest, AWatchedFileSeesItsOwnChangesOnceEvenWhenReplacedByRename) {
    write(L"w.txt");
    write(L"other.txt");
    write(L"m.txt");
    WatchedObject* w = open(L"w.txt", FILE_W, WATCH_OPTION_COMPARE_TIME);
    WatchedObject* other = open(L"other.txt", FILE_OTHER);
    ASSERT_TRUE(open(L"m.txt", MARKER));
    EXPECT_EQ(1u, watcher->observerRecordCount()); // one directory watch for all three

    // A burst of writes is one callback; the marker's change comes after it in every queue.
    for (const char* text : {"1", "22", "333"})
        write(L"w.txt", text);
    write(L"m.txt");
    ASSERT_TRUE(waitFor(MARKER, WATCH_MODIFIED, L"m.txt"));
    EXPECT_EQ(1u, count(FILE_W));
    EXPECT_EQ(writeTime(L"w.txt"), w->knownWriteTime());

    // Saving by renaming a new file onto the name reaches the file by its new name.
    seen.clear();
    write(L"tmp.txt", "saved");
    ::MoveFileExW((folder / L"tmp.txt").c_str(), (folder / L"w.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
    ASSERT_TRUE(waitFor(FILE_W, WATCH_RENAMED, L"tmp.txt", L"w.txt"));

    // Closing one object keeps the shared watch for the others.
    watcher->closeObject(other);
    EXPECT_EQ(1u, watcher->observerRecordCount());
    write(L"w.txt", "again");
    EXPECT_TRUE(waitFor(FILE_W, WATCH_MODIFIED, L"w.txt"));
    EXPECT_EQ(0u, count(FILE_OTHER));
}

TEST_F(FileWatcherTest, ChangesWhileSuspendedAreNotReported) {
    write(L"w.txt");
    write(L"m.txt");
    WatchedObject* w = open(L"w.txt", FILE_W, WATCH_OPTION_COMPARE_TIME);
    ASSERT_TRUE(open(L"m.txt", MARKER));
    watcher->suspendObject(w, true);
    EXPECT_TRUE(w->getFlags().f_suspended);
    write(L"w.txt", "while suspended");
    write(L"m.txt");
    ASSERT_TRUE(waitFor(MARKER, WATCH_MODIFIED, L"m.txt"));
    watcher->suspendObject(w, false);
    EXPECT_EQ(writeTime(L"w.txt"), w->knownWriteTime());
    write(L"m.txt", "again");
    ASSERT_TRUE(waitFor(MARKER, WATCH_MODIFIED, L"m.txt"));
    EXPECT_EQ(0u, count(FILE_W));

    write(L"w.txt", "after resume");
    EXPECT_TRUE(waitFor(FILE_W, WATCH_MODIFIED, L"w.txt"));
}

// A write while an object is suspended is told once it resumes, as one record, whatever time the
// record came at: only its client, looking at the file, tells whether it is news.
TEST_F(FileWatcherTest, AWriteWhileSuspendedIsToldOnceTheObjectResumes) {
    write(L"w.txt");
    write(L"m.txt");
    WatchedObject* w = open(L"w.txt", FILE_W, 0);
    ASSERT_TRUE(open(L"m.txt", MARKER));
    watcher->suspendObject(w, true);
    write(L"w.txt", "while suspended");
    write(L"w.txt", "again while suspended");
    write(L"m.txt");
    ASSERT_TRUE(waitFor(MARKER, WATCH_MODIFIED, L"m.txt")); // the writes' records came while suspended
    EXPECT_EQ(0u, count(FILE_W));
    watcher->suspendObject(w, false);
    ASSERT_TRUE(waitFor(FILE_W, WATCH_MODIFIED, L"w.txt")) << "what came while suspended was dropped";
    write(L"m.txt", "again");
    ASSERT_TRUE(waitFor(MARKER, WATCH_MODIFIED, L"m.txt"));
    EXPECT_EQ(1u, count(FILE_W));
}

// Resumed at a known time, a file takes what was written while it was suspended as news: it comes
// as one record of its own once resumed, where a plain resumption takes it as known.
TEST_F(FileWatcherTest, AResumptionAtAKnownTimeTakesAWriteWhileSuspendedAsNews) {
    write(L"w.txt");
    write(L"same.txt");
    write(L"m.txt");
    WatchedObject* w = open(L"w.txt", FILE_W, WATCH_OPTION_COMPARE_TIME);
    WatchedObject* same = open(L"same.txt", FILE_OTHER, WATCH_OPTION_COMPARE_TIME);
    ASSERT_TRUE(open(L"m.txt", MARKER));
    const uint64_t known = writeTime(L"w.txt");
    watcher->suspendObject(w, true);
    watcher->suspendObject(same, true);
    // Later than the known time even within one step of the file system's clock.
    folder.writeOutside(L"w.txt", "while suspended");
    folder.writeOutside(L"same.txt", "while suspended");
    write(L"m.txt", "after");
    ASSERT_TRUE(waitFor(MARKER, WATCH_MODIFIED, L"m.txt")); // the writes' records came while suspended
    watcher->resumeObject(w, known);
    watcher->suspendObject(same, false);
    EXPECT_EQ(known, w->knownWriteTime());
    EXPECT_FALSE(w->getFlags().f_suspended);
    seam.overflowNextCompletion();
    write(L"m.txt", "again");
    ASSERT_TRUE(waitFor(FILE_W, WATCH_MODIFIED, L"w.txt"));
    EXPECT_EQ(1u, count(FILE_W));
    EXPECT_EQ(0u, count(FILE_OTHER)); // delivered in the same batch: its time was known
}

// Changes lost in an overflow: each file looks at its write time again, the folder is told.
TEST_F(FileWatcherTest, AnOverflowMakesFilesRecheckTheirTime) {
    write(L"changed.txt");
    write(L"same.txt");
    ASSERT_TRUE(open(L"changed.txt", FILE_W, WATCH_OPTION_COMPARE_TIME));
    ASSERT_TRUE(open(L"same.txt", FILE_OTHER, WATCH_OPTION_COMPARE_TIME));
    ASSERT_TRUE(open(L"", PLAIN));
    seam.overflowNextCompletion();
    write(L"changed.txt", "lost");
    ASSERT_TRUE(waitFor(PLAIN, WATCH_MODIFIED, L""));
    ASSERT_TRUE(waitFor(FILE_W, WATCH_MODIFIED, L""));
    EXPECT_TRUE(find(PLAIN, WATCH_MODIFIED, L"")->overflow);
    EXPECT_TRUE(find(FILE_W, WATCH_MODIFIED, L"")->overflow);
    EXPECT_EQ(0u, count(FILE_OTHER)); // delivered in the same batch: its time had not changed
}

// A failed watch is reported once, leaves the pool's wait at once (no busy loop) and is
// re-opened within seconds.
TEST_F(FileWatcherTest, AFailedWatchIsReportedOnceAndReopened) {
    write(L"w.txt");
    WatchedObject* w = open(L"w.txt", FILE_W);
    const uint64_t waitsBefore = WatchPool::waitCount();
    seam.refuseNextRead();
    write(L"w.txt", "wakes the read");
    ASSERT_TRUE(waitFor(FILE_W, WATCH_FAILED, folder.path + L"\\"));
    EXPECT_LT(WatchPool::waitCount() - waitsBefore, 20u);
    EXPECT_TRUE(w->getFlags().f_invalid_handle);

    ASSERT_TRUE(pumpUntil([&] { return find(FILE_W, WATCH_ADDED, L"w.txt") != nullptr; }, 20000));
    EXPECT_TRUE(find(FILE_W, WATCH_REOPENED, folder / L"w.txt"));
    EXPECT_EQ(1u, std::count_if(seen.begin(), seen.end(), [](const Callback& c) { return c.kind == WATCH_FAILED; }));
    EXPECT_FALSE(w->getFlags().f_invalid_handle);
    EXPECT_TRUE(pumpUntil([] { return WatchPool::pendingStarts() == 0; })) << "the reopened watch never started";
    write(L"w.txt", "watched again");
    EXPECT_TRUE(waitFor(FILE_W, WATCH_MODIFIED, L"w.txt"));
}

// The watcher's thread runs only while records settle: none before the first change, and none
// once a change is delivered; changes that come as it ends (rounds without waiting for the end)
// start it again, and each is delivered.
TEST_F(FileWatcherTest, TheThreadRunsOnlyWhileRecordsSettle) {
    write(L"w.txt");
    ASSERT_TRUE(open(L"w.txt", FILE_W));
    EXPECT_FALSE(watcher->threadRuns()) << "no change, no thread";
    for (int round = 0; round < 3; ++round) {
        const size_t before = count(FILE_W);
        write(L"w.txt", "more");
        ASSERT_TRUE(pumpUntil([&] { return count(FILE_W) > before; })) << round;
        ASSERT_TRUE(pumpUntil([&] { return !watcher->threadRuns(); })) << "the thread stays after its delivery";
    }
    for (int round = 0; round < 12; ++round) {
        const size_t before = count(FILE_W);
        write(L"w.txt", "again");
        ASSERT_TRUE(pumpUntil([&] { return count(FILE_W) > before; })) << "round " << round;
    }

    // A thread that cannot start leaves the change queued; the next record starts one, which
    // delivers both (one callback: the file's modifications coalesce).
    ASSERT_TRUE(pumpUntil([&] { return !watcher->threadRuns(); }));
    tessel_test::LogCapture capture;
    const size_t before = count(FILE_W);
    Thread::failNextStarts(1);
    write(L"w.txt", "refused");
    ASSERT_TRUE(pumpUntil([&] { return capture.contains(L"FileWatcher: The thread of 'TestWatcher' cannot start."); }));
    EXPECT_EQ(before, count(FILE_W));
    write(L"other.txt");
    ASSERT_TRUE(pumpUntil([&] { return count(FILE_W) > before; }));
}

} // namespace
