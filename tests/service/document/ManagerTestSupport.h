#pragma once
// The DocumentManager's tests: a fixture with the message registry, native paths, the devices
// undo logs live on, a folder of files and a manager whose parsing pieces are doubles (a parser
// client whose jobs run on the manager's pool, a recording grammar holder and stylers that count
// their destruction); a listener of file changes; and files written as another program would.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/WatchPool.h"
#include "pel/legacy/MessageRegistry.h"
#include "service/base/BgClient.h"
#include "service/base/Config.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/parser/base/DocumentGrammar.h"
#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "service/parser/base/ParserClient.h"
#include "service/parser/base/ParserServices.h"
#include "support/MessagePump.h"
#include "support/TempDevices.h"
#include "support/TempFolder.h"
#include "DocumentTestSupport.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

// A job of the pool that runs the test's step (if any) in its one slice.
struct SliceJob : tessel::ParserJob {
    SliceJob(tessel::BgClient* client, tessel::Document* d) : tessel::ParserJob(client), document(d) {}
    void clearResults(int32_t, int32_t) override {}
    void resetState() override {}
    bool isBusy() const override { return false; }
    tessel::Document* document;
};

class SliceClient : public tessel::ParserClient, public tessel::BgClient {
public:
    explicit SliceClient(tessel::BgScheduler& pool) : m_pool(pool) {}
    tessel::ParserJob* createJob(tessel::Document* document) override {
        SliceJob* job = new SliceJob(this, document);
        m_pool.attachJob(job);
        return job;
    }
    void requestParse(tessel::Document* document, int32_t first, int32_t last) override {
        requests.push_back(pel::formatString(L"parse %d..%d", first, last));
        m_pool.enqueueJob(document->getParserJob());
    }
    void* createWorkerContext(tessel::BgWorker*) override { return nullptr; }
    void destroyWorkerContext(tessel::BgWorker*, void*) override {}
    void runJob(tessel::BgWorker*, tessel::BgJob* job) override {
        if (step)
            step(*static_cast<SliceJob*>(job));
        job->markDone();
    }
    void onQueued(tessel::BgWorker*, tessel::BgJob*) override {}
    void onJobMessage(tessel::BgScheduler*, tessel::BgJob*, UINT_PTR) override {}
    void onDeadJobMessage(tessel::BgScheduler*, tessel::BgJob*, UINT_PTR) override {}
    void takeRecord(tessel::BgScheduler*, tessel::BgJob*, void*) override {}

    std::function<void(SliceJob&)> step; // on a worker
    std::vector<std::wstring> requests;

private:
    tessel::BgScheduler& m_pool;
};

class RecordingHolder : public tessel::NullGrammarRuleSetHolder {
public:
    void subscribe(const std::wstring& name, const void*, Callback callback) override {
        calls.push_back(L"subscribe " + name);
        subscribers[name] = std::move(callback);
    }
    void cancel(const std::wstring& name, const void*) override {
        calls.push_back(L"cancel " + name);
        subscribers.erase(name);
    }
    void cancelAll(const void*) override { calls.push_back(L"cancel all"); }

    std::vector<std::wstring> calls;
    std::map<std::wstring, Callback> subscribers;
};

struct CountingStyler : tessel::NullDocumentStyler {
    explicit CountingStyler(std::atomic<int>& count) : destroyed(count) {}
    ~CountingStyler() override { ++destroyed; }
    std::atomic<int>& destroyed;
};

struct TestServices : tessel::ParserServices {
    std::unique_ptr<tessel::ParserClient> createParserClient(tessel::BgScheduler& pool) override {
        client = new SliceClient(pool);
        return std::unique_ptr<tessel::ParserClient>(client);
    }
    std::unique_ptr<tessel::GrammarRuleSetHolder> createGrammarRuleSetHolder() override {
        holder = new RecordingHolder;
        return std::unique_ptr<tessel::GrammarRuleSetHolder>(holder);
    }
    std::unique_ptr<tessel::DocumentStyler> createStyler(tessel::Document&) override {
        return std::make_unique<CountingStyler>(stylersDestroyed);
    }
    SliceClient* client = nullptr;
    RecordingHolder* holder = nullptr;
    std::atomic<int> stylersDestroyed{0};
};

// The kinds of onFileChanged per document, in order.
struct FileChanges : tessel::DocumentListener {
    void onFileChanged(tessel::Document& document, const tessel::DocumentFileChange& change) override {
        seen[&document].push_back(change.kind);
    }
    std::map<const tessel::Document*, std::vector<uint32_t>> seen;
};

class ManagerTest : public MainThreadTest {
protected:
    ManagerTest() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        pel::FileIO::attachDevice(L"__winfs", &native, 0);
        manager.reset(new tessel::DocumentManager(services));
        manager->readSettings(config); // nothing declared: the defaults, and a pool of workers
        manager->addListener(&changes);
    }
    ~ManagerTest() override {
        manager.reset();
        registry.releaseRegistry();
        pel::FileIO::detachDevice(L"__winfs");
    }

    std::wstring path(const std::wstring& name) const { return folder / name; }
    tessel::Document* load(const std::wstring& name) {
        tessel::DocumentManager::FileError error;
        tessel::Document* document = manager->loadDocument(path(name).c_str(), &error);
        EXPECT_TRUE(document && !error) << "loading " << std::string(name.begin(), name.end());
        // The folder's watch reads changes once the pool has started it.
        EXPECT_TRUE(pumpUntil([] { return pel::WatchPool::pendingStarts() == 0; }));
        return document;
    }
    std::wstring save(tessel::Document* document, const std::wstring& name) {
        tessel::DocumentManager::FileError error;
        const bool saved = manager->saveDocument(path(name).c_str(), document, &error);
        EXPECT_EQ(saved, !error);
        return error ? std::to_wstring(error->getCode()) : L"";
    }
    // The file as another program writes it, its write time a second later than any before.
    void writeOutside(const std::wstring& name, const std::string& bytes) {
        folder.write(name, bytes);
        static int64_t ahead = 0;
        ULARGE_INTEGER time;
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        time.LowPart = now.dwLowDateTime;
        time.HighPart = now.dwHighDateTime;
        time.QuadPart += static_cast<uint64_t>(++ahead) * 10000000;
        const FILETIME later = {time.LowPart, time.HighPart};
        HANDLE file = ::CreateFileW(path(name).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ::SetFileTime(file, nullptr, nullptr, &later);
        ::CloseHandle(file);
    }
    // Pumps until the document heard of count file changes; their kinds.
    std::vector<uint32_t> awaitChanges(const tessel::Document* document, size_t count) {
        EXPECT_TRUE(pumpUntil([&] { return changes.seen[document].size() >= count; }))
            << "the watcher did not report the change";
        return changes.seen[document];
    }

    pel::MessageRegistry registry;
    TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
    TempDevices devices;
    tessel::Config config{nullptr};
    FileChanges changes;
    std::shared_ptr<TestServices> services = std::make_shared<TestServices>();
    std::unique_ptr<tessel::DocumentManager> manager;
};

} // namespace tessel_test
