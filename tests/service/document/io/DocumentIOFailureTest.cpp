#include "pel/base/Exception.h"
#include "pel/thread/Event.h"
#include "pel/thread/Thread.h"
#include "service/document/io/DocumentIOErrors.h"
#include "service/document/io/DocumentIOQueue.h"
#include "service/document/io/DocumentIOWait.h"
#include "service/document/io/DocumentReader.h"
#include "service/document/io/DocumentWriter.h"
#include "DocumentIOTestSupport.h"
#include "support/LogCapture.h"

#include <windows.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

using namespace tessel;
using tessel_test::textOf;
using tessel_test::typeAt;

namespace {

// A save that must fail: the error's text holds `error` (and then names the file) unless that is
// empty (the system's own text).
struct FailingSave {
    const char* what;
    std::wstring text;
    uint32_t encoding;
    size_t writeLimit;
    std::wstring error;
};

class DocumentIOFailureTest : public tessel_test::DocumentIOTest {
protected:
    // Each save fails, leaves the old bytes and no temporary file, and the document stays modified.
    void expectFailedSavesKeepTheOldFile(const std::vector<FailingSave>& cases) {
        const std::string old = "the old content\r\n";
        for (const FailingSave& c : cases) {
            folder.write(L"keep.txt", old);
            Document document(&undoOwner);
            typeAt(document, 0, c.text);
            tessel_test::setEncoding(document, c.encoding, LINE_ENDING_WINDOWS);
            disk.writeLimit = c.writeLimit;
            const std::wstring error = save(document, L"keep.txt");
            EXPECT_NE(L"", error) << c.what;
            if (!c.error.empty()) {
                EXPECT_NE(std::wstring::npos, error.find(c.error)) << c.what << ": " << error;
                EXPECT_NE(std::wstring::npos, error.find(L"'disk:keep.txt'")) << c.what << ": " << error;
            }
            EXPECT_EQ(old, folder.read(L"keep.txt")) << c.what;
            EXPECT_EQ(std::vector<std::wstring>{L"keep.txt"}, folder.names()) << c.what;
            EXPECT_TRUE(document.getUndoContext().isModified()) << c.what;
            disk.writeLimit = SIZE_MAX;
        }
    }

    tessel_test::TestOwner undoOwner{true};
};

// Throws from the format notices the loader sends.
struct ThrowingListener : DocumentListener {
    void onFormatChangedAsync(Document&, const DocumentFormat&, uint32_t) override {
        throw pel::IllegalStateException(L"listener failed");
    }
};

// A waiter that runs out of memory (for its activity's text, say): at once, or only after it saw
// the request done.
struct FailingWait : DocumentIOWait {
    explicit FailingWait(bool afterDone) : afterDone(afterDone) {}
    void waitFor(uint32_t, const wchar_t*, HANDLE ready, const std::function<bool()>& finished) override {
        while (afterDone && !finished())
            ::WaitForSingleObject(ready, INFINITE);
        throw std::bad_alloc();
    }
    bool afterDone;
};

} // namespace

// The waiter's failure is logged; the wait still ends only once the loader is done with the
// request, its event and its document, and answers what the request did.
TEST_F(DocumentIOFailureTest, AWaitWhoseWaiterFailsEndsOnlyOnceTheLoaderIsDoneWithTheRequest) {
    constexpr int LINES = 2000;
    std::string bytes;
    for (int i = 0; i < LINES; ++i)
        bytes += "line " + std::to_string(i) + "\r\n";
    folder.write(L"a.txt", bytes);
    const int32_t loadedLength = static_cast<int32_t>(bytes.size()) - LINES; // one unit a break
    for (const bool afterDone : {false, true}) {
        SCOPED_TRACE(afterDone ? "failing after the request was done" : "failing at once");
        tessel_test::LogCapture log;
        Document document;
        pel::Event ready(false);
        // Failing at once, the load is held on the document's lock until this thread waits for
        // it, or has left the wait without it.
        if (!afterDone)
            document.getLockMutex().wait(-1);
        DocumentIORequest* request = io.doRequest(&document, L"disk:a.txt", DOCUMENT_IO_LOAD, ready.handle());
        ASSERT_NE(nullptr, request);
        std::atomic<bool> left{false};
        std::thread holder([&] {
            if (afterDone)
                return;
            while (!left && request->done.waiting() == 0)
                ::Sleep(1);
            document.getLockMutex().release();
        });
        FailingWait waiter(afterDone);
        bool thrown = false, failed = true;
        try {
            failed = io.wait(request, &waiter) != nullptr;
        } catch (const std::bad_alloc&) {
            thrown = true;
        }
        const int32_t lengthOnLeaving = document.getLength();
        const bool slotKept = request->path != nullptr;
        left = true;
        holder.join();
        // Whatever happened, the loader is done with the document before it goes.
        ASSERT_TRUE(::WaitForSingleObject(ready.handle(), 60000) == WAIT_OBJECT_0);
        EXPECT_FALSE(thrown) << "the waiter's failure took the place of the request's outcome";
        EXPECT_FALSE(failed);
        EXPECT_EQ(loadedLength, lengthOnLeaving) << "the wait ended before the loader had filled the document";
        EXPECT_FALSE(slotKept) << "the request's slot was not given back";
        EXPECT_TRUE(log.contains(L"DocumentIO: Waiting for the loader failed: std::bad_alloc"));
    }
    Document document;
    EXPECT_EQ(L"", load(document, L"a.txt")) << "the loader serves the next request";
}

TEST_F(DocumentIOFailureTest, AReloadWhoseReadFailsHalfWayLeavesTheDocumentAsItWas) {
    std::string bytes;
    for (int i = 0; i < 20; ++i)
        bytes += "new line " + std::to_string(i) + "\r\n";
    folder.write(L"doc.txt", "first\nsecond\n");
    Document document(&undoOwner);
    ASSERT_EQ(L"", load(document, L"doc.txt"));
    tessel_test::applyLoadedFormat(document);
    typeAt(document, 0, L"edited ");
    const DocumentFormat before = document.getFormat();
    const uint32_t undoPos = document.getUndoContext().getPos();

    folder.write(L"doc.txt", bytes);
    io.setBlockSize(16);
    disk.readLimit = bytes.size() / 2;
    EXPECT_NE(L"", load(document, L"doc.txt"));
    EXPECT_EQ(L"edited first\nsecond\n", textOf(document));
    const DocumentFormat after = document.getFormat();
    EXPECT_TRUE(compareFormats(after, before) == 0 && after.lineEndingConfidence == before.lineEndingConfidence);
    EXPECT_TRUE(document.getUndoContext().canUndo() && document.getUndoContext().isModified());
    EXPECT_EQ(undoPos, document.getUndoContext().getPos());
}

TEST_F(DocumentIOFailureTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    expectFailedSavesKeepTheOldFile({
        {"a write failing half-way", std::wstring(300000, L'x'), 0x8000FDE9, 100000, L""},
        {"a lone surrogate in UTF-8", L"a\xD83D", 0x8000FDE9, SIZE_MAX, L"in UTF-8 Plain"},
        {"a lone surrogate in UTF-32", L"\xDE00", 0x800004B1, SIZE_MAX, L"in UTF-32 BE"},
    });
}

// The RAM disk cannot rename: the file is written in place, and a save that runs out of memory
// as the file grows fails before the old text is touched, even where no write after the failure
// would go through. With room for one more byte it saves.
TEST_F(DocumentIOFailureTest, ASaveOnARamDiskOutOfMemoryLeavesTheOldText) {
    const std::wstring oldText = L"the old content\n";
    Document old(&undoOwner);
    typeAt(old, 0, oldText);
    tessel_test::setEncoding(old, 0x8000FDE9, LINE_ENDING_UNIX);
    ASSERT_EQ(L"", run(old, L"ram:keep.txt", DOCUMENT_IO_SAVE));
    const std::wstring text(oldText.size() + 300000, L'x'); // 300,000 bytes beyond the old ones
    ram.failuresStay = true;
    for (size_t limit : {size_t{0}, size_t{100000}, size_t{299999}, size_t{300000}}) {
        Document document(&undoOwner);
        typeAt(document, 0, text);
        tessel_test::setEncoding(document, 0x8000FDE9, LINE_ENDING_UNIX);
        ram.writeLimit = limit;
        const std::wstring error = run(document, L"ram:keep.txt", DOCUMENT_IO_SAVE);
        ram.writeLimit = SIZE_MAX;
        const bool fits = limit == 300000;
        EXPECT_EQ(fits, error.empty()) << limit << ": " << error;
        EXPECT_EQ(!fits, document.getUndoContext().isModified()) << limit;
        Document reloaded;
        ASSERT_EQ(L"", run(reloaded, L"ram:keep.txt", DOCUMENT_IO_LOAD));
        EXPECT_TRUE(textOf(reloaded) == (fits ? text : oldText)) << limit;
    }
}

TEST_F(DocumentIOFailureTest, AnAnsiSaveOfWhatCodePage1252CannotHoldFailsAndWhatItHoldsSaves) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "needs code page 1252, this system uses " << ::GetACP();
    expectFailedSavesKeepTheOldFile({
        {"an arrow in ANSI", L"a \u2192 b", 0, SIZE_MAX, L"in ANSI: it holds characters that this encoding cannot store"},
        {"a best-fit letter in ANSI", L"\u0100", 0, SIZE_MAX, L"cannot store"},
    });
    Document document(&undoOwner);
    typeAt(document, 0, L"caf\u00e9");
    tessel_test::setEncoding(document, 0, LINE_ENDING_WINDOWS);
    ASSERT_EQ(L"", save(document, L"keep.txt"));
    EXPECT_EQ("caf\xE9", folder.read(L"keep.txt"));
    EXPECT_FALSE(document.getUndoContext().isModified());
}

TEST_F(DocumentIOFailureTest, EveryFailureBecomesTheRequestsErrorAndTheLoaderGoesOn) {
    folder.write(L"a.txt", "text");
    Document document;
    tessel_test::setEncoding(document, 1200, LINE_ENDING_WINDOWS); // the load's reset tells a change
    ThrowingListener thrower;
    document.addListener(&thrower);
    std::wstring error = load(document, L"a.txt");
    EXPECT_NE(std::wstring::npos, error.find(L"Reading or writing 'disk:a.txt' failed: IllegalStateException"))
        << error;
    document.removeListener(&thrower);
    EXPECT_EQ(L"", load(document, L"a.txt"));
    EXPECT_EQ(L"text", textOf(document));

    // A file too large for a text of 32-bit offsets, without reading it.
    HANDLE huge = ::CreateFileW((folder / L"huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 0x40000000; // sparse
    ::SetFilePointerEx(huge, end, nullptr, FILE_BEGIN);
    ::SetEndOfFile(huge);
    ::CloseHandle(huge);
    EXPECT_EQ(L"The file 'disk:huge.txt' is too large to be opened.", load(document, L"huge.txt"));
    EXPECT_EQ(L"text", textOf(document));

    EXPECT_NE(L"", load(document, L"missing.txt"));
    EXPECT_NE(L"", run(document, L"", DOCUMENT_IO_SAVE));
    const DocumentIORequest* nothing = io.doRequest(nullptr, L"disk:a.txt", DOCUMENT_IO_LOAD);
    EXPECT_NE(nullptr, io.wait(const_cast<DocumentIORequest*>(nothing)));
    EXPECT_EQ(L"", run(document, L"disk:a.txt", 7)); // a kind that does nothing
}

TEST_F(DocumentIOFailureTest, LoadsAndSavesRefuseTheMainThread) {
    folder.write(L"a.txt", "text");
    Document document;
    EXPECT_THROW(DocumentReader().load(document, L"disk:a.txt", nullptr), pel::AssertionViolationException);
    EXPECT_THROW(DocumentWriter().save(document, L"disk:b.txt"), pel::AssertionViolationException);
    EXPECT_EQ(0, document.getLockMutex().wait(0)) << "the lock's mutex was left taken";
    document.getLockMutex().release();
}

TEST(DocumentIOQueueTest, HandsIndexesOverInOrderUntilClosed) {
    DocumentIOQueue queue;
    for (int tid : {5, 1, 63})
        EXPECT_EQ(0, queue.push(tid));
    EXPECT_EQ(5, queue.pop());
    EXPECT_EQ(1, queue.pop(0));
    EXPECT_FALSE(queue.empty());
    EXPECT_EQ(63, queue.pop(0));
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(DocumentIOQueue::TIMED_OUT, queue.pop(0)) << "a look at an empty queue";
    queue.close();
    EXPECT_EQ(DocumentIOQueue::CLOSED, queue.pop(0));
    EXPECT_EQ(DocumentIOQueue::CLOSED, queue.push(2));
    EXPECT_EQ(DocumentIOQueue::CLOSED, queue.pop());
    EXPECT_EQ(DocumentIOQueue::CLOSED, queue.pop());
}

TEST_F(DocumentIOFailureTest, TheLoaderThreadRunsOnlyWhileThereAreRequests) {
    EXPECT_FALSE(io.loaderRuns()) << "no request, no thread";
    folder.write(L"a.txt", "alpha\r\n");
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        Document document(&undoOwner);
        ASSERT_EQ(L"", load(document, L"a.txt"));
        EXPECT_EQ(L"alpha\n", textOf(document));
        ASSERT_EQ(L"", save(document, L"b.txt"));
        EXPECT_EQ("alpha\r\n", folder.read(L"b.txt"));
        const DWORD start = ::GetTickCount();
        while (io.loaderRuns() && ::GetTickCount() - start < 30000)
            ::Sleep(1);
        EXPECT_FALSE(io.loaderRuns()) << "the thread stays after its last request";
    }
}

// The loader finds the queue empty; before it decides to end, a request comes and, finding it
// still there, starts no thread: the loader must stay for it.
TEST_F(DocumentIOFailureTest, ARequestQueuedAsTheLoaderDecidesToEndStillRuns) {
    HANDLE atDecision = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE decide = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE loader = nullptr;
    std::atomic<bool> armed{true};
    io.setIdleEndHook([&] {
        if (armed.exchange(false)) {
            ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &loader, SYNCHRONIZE,
                              FALSE, 0);
            ::SetEvent(atDecision);
            ::WaitForSingleObject(decide, 30000);
        }
    });
    folder.write(L"first.txt", "first\n");
    folder.write(L"second.txt", "second\n");
    Document first(&undoOwner), second(&undoOwner);
    ASSERT_EQ(L"", load(first, L"first.txt"));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(atDecision, 30000)) << "the loader never found the queue empty";
    DocumentIORequest* request = io.doRequest(&second, L"disk:second.txt", 0);
    ASSERT_NE(nullptr, request);
    ::SetEvent(decide);
    ASSERT_EQ(0, request->done.wait(60000)) << "the request queued as the loader decided never ran";
    request->done.set(); // for the wait that returns the slot
    EXPECT_EQ(nullptr, io.wait(request));
    EXPECT_EQ(L"second\n", textOf(second));
    ASSERT_NE(nullptr, loader);
    // The same thread ran both: it ends now that the queue is empty.
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(loader, 30000));
    ::CloseHandle(loader);
    ::CloseHandle(atDecision);
    ::CloseHandle(decide);
}

// Keeps a handle of each thread its loads run on.
struct ThreadKeepingOwner : DocumentIOOwner {
    ~ThreadKeepingOwner() override {
        for (HANDLE thread : threads)
            ::CloseHandle(thread);
    }
    bool runFormatDetectors(DetectorAnswer&, Document&) override {
        HANDLE thread = nullptr;
        if (::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &thread, SYNCHRONIZE,
                              FALSE, 0))
            threads.push_back(thread); // one load at a time: the caller waits for it
        return false;
    }
    std::vector<HANDLE> threads;
};

TEST_F(DocumentIOFailureTest, NoLoaderThreadOutlivesItsDocumentIOWhetherItRanOrNot) {
    ThreadKeepingOwner keeping;
    { DocumentIO unused(&keeping); } // never started: nothing to end

    // Ended or ending after its request: the destructor joins it.
    folder.write(L"a.txt", "alpha\n");
    for (int round = 0; round < 20; ++round) {
        DocumentIO own(&keeping);
        Document document(&undoOwner);
        DocumentIORequest* request = own.doRequest(&document, L"disk:a.txt", 0);
        ASSERT_NE(nullptr, request);
        EXPECT_EQ(nullptr, own.wait(request));
    }
    ASSERT_EQ(20u, keeping.threads.size());
    for (HANDLE thread : keeping.threads)
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 0)) << "a loader thread still ran";
}

TEST_F(DocumentIOFailureTest, ARequestThatGetsNoLoaderThreadFailsAndTheNextRuns) {
    tessel_test::LogCapture capture;
    folder.write(L"a.txt", "alpha\n");
    Document document(&undoOwner);
    pel::Thread::failNextStarts(1);
    const std::wstring error = load(document, L"a.txt");
    EXPECT_NE(std::wstring::npos, error.find(L"memory")) << error;
    EXPECT_TRUE(capture.contains(L"DocumentIO: The loader thread cannot start."));
    EXPECT_FALSE(io.loaderRuns());
    EXPECT_EQ(L"", textOf(document));
    ASSERT_EQ(L"", load(document, L"a.txt"));
    EXPECT_EQ(L"alpha\n", textOf(document));
}
