// The main window's actions, its menus, and find and replace in the active document.

#include "app/MainWindow.h"

#include "app/AppDialogs.h"

#include "bundles/BundleManager.h"

#include "afw/afActionInvoker.h"
#include "afw/afActionRegistry.h"
#include "afw/afApp.h"
#include "afw/afMenu.h"
#include "service/document/controller/SearchAction.h"
#include "service/document/controller/SearchActionRecord.h"

namespace tessel {

namespace {

struct ActionLine {
    const wchar_t* id;
    const wchar_t* title;
    std::vector<const wchar_t*> keys;
    bool (MainWindow::*run)(afActionEvent&);
};

const std::vector<ActionLine>& actionTable() {
    static const std::vector<ActionLine> table = {
        {L"file.new", L"&New", {L"Ctrl+N"}, &MainWindow::onFileNew},
        {L"file.open", L"&Open...", {L"Ctrl+O"}, &MainWindow::onFileOpen},
        {L"file.save", L"&Save", {L"Ctrl+S"}, &MainWindow::onFileSave},
        {L"file.save_as", L"Save &As...", {L"Ctrl+Shift+S"}, &MainWindow::onFileSaveAs},
        {L"file.close", L"&Close", {L"Ctrl+W", L"Ctrl+F4"}, &MainWindow::onFileClose},
        {L"app.exit", L"E&xit", {}, &MainWindow::onAppExit},
        {L"tabs.next", L"Next Tab", {L"Ctrl+Tab"}, &MainWindow::onNextTab},
        {L"tabs.previous", L"Previous Tab", {L"Ctrl+Shift+Tab"}, &MainWindow::onPreviousTab},
        {L"search.find", L"&Find...", {L"Ctrl+F"}, &MainWindow::onFind},
        {L"search.find.next", L"Find &Next", {L"F3"}, &MainWindow::onFindNext},
        {L"search.find.previous", L"Find &Previous", {L"Shift+F3"}, &MainWindow::onFindPrevious},
        {L"search.replace", L"&Replace...", {L"Ctrl+H"}, &MainWindow::onReplace},
    };
    return table;
}

// Menu lines by action id; null is a separator.
const wchar_t* const FILE_MENU[] = {L"file.new",   L"file.open", L"file.save", L"file.save_as",
                                    L"file.close", nullptr,      L"app.exit"};
const wchar_t* const EDIT_MENU[] = {L"edit.undo",
                                    L"edit.redo",
                                    nullptr,
                                    L"edit.cut",
                                    L"edit.copy",
                                    L"edit.paste",
                                    L"edit.select.all",
                                    nullptr,
                                    L"search.find",
                                    L"search.find.next",
                                    L"search.find.previous",
                                    L"search.replace",
                                    nullptr,
                                    L"goto.line"};

// A search that reaches the end of the text goes on from the other end without asking.
class WrapAlways : public ISearchActionCallback {
public:
    bool shouldWrapAround(const SearchActionRecord&) override { return true; }
};

template <size_t N> void addLines(afMenu& menu, const wchar_t* const (&ids)[N]) {
    for (const wchar_t* id : ids)
        if (id)
            menu.addItem(new afActionMenuItem(L"", id));
        else
            menu.addSeparator();
}

} // namespace

void MainWindow::registerActions() {
    afActionRegistry* registry = getActionRegistry();
    afActionInvokerKey* keys = afFindKeyInvoker(registry);
    for (const ActionLine& line : actionTable()) {
        afAction* action = afRegisterAction(registry, new afActionSystem(line.title, getActionContext(), line.id,
                                                                         L"ui.window.main", afRunOp(line.run)));
        for (const wchar_t* key : line.keys)
            afAddKeyTriggerText(keys, action, key, true);
        m_actions.push_back(action);
    }
}

void MainWindow::buildMenus() {
    m_menuBar = afMenuBar::createMenuBar();
    if (!m_menuBar)
        return;
    afMenu* file = m_menuBar->addMenu(afMenu::createPopup(L"&File").release());
    addLines(*file, FILE_MENU);
    afMenu* edit = m_menuBar->addMenu(afMenu::createPopup(L"&Edit").release());
    addLines(*edit, EDIT_MENU);
    afMenu* bundles = m_menuBar->addMenu(afMenu::createPopup(L"&Bundles").release());
    if (m_services.bundles)
        m_services.bundles->populateMenu(*bundles);
    ::SetMenu(getHandle(), m_menuBar->getHandle());
}

bool MainWindow::onFileNew(afActionEvent&) {
    newDocument();
    return true;
}

bool MainWindow::onFileOpen(afActionEvent&) {
    std::wstring path;
    if (askFilePath(this, false, path))
        openFile(path);
    return true;
}

bool MainWindow::onFileSave(afActionEvent&) {
    if (Page* page = getActivePage())
        save(*page);
    return true;
}

bool MainWindow::onFileSaveAs(afActionEvent&) {
    if (Page* page = getActivePage())
        saveAs(*page);
    return true;
}

bool MainWindow::onFileClose(afActionEvent&) {
    if (Page* page = getActivePage())
        closeTab(*page);
    return true;
}

bool MainWindow::onAppExit(afActionEvent&) {
    ::PostMessageW(getHandle(), WM_CLOSE, 0, 0);
    return true;
}

bool MainWindow::onNextTab(afActionEvent&) {
    activateNeighbour(false);
    return true;
}

bool MainWindow::onPreviousTab(afActionEvent&) {
    activateNeighbour(true);
    return true;
}

// Finds the text again (asking for it when there is none yet); a beep when it is not there.
bool MainWindow::findAgain(bool ask, bool backwards) {
    if (ask || m_findText.empty()) {
        std::wstring text = m_findText;
        if (!askText(this, L"Find", L"Find what:", text) || text.empty())
            return true;
        m_findText = text;
    }
    if (!find(m_findText, backwards))
        ::MessageBeep(MB_OK);
    return true;
}

bool MainWindow::onFind(afActionEvent&) {
    return findAgain(true, false);
}

bool MainWindow::onFindNext(afActionEvent&) {
    return findAgain(false, false);
}

bool MainWindow::onFindPrevious(afActionEvent&) {
    return findAgain(false, true);
}

bool MainWindow::onReplace(afActionEvent&) {
    std::wstring text = m_findText;
    if (!askText(this, L"Replace", L"Find what:", text) || text.empty())
        return true;
    m_findText = text;
    std::wstring replacement = m_replaceText;
    if (!askText(this, L"Replace", L"Replace with:", replacement))
        return true;
    m_replaceText = replacement;
    if (!replaceAll(text, replacement))
        ::MessageBeep(MB_OK);
    return true;
}

bool MainWindow::find(const std::wstring& text, bool backwards) {
    return search(text, nullptr, backwards);
}

bool MainWindow::replaceAll(const std::wstring& text, const std::wstring& replacement) {
    return search(text, &replacement, false);
}

bool MainWindow::search(const std::wstring& text, const std::wstring* replacement, bool backwards) {
    Page* page = getActivePage();
    if (!page || text.empty())
        return false;
    WrapAlways wrap;
    SearchActionRecord record;
    record.parameters.findText = text;
    record.parameters.scope = SearchActionRecord::SCOPE_DOCUMENT;
    record.callback = &wrap;
    if (replacement) {
        record.parameters.replaceText = *replacement;
        record.canReplace = true;
    }
    return ssOnAction(*page->controller, record, replacement ? search_actions::REPLACE_ALL : search_actions::FIND,
                      backwards);
}

} // namespace tessel
