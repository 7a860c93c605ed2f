// The main window while the loader holds a load: it paints, answers messages and queues what a
// second start hands over, refuses input, shows the activity, and then gets the document; a
// held reload paints the document as it was until the new text takes its place. The end of the
// Windows session, asked meanwhile, waits for the loader's work and then asks about the rest.

#include "AbandonedFrames.h"
#include "ShellFixture.h"

#include "app/CopyDataMessage.h"
#include "app/LoaderWait.h"
#include "app/StatusBar.h"

#include "bundles/ToolStripStatus.h"
#include "editor/Editor.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/thread/Event.h"
#include "service/document/io/DocumentIORequest.h"
#include "support/MemoryFileDevice.h"
#include "support/OtherProcess.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace tessel;

namespace {

// A window of the main thread that runs the test's question there when another thread sends
// it WM_APP: sent messages reach a thread only while it handles its messages.
class MainThreadProbe {
public:
    explicit MainThreadProbe(std::function<bool()> question) : m_question(std::move(question)) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"LoaderWaitProbe";
        ::RegisterClassW(&windowClass);
        m_window = ::CreateWindowExW(0, L"LoaderWaitProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     windowClass.hInstance, this);
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~MainThreadProbe() { ::DestroyWindow(m_window); }

    // From another thread: the question's answer, false when the main thread did not answer
    // within the limit.
    bool ask(DWORD limit = 30000) const {
        DWORD_PTR answer = 0;
        return ::SendMessageTimeoutW(m_window, WM_APP, 0, 0, SMTO_NORMAL, limit, &answer) && answer == 1;
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* probe = reinterpret_cast<MainThreadProbe*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_APP && probe)
            return probe->m_question() ? 1 : 0;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<bool()> m_question;
    HWND m_window = nullptr;
};

class LoaderWaitTest : public tessel_test::ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        device.files[L"big.txt"] = "first line\r\nsecond line\r\n";
        device.readGateShut = true;
        pel::FileIO::attachDevice(L"held", &device, 0);
    }
    void TearDown() override {
        ShellFixture::TearDown();
        pel::FileIO::detachDevice(L"held");
    }

    static void edit(MainWindow::Page& page, const std::wstring& text) {
        DocumentController::Lock lock(*page.controller, DocumentController::LOCK_EDIT);
        page.controller->typeText(text.c_str(), static_cast<int32_t>(text.size()));
    }
    // Starts the program with big.txt open (read at once) and `typed` at its start: its tab,
    // null when it did not open.
    MainWindow::Page* startEdited(const std::wstring& typed) {
        device.readGateShut = false;
        if (!start() || !window->openFile(L"held:big.txt"))
            return nullptr;
        MainWindow::Page* page = window->getActivePage();
        edit(*page, typed);
        return page;
    }

    // Runs `work` (a save or reload of a held file) with the device's gate of writes, or of
    // reads, shut, and sends the window `message` from inside its wait once the loader is held
    // there; `first` runs right before the message and `then` right after the answer, still
    // inside that wait. The gate opens once the window handles the message and answers no other
    // meanwhile (it waits for the loader), or has answered it. The window's answer; -1 when the
    // loader was never held.
    LRESULT sendWhileHeld(bool reads, UINT message, WPARAM wParam, const std::function<void()>& work,
                          const std::function<void()>& then = nullptr, const std::function<void()>& first = nullptr) {
        HWND main = window->getHandle();
        bool& shut = reads ? device.readGateShut : device.gateShut;
        pel::Event& gate = reads ? device.readGate : device.writeGate;
        pel::Event& held = reads ? device.readWaiting : device.writeWaiting;
        pel::Event handling(false);
        LRESULT answer = -1;
        const MainThreadProbe sender([&] {
            if (first)
                first();
            handling.signal();
            answer = ::SendMessageW(main, message, wParam, 0);
            if (then)
                then();
            return true;
        });
        const MainThreadProbe answering([] { return true; });
        shut = true;
        std::thread user([&] {
            if (held.tryWait(30000))
                sender.ask();
            handling.signal();
        });
        std::thread opener([&] {
            handling.tryWait(30000);
            answering.ask(300);
            shut = false;
            gate.signal();
        });
        work();
        user.join();
        opener.join();
        return answer;
    }

    // Whether an activity of the load is listed.
    static bool loadShown() {
        for (const ToolStripStatus::Activity& activity : ToolStripStatus::getActivities())
            if (activity.second == L"Loading big.txt...")
                return true;
        return false;
    }

    tessel_test::MemoryFileDevice device;
};

TEST(LoaderWaitTextTest, TheActivityNamesTheFileAndWhatIsDoneWithIt) {
    EXPECT_EQ(L"Loading big.txt...", LoaderWait::activityText(DOCUMENT_IO_LOAD, L"C:\\files\\big.txt"));
    EXPECT_EQ(L"Saving big.txt...", LoaderWait::activityText(DOCUMENT_IO_SAVE, L"held:big.txt"));
    EXPECT_EQ(L"Loading a b.c...", LoaderWait::activityText(DOCUMENT_IO_LOAD, L"d:/x/a b.c"));
    EXPECT_EQ(L"Loading ...", LoaderWait::activityText(DOCUMENT_IO_LOAD, nullptr));
}

TEST_F(LoaderWaitTest, WhileALoadIsHeldTheWindowPaintsAndQueuesAHandOverButTakesNoInput) {
    base.write(L"files\\next.txt", "next");
    ASSERT_TRUE(start());
    HWND main = window->getHandle();
    HWND untitled = window->getActivePage()->editor->getHandle();
    StatusBar* status = window->getStatusBar();
    const MainThreadProbe activityShown(
        [&] { return status->getShownText() == L"Loading big.txt..." && status->isSpinning(); });
    const MainThreadProbe disabled([&] { return !::IsWindowEnabled(main); });
    const MainThreadProbe handOverQueued([&] { return window->getPendingCommandCount() == 1; });
    const std::wstring line = CopyDataMessage::encode(L"\"Tessel.exe\" \"" + file(L"next.txt") + L"\"");
    std::atomic<bool> reachedRead{false}, disabledMeanwhile{false}, painted{false}, activity{false}, queued{false};
    std::atomic<LRESULT> handedOver{0};
    std::thread user([&] {
        if ((reachedRead = device.readWaiting.tryWait(30000))) {
            disabledMeanwhile = tessel_test::pollFor([&] { return disabled.ask(); }, 30000, 20);
            // Typing and a click into the document the load replaces: either would keep it. A
            // paint comes only once the queue is empty, so these have been handled by then.
            ::PostMessageW(untitled, WM_CHAR, L'x', 1);
            ::PostMessageW(untitled, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 5));
            ::PostMessageW(untitled, WM_LBUTTONUP, 0, MAKELPARAM(40, 5));
            ::InvalidateRect(main, nullptr, TRUE);
            RECT left;
            painted = tessel_test::pollFor([&] { return !::GetUpdateRect(main, &left, FALSE); }, 30000);
            COPYDATASTRUCT data = {0, static_cast<DWORD>(line.size() * 2), const_cast<wchar_t*>(line.data())};
            DWORD_PTR answer = 0;
            if (::SendMessageTimeoutW(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 30000,
                                      &answer))
                handedOver = static_cast<LRESULT>(answer);
            queued = handOverQueued.ask();
            activity = tessel_test::pollFor([&] { return activityShown.ask(); }, 30000, 20);
        }
        device.readGateShut = false;
        device.readGate.signal();
    });
    const bool opened = window->openFile(L"held:big.txt");
    user.join();
    ASSERT_TRUE(reachedRead) << "the loader never read the file";
    EXPECT_TRUE(opened);
    EXPECT_TRUE(disabledMeanwhile) << "the window was not disabled during the load";
    EXPECT_TRUE(painted) << "the window did not paint during the load";
    EXPECT_EQ(1, handedOver) << "the hand-over was not answered during the load";
    EXPECT_TRUE(queued) << "the hand-over was not queued for after the load";
    EXPECT_TRUE(activity) << "the status bar never showed the load";
    // The load completes as before: the untouched "Untitled" gave way to the file.
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_FALSE(loadShown());
    ASSERT_EQ(1u, window->getPages().size());
    EXPECT_EQ(L"held:big.txt - Tessel", window->getTitleText());
    std::wstring text;
    window->getActivePage()->controller->getText(&text);
    EXPECT_EQ(L"first line\nsecond line\n", text);
    // The hand-over opens after the load.
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getPendingCommandCount() == 0; }));
    EXPECT_EQ(L"next.txt - Tessel", window->getTitleText());
    EXPECT_EQ(2u, window->getPages().size());
    EXPECT_TRUE(questions.empty());
}

// A wait that fails (here the status bar's listener, as the load's activity is added) gives the
// window back all the same, and the load still ends with its document.
TEST_F(LoaderWaitTest, AWaitThatFailsGivesTheWindowBack) {
    ASSERT_TRUE(start());
    HWND main = window->getHandle();
    std::atomic<bool> failed{false};
    std::function<void()> previous;
    previous = ToolStripStatus::setListener([&] {
        if (previous)
            previous();
        if (!failed && loadShown()) {
            failed = true;
            throw std::runtime_error("no room for the activity");
        }
    });
    std::atomic<bool> enabledAgain{false};
    std::thread user([&] {
        // The main thread waits on the loader once the waiter failed: asked from here, not sent.
        if (device.readWaiting.tryWait(30000) && tessel_test::pollFor([&] { return failed.load(); }, 30000, 20))
            enabledAgain = tessel_test::pollFor([&] { return ::IsWindowEnabled(main) != FALSE; }, 30000, 20);
        device.readGateShut = false;
        device.readGate.signal();
    });
    const bool opened = window->openFile(L"held:big.txt");
    user.join();
    ToolStripStatus::setListener(previous);
    // The activity whose listener failed was listed all the same: it goes with the test.
    for (const ToolStripStatus::Activity& activity : std::vector<ToolStripStatus::Activity>(ToolStripStatus::getActivities()))
        if (activity.second == L"Loading big.txt...")
            ToolStripStatus::removeActivity(activity.first);
    ASSERT_TRUE(failed) << "the load's activity was never added";
    EXPECT_TRUE(enabledAgain) << "the window stayed disabled";
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_TRUE(opened);
    EXPECT_EQ(L"held:big.txt - Tessel", window->getTitleText());
}

TEST_F(LoaderWaitTest, WhileASaveIsHeldTheWindowAndTheSavedDocumentsEditorPaint) {
    device.readGateShut = false;
    ASSERT_TRUE(start());
    ASSERT_TRUE(window->openFile(L"held:big.txt"));
    MainWindow::Page& page = *window->getActivePage();
    {
        DocumentController::Lock lock(*page.controller, DocumentController::LOCK_EDIT);
        page.controller->typeText(L"new ", 4);
    }
    HWND main = window->getHandle();
    HWND editor = page.editor->getHandle();
    StatusBar* status = window->getStatusBar();
    const MainThreadProbe activityShown(
        [&] { return status->getShownText() == L"Saving big.txt..." && !::IsWindowEnabled(main); });
    std::atomic<bool> reachedWrite{false}, painted{false}, activity{false};
    device.gateShut = true;
    std::thread user([&] {
        if ((reachedWrite = device.writeWaiting.tryWait(30000))) {
            activity = tessel_test::pollFor([&] { return activityShown.ask(); }, 30000, 20);
            // The saved document's own editor too: the text is there to paint while it is written.
            ::InvalidateRect(editor, nullptr, TRUE);
            ::InvalidateRect(main, nullptr, TRUE);
            RECT left;
            painted = tessel_test::pollFor(
                [&] { return !::GetUpdateRect(main, &left, FALSE) && !::GetUpdateRect(editor, &left, FALSE); }, 30000);
        }
        device.gateShut = false;
        device.writeGate.signal();
    });
    const bool saved = window->save(page);
    user.join();
    ASSERT_TRUE(reachedWrite) << "the loader never wrote the file";
    EXPECT_TRUE(saved);
    EXPECT_TRUE(activity) << "the status bar never showed the save";
    EXPECT_TRUE(painted) << "the window did not paint during the save";
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_EQ("new first line\r\nsecond line\r\n", device.files[L"big.txt"]);
    EXPECT_EQ(L"held:big.txt - Tessel", window->getTitleText());
}

TEST_F(LoaderWaitTest, WhileAReloadIsHeldTheWindowAndTheReloadedDocumentsEditorPaintItsOldText) {
    device.readGateShut = false;
    ASSERT_TRUE(start());
    ASSERT_TRUE(window->openFile(L"held:big.txt"));
    MainWindow::Page& page = *window->getActivePage();
    HWND main = window->getHandle();
    HWND editor = page.editor->getHandle();
    StatusBar* status = window->getStatusBar();
    const MainThreadProbe activityShown(
        [&] { return status->getShownText() == L"Loading big.txt..." && status->isSpinning(); });
    // The editor's document reads as it was while the new text is read aside.
    const MainThreadProbe oldText([&] { return activeText() == L"first line\nsecond line\n"; });
    device.files[L"big.txt"] = "changed outside\r\n";
    device.readGateShut = true;
    answers.push_back(MainWindow::RESULT_RELOAD);
    std::atomic<bool> reachedRead{false}, painted{false}, activity{false}, readable{false};
    std::thread user([&] {
        if ((reachedRead = device.readWaiting.tryWait(30000))) {
            activity = tessel_test::pollFor([&] { return activityShown.ask(); }, 30000, 20);
            readable = oldText.ask();
            ::InvalidateRect(editor, nullptr, TRUE);
            ::InvalidateRect(main, nullptr, TRUE);
            RECT left;
            painted = tessel_test::pollFor(
                [&] { return !::GetUpdateRect(main, &left, FALSE) && !::GetUpdateRect(editor, &left, FALSE); }, 30000);
        }
        device.readGateShut = false;
        device.readGate.signal();
    });
    // Asked from the loop: the reload's wait runs inside it.
    page.controller->getDocument().notifyFileChanged(DocumentFileChange{FILE_CHANGE_MODIFIED});
    EXPECT_TRUE(tessel_test::pumpUntil([&] { return !questions.empty(); }));
    user.join();
    ASSERT_TRUE(reachedRead) << "the loader never read the file again";
    EXPECT_TRUE(activity) << "the status bar never showed the reload";
    EXPECT_TRUE(readable) << "the document did not read as it was during the reload";
    EXPECT_TRUE(painted) << "the window or the document's editor did not paint during the reload";
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return activeText() == L"changed outside\n"; }))
        << "the reload never completed";
    EXPECT_TRUE(::IsWindowEnabled(main));
    EXPECT_FALSE(loadShown());
    EXPECT_FALSE(page.controller->isModifiedOnDisk());
    EXPECT_EQ(1u, questions.size());
}

TEST_F(LoaderWaitTest, AfterALoadTheWindowIsEnabledAndTheNewDocumentHasTheFocus) {
    device.readGateShut = false;
    ASSERT_TRUE(start());
    ASSERT_TRUE(window->openFile(L"held:big.txt"));
    EXPECT_TRUE(::IsWindowEnabled(window->getHandle()));
    EXPECT_EQ(window->getActivePage()->editor->getHandle(), ::GetFocus());
    EXPECT_FALSE(loadShown());
}

// The end of the session asked while a save waits for the loader waits for the save: the saved
// document counts as saved, and only what else is unsaved is asked about, and saved.
TEST_F(LoaderWaitTest, ASessionEndDuringASaveWaitsForItThenAsksOnlyAboutTheRest) {
    device.files[L"other.txt"] = "other\r\n";
    MainWindow::Page* const page = startEdited(L"new ");
    ASSERT_TRUE(page);
    ASSERT_TRUE(window->openFile(L"held:other.txt"));
    edit(*window->getActivePage(), L"more ");
    answers.push_back(MainWindow::RESULT_SAVE);
    bool saved = false;
    EXPECT_EQ(TRUE, sendWhileHeld(false, WM_QUERYENDSESSION, 0, [&] { saved = window->save(*page); }));
    EXPECT_TRUE(saved);
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(L"Save changes to `held:other.txt` before closing?", questions[0]);
    EXPECT_EQ("new first line\r\nsecond line\r\n", device.files[L"big.txt"]);
    EXPECT_EQ("more other\r\n", device.files[L"other.txt"]);
    EXPECT_FALSE(page->controller->isModified());
}

// A save that fails while the end of the session waits for it leaves its document unsaved: that
// is asked about, and "Save" there saves it, never refused for the request that was under way.
TEST_F(LoaderWaitTest, ASaveThatFailedUnderASessionEndIsSavedFromItsQuestion) {
    MainWindow::Page* const page = startEdited(L"new ");
    ASSERT_TRUE(page);
    device.writeLimit = 0; // full until the question
    setQuestionHook([&](const std::wstring& text, const std::vector<QuestionButton>&) {
        questions.push_back(text);
        device.writeLimit = SIZE_MAX;
        return text.find(L"Save changes") == 0 ? MainWindow::RESULT_SAVE : afWindow::RESULT_OK;
    });
    bool saved = true;
    EXPECT_EQ(TRUE, sendWhileHeld(false, WM_QUERYENDSESSION, 0, [&] { saved = window->save(*page); }));
    EXPECT_FALSE(saved) << "the save under way failed";
    ASSERT_LE(1u, questions.size());
    EXPECT_EQ(L"Save changes to `held:big.txt` before closing?", questions[0]);
    for (const std::wstring& question : questions)
        EXPECT_EQ(std::wstring::npos, question.find(L"being edited")) << narrow(question);
    EXPECT_EQ("new first line\r\nsecond line\r\n", device.files[L"big.txt"]);
    EXPECT_FALSE(page->controller->isModified());
}

// An edited document whose reload ("Reload" answered) the end of the session meets counts as
// reloaded: there is nothing to ask about.
TEST_F(LoaderWaitTest, ASessionEndDuringAReloadCountsTheDocumentAsReloaded) {
    MainWindow::Page* const page = startEdited(L"lost ");
    ASSERT_TRUE(page);
    device.files[L"big.txt"] = "changed outside\r\n";
    answers.push_back(MainWindow::RESULT_RELOAD);
    EXPECT_EQ(TRUE, sendWhileHeld(true, WM_QUERYENDSESSION, 0, [&] {
                  page->controller->getDocument().notifyFileChanged(DocumentFileChange{FILE_CHANGE_MODIFIED});
                  tessel_test::pumpUntil([&] { return !questions.empty(); });
              }));
    EXPECT_EQ(1u, questions.size()) << "only the outside change was asked about";
    EXPECT_EQ(L"changed outside\n", activeText());
    EXPECT_FALSE(page->controller->isModified());
}

// The process ends once the end of the session returns: it never returns while the loader
// still writes a document.
TEST_F(LoaderWaitTest, TheSessionsEndReturnsOnlyOnceTheSaveUnderWayIsWritten) {
    MainWindow::Page* const page = startEdited(L"new ");
    ASSERT_TRUE(page);
    const DocumentManager& documents = app->getControllers()->getDocumentManager();
    bool written = false;
    bool saved = false;
    sendWhileHeld(false, WM_ENDSESSION, TRUE, [&] { saved = window->save(*page); },
                  [&] { written = documents.leavesInSync(page->controller->getDocument()); });
    EXPECT_TRUE(written) << "the session's end returned before the save was written";
    EXPECT_TRUE(saved);
    EXPECT_EQ("new first line\r\nsecond line\r\n", device.files[L"big.txt"]);
}

// Save As of an edited file to a new name, and another program's change to the old file met
// inside its wait, answered once the save has run: nothing starts under the save (a reload there
// would hang the window at its first paint of the document, or leave the tab named after the new
// file with the old file's text); the change is looked at once the save is over, and then there
// is nothing to ask: the tab shows the new file, which holds the user's text.
TEST_F(LoaderWaitTest, AnOutsideChangeMetInsideTheWaitOfASaveAsWaitsForItAndTheTabKeepsTheUsersText) {
    MainWindow::Page* const page = startEdited(L"mine ");
    ASSERT_TRUE(page);
    Document& document = page->controller->getDocument();
    const DocumentManager& documents = app->getControllers()->getDocumentManager();
    HWND editor = page->editor->getHandle();
    // Answered after the save has run, as a user slower than the loader would; the reload's read
    // is held, so that the window paints the document while it waits for it.
    setQuestionHook([&](const std::wstring& text, const std::vector<QuestionButton>&) {
        questions.push_back(text);
        device.gateShut = false;
        device.writeGate.signal();
        tessel_test::pollFor([&] { return documents.leavesInSync(document); }, 30000);
        device.readGateShut = true;
        return MainWindow::RESULT_RELOAD;
    });
    const MainThreadProbe changedOutside([&] {
        device.files[L"big.txt"] = "changed outside\r\n";
        document.notifyFileChanged(DocumentFileChange{FILE_CHANGE_MODIFIED});
        return true;
    });
    const MainThreadProbe answering([] { return true; });
    pel::Event over(false);
    device.gateShut = true;
    std::thread user([&] {
        if (device.writeWaiting.tryWait(30000))
            changedOutside.ask(1000);
        device.gateShut = false;
        device.writeGate.signal();
        // A reload under the save: once it reads, the document's editor is painted. A window that
        // never answers again would hang the suite: it ends the test program instead.
        const HANDLE either[] = {device.readWaiting.handle(), over.handle()};
        if (::WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0) {
            ::InvalidateRect(editor, nullptr, TRUE);
            if (!answering.ask(60000)) {
                std::fprintf(stderr, "The window hangs: a reload started inside the wait of the save painted the "
                                     "document whose mutex the save holds.\n");
                std::fflush(stderr);
                ::TerminateProcess(::GetCurrentProcess(), 3);
            }
        }
        device.readGateShut = false;
        device.readGate.signal();
    });
    paths.push_back(L"held:new.txt");
    const bool saved = window->saveAs(*page);
    over.signal();
    user.join();
    tessel_test::dispatchPending();
    EXPECT_TRUE(saved);
    EXPECT_EQ("mine first line\r\nsecond line\r\n", device.files[L"new.txt"]);
    EXPECT_EQ("changed outside\r\n", device.files[L"big.txt"]);
    EXPECT_EQ(L"held:new.txt - Tessel", window->getTitleText());
    EXPECT_EQ(L"mine first line\nsecond line\n", activeText());
    EXPECT_TRUE(questions.empty()) << narrow(questions.front());
}

// The end of the session inside a save that fails looks at every edited tab, and one whose file
// another program changed (after the save asked what was pending) would ask about that first:
// the question waits until the save is over (its Reload would start under the failed save), and
// is asked then.
TEST_F(LoaderWaitTest, AnOutsideChangeMetInsideTheWaitOfAFailedSaveIsAskedAboutOnceTheSaveIsOver) {
    device.files[L"other.txt"] = "other\r\n";
    MainWindow::Page* const page = startEdited(L"mine ");
    ASSERT_TRUE(page);
    ASSERT_TRUE(window->openFile(L"held:other.txt"));
    device.files[L"big.txt"] = "changed outside\r\n";
    device.writeLimit = 0; // full: the save fails
    answers = {MainWindow::RESULT_DONT_SAVE, afWindow::RESULT_OK, MainWindow::RESULT_RELOAD};
    bool saved = true;
    const auto changedOutside = [&] {
        page->controller->getDocument().notifyFileChanged(DocumentFileChange{FILE_CHANGE_MODIFIED});
    };
    EXPECT_EQ(TRUE, sendWhileHeld(false, WM_QUERYENDSESSION, 0, [&] { saved = window->save(*page); }, nullptr,
                                  changedOutside));
    EXPECT_FALSE(saved);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() == 3; })) << questions.size() << " questions";
    EXPECT_EQ(L"Save changes to `held:big.txt` before closing?", questions[0]);
    EXPECT_EQ(0u, questions[1].find(L"Cannot save `held:big.txt`")) << narrow(questions[1]);
    EXPECT_EQ(L"`held:big.txt` was changed by another program. Reload it? Its unsaved changes here would be lost.",
              questions[2]);
    ASSERT_TRUE(tessel_test::pumpUntil([&] { return activeText() == L"changed outside\n"; }))
        << "not reloaded: " << narrow(activeText());
    EXPECT_FALSE(page->controller->isModifiedOnDisk());
}

// A question inside the wait of a save may try to close the saved document's tab (the end of the
// session: Save of another tab, Save As onto the saved file, Replace): the tab stays, saying why,
// since the save's caller goes on with it, and so does the other tab, unsaved.
TEST_F(LoaderWaitTest, ATabWhoseSaveIsUnderWayStaysWhenAQuestionInsideTheWaitWouldCloseIt) {
    MainWindow::Page* const page = startEdited(L"mine ");
    ASSERT_TRUE(page);
    window->newDocument();
    edit(*window->getActivePage(), L"new");
    paths.push_back(L"held:big.txt");
    answers = {MainWindow::RESULT_SAVE, MainWindow::RESULT_REPLACE, afWindow::RESULT_OK};
    bool saved = false;
    EXPECT_EQ(FALSE, sendWhileHeld(false, WM_QUERYENDSESSION, 0, [&] { saved = window->save(*page); }));
    EXPECT_TRUE(saved);
    ASSERT_EQ(3u, questions.size());
    EXPECT_EQ(L"Save changes to `Untitled` before closing?", questions[0]);
    EXPECT_EQ(L"`held:big.txt` is still being saved or read: its tab cannot close until that is over.", questions[2]);
    EXPECT_EQ("mine first line\r\nsecond line\r\n", device.files[L"big.txt"]);
    const std::vector<MainWindow::Page*> pages = window->getPages();
    ASSERT_EQ(2u, pages.size());
    EXPECT_EQ(page, pages[0]);
    EXPECT_FALSE(page->controller->isModified());
    EXPECT_EQ(L"Untitled *", window->getLabel(*pages[1]));
}

// A fault inside a load's wait (here, as the activity shows) abandons the wait, which had taken
// the window's close: the main loop gives the wait back, and with it the close, which asks about
// the modified "Untitled" as any close does.
TEST_F(LoaderWaitTest, AWaitAFaultAbandonedPassesOnTheCloseItHeld) {
    ASSERT_TRUE(start());
    type(L"x");
    HWND main = window->getHandle();
    const std::function<void()> statusBar = ToolStripStatus::setListener([] {
        if (loadShown())
            tessel_test::raiseFault();
    });
    bool returned = false;
    tessel_test::underTheSystemsGuard([&] {
        ::PostMessageW(main, WM_CLOSE, 0, 0);
        window->openFile(L"held:big.txt");
        returned = true;
    });
    ToolStripStatus::setListener(statusBar);
    device.readGateShut = false;
    device.readGate.signal();
    ASSERT_FALSE(returned) << "the fault did not end the callback";
    EXPECT_TRUE(questions.empty());
    const std::wstring told = tessel_test::settled();
    EXPECT_NE(std::wstring::npos, told.find(L"LoaderWait's waits")) << narrow(told);
    EXPECT_TRUE(::IsWindowEnabled(main));
    answers.push_back(afWindow::RESULT_CANCEL);
    EXPECT_TRUE(tessel_test::pumpUntil([&] { return !questions.empty(); })) << "the close the wait held was lost";
    EXPECT_EQ(std::vector<std::wstring>{L"Save changes to `Untitled` before closing?"}, questions);
}

} // namespace
