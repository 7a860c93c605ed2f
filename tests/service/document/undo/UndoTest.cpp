#include "pel/base/Exception.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/log/Log.h"
#include "service/document/undo/UndoDocIO.h"
#include "service/document/undo/UndoListener.h"
#include "../DocumentTestSupport.h"

#include "support/LogCapture.h"
#include "support/MemoryFileDevice.h"
#include "support/TempDevices.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <thread>

using namespace tessel;
using tessel_test::isModified;
using tessel_test::removeAt;
using tessel_test::replay;
using tessel_test::textOf;
using tessel_test::typeAt;

namespace {

class UndoTest : public tessel_test::MainThreadTest {
protected:
    UndoContext& undo() { return document->getUndoContext(); }
    UndoManager& manager() { return *owner.undo; }
    std::vector<unsigned char> logBytes() {
        std::vector<unsigned char> bytes;
        EXPECT_TRUE(undo().logFile() && undo().logFile()->readAll(&bytes));
        return bytes;
    }
    std::wstring dump() {
        std::wstring text;
        undo().dump(text);
        return text;
    }
    // One record of kind with size payload bytes in a transaction of its own.
    void writeBlob(uint32_t kind, const std::string& payload) {
        document->beginChange(0, false);
        undo().beginRecord(kind);
        for (size_t done = 0; done < payload.size(); done += 1000)
            undo().write(payload.data() + done, static_cast<uint32_t>(std::min<size_t>(1000, payload.size() - done)));
        undo().endRecord();
        document->endChange();
    }

    tessel_test::TempDevices devices;
    tessel_test::TestOwner owner{true};
    std::unique_ptr<Document> document{new Document(&owner)};
};

// Applies records of its kind by reading their whole payload.
struct BlobReader : UndoListener {
    std::string payload;
    void apply(UndoContext& context) override {
        payload.assign(context.payloadSize(), '\0');
        payload.resize(context.read(&payload[0], context.payloadSize()));
    }
};

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 31 + i / 253);
    return bytes;
}

} // namespace

TEST_F(UndoTest, KindsAreRegisteredOnceByNameAndOnlyTheFirst64HaveSlots) {
    EXPECT_EQ(0u, manager().transactionKind());
    const UndoDocIO& io = manager().docIO();
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3, 4}),
              (std::vector<uint32_t>{io.insertKind(), io.removeKind(), io.insertShortKind(), io.removeShortKind()}));
    EXPECT_EQ(1u, manager().registerKind(L"DOC-INSERT"));
    EXPECT_EQ(L"DOC-REMOVE-S", manager().kindName(4));
    UndoListener listener;
    EXPECT_FALSE(manager().unregisterKind(0)) << "TRANSACTION has no listener slot set";
    EXPECT_FALSE(manager().setKindListener(1, &listener)) << "a taken slot stays";
    EXPECT_EQ(&io, manager().getKindListener(1));

    uint32_t last = 0;
    for (int i = 0; i < 60; ++i)
        last = manager().registerKind(pel::formatString(L"KIND-%d", i).c_str());
    EXPECT_EQ(64u, last);
    EXPECT_FALSE(manager().setKindListener(last, &listener));
    EXPECT_EQ(nullptr, manager().getKindListener(last));
    EXPECT_TRUE(manager().setKindListener(63, &listener));
    EXPECT_TRUE(manager().unregisterKind(63));
    EXPECT_EQ(L"", manager().kindName(63));
    EXPECT_EQ(65u, manager().registerKind(L"KIND-58")) << "a name given up comes back with a new id";

    std::thread([&] {
        EXPECT_EQ(L"Not a main thread.",
                  tessel_test::thrown<pel::IllegalStateException>([&] { manager().registerKind(L"late"); }));
    }).join();
}

TEST_F(UndoTest, TypingAtConsecutiveOffsetsIsOneStepAndACaretJumpStartsAnother) {
    typeAt(*document, 0, L"a");
    typeAt(*document, 1, L"b");
    typeAt(*document, 2, L"c");
    replay(*document, false);
    EXPECT_EQ(L"", textOf(*document));
    EXPECT_FALSE(undo().canUndo());
    replay(*document, true);
    EXPECT_EQ(L"abc", textOf(*document));
    EXPECT_FALSE(undo().canRedo());

    typeAt(*document, 3, L"d");
    typeAt(*document, 4, L"e");
    typeAt(*document, 1, L"X"); // elsewhere
    replay(*document, false);
    EXPECT_EQ(L"abcde", textOf(*document));
    replay(*document, false);
    EXPECT_EQ(L"abc", textOf(*document)) << "the earlier run is a step of its own: it started after an undo";
    replay(*document, true);
    replay(*document, true);
    EXPECT_EQ(L"aXbcde", textOf(*document));

    // Another edit source, a removal, or a line feed each end the run.
    const struct {
        const char* name;
        std::function<void()> edit;
    } breaks[] = {
        {"source", [&] { document->setTransactionKey(9); typeAt(*document, 8, L"f"); }},
        {"removal", [&] { removeAt(*document, 7, 1); }},
        {"line feed", [&] { typeAt(*document, 8, L"\n"); }},
    };
    for (const auto& b : breaks) {
        document->setTransactionKey(0);
        typeAt(*document, 6, L"g");
        typeAt(*document, 7, L"h");
        b.edit();
        document->setTransactionKey(0);
        typeAt(*document, document->getLength(), L"z");
        replay(*document, false);
        replay(*document, false);
        replay(*document, false);
        EXPECT_EQ(L"aXbcde", textOf(*document)) << b.name;
        typeAt(*document, 6, L""); // records nothing: the redo history stays
        replay(*document, true);
        EXPECT_EQ(L"aXbcdegh", textOf(*document)) << b.name;
        removeAt(*document, 6, 99);
    }
}

// A long edit made in several transactions, each continuing the one before it, is one step for
// undo and redo, in a log of other steps; a transaction continues only the last one recorded, of
// its own key, with no walk, save or other transaction between them.
TEST_F(UndoTest, TransactionsContinuingTheOneBeforeThemAreOneStep) {
    typeAt(*document, 0, L"abc");
    // Three steps of one edit, the second and third continuing.
    const auto step = [&](int32_t at, const wchar_t* text, bool continues) {
        document->beginChange(0, false);
        if (continues) {
            EXPECT_TRUE(undo().continueLastTransaction()) << "at " << at;
        }
        document->remove(at, 1);
        document->insert(at, text);
        document->endChange();
    };
    step(0, L"<A>", false);
    step(3, L"<B>", true);
    step(6, L"<C>", true);
    EXPECT_EQ(L"<A><B><C>", textOf(*document));
    replay(*document, false);
    EXPECT_EQ(L"abc", textOf(*document)) << "one undo takes back every step";
    replay(*document, false);
    EXPECT_EQ(L"", textOf(*document)) << "and no more";
    replay(*document, true);
    replay(*document, true);
    EXPECT_EQ(L"<A><B><C>", textOf(*document)) << "one redo puts back every step";
    EXPECT_FALSE(undo().canRedo());

    // Refused: after a walk, after a save, under another key, once the transaction recorded, and
    // in a transaction that does not come right after a recorded one.
    replay(*document, false);
    replay(*document, true);
    document->beginChange(0, false);
    EXPECT_FALSE(undo().continueLastTransaction()) << "after a walk";
    document->insert(0, L"1");
    document->endChange();
    undo().markSaved();
    document->beginChange(0, false);
    EXPECT_FALSE(undo().continueLastTransaction()) << "after a save";
    document->insert(0, L"2");
    document->endChange();
    document->setTransactionKey(7);
    document->beginChange(0, false);
    EXPECT_FALSE(undo().continueLastTransaction()) << "under another key";
    document->insert(0, L"3");
    EXPECT_FALSE(undo().continueLastTransaction()) << "once it recorded";
    document->endChange();
    document->beginChange(0, false);
    document->endChange(); // records nothing: the last recorded one stays continuable
    document->beginChange(0, false);
    EXPECT_TRUE(undo().continueLastTransaction());
    document->insert(0, L"4");
    document->endChange();
    EXPECT_FALSE(undo().continueLastTransaction()) << "outside a transaction";
    EXPECT_EQ(L"4321<A><B><C>", textOf(*document));
    replay(*document, false);
    EXPECT_EQ(L"21<A><B><C>", textOf(*document)) << "3 and 4 are one step";
    replay(*document, false);
    replay(*document, false);
    EXPECT_EQ(L"<A><B><C>", textOf(*document)) << "the save and the walk kept their steps apart";
}

// A group walked a record at a time, idle between the steps, ends where one walk ends; a record
// written between two steps ends the walk where it stood.
TEST_F(UndoTest, AGroupWalkedInStepsEndsWhereOneWalkEnds) {
    typeAt(*document, 0, L"ab");
    removeAt(*document, 0, 1);
    typeAt(*document, 1, L"c");
    typeAt(*document, 2, L"d");
    typeAt(*document, 3, L"e");
    ASSERT_EQ(L"bcde", textOf(*document));
    const auto stepwise = [&](bool redo) {
        int steps = 0;
        document->beginChange(0, true);
        const bool started = undo().startWalk(redo);
        document->endChange();
        for (bool done = !started; !done; ++steps) {
            document->beginChange(0, true);
            done = undo().walkOn([] { return false; });
            document->endChange();
            EXPECT_EQ(UNDO_IDLE, undo().getMode());
        }
        return steps;
    };
    EXPECT_LT(2, stepwise(false)) << "a step a record";
    EXPECT_EQ(L"b", textOf(*document)) << "the typing at consecutive offsets, one group";
    stepwise(false);
    EXPECT_EQ(L"ab", textOf(*document));
    stepwise(true);
    stepwise(true);
    EXPECT_EQ(L"bcde", textOf(*document));
    EXPECT_EQ(0, stepwise(true)) << "nothing to redo";

    // Written between two steps: the walk is over.
    document->beginChange(0, true);
    ASSERT_TRUE(undo().startWalk(false));
    EXPECT_FALSE(undo().walkOn([] { return false; }));
    document->endChange();
    const std::wstring halfway = textOf(*document);
    typeAt(*document, 0, L"!");
    document->beginChange(0, true);
    EXPECT_TRUE(undo().walkOn([] { return false; }));
    document->endChange();
    EXPECT_EQ(L"!" + halfway, textOf(*document));
}

TEST_F(UndoTest, ATransactionThatRecordsNothingLeavesTheLogAndTheRedoHistoryAlone) {
    typeAt(*document, 0, L"one");
    typeAt(*document, 3, L" two");
    replay(*document, false);
    const std::vector<unsigned char> before = logBytes();
    const uint32_t pos = undo().getPos();

    document->beginChange(0, false);
    document->insert(1, 0, L"x");
    document->remove(9, 2);
    document->endChange();
    EXPECT_EQ(before, logBytes());
    EXPECT_EQ(pos, undo().getPos());
    ASSERT_TRUE(undo().canRedo());

    // A new edit replaces the redo history only once it has written.
    document->beginChange(0, false);
    document->insert(0, L">");
    document->endChange();
    EXPECT_FALSE(undo().canRedo());
    replay(*document, false);
    replay(*document, false);
    EXPECT_EQ(L"", textOf(*document));
    replay(*document, true);
    replay(*document, true);
    EXPECT_EQ(L">one", textOf(*document));
}

TEST_F(UndoTest, RecordsTakeTheirShortestFormAndReadBackIntact) {
    const uint32_t blob = manager().registerKind(L"TEST-BLOB");
    BlobReader reader;
    ASSERT_TRUE(manager().setKindListener(blob, &reader));
    // Form bits of the record behind the 12-byte begin marker.
    const struct {
        size_t size;
        unsigned form;
    } cases[] = {{1016, 0}, {1017, 1}, {0x3FFF6, 1}, {0x3FFF7, 2}, {300000, 2}};
    for (const auto& c : cases) {
        document->clearUndo();
        const std::string payload = pattern(c.size);
        writeBlob(blob, payload);
        const std::vector<unsigned char> bytes = logBytes();
        ASSERT_GT(bytes.size(), 12u);
        EXPECT_EQ(c.form, bytes[12] >> 6u) << c.size;
        EXPECT_EQ(blob, bytes[12] & 0x3Fu) << c.size;
        EXPECT_EQ(0u, bytes.size() % 4) << c.size;
        replay(*document, false);
        EXPECT_EQ(payload, reader.payload.substr(0, c.size)) << c.size;
        EXPECT_LE(reader.payload.size() - c.size, 3u) << "no more than the padding" << c.size;
    }
    EXPECT_EQ(1u, manager().pooledStagingFiles());
}

TEST_F(UndoTest, OneUnitBelowOffset65536TakesTheShortDocumentKind) {
    const std::wstring filler(70000, L'.');
    document->insert(0, filler);
    document->clearUndo();
    typeAt(*document, 65535, L"s");
    typeAt(*document, 70000, L"l");
    removeAt(*document, 70000, 1);
    document->setTransactionKey(0xABCD);
    typeAt(*document, 3, L"\t");
    EXPECT_EQ(L"000000 TRANSACTION begin key=00000000 offset=65535 class=1 break\n"
              L"000012 DOC-INSERT-S [65535, 1] \"s\"\n"
              L"000020 TRANSACTION end key=00000000 offset=65535 class=1\n"
              L"000032 TRANSACTION begin key=00000000 offset=70000 class=1\n"
              L"000044 DOC-INSERT [70000, 1] \"l\"\n"
              L"000060 TRANSACTION end key=00000000 offset=70000 class=1\n"
              L"000072 TRANSACTION begin key=00000000 offset=70000 class=3\n"
              L"000084 DOC-REMOVE [70000, 1] \"l\"\n"
              L"000100 TRANSACTION end key=00000000 offset=70000 class=3\n"
              L"000112 TRANSACTION begin key=0000ABCD offset=3 class=2\n"
              L"000124 DOC-INSERT-S [3, 1] \"\t\"\n"
              L"000132 TRANSACTION end key=0000ABCD offset=3 class=2\n",
              dump());
}

TEST_F(UndoTest, RandomTransactionsUndoAndRedoThroughTheSameGroupBoundaries) {
    std::mt19937 random(4711);
    const auto pick = [&](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random); };
    std::vector<std::wstring> snapshots{textOf(*document)};
    int32_t caret = 0;
    for (int edits = 0; edits < 2000;) {
        document->setTransactionKey(static_cast<uint32_t>(pick(0, 8) == 0));
        document->beginChange(0, false);
        for (int n = pick(0, 3); n > 0; --n, ++edits) {
            const int32_t length = document->getLength();
            const int32_t choice = pick(0, 9);
            if (choice < 5) { // typing at the caret, which mostly moves on by one
                caret = pick(0, 5) == 0 ? pick(0, length) : std::min(caret, length);
                document->insert(caret, std::wstring(1, L"ab\t \n"[pick(0, 4)]));
                ++caret;
            } else if (choice < 8) {
                document->insert(pick(0, length), std::wstring(static_cast<size_t>(pick(1, 80)), L"xy\n"[pick(0, 2)]));
            } else if (length > 0) {
                document->remove(pick(0, length - 1), pick(1, choice == 8 ? 1 : 50));
            }
        }
        document->endChange();
        if (snapshots.back() != textOf(*document) || pick(0, 1))
            snapshots.push_back(textOf(*document));
    }

    // Every undo lands on a state the edits passed through, further back each time; redo
    // passes the same boundaries forwards.
    std::vector<std::wstring> undone;
    size_t at = snapshots.size() - 1;
    while (undo().canUndo()) {
        replay(*document, false);
        const std::wstring text = textOf(*document);
        while (at > 0 && snapshots[at] != text)
            --at;
        ASSERT_EQ(snapshots[at], text) << "after " << undone.size() << " undos";
        undone.push_back(text);
    }
    EXPECT_EQ(L"", textOf(*document));
    for (size_t step = undone.size() - 1; step-- > 0;) {
        ASSERT_TRUE(undo().canRedo());
        replay(*document, true);
        ASSERT_EQ(undone[step], textOf(*document)) << "redo " << step;
    }
    replay(*document, true);
    EXPECT_EQ(snapshots.back(), textOf(*document));
    EXPECT_FALSE(undo().canRedo());
    EXPECT_GT(undone.size(), 200u);
}

TEST_F(UndoTest, TheSavedStateCountsAsUnmodifiedOnlyWhileTheLogCanReachIt) {
    typeAt(*document, 0, L"a");
    EXPECT_TRUE(isModified(*document));
    undo().markSaved();
    typeAt(*document, 1, L"");
    EXPECT_FALSE(isModified(*document));
    replay(*document, false);
    EXPECT_TRUE(isModified(*document));
    replay(*document, true);
    EXPECT_FALSE(isModified(*document));

    // Undo, then a different edit of the same size: the saved state went with the history.
    replay(*document, false);
    typeAt(*document, 0, L"b");
    EXPECT_TRUE(isModified(*document));
    EXPECT_EQ(UndoContext::UNREACHABLE, undo().getSavedPos());
    replay(*document, false);
    EXPECT_TRUE(isModified(*document)) << "the empty text is not what was saved either";

    document->clearUndo();
    EXPECT_FALSE(isModified(*document));
    typeAt(*document, 0, L"c");
    EXPECT_TRUE(isModified(*document));
}

TEST_F(UndoTest, WithoutATemporaryDeviceEveryEditCountsAsUnsaved) {
    document.reset();
    pel::FileIO::detachDevice(L"vtmp");
    tessel_test::LogCapture log;
    document.reset(new Document(&owner));
    EXPECT_FALSE(undo().hasLog());
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(pel::LOG_WARNING, log.lines()[0].level);
    typeAt(*document, 0, L"a");
    EXPECT_TRUE(isModified(*document));
    replay(*document, false);
    EXPECT_EQ(L"a", textOf(*document));
    undo().markSaved();
    typeAt(*document, 1, L"");
    EXPECT_FALSE(isModified(*document));
    typeAt(*document, 1, L"b");
    EXPECT_TRUE(isModified(*document));
}

TEST_F(UndoTest, AFailedWriteDropsTheLogWithAWarningAndTheEditStillCounts) {
    tessel_test::MemoryFileDevice full;
    full.writeLimit = 40; // three markers and a record
    document.reset();
    pel::FileIO::detachDevice(L"vtmp");
    pel::FileIO::attachDevice(L"vtmp", &full, 0);
    document.reset(new Document(&owner));
    ASSERT_TRUE(undo().hasLog());
    typeAt(*document, 0, L"a");
    tessel_test::LogCapture log;
    typeAt(*document, 1, L"bcd");
    EXPECT_FALSE(undo().hasLog());
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ(pel::LOG_WARNING, log.lines()[0].level);
    EXPECT_NE(std::wstring::npos, log.lines()[0].text.find(L"changes are no longer recorded"));
    EXPECT_EQ(L"abcd", textOf(*document));
    EXPECT_TRUE(isModified(*document));
    replay(*document, false);
    EXPECT_EQ(L"abcd", textOf(*document)) << "nothing to undo without a log";
    undo().markSaved();
    typeAt(*document, 0, L"");
    EXPECT_FALSE(isModified(*document));
    typeAt(*document, 0, L"e");
    EXPECT_TRUE(isModified(*document));
    document.reset();
    owner.undo.reset(); // its pooled staging file lives on the device that goes now
}

TEST_F(UndoTest, PartsACrashedRunLeftUnderTheNextNamesAreNeitherReadNorRemoved) {
    // Process ids repeat from run to run: the logs' next names may be taken in the temporary
    // folder by a run that crashed.
    pel::WorkString<> last;
    pel::FileIFC::getInstance()->makeUniqueName(L"undo", &last);
    const std::wstring taken = last.str().substr(0, last.str().rfind(L'-') + 1);
    const uint32_t counter = static_cast<uint32_t>(std::stoul(last.str().substr(taken.size())));
    const std::string stale(70000, 'S');
    std::vector<std::wstring> staleNames;
    for (uint32_t next = counter + 1; next <= counter + 4; ++next)
        for (const wchar_t* kind : {L"undo", L"undoRollback"}) {
            staleNames.push_back(std::wstring(kind) + taken.substr(4) + std::to_wstring(next) + L".vdtmpfs");
            devices.ownFolder->write(staleNames.back(), stale);
        }

    document.reset(new Document(&owner));
    const std::wstring text(40000, L'x'); // past what the log keeps in memory
    document->beginChange(0, false);
    document->insert(0, text);
    document->endChange();
    ASSERT_TRUE(undo().hasLog());
    replay(*document, false);
    EXPECT_EQ(L"", textOf(*document));
    replay(*document, true);
    EXPECT_EQ(text, textOf(*document));

    document.reset();
    owner.undo.reset();
    for (const std::wstring& name : staleNames)
        EXPECT_EQ(stale, devices.ownFolder->read(name)) << name;
}

TEST_F(UndoTest, ListenersHearTransactionsAndGroupsAndTheLogDumpsEveryRecord) {
    struct Recorder : UndoListener {
        std::wstring heard;
        void onTransactionBegin(UndoContext&) override { heard += L"T"; }
        void onTransactionEnd(UndoContext&) override { heard += L"t"; }
        void onGroupEnter(UndoContext&) override { heard += L"G"; }
        void onGroupLeave(UndoContext&) override { heard += L"g"; }
        void apply(UndoContext& context) override { heard += L"a"; }
    } global, local;
    manager().addListener(&global);
    undo().addListener(&local);
    const uint32_t mark = manager().registerKind(L"MARK");
    ASSERT_TRUE(undo().setKindListener(mark, &local));
    document->setTransactionKey(0x51);

    typeAt(*document, 0, L"h");
    typeAt(*document, 1, L"i");
    document->beginChange(0, false);
    document->insert(2, L" there,\nthis line is long enough to be cut short in the dump of the log");
    document->remove(0, 1);
    undo().beginRecord(mark);
    undo().write("mark!", 5);
    undo().endRecord();
    document->endChange();
    replay(*document, false);
    replay(*document, false);
    EXPECT_EQ(L"TtTtTtGgGgGg", global.heard) << "global listeners apply no kind";
    EXPECT_EQ(L"TtTtTtGagGgGg", local.heard) << "its own kind is applied after the registry's listener";

    EXPECT_EQ(L"000000 TRANSACTION begin key=00000051 offset=0 class=1 break\n"
              L"000012 DOC-INSERT-S [0, 1] \"h\"\n"
              L"000020 TRANSACTION end key=00000051 offset=0 class=1\n"
              L"000032 TRANSACTION begin key=00000051 offset=1 class=1\n"
              L"000044 DOC-INSERT-S [1, 1] \"i\"\n"
              L"000052 TRANSACTION end key=00000051 offset=1 class=1\n"
              L"000064 TRANSACTION begin key=00000051 offset=1 class=0\n"
              L"000076 DOC-INSERT [2, 71] \" there,\nthis line is long enough to be cut short in the dump of\"...\n"
              L"000232 DOC-REMOVE-S [0, 1] \"h\"\n"
              L"000240 MARK 0000: 6D 61 72 6B| 21         |            |            |  mark!\n"
              L"000248 TRANSACTION end key=00000051 offset=0 class=0\n",
              dump());
    manager().removeListener(&global);
}
