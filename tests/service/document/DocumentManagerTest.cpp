#include "service/base/ServiceSetup.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/io/DocumentIO.h"
#include "service/document/io/DocumentIOErrors.h"
#include "service/document/io/DocumentIOWait.h"
#include "service/parser/base/DocumentGrammar.h"
#include "pel/files/file_io/WatchNotification.h"
#include "support/LogCapture.h"
#include "support/MemoryFileDevice.h"
#include "support/WatchedHeap.h"
#include "ManagerTestSupport.h"
#include "pel/base/Exception.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/files/file_io/FileIO.h"

#include <functional>
#include <new>
#include <thread>

using namespace tessel;

namespace {

class DocumentManagerTest : public tessel_test::ManagerTest {};

struct TestGrammar : DocumentGrammar {
    uint16_t rootRuleNumber() const override { return 7; }
    const wchar_t* rootScopeName() const override { return L"source.test"; }
};

// Once the loader waits on the device's held read, runs the test's look at the documents on the
// main thread, then lets the read go on and waits for the request.
class HeldReadWait : public DocumentIOWait {
public:
    HeldReadWait(tessel_test::MemoryFileDevice& device, std::function<void()> meanwhile)
        : m_device(device), m_meanwhile(std::move(meanwhile)) {}
    void waitFor(uint32_t, const wchar_t*, HANDLE ready, const std::function<bool()>& finished) override {
        if ((reached = m_device.readWaiting.tryWait(30000)))
            m_meanwhile();
        m_device.readGateShut = false;
        m_device.readGate.signal();
        for (int tries = 0; !finished() && tries < 10; ++tries)
            ::WaitForSingleObject(ready, 30000);
    }
    bool reached = false;

private:
    tessel_test::MemoryFileDevice& m_device;
    std::function<void()> m_meanwhile;
};

// Once the request it waits for has run, and before its caller goes on, runs the test's step
// (as a question answered inside the window's wait would); a request the step starts is waited
// for plainly.
class FinishedRequestWait : public DocumentIOWait {
public:
    explicit FinishedRequestWait(std::function<void()> inside) : m_inside(std::move(inside)) {}
    void waitFor(uint32_t, const wchar_t*, HANDLE ready, const std::function<bool()>& finished) override {
        for (int tries = 0; !finished() && tries < 10; ++tries)
            ::WaitForSingleObject(ready, 30000);
        if (m_depth++ == 0 && m_inside)
            m_inside();
        --m_depth;
    }

private:
    std::function<void()> m_inside;
    int m_depth = 0;
};

} // namespace

TEST_F(DocumentManagerTest, SettingsAreReadClampedAndWrittenBack) {
    declareConfigSchema(config); // no files to load: logged, the defaults stay
    const struct {
        int size;
        bool soft;
        const wchar_t *encoding, *lineEnding;
        int width;
        uint32_t code, ending;
    } cases[] = {{12, false, L"UTF-16-LE", L"LF", 8, 1200, 1}, {0, true, L"ansi", L"CRLF", 1, 0, 0},
                 {5, true, L"bogus", L"lf", 5, 0x8000FDE9, 0}};
    for (const auto& c : cases) {
        config.findValue(L"app.indentation.recent.size")->setInt(c.size);
        config.findValue(L"app.indentation.recent.soft")->setBool(c.soft);
        config.findValue(L"app.file_defaults.encoding")->setString(c.encoding);
        config.findValue(L"app.file_defaults.line_ending")->setString(c.lineEnding);
        config.findValue(L"app.parser.parse_inactive_documents")->setBool(c.soft);
        manager->readSettings(config);
        const pel::Indentation& indentation = manager->getDefaultIndentation();
        EXPECT_EQ(c.width, indentation.size) << c.size;
        EXPECT_EQ(c.soft ? L' ' : L'\t', indentation.indentChar) << c.size;
        EXPECT_EQ(c.code, manager->getDefaultEncoding()) << c.size;
        EXPECT_EQ(c.ending, manager->getDefaultLineEnding()) << c.size;
        EXPECT_EQ(c.soft, manager->getParseInactiveDocuments()) << c.size;
    }
    EXPECT_EQ(BgScheduler::getDefaultWorkerCount(0), manager->getParserPool().getWorkerCount());

    // What the status strip sets is written back, after the grammar subscriptions went.
    manager->setDefaultEncoding(1201);
    EXPECT_FALSE(manager->setDefaultLineEnding(3));
    EXPECT_TRUE(manager->setDefaultLineEnding(2));
    manager->setDefaultIndentation(true, 3);
    manager->writeSettings(config);
    EXPECT_EQ(std::vector<std::wstring>{L"cancel all"}, services->holder->calls);
    EXPECT_STREQ(L"UTF-16-BE", config.findValue(L"app.file_defaults.encoding")->getString());
    EXPECT_STREQ(L"CR", config.findValue(L"app.file_defaults.line_ending")->getString());
    EXPECT_EQ(3, config.findValue(L"app.indentation.recent.size")->getInt());
    EXPECT_TRUE(config.findValue(L"app.indentation.recent.soft")->getBool());
}

// A value the manager cannot use is told and keeps its text: the exit writes back only what the
// status strip changed. Read again, only what the settings changed since applies: a default the
// status strip set meanwhile stays.
TEST_F(DocumentManagerTest, SettingsAreWrittenBackOnlyWhereTheRunChangedThemAndReadAgainOnlyWhereTheyChanged) {
    declareConfigSchema(config);
    config.takeProblems();
    ConfigValue& size = *config.findValue(L"app.indentation.recent.size");
    ConfigValue& ending = *config.findValue(L"app.file_defaults.line_ending");
    size.setInt(12);
    ending.setString(L"CR+LF");
    for (ConfigValue* value : config.getPreferencesNameSpace()->getValues())
        value->clearChanged(); // as a file would give them
    manager->readSettings(config);
    EXPECT_EQ(8, manager->getDefaultIndentation().size);
    const std::vector<std::wstring> told = config.takeProblems();
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ(0u, told[0].find(L"`app.indentation.recent.size` is 12 in `")) << std::string(told[0].begin(), told[0].end());
    EXPECT_NE(std::wstring::npos, told[0].find(L"`, which is not a tab width from 1 to 8: Tessel uses 8."));
    manager->writeSettings(config);
    EXPECT_EQ(12, size.getInt()) << "the user's value was written over";
    EXPECT_FALSE(config.getPreferencesNameSpace()->hasChanges());

    // The status strip sets the encoding; the file, read again, the line ending.
    manager->setDefaultEncoding(1201);
    ending.setString(L"LF");
    ending.clearChanged();
    manager->readSettings(config);
    EXPECT_EQ(1201u, manager->getDefaultEncoding());
    EXPECT_EQ(static_cast<uint32_t>(LINE_ENDING_UNIX), manager->getDefaultLineEnding());
    manager->writeSettings(config);
    EXPECT_STREQ(L"UTF-16-BE", config.findValue(L"app.file_defaults.encoding")->getString());
    EXPECT_STREQ(L"LF", ending.getString());
    EXPECT_EQ(12, size.getInt());
    EXPECT_FALSE(ending.isChanged());
    EXPECT_TRUE(config.findValue(L"app.file_defaults.encoding")->isChanged());
}

TEST_F(DocumentManagerTest, LoadsApplyWhatWasDetectedElseTheDefaults) {
    manager->setDefaultIndentation(false, 6);
    manager->setDefaultEncoding(1200);
    manager->setDefaultLineEnding(LINE_ENDING_MAC);
    const struct {
        const char* what;
        std::string bytes;
        uint32_t encoding, lineEnding;
        bool soft;
        int width;
    } cases[] = {
        {"empty", "", 1200, LINE_ENDING_MAC, false, 6},
        {"hard tabs, a mode line's width", "// -*- tab-width: 3 -*-\n\tx\n\ty\n", 0, LINE_ENDING_UNIX, false, 6},
        {"four spaces", "a\r\n    b\r\n    c\r\n", 0, LINE_ENDING_WINDOWS, true, 4},
        {"mode line", "/* -*- indent-tabs-mode: nil; tab-width: 30 -*- */\n", 0, LINE_ENDING_UNIX, true, 16},
        {"UTF-8", "caf\xC3\xA9\n", 0x8000FDE9, LINE_ENDING_UNIX, false, 6},
    };
    int loaded = 0;
    manager->loadedCallbacks().add(this, [&](Document&) { ++loaded; });
    for (const auto& c : cases) {
        folder.write(L"in.txt", c.bytes);
        Document* document = load(L"in.txt");
        const DocumentFormat format = document->getFormat();
        EXPECT_EQ(c.encoding, format.encoding) << c.what;
        EXPECT_EQ(c.lineEnding, format.lineEnding) << c.what;
        EXPECT_EQ(c.soft ? L' ' : L'\t', format.indentation.indentChar) << c.what;
        EXPECT_EQ(c.width, format.indentation.size) << c.what;
        EXPECT_FALSE(format.isNew || format.modified || !document->getWatchEntry()) << c.what;
        manager->releaseDocument(document);
    }
    EXPECT_EQ(5, loaded);
    DocumentManager::FileError error;
    EXPECT_EQ(nullptr, manager->loadDocument(path(L"missing.txt").c_str(), &error));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, error->getCode());
    EXPECT_TRUE(manager->getDocuments().empty()) << "a failed load leaves no document";
}

TEST_F(DocumentManagerTest, FindsOnlyDocumentsWithAFileByTheFileSystemsComparison) {
    folder.write(L"Found.txt", "x");
    Document* loaded = load(L"Found.txt");
    manager->renameDocument(manager->createDocument(L""), path(L"new.txt").c_str());
    std::wstring upper = path(L"Found.txt");
    ::CharUpperW(&upper[0]);
    EXPECT_EQ(loaded, manager->findDocument(upper.c_str()));
    EXPECT_EQ(nullptr, manager->findDocument(path(L"new.txt").c_str())) << "a new document is never found";
    EXPECT_EQ(nullptr, manager->findDocument(L""));
    EXPECT_EQ(nullptr, manager->findDocument(nullptr));
}

// At the program's exit the documents are closed while editors outside the tabs (the bundle
// editor's) still hold theirs through a controller: those stay for their holders to release, the
// others go.
TEST_F(DocumentManagerTest, ClosingAllLeavesADocumentAControllerHoldsToItsHolder) {
    manager->createDocument(L"");
    Document* held = manager->createDocument(L"source.test");
    manager->createDocument(L"");
    {
        DocumentControllerManager controllers(*manager);
        DocumentController* controller = controllers.createController(*held);
        manager->closeAllDocuments();
        ASSERT_EQ(1u, manager->getDocuments().size()) << "the held document went under its controller";
        EXPECT_EQ(held, manager->getDocuments()[0].get());
        controllers.deleteController(controller);
        manager->releaseDocument(held);
    }
    EXPECT_TRUE(manager->getDocuments().empty());
}

TEST_F(DocumentManagerTest, GrammarNamesAreCountedAndSubscribedWhileInUse) {
    Document* first = manager->createDocument(L"source.test");
    manager->setGrammar(*first, L"source.test");
    EXPECT_EQ(1, manager->getGrammarUseCount(L"source.test")) << "the same name again changes nothing";
    Document* second = manager->createDocument(L"source.test");
    EXPECT_EQ(2, manager->getGrammarUseCount(L"source.test"));
    EXPECT_EQ(L"none", first->getScopeRegistry().root()->name()) << "no grammar is available";

    TestGrammar grammar;
    services->client->requests = 0;
    services->holder->subscribers.at(L"source.test")(L"source.test", &grammar);
    EXPECT_TRUE(first->getGrammar() == &grammar && second->getGrammar() == &grammar);
    EXPECT_EQ(L"source.test", second->getScopeRegistry().root()->name());
    EXPECT_EQ(2, services->client->requests) << "both documents are parsed anew";

    manager->releaseDocument(first);
    EXPECT_EQ(1, manager->getGrammarUseCount(L"source.test"));
    manager->setGrammar(*second, L"");
    EXPECT_EQ(0, manager->getGrammarUseCount(L"source.test"));
    EXPECT_EQ(nullptr, second->getGrammar());
    EXPECT_EQ((std::vector<std::wstring>{L"subscribe source.test", L"cancel source.test"}), services->holder->calls);
}

TEST_F(DocumentManagerTest, SavesAndReloadsAskedWhileTheDocumentIsLockedFailAtOnce) {
    folder.write(L"a.txt", "text");
    Document* document = load(L"a.txt");
    document->lock();
    DocumentManager::FileError error;
    EXPECT_EQ(DocumentIOError::DOCUMENT_BUSY, save(document, L"a.txt"));
    EXPECT_FALSE(manager->reloadDocument(document, &error));
    EXPECT_EQ(DocumentIOError::DOCUMENT_BUSY, error->getCode());
    document->unlock();
    EXPECT_TRUE(manager->reloadDocument(document, &error));
}

// The slice keeps trying the document's lock until the release holds it, then ends: the
// document must still be there then, and go only after the slice.
TEST_F(DocumentManagerTest, AReleasedDocumentOutlivesTheParseSliceThatRuns) {
    Document* document = manager->createDocument(L"");
    std::atomic<int> destroyedDuringSlice{-1};
    HANDLE entered = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    services->client->step = [&](tessel_test::SliceJob& job) {
        ::SetEvent(entered);
        for (const DWORD start = ::GetTickCount(); job.document->getLockMutex().wait(5) == 0;)
            if (job.document->getLockMutex().release(), ::GetTickCount() - start > 30000)
                break;
        destroyedDuringSlice = services->stylersDestroyed.load();
    };
    services->client->requestParse(document, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(entered, 30000)) << "the slice did not start";
    manager->releaseDocument(document);
    EXPECT_EQ(0, destroyedDuringSlice.load());
    EXPECT_EQ(1, services->stylersDestroyed.load());
    ::CloseHandle(entered);
}

TEST_F(DocumentManagerTest, OutsideChangesReachTheDocumentButItsOwnSavesDoNot) {
    folder.write(L"a.txt", "one\n");
    folder.write(L"b.txt", "marker\n");
    Document* a = load(L"a.txt");
    Document* b = load(L"b.txt");
    tessel_test::typeAt(*a, 0, L"zero ");
    EXPECT_EQ(0u, save(a, L"a.txt"));
    // Records of one folder come in order: once b heard of its change, a's save was handled.
    folder.writeOutside(L"b.txt", "marker 2\n");
    awaitKind(b, FILE_CHANGE_MODIFIED);
    EXPECT_EQ(std::vector<uint32_t>{FILE_CHANGE_IN_SYNC}, changes.seen[a]) << "the document heard of its own save";

    folder.writeOutside(L"a.txt", "two\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);
    ::DeleteFileW(path(L"a.txt").c_str());
    awaitKind(a, FILE_CHANGE_DELETED);
    folder.writeOutside(L"a.txt", "three\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);
    DocumentManager::FileError error;
    ASSERT_TRUE(manager->reloadDocument(a, &error));
    EXPECT_EQ(L"three\n", tessel_test::textOf(*a));
}

// Another program puts back a backup of the file, the same size with an older time, before the
// watch has told it: the save does not write over it, and the file's record learns the change.
// Saved again once the record knows it, the file is written.
TEST_F(DocumentManagerTest, ASaveReplacesTheFileOnlyAsItsRecordLastFoundIt) {
    folder.write(L"backup.txt", "one\n");
    folder.writeOutside(L"a.txt", "two\n");
    Document* a = load(L"a.txt");
    tessel_test::typeAt(*a, 0, L"mine ");
    WIN32_FILE_ATTRIBUTE_DATA backup{};
    ASSERT_TRUE(::GetFileAttributesExW(path(L"backup.txt").c_str(), GetFileExInfoStandard, &backup));
    folder.write(L"a.txt", "one\n");
    HANDLE file = ::CreateFileW(path(L"a.txt").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    ::SetFileTime(file, nullptr, nullptr, &backup.ftLastWriteTime);
    ::CloseHandle(file);
    EXPECT_EQ(pel::FileErrorCode::TARGET_CHANGED, save(a, L"a.txt"));
    EXPECT_EQ("one\n", folder.read(L"a.txt"));
    EXPECT_EQ(FileRecord::CHANGED, a->getFileRecord().state());
    EXPECT_EQ(0u, save(a, L"a.txt"));
    EXPECT_EQ("mine two\n", folder.read(L"a.txt"));
    EXPECT_EQ(FileRecord::SAME, a->getFileRecord().state());
}

TEST_F(DocumentManagerTest, ASaveUnderANewPathWatchesItOnceItSucceeded) {
    folder.write(L"a.txt", "one\n");
    Document* a = load(L"a.txt");
    pel::WatchedObject* entry = a->getWatchEntry();
    std::vector<bool> pathChanges;
    manager->savedCallbacks().add(this, [&](Document&, bool changed) { pathChanges.push_back(changed); });
    EXPECT_NE(0u, save(a, L"missing\\a.txt"));
    EXPECT_TRUE(entry == a->getWatchEntry() && manager->findDocument(path(L"a.txt").c_str()) == a);
    folder.writeOutside(L"a.txt", "two\n");
    awaitKind(a, FILE_CHANGE_MODIFIED);

    Document* fresh = manager->createDocument(L"");
    tessel_test::typeAt(*fresh, 0, L"new\n");
    EXPECT_EQ(0u, save(fresh, L"new.txt"));
    EXPECT_EQ(std::vector<bool>{true}, pathChanges);
    EXPECT_FALSE(fresh->getFormat().isNew || fresh->getFormat().modified);
    EXPECT_EQ(fresh, manager->findDocument(path(L"new.txt").c_str()));
    folder.writeOutside(L"new.txt", "changed\n");
    awaitKind(fresh, FILE_CHANGE_MODIFIED);
}

// What another program does to the file inside the wait of a save of it, after the save's own
// write (as while a question is open there), is told once the save is over, also when it lands
// on the save's write time (another size tells it) and when the save failed; without it the save
// tells that the file is in sync. The records of the change came in while the save ran.
TEST_F(DocumentManagerTest, AnotherProgramsChangeInsideTheWaitOfASaveIsToldOnceTheSaveIsOver) {
    enum Other { NOTHING, WRITES, DELETES };
    const struct {
        const char* what;
        const wchar_t* target;
        bool fails; // the file is read-only: the save fails
        Other other;
        uint32_t told;
    } cases[] = {
        {"nothing after the save's own write", L"a.txt", false, NOTHING, FILE_CHANGE_IN_SYNC},
        {"a write after the save's own", L"a.txt", false, WRITES, FILE_CHANGE_MODIFIED},
        {"a deletion after the save's own write", L"a.txt", false, DELETES, FILE_CHANGE_DELETED},
        {"a write after a save under a new name", L"new.txt", false, WRITES, FILE_CHANGE_MODIFIED},
        {"a write after a save that failed", L"a.txt", true, WRITES, FILE_CHANGE_MODIFIED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        changes.seen.clear();
        folder.write(L"a.txt", "file\r\n");
        folder.write(L"m.txt", "marker\r\n");
        ::DeleteFileW(path(L"new.txt").c_str());
        Document* document = load(L"a.txt");
        Document* marker = load(L"m.txt");
        document->insert(0, L"mine ");
        const std::wstring target = path(c.target);
        if (c.fails)
            ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
        FinishedRequestWait wait([&] {
            if (c.other == NOTHING)
                return;
            std::thread program([&] {
                ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (c.other == DELETES)
                    ::DeleteFileW(target.c_str());
                else
                    folder.write(c.target, "written by another program\r\n");
                folder.writeOutside(L"m.txt", "marker again\r\n");
            });
            program.join();
            // Records of one folder come in order.
            awaitKind(marker, FILE_CHANGE_MODIFIED);
        });
        manager->setIOWait(&wait);
        EXPECT_EQ(c.fails, save(document, c.target) != 0);
        manager->setIOWait(nullptr);
        EXPECT_EQ(std::vector<uint32_t>{c.told}, changes.seen[document]);
        manager->releaseDocument(document);
        manager->releaseDocument(marker);
    }
}

// The watcher's kinds become the controller's only as far as the file on disk bears them out.
TEST_F(DocumentManagerTest, WatcherRecordsAreCheckedAgainstTheFile) {
    folder.write(L"a.txt", "x");
    const pel::WatchedObject& entry = *load(L"a.txt")->getWatchEntry();
    const struct {
        uint32_t kind;
        const wchar_t *name, *second;
        uint32_t asLoaded, written, deleted; // the file as loaded, written outside, deleted
    } cases[] = {
        {pel::WATCH_MODIFIED, L"a.txt", nullptr, 0, 1, 0}, {pel::WATCH_ADDED, L"a.txt", nullptr, 0, 1, 0},
        {pel::WATCH_REMOVED, L"a.txt", nullptr, 0, 1, 3},  {pel::WATCH_RENAMED, L"a.txt", L"b.txt", 0, 1, 3},
        {pel::WATCH_RENAMED, L"b.txt", L"a.txt", 0, 1, 0}, {pel::WATCH_REOPENED, L"a.txt", nullptr, 0, 0, 3},
        {pel::WATCH_FAILED, L"", nullptr, 0, 0, 3},
    };
    tessel_test::LogCapture log;
    for (int state = 0; state < 3; ++state) {
        if (state == 1)
            folder.writeOutside(L"a.txt", "y");
        if (state == 2)
            ::DeleteFileW(path(L"a.txt").c_str());
        for (const auto& c : cases) {
            pel::WatchNotification* record = pel::WatchNotification::create(c.kind, c.name, 0);
            if (c.second)
                record->setSecondName(c.second);
            const uint32_t expected[] = {c.asLoaded, c.written, c.deleted};
            EXPECT_EQ(expected[state], DocumentWatch::kindOf(entry, *record)) << "state " << state << " kind " << c.kind;
            record->release();
        }
    }
    EXPECT_TRUE(log.contains(L"DocumentManager: Watching '" + path(L"a.txt") + L"' failed"));
}

TEST_F(DocumentManagerTest, WhileAReloadReadsTheFileTheDocumentIsReadAsItWasAndRefusesEdits) {
    tessel_test::MemoryFileDevice device;
    device.files[L"held.txt"] = "old\r\ntext";
    pel::FileIO::attachDevice(L"held", &device, 0);
    DocumentManager::FileError error;
    Document* document = manager->loadDocument(L"held:held.txt", &error);
    ASSERT_TRUE(document);
    document->insert(0, L">");
    device.files[L"held.txt"] = "\tnew\n\tlines\n\tthree\n";
    device.readGateShut = true;
    bool lockFree = false, saveRefused = false;
    std::wstring textMeanwhile;
    int32_t linesMeanwhile = 0;
    HeldReadWait wait(device, [&] {
        // The loader holds no lock of this document: the window's reads do not wait for it.
        if ((lockFree = document->getLockMutex().wait(30000) == pel::Semaphore_Impl::Signalled))
            document->getLockMutex().release();
        textMeanwhile = document->getText(0, document->getLength());
        linesMeanwhile = document->getLineCount();
        EXPECT_THROW(document->insert(0, L"x"), pel::IllegalStateException);
        EXPECT_THROW(document->remove(0, 1), pel::IllegalStateException);
        DocumentManager::FileError busy;
        saveRefused = !manager->saveDocument(L"held:held.txt", document, &busy) && busy &&
                      busy->getCode() == DocumentIOError::DOCUMENT_BUSY;
    });
    manager->setIOWait(&wait);
    const bool reloaded = manager->reloadDocument(document, &error);
    manager->setIOWait(nullptr);
    pel::FileIO::detachDevice(L"held");
    ASSERT_TRUE(wait.reached) << "the loader never read the file";
    EXPECT_TRUE(reloaded);
    EXPECT_TRUE(lockFree) << "the reload held the document's lock while the file was read";
    EXPECT_EQ(L">old\ntext", textMeanwhile);
    EXPECT_EQ(2, linesMeanwhile);
    EXPECT_TRUE(saveRefused) << "a save asked during the reload did not fail at once";
    // The file's text, lines and format in place of the old ones, and edits taken again.
    EXPECT_EQ(L"\tnew\n\tlines\n\tthree\n", document->getText(0, document->getLength()));
    EXPECT_EQ(4, document->getLineCount());
    EXPECT_EQ(5, document->getLineStart(1));
    const DocumentFormat format = document->getFormat();
    EXPECT_EQ(LINE_ENDING_UNIX, format.lineEnding);
    EXPECT_EQ(1.0f, format.encodingConfidence);
    EXPECT_FALSE(format.modified);
    EXPECT_EQ(Document::LOADER_NONE, document->getLoaderAccess());
    document->insert(0, L"x");
    EXPECT_EQ(L"x\tnew\n", document->getText(0, 6));
    EXPECT_EQ("\tnew\n\tlines\n\tthree\n", device.files[L"held.txt"]) << "the refused save wrote nothing";
}

// Inside the wait of a request that has run, before its caller goes on, nothing else starts for
// the document: a reload would put the file's text under a save that then marks it saved (or
// under a reload that then takes its older text over it). Only a save of a document whose request
// failed goes through: its caller leaves the text alone, and the end of the session saves it so.
TEST_F(DocumentManagerTest, InsideTheWaitOfARequestOnlyASaveAfterAFailedOneStarts) {
    tessel_test::MemoryFileDevice full;
    full.writeLimit = 0;
    pel::FileIO::attachDevice(L"full", &full, 0);
    const struct {
        const char* what;
        bool outerSaves; // else it reloads
        bool outerFails;
        bool innerSaves;
        bool innerStarts;
    } cases[] = {
        {"a reload inside a save", true, false, false, false},
        {"a save inside a save", true, false, true, false},
        {"a reload inside a reload", false, false, false, false},
        {"a save inside a reload", false, false, true, false},
        {"a reload inside a failed save", true, true, false, false},
        {"a save inside a failed save", true, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write(L"a.txt", "file\r\n");
        Document* document = load(L"a.txt");
        ASSERT_TRUE(document);
        document->insert(0, L"mine ");
        folder.write(L"a.txt", "changed outside\r\n");
        // Heard, as the watch tells it: a save writes over it only once it is known.
        document->noteFile(FILE_CHANGE_MODIFIED, DocumentWatch::stampOf(path(L"a.txt")), false);
        DocumentManager::FileError inner;
        bool started = false;
        FinishedRequestWait wait([&] {
            started = c.innerSaves ? manager->saveDocument(path(L"a.txt").c_str(), document, &inner)
                                   : manager->reloadDocument(document, &inner);
        });
        manager->setIOWait(&wait);
        DocumentManager::FileError outer;
        const std::wstring target = c.outerFails ? L"full:a.txt" : path(L"a.txt");
        const bool outerDone = c.outerSaves ? manager->saveDocument(target.c_str(), document, &outer)
                                            : manager->reloadDocument(document, &outer);
        manager->setIOWait(nullptr);
        EXPECT_EQ(!c.outerFails, outerDone);
        EXPECT_EQ(c.innerStarts, started);
        if (!c.innerStarts) {
            ASSERT_TRUE(inner);
            EXPECT_EQ(DocumentIOError::DOCUMENT_BUSY, inner->getCode());
        }
        // The document holds what the outer request left, and its file agrees where it says so.
        const std::wstring text = document->getText(0, document->getLength());
        if (c.outerSaves && !c.outerFails) {
            EXPECT_EQ(L"mine file\n", text);
            EXPECT_EQ("mine file\r\n", folder.read(L"a.txt"));
        } else if (!c.outerSaves) {
            EXPECT_EQ(L"changed outside\n", text);
            EXPECT_EQ("changed outside\r\n", folder.read(L"a.txt"));
        } else {
            EXPECT_EQ(L"mine file\n", text);
            EXPECT_EQ(c.innerStarts ? "mine file\r\n" : "changed outside\r\n", folder.read(L"a.txt"));
        }
        EXPECT_EQ(Document::LOADER_NONE, document->getLoaderAccess());
        EXPECT_FALSE(document->isMutexHeldForLoader());
        manager->releaseDocument(document);
    }
    pel::FileIO::detachDevice(L"full");
}

// Whichever allocation of a load or save fails, the request is either never queued or waited for
// to its end: no request slot stays taken, and the document is left to the main thread.
TEST_F(DocumentManagerTest, AnAllocationThatFailsNeverLeavesARequestNobodyWaitsFor) {
    folder.write(L"a.txt", "some text\r\n");
    for (const bool saving : {true, false}) {
        SCOPED_TRACE(saving ? "save" : "load");
        bool reachedTheEnd = false;
        for (unsigned count = 1; count < 2000 && !reachedTheEnd; ++count) {
            // A manager of its own each time: its first request allocates where later ones do not.
            DocumentManager fresh(services);
            Document* document = saving ? fresh.createDocument(L"") : nullptr;
            if (document)
                document->insert(0, L"saved text");
            bool thrown = false;
            DocumentManager::FileError error;
            tessel_test::failAllocation(count);
            try {
                if (saving)
                    fresh.saveDocument(path(L"b.txt").c_str(), document, &error);
                else
                    document = fresh.loadDocument(path(L"a.txt").c_str(), &error);
            } catch (const std::bad_alloc&) {
                thrown = true;
            }
            reachedTheEnd = !tessel_test::stopFailingAllocations();
            EXPECT_FALSE(reachedTheEnd && thrown) << count;
            ASSERT_EQ(0, fresh.getDocumentIO().requestsTaken()) << "after allocation " << count << " failed";
            if (document) {
                EXPECT_EQ(Document::LOADER_NONE, document->getLoaderAccess()) << count;
                EXPECT_FALSE(document->isMutexHeldForLoader()) << count;
            }
        }
        EXPECT_TRUE(reachedTheEnd) << "the request never ran without a failure";
    }
}

