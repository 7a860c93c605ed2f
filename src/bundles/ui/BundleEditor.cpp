// The bundle editor's window, its entry editors in tabs, saving, and the questions before they
// close.

#include "bundles/ui/BundleEditor.h"
#include "bundles/ui/BundleEditorParts.h"

#include "bundles/BundleManager.h"
#include "bundles/ui/BundleEntryEditor.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/control/afControlSplitter.h"
#include "afw/control/afControlTabs.h"
#include "afw/core/afApp.h"
#include "afw/core/afMainLoop.h"
#include "afw/dialog/afQuestion.h"
#include "afw/graphics/afIconList.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"
#include "afw/tree/afControlTree.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/BundleItem.h"

#include "pel/log/Log.h"

#include <algorithm>

namespace tessel {

namespace {

// At 96 DPI.
constexpr int TREE_WIDTH = 240;
constexpr int SPLITTER_WIDTH = 6;

} // namespace

bool BundleEditor::Window::buildSeed(afSeed& seed) {
    static bool registered = false;
    useClass(seed, WINDOW_CLASS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), &registered);
    seed.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    seed.exStyle = 0;
    seed.title = L"Bundle Editor";
    seedSize(seed, 900, 600);
    return true;
}

BundleEditor::BundleEditor(afViewPlatform* parent, BundleManager& manager)
    : afActionHandler(afApp::getActionRegistry(), L"BundleEditor"), m_parent(parent), m_manager(manager),
      m_treeState(new afControlTreeState) {
    if (afActionRegistry* registry = getActionRegistry()) {
        m_saveAction = afRegisterAction(registry, new afActionSystem(L"Save Entry", getActionContext(), L"bundles.item.save",
                                                                     L"ui.window.bundle_editor",
                                                                     afRunOp(&BundleEditor::onSaveAction)));
        afAddKeyTriggerText(afFindKeyInvoker(registry), m_saveAction, L"Ctrl+S", true);
    }
    attachActionHandler();
    // The tree follows loads, reloads and the disabled items.
    m_manager.onUpdateEnd.add(this, [this] { refreshTree(); });
    m_manager.onDisabledItemsChanged.add(this, [this](bool) { refreshTree(); });
}

BundleEditor::~BundleEditor() {
    m_manager.onUpdateEnd.remove(this);
    m_manager.onDisabledItemsChanged.remove(this);
    afUnregisterAction(getActionRegistry(), m_saveAction);
    try {
        dropAll();
    } catch (...) {
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE, L"BundleEditor::~BundleEditor(): closing the entries failed");
    }
    m_open.clear();
    // Their windows go before the window that holds them.
    m_closed.releaseAll();
    if (m_window && m_window->getHandle())
        ::DestroyWindow(m_window->getHandle());
    m_window.reset();
}

afWindow* BundleEditor::getWindow() const {
    return m_window.get();
}

bool BundleEditor::ensureWindow() {
    if (m_window && m_window->getHandle())
        return true;
    m_window.reset(new Window(m_parent));
    // Owned here, not by the main window's node: the manager lets it go at its own time.
    if (m_parent)
        m_parent->remove(m_window.get());
    auto* row = new afLayoutLinear(m_window.get(), afLayoutLinear::HORIZONTAL);
    m_window->setContentView(row);
    if (!m_window->build()) {
        m_window.reset();
        return false;
    }
    m_tree = afControlTree::createInstance(m_window.get());
    m_splitter = afControlSplitter::createInstance(m_window.get(), m_tree, afControlSplitter::SIDE_BY_SIDE);
    m_tabs = afControlTabs::createInstance(m_window.get());
    row->addChild(m_tree, new afLayoutParamsLinear(afScaled(TREE_WIDTH), afLayoutParams::FILL_PARENT));
    row->addChild(m_splitter, new afLayoutParamsLinear(afScaled(SPLITTER_WIDTH), afLayoutParams::FILL_PARENT));
    row->addChild(m_tabs, new afLayoutParamsLinear(0, afLayoutParams::FILL_PARENT, 1.0));
    m_tabs->enableCtrlTab();
    m_icons.reset(new afIconList);
    m_iconTypes.clear();
    for (uint32_t type : {BUNDLE_TYPE_BUNDLE, BUNDLE_TYPE_GRAMMAR, BUNDLE_TYPE_THEME, BUNDLE_TYPE_SNIPPET,
                          BUNDLE_TYPE_PREFERENCES})
        if (const afIcon* icon = afGetIcon(type))
            if (m_icons->add(*icon) >= 0)
                m_iconTypes.push_back(type);
    m_tree->setImageList(m_icons->getHandle(), false);
    m_tree->setEmptyText(L"No bundles available.");
    afControlTree::Delegates& delegates = m_tree->delegates();
    delegates.activate = afControlTree::ItemQuery::bind<BundleEditor, &BundleEditor::activateNode>(this);
    delegates.contextMenu = decltype(delegates.contextMenu)::bind<BundleEditor, &BundleEditor::onContextMenu>(this);
    refreshTree();
    return true;
}

bool BundleEditor::isShown() const {
    return m_window && m_window->getHandle() && ::IsWindowVisible(m_window->getHandle());
}

void BundleEditor::setVisible(bool visible) {
    if (!visible) {
        if (m_window && m_window->getHandle())
            m_window->setShown(false, false);
        return;
    }
    if (!ensureWindow())
        return;
    refreshTree();
    m_window->setShown(true, true);
    m_window->validateLayout();
    if (BundleEntryEditor* active = getActiveEditor())
        active->getPage()->requestFocus();
    else
        m_tree->requestFocus();
}

void BundleEditor::close(uint32_t result) {
    m_result = result;
    setVisible(false);
}

// ---- entry editors

BundleEditor::Open* BundleEditor::findOpen(const BundleEntryEditor& editor) const {
    for (const auto& open : m_open)
        if (open->editor.get() == &editor)
            return open.get();
    return nullptr;
}

BundleEntryEditor* BundleEditor::findEditor(const BundleEntry& entry) const {
    for (const auto& open : m_open)
        if (&open->editor->getEntry() == &entry)
            return open->editor.get();
    return nullptr;
}

std::vector<BundleEntryEditor*> BundleEditor::getEditors() const {
    std::vector<BundleEntryEditor*> editors;
    for (const auto& open : m_open)
        editors.push_back(open->editor.get());
    if (m_tabs)
        std::sort(editors.begin(), editors.end(), [this](BundleEntryEditor* a, BundleEntryEditor* b) {
            return m_tabs->indexOfPage(a->getPage()) < m_tabs->indexOfPage(b->getPage());
        });
    return editors;
}

BundleEntryEditor* BundleEditor::getActiveEditor() const {
    afView* page = m_tabs ? m_tabs->getCurrentPage() : nullptr;
    for (const auto& open : m_open)
        if (page && open->editor->getPage() == page)
            return open->editor.get();
    return nullptr;
}

BundleEntryEditor* BundleEditor::openEntry(BundleEntry& entry) {
    if (BundleEntryEditor* open = findEditor(entry)) {
        m_tabs->setCurrentIndex(m_tabs->indexOfPage(open->getPage()));
        return open;
    }
    if (!ensureWindow())
        return nullptr;
    const BundleEntryEditorFactory factory = m_manager.getEditorFactory(&entry);
    std::unique_ptr<BundleEntryEditor> editor = factory ? factory(entry) : nullptr;
    if (!editor)
        return nullptr;
    int tab = -1;
    if (!editor->create(m_tabs, [&](afView* page) { tab = m_tabs->addTab(entry.getTitle(), page); })) {
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE,
                        L"BundleEditor::openEntry(): `%s` cannot be opened: no text editor is installed",
                        entry.getTitle().c_str());
        return nullptr;
    }
    BundleEntryEditor* opened = editor.get();
    auto open = std::make_unique<Open>();
    open->editor = std::move(editor);
    m_open.push_back(std::move(open));
    opened->onModifiedChanged.add(this, [this](BundleEntryEditor& changed) { updateTab(changed); });
    m_tabs->setCurrentIndex(tab);
    m_window->validateLayout();
    return opened;
}

std::wstring BundleEditor::tabText(BundleEntryEditor& editor) const {
    return editor.getEntry().getTitle() + (editor.isModified() ? L" *" : L"");
}

void BundleEditor::updateTab(BundleEntryEditor& editor) {
    if (m_tabs)
        m_tabs->setTabText(m_tabs->indexOfPage(editor.getPage()), tabText(editor));
}

bool BundleEditor::save(BundleEntryEditor& editor) {
    if (!findOpen(editor))
        return false;
    bool saved = false;
    for (;;) {
        // Another program's change or deletion of the entry's file is asked about first, in the
        // words of the main window's tabs; what comes while a question is open is asked next.
        const AboutFile told = askAboutFile(editor);
        if (told == AboutFile::STOP)
            return false;
        if (told == AboutFile::RELOADED) {
            saved = true; // the entry is its file's again: nothing is left to write
            break;
        }
        saved = editor.save();
        // The file changed in the moment before it was to be replaced: asked about, then tried
        // again.
        if (saved || !editor.getFileRecord().asks())
            break;
    }
    Open* open = findOpen(editor);
    BundleEntry& entry = editor.getEntry();
    // A new entry joins the installed ones once it is on disk, so its manager takes it.
    if (saved && open && open->isNew && !entry.isInstalled() && m_manager.installBundleEntry(entry))
        open->isNew = false;
    updateTab(editor);
    refreshTree();
    return saved;
}

BundleEditor::AboutFile BundleEditor::askAboutFile(BundleEntryEditor& editor) {
    AboutFile outcome = AboutFile::GO_ON;
    while (findOpen(editor) && editor.lookAtFile()) {
        const FileRecord& record = editor.getFileRecord();
        const uint32_t news = record.news();
        afViewPlatform* owner = isShown() ? static_cast<afViewPlatform*>(m_window.get()) : m_parent;
        if (m_tabs)
            m_tabs->setCurrentIndex(m_tabs->indexOfPage(editor.getPage()));
        if (record.state() == FileRecord::GONE) {
            tellDeleted(owner, editor.getFilePath());
            if (findOpen(editor))
                editor.answerFileNews(news);
            continue;
        }
        const bool reload = askToReloadChanged(owner, editor.getFilePath(), editor.isModified() || record.kept(),
                                               record.state() == FileRecord::UNREADABLE);
        if (!findOpen(editor))
            return AboutFile::STOP;
        // Answered for the file as it was: news since is asked next.
        if (editor.lookAtFile() && record.news() != news)
            continue;
        if (!reload) {
            editor.answerFileNews(news);
            continue;
        }
        if (!editor.reloadFromFile()) {
            ::MessageBeep(MB_ICONWARNING); // why is in the problem list
            return AboutFile::STOP;
        }
        updateTab(editor);
        outcome = AboutFile::RELOADED;
    }
    return findOpen(editor) ? outcome : AboutFile::STOP;
}

bool BundleEditor::onSaveAction(afActionEvent&) {
    BundleEntryEditor* editor = getActiveEditor();
    if (!editor)
        return false;
    if (!save(*editor))
        ::MessageBeep(MB_ICONWARNING);
    return true;
}

bool BundleEditor::needsAnswer(BundleEntryEditor& editor) {
    editor.lookAtFile();
    return editor.isModified() || editor.getFileRecord().textOnlyHere();
}

bool BundleEditor::askToClose(BundleEntryEditor& editor) {
    for (;;) {
        if (!findOpen(editor) || !needsAnswer(editor))
            return true;
        // What another program did to the entry's file first: a reload leaves nothing to save, a
        // deletion says that the text is nowhere else.
        if (askAboutFile(editor) == AboutFile::STOP)
            return !findOpen(editor);
        if (!needsAnswer(editor))
            return true;
        if (m_tabs)
            m_tabs->setCurrentIndex(m_tabs->indexOfPage(editor.getPage()));
        afViewPlatform* owner = isShown() ? static_cast<afViewPlatform*>(m_window.get()) : m_parent;
        const uint32_t news = editor.getFileRecord().news();
        const uint32_t answer = askToSaveChanges(owner, editor.getEntry().getTitle());
        // Closed by what the question let run: there is nothing left to ask about.
        if (!findOpen(editor) || answer == afWindow::RESULT_CANCEL)
            return answer != afWindow::RESULT_CANCEL;
        if (answer == RESULT_SAVE)
            return save(editor);
        // Don't Save was given for the file as it was: news of it meanwhile is asked first.
        editor.lookAtFile();
        if (editor.getFileRecord().news() == news)
            return true;
    }
}

bool BundleEditor::closeEditor(BundleEntryEditor& editor) {
    const afMainLoop::Round round;
    if (!round.runs() || !findOpen(editor) || !askToClose(editor))
        return false;
    dropEditor(editor);
    return true;
}

bool BundleEditor::closeAllItems() {
    if (!askToCloseAll())
        return false;
    dropAll();
    return true;
}

bool BundleEditor::askToCloseAll() {
    // What runs under a question may close entries or open others: the editors are looked up
    // again before each question. An entry's answer holds for its file as it was then: news of
    // it under a later question asks again before anything closes.
    std::vector<std::pair<const BundleEntryEditor*, uint32_t>> asked;
    for (;;) {
        BundleEntryEditor* next = nullptr;
        for (BundleEntryEditor* editor : getEditors()) {
            const auto found = std::find_if(asked.begin(), asked.end(), [&](const auto& each) {
                return each.first == editor;
            });
            if (found != asked.end() && (editor->lookAtFile(), editor->getFileRecord().news() == found->second))
                continue;
            if (found != asked.end())
                asked.erase(found);
            next = editor;
            break;
        }
        if (!next)
            break;
        if (!askToClose(*next))
            return false;
        if (findOpen(*next))
            asked.emplace_back(next, next->getFileRecord().news());
    }
    return true;
}

void BundleEditor::dropAll() {
    for (BundleEntryEditor* editor : getEditors())
        dropEditor(*editor);
}

void BundleEditor::dropEditor(BundleEntryEditor& editor) {
    const auto found = std::find_if(m_open.begin(), m_open.end(),
                                    [&](const std::unique_ptr<Open>& open) { return open->editor.get() == &editor; });
    if (found == m_open.end())
        return;
    std::shared_ptr<Open> open(std::move(*found));
    m_open.erase(found);
    editor.onModifiedChanged.remove(this);
    // Out of the tabs and hidden at once; the keys go to the tree when no entry is left to show.
    if (m_tabs) {
        m_tabs->removeTab(m_tabs->indexOfPage(editor.getPage()));
        if (m_tabs->getCount() == 0 && m_window && ::GetActiveWindow() == m_window->getHandle())
            m_tree->requestFocus();
    }
    editor.onClosed();
    // A new entry that never joined the installed ones leaves its bundle with its editor.
    if (auto* item = dynamic_cast<BundleItem*>(&editor.getEntry()))
        if (open->isNew && !item->isInstalled() && item->getBundle())
            item->getBundle()->removeItem(*item);
    // Freed from the main loop: what closed it (an answer to a question, a dialog of its text)
    // may still use it up the stack.
    m_closed.add([open]() mutable { open.reset(); });
}

BundleEntryEditor* BundleEditor::newEntry(Bundle& bundle, uint32_t type) {
    if (type == BUNDLE_TYPE_BUNDLE || !m_manager.findEntryType(type))
        return nullptr;
    const BundleEntryPtr entry = BundleEntry::create(*m_manager.getFactory(), type, pel::UUID::create());
    auto* item = dynamic_cast<BundleItem*>(entry.get());
    if (!item)
        return nullptr;
    item->initContent(L"New " + entry->getTraits().title);
    bundle.addItem(*item);
    BundleEntryEditor* editor = openEntry(*entry);
    if (!editor) {
        bundle.removeItem(*item);
        return nullptr;
    }
    findOpen(*editor)->isNew = true;
    return editor;
}

bool BundleEditor::disable(const pel::UUID& uuid) {
    const afMainLoop::Round round;
    BundleEntry* entry = m_manager.findEntry(uuid);
    if (!round.runs() || !entry)
        return false;
    // Its editors, and for a bundle those of its items, close first.
    std::vector<BundleEntryEditor*> affected;
    for (BundleEntryEditor* editor : getEditors()) {
        BundleEntry& edited = editor->getEntry();
        const auto* item = dynamic_cast<const BundleItem*>(&edited);
        if (&edited == entry || (item && item->getBundle() == entry))
            affected.push_back(editor);
    }
    for (BundleEntryEditor* editor : affected)
        if (!askToClose(*editor))
            return false;
    for (BundleEntryEditor* editor : affected)
        dropEditor(*editor);
    return m_manager.disableItem(uuid);
}

bool BundleEditor::enable(const pel::UUID& uuid) {
    return m_manager.enableItem(uuid);
}

} // namespace tessel
