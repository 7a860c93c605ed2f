#include "app/MainWindow.h"

#include "app/AppDialogs.h"
#include "app/ClosedText.h"
#include "app/CopyDataMessage.h"
#include "app/FileQuestions.h"
#include "app/LoaderWait.h"
#include "app/LongEditPauses.h"
#include "app/StatusBar.h"
#include "app/Tabs.h"

#include "editor/Editor.h"
#include "editor/EditorStatusController.h"
#include "editor/EditorWrapper.h"

#include "afw/core/afApp.h"
#include "afw/core/afInstanceControl.h"
#include "afw/core/afMainLoop.h"
#include "afw/core/afModuleInstance.h"
#include "afw/data/afDataObjectFiles.h"
#include "afw/dock/afDockSlot.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutFlow.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"
#include "afw/menu/afMenu.h"
#include "afw/view/afSeed.h"
#include "pel/log/Log.h"
#include "pel/text/StringTemplate.h"
#include "service/base/TesselService.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"

#include <algorithm>

namespace tessel {

namespace {

constexpr uint32_t UI_LOG = pel::crc32Literal("UI");

// Dropped files are opened, never taken over: a source told "move" deletes them, before the
// main loop has opened them.
afDropAction fileDropAction(uint32_t allowed) {
    return (allowed & AF_DROP_COPY) ? AF_DROP_COPY : AF_DROP_NONE;
}

} // namespace

MainWindow::MainWindow(const Services& services)
    : afDockSlotController(0), afActionHandler(afApp::getActionRegistry(), L"MainWindow"), m_services(services),
      m_fileQuestions(new FileQuestions(*this, services.controllers->getDocumentManager())) {
    // Named views put their context in the paths of their descendants: the window's actions
    // ("ui.window.main") then reach from the editor.
    setName(L"tessel");
    setPlacementKey(L"main");
    setRestoreShowState(true);
    setPlacementEnabled(true);
    attachActionHandler();
}

MainWindow::~MainWindow() {
    afMainLoop::cancel(this);
    m_closed.releaseAll();
    if (m_loaderWait)
        m_services.controllers->getDocumentManager().setIOWait(nullptr);
    if (m_longEditPauses)
        m_services.controllers->setLongEditWait(nullptr);
    for (afAction* action : m_actions)
        afUnregisterAction(getActionRegistry(), action);
}

bool MainWindow::buildSeed(afSeed& seed) {
    static bool registered = false;
    afClassRecord record(L"Tessel35WindowClass");
    record.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    record.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    record.icon = static_cast<HICON>(::LoadImageW(afGetModuleInstance(), MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
    record.smallIcon =
        static_cast<HICON>(::LoadImageW(afGetModuleInstance(), MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
    registerClass(record, &registered);
    seed.className = record.className;
    seed.style = WS_OVERLAPPEDWINDOW;
    seed.title = L"Tessel";
    seedSize(seed, 800, 600);
    return true;
}

bool MainWindow::create() {
    auto* column = new afLayoutLinear(this, afLayoutLinear::VERTICAL);
    setContentView(column);
    m_tabs = new Tabs(this);
    // A tab's own close goes the way of Ctrl+W: the last one leaves "Untitled".
    m_tabs->setCloseRequest(Tabs::CloseRequest::bind<MainWindow, &MainWindow::closeSlotRequested>(this));
    column->addChild(m_tabs, new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, 0, 1.0));
    m_status = new StatusBar(this);
    column->addChild(m_status, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    if (!build())
        return false;
    m_tabs->build();
    // Files dropped on the tabs open in tabs.
    m_tabs->createDropTarget();
    m_tabs->addDropHandler(new afDataObjectFiles, afDock::DropHandler::bind<MainWindow, &MainWindow::filesDropped>(this),
                           afDock::DropQuery::bind<MainWindow, &MainWindow::tabsFileDropQuery>(this));
    m_status->build();
    m_status->update();
    m_statusController.reset(new EditorStatusController(m_status->getStripArea()));
    m_loaderWait.reset(new LoaderWait(m_status));
    m_services.controllers->getDocumentManager().setIOWait(m_loaderWait.get());
    m_longEditPauses.reset(new LongEditPauses(m_status));
    m_services.controllers->setLongEditWait(m_longEditPauses.get());
    registerActions();
    buildMenus();
    updateTitle();
    return true;
}

// ---- tabs

MainWindow::Page* MainWindow::getActivePage() const {
    return m_tabs ? findPage(m_tabs->getActiveSlot()) : nullptr;
}

MainWindow::Page* MainWindow::findPage(const afDockSlot* slot) const {
    if (!slot)
        return nullptr;
    for (const auto& page : m_pages)
        if (page->slot == slot)
            return page.get();
    return nullptr;
}

MainWindow::Page* MainWindow::findPage(uint32_t serial) const {
    for (const auto& page : m_pages)
        if (page->serial == serial)
            return page.get();
    return nullptr;
}

std::vector<MainWindow::Page*> MainWindow::getPages() const {
    std::vector<Page*> pages;
    std::vector<afDockSlot*> slots;
    m_tabs->getSlots(slots);
    for (afDockSlot* slot : slots)
        if (Page* page = findPage(slot))
            pages.push_back(page);
    return pages;
}

void MainWindow::activate(Page& page) {
    // A closed tab's slot is gone: no tab would be active.
    if (page.slot)
        m_tabs->setActiveSlot(page.slot);
}

void MainWindow::activateNeighbour(bool previous) {
    const int count = m_tabs->getSlotCount();
    if (count < 2)
        return;
    const int at = m_tabs->indexOfSlot(m_tabs->getActiveSlot());
    m_tabs->setActiveSlot(m_tabs->getSlotAt((at + (previous ? count - 1 : 1)) % count));
}

std::wstring MainWindow::getName(const Page& page) const {
    if (page.untitled == 0)
        return page.controller->getTitle();
    return page.untitled == 1 ? L"Untitled" : L"Untitled " + std::to_wstring(page.untitled);
}

std::wstring MainWindow::getLabel(const Page& page) const {
    return page.controller->isUnsaved() ? getName(page) + L" *" : getName(page);
}

std::wstring MainWindow::getTitleText() const {
    const Page* page = getActivePage();
    return page ? getLabel(*page) + L" - Tessel" : std::wstring(L"Tessel");
}

void MainWindow::updateTitle() {
    const std::wstring title = getTitleText();
    setTitle(title.c_str());
}

void MainWindow::updateLabel(Page& page) {
    m_tabs->setTitle(page.slot, getLabel(page));
    if (&page == getActivePage())
        updateTitle();
}

int MainWindow::nextUntitledNumber() const {
    for (int number = 1;; ++number)
        if (std::none_of(m_pages.begin(), m_pages.end(), [&](const auto& page) { return page->untitled == number; }))
            return number;
}

void MainWindow::queryClose(const std::vector<afDockSlot*>& slots, std::vector<afDockSlot*>& closable) {
    for (afDockSlot* slot : slots) {
        Page* page = findPage(slot);
        if (!page || m_closingAll || (mayClose(*page) && askToClose(*page)))
            closable.push_back(slot);
        else
            break; // Cancel stops the whole close
    }
}

void MainWindow::slotRemoved(afDockSlot* slot, bool /*deleting*/) {
    const auto found =
        std::find_if(m_pages.begin(), m_pages.end(), [&](const auto& page) { return page->slot == slot; });
    if (found == m_pages.end())
        return;
    // Out of every list at once, so that nothing finds the tab or its file any more; freed only
    // from the main loop, since the code that closed it (an answer to a question) may still hold
    // its page, controller or document up the stack.
    auto closed = std::make_shared<ClosedPage>();
    closed->page = std::move(*found);
    m_pages.erase(found);
    Page& page = *closed->page;
    page.slot = nullptr; // the dock deletes it
    DocumentController* controller = page.controller;
    controller->modifiedChanged().remove(this);
    controller->pathChanged().remove(this);
    controller->fileModified().remove(this);
    controller->fileDeleted().remove(this);
    controller->editRefused().remove(this);
    if (m_statusController && m_statusController->getEditor() == page.editor)
        m_statusController->setEditor(nullptr);
    DocumentControllerManager& controllers = *m_services.controllers;
    leaveClosedText(page.editor, controller, controllers);
    Document& document = controller->getDocument();
    if (document.getControllers().size() == 1)
        closed->document = controllers.getDocumentManager().detachDocument(&document);
    m_closed.add([this, closed] { freeClosedPage(*closed); });
}

void MainWindow::freeClosedPage(ClosedPage& closed) {
    Page& page = *closed.page;
    page.editor->attachController(nullptr);
    if (HWND window = page.editor->getHandle())
        ::DestroyWindow(window);
    // The editor and its strip belong to the tabs' widget until they go with the wrapper.
    for (afView* part : {static_cast<afView*>(page.editor), static_cast<afView*>(page.wrapper->getStrip())}) {
        page.wrapper->removeView(part);
        delete part;
    }
    delete page.wrapper;
    // The controller before its document.
    m_services.controllers->deleteController(page.controller);
    closed.document.reset();
    closed.page.reset();
}

void MainWindow::closeSlotRequested(afDockSlot* slot) {
    if (Page* page = findPage(slot))
        closeTab(*page);
}

void MainWindow::slotActivated(afDockSlot* slot) {
    if (m_endingTabs)
        return;
    Page* page = findPage(slot);
    m_services.controllers->setActiveController(page ? page->controller : nullptr);
    // A search's outcome speaks of the document it ran in.
    m_status->setMessage(L"");
    // The strip lets go of the old editor before it follows the new one.
    m_statusController->setEditor(nullptr);
    m_statusController->setEditor(page ? page->editor : nullptr);
    updateTitle();
    if (page) {
        page->editor->requestFocus();
        // What another program did to the file while the tab was in the background is asked
        // once the switch is over.
        m_fileQuestions->noteShown(*page);
    }
}

// ---- closing

bool MainWindow::canClose() {
    // A close asked for inside a loop (the close a wait held, posted again as it ended and taken
    // by the next question's loop, say) would ask its questions under the open one, and could
    // end the window under it.
    if (m_closeQuestions > 0 || afMainLoop::isNested() || afMainLoop::Round::isRunning()) {
        if (!m_closeHeld)
            afMainLoop::post(this, [this] {
                m_closeHeld = false;
                ::PostMessageW(getHandle(), WM_CLOSE, 0, 0);
            });
        m_closeHeld = true;
        return false;
    }
    if (!askBeforeClosing())
        return false;
    if (TesselService* root = m_services.root)
        root->runClosing();
    if (afWindowMain::canClose())
        return true;
    m_closing = false;
    return false;
}

bool MainWindow::askBeforeClosing() {
    // A hand-over already answered would be lost with the window: it opens, and the close stops
    // so that it is seen.
    if (!m_pendingCommands.empty()) {
        runPendingCommands();
        return false;
    }
    // Not under another round's questions (a reload's, about the bundle editor's entries).
    const afMainLoop::Round round;
    if (!round.runs())
        return false;
    // Only this round's answers count: a Don't Save given to a tab's own close is no answer here.
    m_dismissed.clear();
    m_closing = true;
    TesselService* root = m_services.root;
    bool asked = false;
    {
        const afMainLoop::Count asking(this, CLOSE_QUESTIONS, m_closeQuestions);
        asked = askToCloseAll() && (!root || root->queryClose());
        // The exit closes every tab without asking: a tab modified or opened under a later
        // question (the services' own) is asked about in another pass, until one asks nothing.
        // Each file is looked at as it is then: a deletion the watch has not told yet is news.
        const auto unanswered = [this](const auto& page) {
            m_services.controllers->getDocumentManager().lookAtFile(page->controller->getDocument());
            return needsAnswer(*page);
        };
        while (asked && std::any_of(m_pages.begin(), m_pages.end(), unanswered))
            asked = askToCloseAll();
    }
    // The answers hold for this round only.
    m_dismissed.clear();
    if (!asked)
        m_closing = false;
    return asked;
}

bool MainWindow::needsAnswer(const Page& page) const {
    const Document& document = page.controller->getDocument();
    if (!page.controller->isUnsaved() || m_services.controllers->getDocumentManager().leavesInSync(document))
        return false;
    // A Don't Save holds for the text and the file it was given for: an edit since, or news of
    // the file (a deletion while another tab's question was open), asks again.
    const uint32_t changes = document.getChangeCount();
    const uint32_t news = document.getFileRecord().news();
    return std::none_of(m_dismissed.begin(), m_dismissed.end(), [&](const Dismissed& dismissed) {
        return dismissed.serial == page.serial && dismissed.changes == changes && dismissed.news == news;
    });
}

void MainWindow::dismiss(const Page& page) {
    const Document& document = page.controller->getDocument();
    m_dismissed.push_back({page.serial, document.getChangeCount(), document.getFileRecord().news()});
}

bool MainWindow::queryEndSession() {
    // The open question answers for the window: asked again, each document would be asked
    // about twice, and the inner answers would end the close the outer one still asks for.
    if (m_closeQuestions > 0)
        return false;
    // Sent while a load or save waits, this is answered inside that wait: the loader finishes
    // first, so that a save that went through counts as saved, a reload as reloaded, and a
    // document the loader had is free to be saved again.
    if (m_loaderWait)
        m_loaderWait->finishRequests();
    // A long edit in a pause stops there: the questions find the document as its last step left
    // it, and no step follows an answer.
    if (m_longEditPauses)
        m_longEditPauses->stopAll();
    return askBeforeClosing();
}

void MainWindow::endSession() {
    // Windows ends the process once this returns: no WM_DESTROY, no App::exit.
    savePlacement(nullptr);
    if (m_services.saveSettings)
        m_services.saveSettings();
}

// ---- messages

// The window procedure's boundary catches what these throw.
bool MainWindow::onRawMessage(afMessage& msg) {
    switch (msg.message) {
    case WM_DESTROY:
        // A window destroys the menu bar it holds; the bar's object does that itself later.
        ::SetMenu(msg.window, nullptr);
        break;
    case WM_ACTIVATE:
        if (LOWORD(msg.wParam) != WA_INACTIVE)
            lookAtFiles();
        break; // the window's own handling follows
    case WM_QUERYENDSESSION:
        msg.result = queryEndSession() ? TRUE : FALSE;
        return true;
    case WM_ENDSESSION:
        if (msg.wParam) {
            // The process ends once this returns: a write still under way would be cut off.
            if (m_loaderWait)
                m_loaderWait->finishRequests();
            endSession();
        } else if (m_closeQuestions == 0) {
            m_closing = false; // another program kept the session; a close still asking goes on
        }
        msg.result = 0;
        return true;
    case WM_COPYDATA: {
        // Under the exit's questions the sender hears at once that this one is closing, and the
        // question comes to the front. Once they are answered the close goes on: the sender is
        // refused, tries again, and starts as the first instance once this one has gone.
        if (m_closing) {
            const bool asking = m_closeQuestions > 0;
            if (asking)
                afInstanceControl::activateWindow(getHandle());
            msg.result = asking ? afInstanceControl::ANSWER_CLOSING : 0;
            return true;
        }
        std::wstring text;
        if (!CopyDataMessage::read(reinterpret_cast<const COPYDATASTRUCT*>(msg.lParam), &text)) {
            pel::log_printf(pel::LOG_WARNING, UI_LOG,
                            L"MainWindow::onRawMessage(): A malformed WM_COPYDATA message was refused.");
            msg.result = 0;
            return true;
        }
        queueCommand(text);
        // Before anything the hand-over opens can ask: the open question, or the window, in front.
        afInstanceControl::activateWindow(getHandle());
        msg.result = afInstanceControl::ANSWER_TAKEN;
        return true;
    }
    default:
        break;
    }
    return afWindowMain::onRawMessage(msg);
}

afDropAction MainWindow::filesDropped(afDock*, afDataObject* data, int, const afDropInfo&, uint32_t allowed,
                                      afDropAction) {
    const auto* files = dynamic_cast<const afDataObjectFiles*>(data);
    if (!files || files->getFiles().empty() || fileDropAction(allowed) == AF_DROP_NONE)
        return AF_DROP_NONE;
    queueFiles(files->getFiles());
    return fileDropAction(allowed);
}

afDropAction MainWindow::tabsFileDropQuery(afDock*, const afDropInfo&, uint32_t allowed, afDropAction) {
    return fileDropAction(allowed);
}

afDropAction MainWindow::editorFileDropQuery(Editor*, const afDropInfo&, uint32_t allowed, afDropAction) {
    return fileDropAction(allowed);
}

afDropAction MainWindow::editorDrop(Editor* editor, const std::vector<std::wstring>& items, bool files,
                                    const TextPosition& at, afDropAction action) {
    if (files) {
        queueFiles(items);
        return AF_DROP_COPY;
    }
    DocumentController* controller = editor->getController();
    if (!controller || items.empty())
        return AF_DROP_NONE;
    DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
    controller->insertOutsideText(items.front(), at);
    // A source told its text was moved deletes it: text the document refused (read-only) is
    // not taken.
    const ChangeRange* change = lock.changeRecord();
    return change && change->firstLine >= 0 ? action : AF_DROP_NONE;
}

void MainWindow::queueFiles(const std::vector<std::wstring>& paths) {
    // Opened from the loop, as a second start's files are: the drag's source waits for the drop
    // to end, and must not wait for a question asked on the way.
    for (const std::wstring& path : paths)
        queueCommand(L"\"Tessel.exe\" \"" + path + L"\"");
}

void MainWindow::queueCommand(const std::wstring& text) {
    m_pendingCommands.push_back(text);
    afMainLoop::post(this, [this] { runPendingCommands(); });
}

void MainWindow::runPendingCommands() {
    // Inside a question or a wait (the end of the session may come there), opening would ask its
    // own questions under that one: the main loop opens them, as posted.
    if (m_pendingCommands.empty() || afMainLoop::isNested())
        return;
    std::vector<std::wstring> commands;
    commands.swap(m_pendingCommands);
    for (const std::wstring& command : commands)
        openCommandLine(command);
    afWindowMain::show();
    ::SetForegroundWindow(getHandle());
}

} // namespace tessel
