// 300 random steps of a user's work (open, new, type, save, save as, close with each answer,
// switch tabs, a second start's open or new) against a model of the tabs, the active tab, the
// modified flags, the titles and the bytes on disk.

#include "ShellFixture.h"

#include "app/CopyDataMessage.h"
#include "editor/Editor.h"

#include "afw/afActionRegistry.h"
#include "afw/afApp.h"
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
    int id = 0;
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
        return tab.modified ? text + L" *" : text;
    }
};

class ShellModelTest : public tessel_test::ShellFixture {
protected:
    void type(const std::wstring& text) {
        HWND editor = window->getActivePage()->editor->getHandle();
        for (wchar_t c : text)
            ::SendMessageW(editor, WM_CHAR, c, 1);
    }
    std::wstring freshPath() { return file(L"saved" + std::to_wstring(++saved) + L".txt"); }
    void write(const std::wstring& path, const std::wstring& text) {
        base.write(L"files\\" + path.substr(path.rfind(L'\\') + 1), narrow(text));
    }

    // The tab saved through its path, or through Save As for "Untitled": queues the dialog's
    // answer (or a cancel); whether it is saved.
    bool saveInModel(ModelTab& tab, bool asked, std::mt19937& random) {
        if (tab.untitled || asked) {
            if (random() % 5 == 0)
                return false; // the dialog cancelled
            const std::wstring path = freshPath();
            paths.push_back(path);
            tab.path = path;
            tab.untitled = 0;
        }
        model.disk[tab.path] = tab.text;
        tab.modified = false;
        return true;
    }

    void check(int step) {
        SCOPED_TRACE("step " + std::to_string(step));
        EXPECT_TRUE(answers.empty() && paths.empty()) << "a question or dialog the model expected did not come";
        answers.clear();
        paths.clear();
        const std::vector<MainWindow::Page*> pages = window->getPages();
        ASSERT_EQ(model.tabs.size(), pages.size());
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

    ShellModel model;
    int saved = 0;
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
    const uint32_t ANSWERS[] = {MainWindow::RESULT_SAVE, MainWindow::RESULT_DONT_SAVE, afWindow::RESULT_CANCEL};
    for (int step = 1; step <= 300; ++step) {
        const int kind = static_cast<int>(random() % 9);
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
            saveInModel(model.active(), false, random);
            run(L"file.save");
        } else if (kind == 5) {
            ModelTab& tab = model.active();
            const std::wstring old = tab.path;
            const int untitled = tab.untitled;
            if (!saveInModel(tab, true, random)) {
                tab.path = old;
                tab.untitled = untitled;
            }
            run(L"file.save_as");
        } else if (kind == 6) {
            ModelTab& tab = model.active();
            bool closes = true;
            if (tab.modified) {
                const uint32_t answer = ANSWERS[random() % 3];
                answers.push_back(answer);
                closes = answer == MainWindow::RESULT_DONT_SAVE ||
                         (answer == MainWindow::RESULT_SAVE && saveInModel(tab, false, random));
            }
            if (closes)
                model.remove(tab.id);
            run(L"file.close");
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
    EXPECT_GE(saved, 20);
}
