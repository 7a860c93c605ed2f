// Saves of a document whose parse runs on the real pool, through the real loader: while the main
// thread waits for a save it reads the document (its parse records, its parse notices, its
// modified state) under its lock, and that must never overlap a worker's slice or the loader's
// own writes.

#include "service/parser/DocumentParserClient.h"
#include "service/parser/DocumentParserServices.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "service/document/DocumentListener.h"
#include "service/document/DocumentManager.h"
#include "service/document/io/DocumentIOWait.h"
#include "service/document/undo/UndoContext.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "support/MessagePump.h"
#include "support/TempDevices.h"
#include "support/TempFolder.h"
#include "ParsedDocument.h"
#include "ParserTestSupport.h"
#include "TestGrammars.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace tessel;
using namespace tessel_test;

namespace {

// The main thread's look at the document while a save of it runs: under the Document lock, its
// parse records and parse notices until the loader is done, and its modified state before and
// after. Meanwhile `reading` is set, which the workers' clock checks on every call they make
// inside their slices.
class ReadingWait : public DocumentIOWait {
public:
    void waitFor(uint32_t, const wchar_t*, HANDLE ready, const std::function<bool()>& finished) override {
        ++saves;
        parsingWhenSaved += document->getParserJob()->isBusy();
        {
            DocumentLockHold lock(*document);
            const UndoContext& undo = document->getUndoContext();
            const uint32_t savedPos = undo.getSavedPos();
            const bool modified = undo.isModified();
            reading = true;
            do {
                for (int32_t line = 0; line < document->getLineCount(); ++line)
                    if (const std::unique_ptr<LineRuns> runs = document->getLine(line))
                        for (uint32_t i = 0; i < runs->count; ++i)
                            columns += runs->runs[i].column;
                dispatchPending(); // parse notices among them
            } while (::WaitForSingleObject(ready, 0) != WAIT_OBJECT_0);
            reading = false;
            modifiedStateChanged += undo.getSavedPos() != savedPos || undo.isModified() != modified;
        }
        while (!finished())
            ::WaitForSingleObject(ready, INFINITE);
    }

    Document* document = nullptr;
    std::atomic<bool> reading{false};
    int saves = 0;
    int parsingWhenSaved = 0;
    int modifiedStateChanged = 0;
    uint64_t columns = 0;
};

struct ParseNotices : DocumentListener {
    void onParsed(Document&, int32_t, int32_t) override { ++count; }
    int count = 0;
};

class ParserDuringSaveTest : public MainThreadTest {
protected:
    ParserDuringSaveTest() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        pel::FileIO::attachDevice(L"__winfs", &native, 0);
        manager.reset(new DocumentManager(std::make_shared<DocumentParserServices>()));
        // Every call of the clock on a worker comes from inside a slice, with the document's
        // mutex held: none may come while the main thread reads.
        static_cast<DocumentParserClient*>(manager->getParserClient())->setClock([this] {
            if (!pel::is_main_thread() && wait.reading)
                ++overlaps;
            return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count());
        });
        manager->getParserPool().setWorkerCount(2);
        manager->getGrammarRuleSetHolder().replaceGrammarRuleSet(cGrammar());
        manager->addListener(&notices);
        manager->setIOWait(&wait);
    }
    ~ParserDuringSaveTest() override {
        manager.reset();
        registry.releaseRegistry();
        pel::FileIO::detachDevice(L"__winfs");
    }

    // One change with undo, so that the document differs from its saved state.
    static void edit(Document& document, bool comment) {
        DocumentLockHold lock(document);
        document.beginChange(0, false);
        if (comment)
            document.insert(0, L"/*");
        else
            document.remove(0, 2);
        document.endChange();
    }

    pel::MessageRegistry registry;
    TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
    TempDevices devices;
    ReadingWait wait;
    std::atomic<int> overlaps{0};
    ParseNotices notices;
    std::unique_ptr<DocumentManager> manager;
};

// Each round opens or closes a comment at the top, which re-parses every line below, and saves
// as soon as the pass has posted its first lines.
TEST_F(ParserDuringSaveTest, SavesOfALongLinedFileWhileItParsesNeverShareItWithAWorkerOrTheLoadersWrites) {
    constexpr int LINES = 400;
    constexpr int ROUNDS = 16;
    Document* document = manager->createDocument(L"source.c");
    wait.document = document;
    std::wstring line;
    while (line.size() < 4000)
        line += L"int f(int a) { return a * 2; } ";
    std::wstring text;
    for (int i = 0; i < LINES; ++i)
        text += line + L"\n";
    insertText(*document, 0, text);
    const std::wstring path = folder / L"long.c";
    DocumentManager::FileError error;
    for (int round = 0; round < ROUNDS; ++round) {
        SCOPED_TRACE(round);
        edit(*document, round % 2 == 0);
        ASSERT_TRUE(document->getUndoContext().isModified());
        const int before = notices.count;
        ASSERT_TRUE(pumpUntil([&] { return notices.count > before; })) << "the pass never began";
        ASSERT_TRUE(manager->saveDocument(path.c_str(), document, &error));
        EXPECT_FALSE(document->getUndoContext().isModified());
        EXPECT_FALSE(document->getFormat().modified);
    }
    EXPECT_EQ(ROUNDS, wait.saves);
    EXPECT_EQ(0, overlaps.load()) << "a worker ran its slice while the main thread read the document";
    EXPECT_EQ(0, wait.modifiedStateChanged) << "the modified state changed under the main thread's lock";
    // How many saves meet a running pass depends on the machine's load: one is enough for the checks above.
    EXPECT_GE(wait.parsingWhenSaved, 1) << "the parse was over before every save: nothing was tested";
    ASSERT_TRUE(pumpUntil([&] { return !document->getParserJob()->isBusy(); }, 120000));
    EXPECT_EQ(std::wstring::npos, dumpLine(*document, LINES - 1).find(L"comment")) << "the last pass was lost";
    manager->releaseDocument(document);
}

} // namespace
