#pragma once
// The shell's tests: the real application started in the test process over temporary "root"
// and "user" folders, with its questions, file dialogs and text dialogs answered by the test
// from queues (an unexpected one fails the test and is cancelled), and ended at the test's end,
// where no loop, handling, hold or round of closing questions may still be counted.
// Its documents, controllers, dock slots and pages are trapped: one touched after it was freed
// faults at once.

#include "app/App.h"
#include "app/AppDialogs.h"
#include "app/CopyDataMessage.h"
#include "app/MainWindow.h"

#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/core/afMainLoop.h"
#include "afw/core/afPanic.h"
#include "afw/window/afTestWindow.h"
#include "afw/window/afWindow.h"
#include "editor/Editor.h"
#include "pel/base/FreedAccessTrap.h"
#include "pel/files/file_io/WatchPool.h"
#include "pel/text/TextConversion.h"
#include "service/document/search/SearchParameters.h"
#include "pel/thread/MainThread.h"
#include "service/base/ServiceSetup.h"
#include "service/base/TesselService.h"
#include "service/document/controller/DocumentController.h"
#include "support/MessagePump.h"
#include "support/OtherProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessel_test {

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* missing = afTestWindow::checkDisplay();
        ASSERT_EQ(nullptr, missing) << missing;
        pel::store_main_thread_id();
        for (const wchar_t* folder : {L"root", L"temp", L"files"})
            ::CreateDirectoryW((base / folder).c_str(), nullptr);
        current() = this;
        pel::FreedAccessTrap::setTrapping(true);
        tessel::TesselService::setSetupSteps({&setUpFolders, nullptr});
        m_panic = afSetPanicHandler([](const wchar_t* text) {
            std::string message;
            pel::toAscii(text, message);
            throw std::runtime_error(message);
        });
        tessel::setQuestionHook([this](const std::wstring& text, const std::vector<tessel::QuestionButton>& buttons) {
            questions.push_back(text);
            const auto chosen = std::find_if(buttons.begin(), buttons.end(),
                                             [](const tessel::QuestionButton& button) { return button.isDefault; });
            defaults.push_back(chosen == buttons.end() ? 0 : chosen->result);
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected question: " << narrow(text);
                return afWindow::RESULT_CANCEL;
            }
            const uint32_t answer = answers.front();
            answers.pop_front();
            return answer;
        });
        tessel::setFileDialogHook([this](bool save, std::wstring& io_path, bool& o_readOnly) {
            shownFileDialogs.push_back(save);
            if (paths.empty())
                return false; // cancelled
            io_path = paths.front();
            paths.pop_front();
            o_readOnly = openReadOnly;
            return true;
        });
        tessel::setTextHook([this](const std::wstring&, std::wstring& io_text) {
            if (texts.empty())
                return false;
            io_text = texts.front();
            texts.pop_front();
            return true;
        });
        tessel::setSearchHook([this](bool replace, tessel::SearchParameters& io_values, const SearchRunner& run) {
            shownSearches.push_back(io_values);
            if (searches.empty()) {
                ADD_FAILURE() << "unexpected search dialog";
                return false;
            }
            io_values = searches.front();
            searches.pop_front();
            // Enter: the default button. Values it refuses keep the dialog open: then cancelled.
            searchOutcomes.push_back(run(replace ? SearchCommand::REPLACE_ALL : SearchCommand::FIND_NEXT, io_values));
            return !searchOutcomes.back().refused;
        });
    }

    void TearDown() override {
        // The test's body plays the main loop: nothing may be counted as nested once it is over.
        const afMainLoop::Check previous =
            afMainLoop::setCheck([](const std::wstring& what) { ADD_FAILURE() << narrow(what); });
        afMainLoop::settle();
        afMainLoop::setCheck(previous);
        stop();
        tessel::TesselService::setSetupSteps({nullptr, nullptr});
        tessel::setQuestionHook(nullptr);
        tessel::setFileDialogHook(nullptr);
        tessel::setTextHook(nullptr);
        tessel::setSearchHook(nullptr);
        afSetPanicHandler(m_panic);
        current() = nullptr;
        pel::FreedAccessTrap::setTrapping(false);
    }

    // Starts the application with the arguments after the program's name; whether it started.
    bool start(const std::wstring& arguments = L"") {
        app = new tessel::App(L"\"Tessel.exe\" " + arguments);
        if (!afApp::init(app, ::GetModuleHandleW(nullptr)))
            return false;
        window = app->getMainWindow();
        // A file written or deleted outside before its folder's watch reads changes is never
        // told: what a test does to its files next waits until every watch is armed (without
        // handling messages, which the test may expect still queued).
        return window != nullptr && pollFor([] { return pel::WatchPool::pendingStarts() == 0; }, 30000, 5);
    }
    // Starts the application with a file of the files folder, written with the bytes, open.
    bool startWithFile(const wchar_t* name, const std::string& bytes) {
        base.write(L"files\\" + std::wstring(name), bytes);
        return start(L"\"" + file(name) + L"\"");
    }
    void stop() {
        if (afApp::getInstance())
            afApp::shutdown();
        app = nullptr;
        window = nullptr;
    }

    // Answers the next questions through `answer` (which may act meanwhile) in place of the queue.
    void answerWith(std::function<uint32_t(const std::wstring&)> answer) {
        tessel::setQuestionHook([this, answer](const std::wstring& text, const std::vector<tessel::QuestionButton>&) {
            questions.push_back(text);
            return answer(text);
        });
    }

    // Runs the registered action of the id, as its key or menu line would.
    void run(const wchar_t* id) {
        afAction* action = afFindAction(id, afApp::getActionRegistry());
        ASSERT_TRUE(action) << narrow(id);
        afActionEvent event;
        action->run(event);
    }
    std::wstring file(const std::wstring& name) const { return base / (L"files\\" + name); }
    // The settings file of the name the program writes in the user folder.
    std::wstring settingsFile(const wchar_t* name) const {
        return base / (L"user\\config\\" + std::wstring(name) + L".tsConfig");
    }
    // Types the text into the active tab's editor, a character at a time.
    void type(const std::wstring& text) {
        for (wchar_t c : text)
            ::SendMessageW(window->getActivePage()->editor->getHandle(), WM_CHAR, c, 1);
    }
    std::wstring activeText() const {
        std::wstring text;
        window->getActivePage()->controller->getText(&text);
        return text;
    }
    LRESULT sendCopyData(ULONG_PTR kind, const void* bytes, DWORD size) const {
        COPYDATASTRUCT data = {kind, size, const_cast<void*>(bytes)};
        return ::SendMessageW(window->getHandle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    // A second start's hand-over of the file, as it sends it: the window's answer (1 taken).
    LRESULT handOver(const std::wstring& path) const {
        const std::wstring text = tessel::CopyDataMessage::encode(L"\"Tessel.exe\" \"" + path + L"\"");
        return sendCopyData(0, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    }
    static std::string narrow(const std::wstring& text) {
        std::string out;
        pel::toAscii(text, out);
        return out;
    }

    TempFolder base;
    tessel::App* app = nullptr;
    tessel::MainWindow* window = nullptr;
    std::vector<std::wstring> questions;
    // The result of each question's default button (what Enter answers), 0 for none.
    std::vector<uint32_t> defaults;
    std::deque<uint32_t> answers;
    std::deque<std::wstring> paths;
    // The open dialog's read-only box as the user confirms it; the kind of each file dialog
    // shown (true: Save As).
    bool openReadOnly = false;
    std::vector<bool> shownFileDialogs;
    std::deque<std::wstring> texts;
    // What the search dialog is answered with, what it was shown, and what its default button
    // answered in it.
    std::deque<tessel::SearchParameters> searches;
    std::vector<tessel::SearchParameters> shownSearches;
    std::vector<SearchOutcome> searchOutcomes;

private:
    static bool setUpFolders(tessel::Config& config) {
        const TempFolder& folder = current()->base;
        return tessel::setupFileSystem(config,
                                       {folder / L"root", folder / L"user", folder / L"appdata", folder / L"temp"});
    }
    static ShellFixture*& current() {
        static ShellFixture* fixture = nullptr;
        return fixture;
    }

    afPanicHandler m_panic = nullptr;
};

} // namespace tessel_test
