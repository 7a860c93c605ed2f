#pragma once
// The DocumentManager's tests: a fixture with the message registry, native paths, the devices
// undo logs live on, a folder of files and a manager whose parsing pieces are doubles (a parser
// client whose jobs run on the manager's pool, a recording grammar holder, stylers that count
// their destruction), a listener of file changes, and files written as another program would.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/WatchPool.h"
#include "pel/legacy/MessageRegistry.h"
#include "service/base/BgClient.h"
#include "service/base/Config.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
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

namespace tessel_test {

using namespace tessel;

struct SliceJob : ParserJob {
    SliceJob(BgClient* client, Document* d) : ParserJob(client), document(d) {}
    void clearResults(int32_t, int32_t) override {}
    void resetState() override {}
    bool isBusy() const override { return false; }
    Document* document;
};

// Each job runs one slice: the test's step, if any.
struct SliceClient : ParserClient, BgClient {
    explicit SliceClient(BgScheduler& p) : pool(p) {}
    ParserJob* createJob(Document* document) override {
        SliceJob* job = new SliceJob(this, document);
        pool.attachJob(job);
        return job;
    }
    void requestParse(Document* document, int32_t, int32_t) override {
        ++requests;
        pool.enqueueJob(document->getParserJob());
    }
    void runJob(BgWorker*, BgJob* job) override {
        if (step)
            step(*static_cast<SliceJob*>(job));
        job->markDone();
    }
    void* createWorkerContext(BgWorker*) override { return nullptr; }
    void destroyWorkerContext(BgWorker*, void*) override {}
    void onQueued(BgWorker*, BgJob*) override {}
    void onJobMessage(BgScheduler*, BgJob*, UINT_PTR) override {}
    void onDeadJobMessage(BgScheduler*, BgJob*, UINT_PTR) override {}
    void takeRecord(BgScheduler*, BgJob*, void*) override {}

    BgScheduler& pool;
    std::function<void(SliceJob&)> step; // on a worker
    int requests = 0;
};

struct RecordingHolder : NullGrammarRuleSetHolder {
    void subscribe(const std::wstring& name, const void*, Callback call) override {
        calls.push_back(L"subscribe " + name);
        subscribers[name] = std::move(call);
    }
    void cancel(const std::wstring& name, const void*) override { calls.push_back(L"cancel " + name); }
    void cancelAll(const void*) override { calls.push_back(L"cancel all"); }
    std::vector<std::wstring> calls;
    std::map<std::wstring, Callback> subscribers;
};

struct CountingStyler : NullDocumentStyler {
    explicit CountingStyler(std::atomic<int>& count) : destroyed(count) {}
    ~CountingStyler() override { ++destroyed; }
    std::atomic<int>& destroyed;
};

struct TestServices : ParserServices {
    std::unique_ptr<ParserClient> createParserClient(BgScheduler& pool) override {
        return std::unique_ptr<ParserClient>(client = new SliceClient(pool));
    }
    std::unique_ptr<GrammarRuleSetHolder> createGrammarRuleSetHolder() override {
        return std::unique_ptr<GrammarRuleSetHolder>(holder = new RecordingHolder);
    }
    std::unique_ptr<DocumentStyler> createStyler(Document&) override {
        return std::make_unique<CountingStyler>(stylersDestroyed);
    }
    SliceClient* client = nullptr;
    RecordingHolder* holder = nullptr;
    std::atomic<int> stylersDestroyed{0};
};

// The kinds of onFileChanged per document, in order.
struct FileChanges : DocumentListener {
    void onFileChanged(Document& document, const DocumentFileChange& change) override {
        seen[&document].push_back(change.kind);
    }
    std::map<const Document*, std::vector<uint32_t>> seen;
};

class ManagerTest : public MainThreadTest {
protected:
    ManagerTest() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        pel::FileIO::attachDevice(L"__winfs", &native, 0);
        manager.reset(new DocumentManager(services));
        manager->readSettings(config); // nothing declared: the defaults, and a pool of workers
        manager->addListener(&changes);
    }
    ~ManagerTest() override {
        manager.reset();
        registry.releaseRegistry();
        pel::FileIO::detachDevice(L"__winfs");
    }

    std::wstring path(const std::wstring& name) const { return folder / name; }
    Document* load(const std::wstring& name) {
        DocumentManager::FileError error;
        Document* document = manager->loadDocument(path(name).c_str(), &error);
        EXPECT_TRUE(document && !error);
        // Changes reach the folder's watch once the pool has started it.
        EXPECT_TRUE(pumpUntil([] { return pel::WatchPool::pendingStarts() == 0; }));
        return document;
    }
    // The error's code, 0 when the save succeeded.
    uint32_t save(Document* document, const std::wstring& name) {
        DocumentManager::FileError error;
        const bool saved = manager->saveDocument(path(name).c_str(), document, &error);
        EXPECT_EQ(saved, !error);
        return error ? error->getCode() : 0;
    }
    // Pumps until the last file change the document heard of is of the kind.
    void awaitKind(const Document* document, uint32_t kind) {
        const std::vector<uint32_t>& seen = changes.seen[document];
        EXPECT_TRUE(pumpUntil([&] { return !seen.empty() && seen.back() == kind; })) << kind;
    }

    pel::MessageRegistry registry;
    TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
    TempDevices devices;
    Config config{nullptr};
    FileChanges changes;
    std::shared_ptr<TestServices> services = std::make_shared<TestServices>();
    std::unique_ptr<DocumentManager> manager;
};

} // namespace tessel_test
