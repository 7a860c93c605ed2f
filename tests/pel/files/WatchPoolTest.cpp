#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/WatchPool.h"
#include "pel/thread/Event.h"

#include "support/TempFolder.h"
#include "support/WatchSeam.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace pel;

namespace {

struct Seen {
    uint32_t kind;
    std::wstring name;
    bool overflow;
};

// Records what reaches it; while `hold` is set the first record keeps the pool thread waiting
// until release() is called.
class TestObserver : public DirObserver {
public:
    void onChange(DirObserverHandle*, WatchNotification* change) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_seen.push_back({change->kind, change->name, change->overflow});
        }
        arrived.signal();
        if (hold.exchange(false)) {
            holding.signal();
            released.wait();
        }
    }
    std::vector<Seen> seen() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }
    // Waits (at most 20 s) until a record matches.
    template <class Match>
    bool waitFor(Match match) {
        for (int round = 0; round < 200; ++round) {
            for (const Seen& record : seen())
                if (match(record))
                    return true;
            arrived.tryWait(100);
        }
        return false;
    }
    std::atomic<bool> hold{false};
    Event arrived, holding, released;

private:
    std::mutex m_mutex;
    std::vector<Seen> m_seen;
};

class WatchPoolTest : public testing::Test {
protected:
    WatchPoolTest() { FileIO::attachDevice(L"__winfs", &native, 0); }
    ~WatchPoolTest() override {
        for (DirObserverHandle* handle : handles)
            FileIO::closeWatchHandle(handle);
        observer->release();
        FileIO::release();
    }
    DirObserverHandle* open(const std::wstring& path, bool recursive = false) {
        DirObserverHandle* handle = FileIO::openWatchHandle(path.c_str(), observer, recursive);
        if (handle)
            handles.push_back(handle);
        return handle;
    }
    void closeAll() {
        for (DirObserverHandle* handle : handles)
            EXPECT_TRUE(FileIO::closeWatchHandle(handle));
        handles.clear();
    }
    static bool waitUntil(bool (*done)()) {
        for (int round = 0; round < 2000 && !done(); ++round)
            ::Sleep(10);
        return done();
    }
    static bool started() { return WatchPool::pendingStarts() == 0; }
    void touch(const std::wstring& name) {
        HANDLE file = ::CreateFileW((folder / name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, "x", 1, &written, nullptr);
        ::CloseHandle(file);
    }

    tessel_test::WatchSeam seam;
    tessel_test::TempFolder folder;
    FileDeviceWin32 native{nullptr, true};
    TestObserver* observer = new TestObserver;
    std::vector<DirObserverHandle*> handles;
};

TEST_F(WatchPoolTest, EntriesAreSharedByPathAndRecursionAndThreadsFollowThem) {
    ::CreateDirectoryW((folder / L"Case").c_str(), nullptr);
    ASSERT_TRUE(open(folder / L"Case"));
    ASSERT_TRUE(open(folder / L"CASE\\"));
    EXPECT_EQ(1u, WatchPool::entryCount());
    ASSERT_TRUE(open(folder / L"case", true));
    EXPECT_EQ(2u, WatchPool::entryCount());
    EXPECT_EQ(folder / L"CASE\\", handles[1]->path());

    // 63 directories fill a thread: the 64th starts a second one.
    for (int i = 0; i < 61; ++i) {
        ::CreateDirectoryW((folder / std::to_wstring(i)).c_str(), nullptr);
        ASSERT_TRUE(open(folder / std::to_wstring(i)));
    }
    EXPECT_EQ(1u, WatchPool::threadCount());
    ASSERT_TRUE(open(folder.path));
    EXPECT_EQ(2u, WatchPool::threadCount());
    ASSERT_TRUE(waitUntil(&started));

    closeAll();
    EXPECT_EQ(0u, WatchPool::threadCount());
    EXPECT_EQ(0u, WatchPool::entryCount());
    ASSERT_TRUE(waitUntil([] { return WatchPool::runningThreadCount() == 0; }));

    ASSERT_TRUE(open(folder.path));
    EXPECT_EQ(1u, WatchPool::threadCount());
    ASSERT_TRUE(waitUntil(&started));
    touch(L"again.txt");
    EXPECT_TRUE(observer->waitFor([](const Seen& s) { return s.kind == WATCH_ADDED && s.name == L"again.txt"; }));
}

TEST_F(WatchPoolTest, WhatCannotBeWatchedIsRefused) {
    touch(L"plain.txt");
    for (const std::wstring& path : {folder / L"missing", folder / L"plain.txt"}) {
        EXPECT_EQ(nullptr, open(path)) << path;
        EXPECT_NE(0u, FileErrorObject::getErrorCode()) << path;
    }
    EXPECT_EQ(0u, WatchPool::entryCount());
}

// Offsets and name lengths beyond the bytes returned end the walk; what came before counts.
TEST_F(WatchPoolTest, ChangeRecordsAreWalkedWithinTheBytesReturned) {
    auto record = [](uint32_t next, uint32_t action, const std::wstring& name, uint32_t nameBytes) {
        std::vector<unsigned char> bytes(12 + name.size() * 2);
        const uint32_t header[3] = {next, action, nameBytes};
        std::memcpy(bytes.data(), header, 12);
        std::memcpy(bytes.data() + 12, name.data(), name.size() * 2);
        bytes.resize((bytes.size() + 3) & ~3u);
        return bytes;
    };
    auto join = [](std::vector<unsigned char> a, const std::vector<unsigned char>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const auto first = record(24, FILE_ACTION_ADDED, L"one.tx", 12);
    const std::vector<unsigned char> buffers[] = {
        join(first, record(0, FILE_ACTION_REMOVED, L"two", 4000)),        // name beyond the end
        join(first, record(0x7FFFFFF0, FILE_ACTION_REMOVED, L"two", 6)),  // next beyond the end
        join(record(4, FILE_ACTION_ADDED, L"one.tx", 12), first),          // next inside the header
    };
    ASSERT_TRUE(open(folder.path));
    ASSERT_TRUE(waitUntil(&started));
    const std::vector<std::vector<std::wstring>> expected = {{L"one.tx"}, {L"one.tx", L"two"}, {L"one.tx"}};
    for (size_t i = 0; i < 3; ++i) {
        const size_t armedAt = observer->seen().size();
        seam.completeNextRead(buffers[i]);
        const std::wstring trigger = L"trigger" + std::to_wstring(i);
        touch(trigger);
        ASSERT_TRUE(observer->waitFor([&](const Seen& s) { return s.name == trigger; }));
        // The canned read ends right after a real one; a later real record follows it.
        const std::wstring after = L"after" + std::to_wstring(i);
        touch(after);
        ASSERT_TRUE(observer->waitFor([&](const Seen& s) { return s.name == after; }));
        std::vector<std::wstring> names;
        const std::vector<Seen> seen = observer->seen();
        for (size_t k = armedAt; k < seen.size(); ++k)
            if (seen[k].name.compare(0, 7, L"trigger") != 0 && seen[k].name.compare(0, 5, L"after") != 0)
                names.push_back(seen[k].name);
        EXPECT_EQ(expected[i], names) << "buffer " << i;
    }
}

// Wine reports an overflow as a failed completion (ERROR_NOTIFY_ENUM_DIR), Windows as zero
// bytes: both give the directory's overflow record, and watching goes on.
TEST_F(WatchPoolTest, AnOverflowIsReportedAndWatchingGoesOn) {
    auto overflows = [this] {
        size_t count = 0;
        for (const Seen& s : observer->seen())
            count += s.overflow && s.kind == WATCH_MODIFIED && s.name.empty();
        return count;
    };
    ASSERT_TRUE(open(folder.path));
    ASSERT_TRUE(waitUntil(&started));
    seam.overflowNextCompletion();
    touch(L"lost.txt");
    ASSERT_TRUE(observer->waitFor([](const Seen& s) { return s.overflow; }));
    touch(L"seen.txt");
    ASSERT_TRUE(observer->waitFor([](const Seen& s) { return s.name == L"seen.txt"; }));

    const size_t before = overflows();
    observer->hold = true;
    touch(L"first.txt");
    ASSERT_TRUE(observer->holding.tryWait(20000));
    // The pool thread waits in the observer: no read is pending while these names pile up.
    const std::wstring longName(200, L'n');
    for (int i = 0; i < 400; ++i)
        touch(longName + std::to_wstring(i));
    observer->released.signal();
    EXPECT_TRUE(observer->waitFor([&](const Seen&) { return overflows() > before; }));
}

} // namespace
