// 300 random steps of a user's work (open, new, type, save, save as (sometimes onto a file another
// tab holds), close with each answer, switch tabs, a second start's open or new, another program's
// change to the active tab's file) against a model of the tabs, the active tab, the modified
// flags, the titles and the bytes on disk; never two tabs on one file.

#include "ShellFixture.h"

#include "app/CopyDataMessage.h"
#include "editor/Editor.h"

#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "pel/files/file_io/FileIO.h"
#include "service/document/controller/DocumentController.h"

#include <algorithm>
#include <map>
#include <random>

using namespace tessel;

namespace {

struct ModelTab {
    std::wstring path; // empty for "Untitled"
    int untitled = 0;
    std::wstring text;
    size_t caret = 0;
    bool modified = false;
    // Another program's change of its file was kept over it: closing asks until it is saved.
    bool kept = false;
    int id = 0;
    bool unsaved() const { return modified || kept; }
};

class ShellModel {
public:
    std::vector<ModelTab> tabs; // in tab order
    std::vector<int> used;      // tab ids, the active one last
    std::map<std::wstring, std::wstring> disk;
    int nextId = 1;

    ModelTab& active() { return *find(used.back()); }
    std::vector<ModelTab>::iterator find(int id) {
        return std::find_if(tabs.begin(), tabs.end(), [&](const ModelTab& tab) { return tab.id == id; });
    }
    void activate(int id) {
        used.erase(std::remove(used.begin(), used.end(), id), used.end());
        used.push_back(id);
    }
    void add(ModelTab tab) {
        tab.id = nextId++;
        tabs.push_back(tab);
        activate(tab.id);
    }
    void addUntitled() {
        ModelTab tab;
        for (tab.untitled = 1;
             std::any_of(tabs.begin(), tabs.end(), [&](const ModelTab& t) { return t.untitled == tab.untitled; });)
            ++tab.untitled;
        add(tab);
    }
    void remove(int id) {
        tabs.erase(find(id));
        used.erase(std::remove(used.begin(), used.end(), id), used.end());
        if (tabs.empty())
            addUntitled();
    }
    static std::wstring label(const ModelTab& tab) {
        std::wstring text = tab.untitled == 0   ? tab.path.substr(tab.path.rfind(L'\\') + 1)
                            : tab.untitled == 1 ? L"Untitled"
                                                : L"Untitled " + std::to_wstring(tab.untitled);
        return tab.unsaved() ? text + L" *" : text;
    }
};

class ShellModelTest : public tessel_test::ShellFixture {
protected:
    std::wstring freshPath() { return file(L"saved" + std::to_wstring(++saved) + L".txt"); }
    void write(const std::wstring& path, const std::wstring& text) {
        base.write(L"files\\" + path.substr(path.rfind(L'\\') + 1), narrow(text));
    }

    // The tab saved through its path, or through Save As for "Untitled": queues the dialog's
    // answer (or a cancel) and, for a file another tab holds, the answers of the questions that
    // closing that tab asks; whether it is saved.
    bool saveInModel(int id, bool asked, std::mt19937& random) {
        ModelTab* tab = &*model.find(id);
        if (tab->untitled || asked) {
            if (random() % 5 == 0)
                return false; // the dialog cancelled
            std::vector<int> others;
            for (const ModelTab& other : model.tabs)
                if (other.id != id && !other.path.empty())
                    others.push_back(other.id);
            const int holder = !others.empty() && random() % 3 == 0 ? others[random() % others.size()] : 0;
            const std::wstring path = holder ? model.find(holder)->path : freshPath();
            paths.push_back(path);
            ++savedAs;
            const bool free = !holder || closeHolder(holder, random);
            tab = &*model.find(id); // the holder's removal moved the tabs
            if (holder)
                model.activate(id); // back from the holder's question
            if (!free)
                return false;
            tab->path = path;
            tab->untitled = 0;
        }
        model.disk[tab->path] = tab->text;
        tab->modified = false;
        tab->kept = false;
        return true;
    }
    // The other tab holding the chosen path: Replace closes it, asking about its own edits.
    bool closeHolder(int id, std::mt19937& random) {
        ++replaceQuestions;
        if (random() % 4 == 0) {
            answers.push_back(afWindow::RESULT_CANCEL);
            return false;
        }
        answers.push_back(MainWindow::RESULT_REPLACE);
        ModelTab& holder = *model.find(id);
        if (holder.unsaved()) {
            model.activate(id); // shown while asked
            const uint32_t answer = ANSWERS[random() % 3];
            answers.push_back(answer);
            if (answer == afWindow::RESULT_CANCEL)
                return false;
            if (answer == MainWindow::RESULT_SAVE)
                model.disk[holder.path] = holder.text;
        }
        model.remove(id);
        return true;
    }
    // Written aside and moved in, as programs that save safely do (one change, one notice), a
    // second later than the file's last write: a write within the file system's clock tick of
    // the last save would look like no change.
    void replaceOutside(const std::wstring& path, const std::wstring& text) {
        const std::wstring aside = base / L"temp\\outside.tmp";
        base.write(L"temp\\outside.tmp", narrow(text));
        WIN32_FILE_ATTRIBUTE_DATA old = {};
        ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &old));
        ULARGE_INTEGER time = {{old.ftLastWriteTime.dwLowDateTime, old.ftLastWriteTime.dwHighDateTime}};
        time.QuadPart += 10000000;
        const FILETIME later = {time.LowPart, time.HighPart};
        HANDLE file = ::CreateFileW(aside.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        ::SetFileTime(file, nullptr, nullptr, &later);
        ::CloseHandle(file);
        ASSERT_TRUE(::MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    }
    // Another program writes the active tab's file; the question comes with Keep as its default
    // when the tab holds unsaved edits, or text kept over an earlier change.
    void changeOutside(int step, std::mt19937& random) {
        ModelTab& tab = model.active();
        if (tab.path.empty())
            return;
        const std::wstring text = L"outside " + std::to_wstring(step);
        const bool reload = random() % 2 == 0;
        answers.push_back(reload ? MainWindow::RESULT_RELOAD : MainWindow::RESULT_KEEP);
        const size_t asked = questions.size();
        replaceOutside(tab.path, text);
        model.disk[tab.path] = text;
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return questions.size() > asked; }))
            << "the change of " << narrow(tab.path) << " was never asked about";
        const std::wstring question = L"`" + tab.path + L"` was changed by another program. Reload it?";
        EXPECT_EQ(narrow(tab.unsaved() ? question + L" Its unsaved changes here would be lost." : question),
                  narrow(questions.back()));
        EXPECT_EQ(tab.unsaved() ? MainWindow::RESULT_KEEP : MainWindow::RESULT_RELOAD, defaults.back());
        ++outsideChanges;
        if (!reload) {
            tab.kept = true;
            return;
        }
        tab.kept = false;
        tab.text = text;
        tab.caret = 0;
        tab.modified = false;
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return activeText() == text; })) << "never reloaded";
    }

    void check(int step) {
        SCOPED_TRACE("step " + std::to_string(step));
        EXPECT_TRUE(answers.empty() && paths.empty()) << "a question or dialog the model expected did not come";
        answers.clear();
        paths.clear();
        const std::vector<MainWindow::Page*> pages = window->getPages();
        ASSERT_EQ(model.tabs.size(), pages.size());
        for (size_t i = 0; i < pages.size(); ++i)
            for (size_t j = 0; j < i; ++j) {
                const std::wstring& path = pages[i]->controller->getPath();
                EXPECT_FALSE(!path.empty() && pel::FileIO::isSamePath(path.c_str(), pages[j]->controller->getPath().c_str()))
                    << "tabs " << j << " and " << i << " both hold " << narrow(path);
            }
        for (size_t i = 0; i < pages.size(); ++i) {
            const ModelTab& tab = model.tabs[i];
            EXPECT_EQ(narrow(ShellModel::label(tab)), narrow(window->getLabel(*pages[i]))) << i;
            EXPECT_EQ(tab.modified, pages[i]->controller->isModified()) << i;
            std::wstring text;
            pages[i]->controller->getText(&text);
            EXPECT_EQ(narrow(tab.text), narrow(text)) << i;
        }
        ASSERT_TRUE(window->getActivePage());
        EXPECT_EQ(model.active().id,
                  model.tabs[std::find(pages.begin(), pages.end(), window->getActivePage()) - pages.begin()].id);
        const std::wstring title = ShellModel::label(model.active()) + L" - Tessel";
        wchar_t shown[256] = {};
        ::GetWindowTextW(window->getHandle(), shown, 256);
        EXPECT_EQ(narrow(title), narrow(shown));
        for (const auto& entry : model.disk)
            EXPECT_EQ(narrow(entry.second), base.read(L"files\\" + entry.first.substr(entry.first.rfind(L'\\') + 1)))
                << narrow(entry.first);
    }

    static constexpr uint32_t ANSWERS[] = {MainWindow::RESULT_SAVE, MainWindow::RESULT_DONT_SAVE,
                                           afWindow::RESULT_CANCEL};
    ShellModel model;
    int saved = 0;   // fresh paths
    int savedAs = 0; // paths the dialog chose, fresh or held by another tab
    int replaceQuestions = 0;
    int outsideChanges = 0;
};

} // namespace

TEST_F(ShellModelTest, RandomStepsKeepTabsTitlesAndFilesAsTheModelSays) {
    const std::vector<std::wstring> files = {file(L"a.txt"), file(L"b.c"), file(L"c.md"), file(L"d.json")};
    for (size_t i = 0; i < files.size(); ++i) {
        write(files[i], L"file" + std::to_wstring(i));
        model.disk[files[i]] = L"file" + std::to_wstring(i);
    }
    ASSERT_TRUE(start());
    model.addUntitled();
    check(0);
    std::mt19937 random(55);
    for (int step = 1; step <= 300; ++step) {
        const int kind = static_cast<int>(random() % 10);
        SCOPED_TRACE("step " + std::to_string(step) + ", kind " + std::to_string(kind));
        if (kind == 0 || kind == 8) { // open, by the window or by a second start
            const std::wstring& path = files[random() % files.size()];
            const auto open =
                std::find_if(model.tabs.begin(), model.tabs.end(), [&](const ModelTab& t) { return t.path == path; });
            if (open != model.tabs.end()) {
                model.activate(open->id);
            } else {
                const bool replace = model.tabs.size() == 1 && model.tabs[0].untitled && !model.tabs[0].modified &&
                                     model.tabs[0].text.empty();
                const int replaced = model.tabs[0].id;
                ModelTab tab;
                tab.path = path;
                tab.text = model.disk[path];
                model.add(tab);
                if (replace)
                    model.remove(replaced);
            }
            if (kind == 0) {
                window->openFile(path);
            } else {
                EXPECT_EQ(1, handOver(path));
                ASSERT_TRUE(tessel_test::pumpUntil([&] { return window->getPendingCommandCount() == 0; }));
            }
        } else if (kind == 1) {
            model.addUntitled();
            run(L"file.new");
        } else if (kind == 2 || kind == 3) {
            ModelTab& tab = model.active();
            const std::wstring text(1 + random() % 3, static_cast<wchar_t>(L'a' + random() % 26));
            tab.text.insert(tab.caret, text);
            tab.caret += text.size();
            tab.modified = true;
            type(text);
        } else if (kind == 4) {
            saveInModel(model.active().id, false, random);
            run(L"file.save");
        } else if (kind == 5) {
            saveInModel(model.active().id, true, random);
            run(L"file.save_as");
        } else if (kind == 6) {
            const int id = model.active().id;
            bool closes = true;
            if (model.active().unsaved()) {
                const uint32_t answer = ANSWERS[random() % 3];
                answers.push_back(answer);
                closes = answer == MainWindow::RESULT_DONT_SAVE ||
                         (answer == MainWindow::RESULT_SAVE && saveInModel(id, false, random));
            }
            if (closes)
                model.remove(id);
            run(L"file.close");
        } else if (kind == 9) {
            changeOutside(step, random);
        } else { // kind 7: another tab
            const size_t at = std::find_if(model.tabs.begin(), model.tabs.end(),
                                           [&](const ModelTab& t) { return t.id == model.used.back(); }) -
                              model.tabs.begin();
            const bool previous = random() % 2 == 0;
            model.activate(model.tabs[(at + (previous ? model.tabs.size() - 1 : 1)) % model.tabs.size()].id);
            run(previous ? L"tabs.previous" : L"tabs.next");
        }
        check(step);
        if (HasFatalFailure() || HasFailure())
            return;
    }
    // The walk met every kind of moment: questions answered each way, files saved as, tabs
    // replaced and reopened.
    EXPECT_GE(questions.size(), 15u);
    EXPECT_GE(savedAs, 20);
    EXPECT_GE(replaceQuestions, 5);
    EXPECT_GE(outsideChanges, 10);
}
