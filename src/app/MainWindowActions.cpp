// The main window's actions and its menus.

#include "app/MainWindow.h"

#include "app/AppDialogs.h"
#include "app/FacePresetSettings.h"
#include "app/ShellText.h"
#include "app/ThemeChooser.h"

#include "bundles/BundleManager.h"
#include "bundles/themes/ThemeManager.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/menu/afMenu.h"
#include "service/base/TesselService.h"
#include "service/document/controller/DocumentController.h"

namespace tessel {

namespace {

// Where the search keys work besides the main window: in the text of the bundle editor's
// entries, which is edited as documents are.
const wchar_t* const SEARCH_CONTEXT = L"ui.window.main, ui.window.bundle_editor ui.editor";

struct ActionLine {
    const wchar_t* id;
    const wchar_t* title;
    std::vector<const wchar_t*> keys;
    bool (MainWindow::*run)(afActionEvent&);
    const wchar_t* context = L"ui.window.main";
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
        {L"search.find", L"&Find...", {L"Ctrl+F"}, &MainWindow::onFind, SEARCH_CONTEXT},
        {L"search.find.next", L"Find &Next", {L"F3"}, &MainWindow::onFindNext, SEARCH_CONTEXT},
        {L"search.find.previous", L"Find &Previous", {L"Shift+F3"}, &MainWindow::onFindPrevious, SEARCH_CONTEXT},
        {L"search.replace", L"&Replace...", {L"Ctrl+H"}, &MainWindow::onReplace, SEARCH_CONTEXT},
        {L"view.theme.select", L"Select Theme", {}, &MainWindow::onSelectTheme},
    };
    return table;
}

// Menu lines: an action id and the line's title (empty: the action's own); a null id is a
// separator. The editor's lines are titled here: an action not registered yet still shows its
// line, disabled.
struct MenuLine {
    const wchar_t* id;
    const wchar_t* title;
};
const MenuLine FILE_MENU[] = {{L"file.new", L""},   {L"file.open", L""}, {L"file.save", L""}, {L"file.save_as", L""},
                              {L"file.close", L""}, {nullptr, L""},      {L"app.exit", L""}};
const MenuLine EDIT_MENU[] = {{L"edit.undo", L"&Undo"},
                              {L"edit.redo", L"&Redo"},
                              {nullptr, L""},
                              {L"edit.cut", L"Cu&t"},
                              {L"edit.copy", L"&Copy"},
                              {L"edit.paste", L"&Paste"},
                              {L"edit.select.all", L"Select &All"},
                              {nullptr, L""},
                              {L"search.find", L""},
                              {L"search.find.next", L""},
                              {L"search.find.previous", L""},
                              {L"search.replace", L""},
                              {nullptr, L""},
                              {L"goto.line", L"&Go to Line..."}};
const MenuLine VIEW_MENU[] = {{L"view.theme.select", L"Select &Theme..."}};

template <size_t N> void addLines(afMenu& menu, const MenuLine (&lines)[N]) {
    for (const MenuLine& line : lines)
        if (line.id)
            menu.addItem(new afActionMenuItem(line.title, line.id));
        else
            menu.addSeparator();
}

} // namespace

void MainWindow::registerActions() {
    afActionRegistry* registry = getActionRegistry();
    afActionInvokerKey* keys = afFindKeyInvoker(registry);
    for (const ActionLine& line : actionTable()) {
        afAction* action = afRegisterAction(registry, new afActionSystem(line.title, getActionContext(), line.id,
                                                                         line.context, afRunOp(line.run)));
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
    afMenu* view = m_menuBar->addMenu(afMenu::createPopup(L"&View").release());
    addLines(*view, VIEW_MENU);
    afMenu* bundles = m_menuBar->addMenu(afMenu::createPopup(L"&Bundles").release());
    if (BundleManager* manager = m_services.bundles) {
        // Made as it opens: the bundles come and go with loads and reloads.
        bundles->setBuilder([manager](afMenu& menu) { manager->populateMenu(menu); });
        manager->populateMenu(*bundles);
    }
    ::SetMenu(getHandle(), m_menuBar->getHandle());
}

bool MainWindow::onFileNew(afActionEvent&) {
    newDocument();
    return true;
}

bool MainWindow::onFileOpen(afActionEvent&) {
    std::wstring path;
    bool readOnly = false;
    if (askFilePath(this, false, path, &readOnly))
        openFile(path, readOnly);
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

bool MainWindow::onSelectTheme(afActionEvent&) {
    if (!m_services.themes)
        return true;
    // The theme in force: the shipped one while the preferences name none.
    const std::wstring inForce = m_facePreset.theme.empty() ? std::wstring(SHIPPED_THEME) : m_facePreset.theme;
    pel::UUID current;
    const bool named = pel::UUID::parse(inForce.c_str(), &current);
    pel::UUID picked;
    ThemeChooserData& themes = m_services.themes->getChooserData();
    if (!chooseTheme(this, getActionContext(), themes, named ? &current : nullptr, &picked))
        return true;
    FacePreset preset = m_facePreset;
    preset.theme = picked.toString();
    setFacePreset(preset);
    Config::SaveFailure failure;
    if (m_services.root && !FacePresetSettings::saveTheme(m_services.root->getConfig(), preset.theme, &failure))
        showMessage(this, failure.path.empty()
                              ? std::wstring(L"The theme is in use, but it could not be stored in the preferences; it "
                                             L"is not kept for the next start.")
                              : shellText(L"The theme is in use, but it is not kept for the next start:\n\n{1}",
                                          settingsFailureText({failure})));
    return true;
}

void MainWindow::setFacePreset(const FacePreset& preset) {
    m_facePreset.assign(preset);
    for (const auto& page : m_pages)
        applyFacePreset(*page->controller);
}

void MainWindow::applyFacePreset(DocumentController& controller) const {
    FacePreset preset = m_facePreset;
    if (preset.theme.empty())
        preset.theme = SHIPPED_THEME;
    controller.setFacePreset(preset);
}

} // namespace tessel
