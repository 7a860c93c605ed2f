// Opening, making, saving and closing the main window's documents, and the questions on the way
// (another program's change or deletion of a file: FileQuestions).

#include "app/MainWindow.h"

#include "app/AppCommandLine.h"
#include "app/AppDialogs.h"
#include "app/FileQuestions.h"
#include "app/ShellText.h"
#include "app/StatusBar.h"
#include "app/Tabs.h"

#include "bundles/GrammarBundleItemManager.h"
#include "editor/Editor.h"
#include "editor/EditorWrapper.h"

#include "afw/core/afMainLoop.h"
#include "afw/dock/afDockSlot.h"
#include "pel/base/Exception.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/files/file_io/FileIO.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/io/DocumentIOErrors.h"
#include "service/document/io/DocumentEncoding.h"

namespace tessel {

namespace {

// A save the encoding cannot hold says where another encoding is chosen.
std::wstring saveErrorText(const std::wstring& path, const DocumentManager::FileError& error) {
    const bool encoding = error && error->getCode() == DocumentIOError::CHARACTERS_LOST;
    return fileFailureText(pel::FileAction::SAVE, path, error) +
           (encoding ? L" Click the encoding in the status bar to choose another." : L"");
}

} // namespace

MainWindow::Page* MainWindow::addPage(DocumentController* controller, int untitled) {
    applyFacePreset(*controller);
    auto page = std::make_unique<Page>();
    page->serial = ++m_lastSerial;
    page->controller = controller;
    page->untitled = untitled;
    page->wrapper = new EditorWrapper(m_tabs);
    page->editor = page->wrapper->getEditor();
    page->editor->attachController(controller);
    page->editor->setFileDropQuery(Editor::FileDropQuery::bind<MainWindow, &MainWindow::editorFileDropQuery>(this));
    page->editor->setDropDelegate(Editor::DropDelegate::bind<MainWindow, &MainWindow::editorDrop>(this));
    Page* added = page.get();
    m_pages.push_back(std::move(page));
    added->slot = m_tabs->addView(this, added->wrapper, pel::Symbol(), -1);
    watchController(*added);
    updateLabel(*added);
    activate(*added);
    return added;
}

void MainWindow::watchController(Page& page) {
    DocumentController& controller = *page.controller;
    controller.modifiedChanged().add(this, [this, &page](DocumentController&, bool) { updateLabel(page); });
    controller.pathChanged().add(this, [this, &page](DocumentController&, const std::wstring&) {
        page.untitled = 0;
        updateLabel(page);
    });
    // The label's star: what closing would ask about, the file's state on disk included.
    const auto fileNews = [this, &page](DocumentController&) {
        updateLabel(page);
        m_fileQuestions->noteChange(page);
    };
    controller.fileModified().add(this, fileNews);
    controller.fileDeleted().add(this, fileNews);
    controller.editRefused().add(
        this, [this](DocumentController&) { m_status->setMessage(DocumentController::READ_ONLY_TEXT); });
}

MainWindow::Page* MainWindow::newDocument() {
    DocumentManager& documents = m_services.controllers->getDocumentManager();
    Document* document = documents.createDocument(std::wstring());
    return addPage(m_services.controllers->createController(*document), nextUntitledNumber());
}

MainWindow::Page* MainWindow::findPageOf(const std::wstring& path) const {
    if (Document* open = m_services.controllers->getDocumentManager().findDocument(path.c_str()))
        for (const auto& page : m_pages)
            if (&page->controller->getDocument() == open)
                return page.get();
    return nullptr;
}

bool MainWindow::openFile(const std::wstring& path, bool readOnly) {
    DocumentManager& documents = m_services.controllers->getDocumentManager();
    if (Page* open = findPageOf(path)) {
        activate(*open);
        return true;
    }
    DocumentManager::FileError error;
    Document* document = documents.loadDocument(path.c_str(), &error);
    if (!document) {
        showMessage(this, fileFailureText(pel::FileAction::OPEN, path, error));
        return false;
    }
    document->setReadOnly(readOnly);
    // A lone untouched "Untitled" gives way to the file; looked at once the load is over, since
    // the window handles its messages while the file loads.
    Page* replaced = nullptr;
    if (m_pages.size() == 1) {
        Page& only = *m_pages.front();
        if (only.untitled && !only.controller->isModified() && only.controller->getDocument().getLength() == 0 &&
            !documents.isInRequest(only.controller->getDocument()))
            replaced = &only;
    }
    Page* page = addPage(m_services.controllers->createController(*document), 0);
    setGrammarForFile(*page);
    if (replaced) {
        m_closingAll = true;
        m_tabs->closeSlot(replaced->slot);
        m_closingAll = false;
    }
    return true;
}

void MainWindow::setGrammarForFile(Page& page) {
    if (!m_services.grammars || page.untitled)
        return;
    if (GrammarBundleItem* grammar = m_services.grammars->findGrammarForFile(page.controller->getPath()))
        page.controller->setGrammar(grammar->getName());
}

void MainWindow::applyMissingGrammars() {
    for (const auto& page : m_pages) {
        const std::wstring& grammar = page->controller->getGrammarName();
        if (grammar.empty() || grammar == GrammarBundleItemManager::DEFAULT_SCOPE)
            setGrammarForFile(*page);
    }
}

bool MainWindow::writeTo(Page& page, const std::wstring& path) {
    DocumentManager& documents = m_services.controllers->getDocumentManager();
    for (;;) {
        // The write comes last: each question on the way ("Save Anyway?" and these) may let
        // another program's change or deletion arrive, which is asked about before it as well,
        // unless the user chose to save over the other program's change.
        bool over = false;
        do {
            const FileQuestions::Outcome told = m_fileQuestions->askBefore(page, true);
            if (told == FileQuestions::Outcome::STOP)
                return false;
            // Read again from the file: nothing is left to write there.
            if (told == FileQuestions::Outcome::RELOADED && !page.controller->isUnsaved() &&
                pel::FileIO::isSamePath(path.c_str(), page.controller->getPath().c_str()))
                return true;
            if (!confirmReplacedBytes(page))
                return false;
            over = told == FileQuestions::Outcome::SAVE_OVER;
        } while (!over && m_fileQuestions->wouldAsk(page));
        DocumentManager::FileError error;
        std::wstring kept;
        const bool saved = documents.saveDocument(path.c_str(), &page.controller->getDocument(), &error, over, &kept);
        if (saved) {
            // The save told the tab how the file stands: holding this text, so that an older
            // change is no news any more (a question about it held back during the save is not
            // asked), or changed by another program after the save's own write.
            page.controller->markUnmodified();
            tellKept(page, path, kept);
            return true;
        }
        if (!tellKept(page, path, kept))
            return false;
        // The file changed in the moment before it was to be replaced: that is news of its own,
        // asked about before another try.
        if (error && error->getCode() == pel::FileErrorCode::TARGET_CHANGED && isOpen(page) &&
            m_fileQuestions->wouldAsk(page))
            continue;
        showMessage(this, saveErrorText(path, error));
        return false;
    }
}

bool MainWindow::tellKept(Page& page, const std::wstring& path, const std::wstring& kept) {
    // What another program wrote in the save's last moment is nowhere but there.
    if (!kept.empty())
        showMessage(this, shellText(L"`{1}` was changed by another program while Tessel saved it. What the other "
                                    L"program had written there is kept as `{2}`.",
                                    path, kept));
    return isOpen(page);
}

bool MainWindow::confirmReplacedBytes(Page& page) {
    Document& document = page.controller->getDocument();
    const DocumentFormat format = document.getFormat();
    if (!format.replacedBytes)
        return true;
    const uint32_t answer =
        askQuestion(this,
                    shellText(L"{1} held bytes that are not valid {2}; saving will replace them. Save anyway?",
                              getName(page), encoding_title(format.detectedEncoding)),
                    {{L"Save &Anyway", RESULT_SAVE, false}, {L"Cancel", afWindow::RESULT_CANCEL, true}});
    if (answer != RESULT_SAVE || !isOpen(page))
        return false;
    // Asked once: the replacement characters are the document's text from now on.
    document.changeFormat([](DocumentFormat& changed) { changed.replacedBytes = false; });
    return true;
}

bool MainWindow::save(Page& page) {
    // A file opened read-only stays as it was: its text goes only where Save As puts it.
    if (page.untitled || page.controller->isReadOnly())
        return saveAs(page);
    return writeTo(page, page.controller->getPath());
}

bool MainWindow::saveAs(Page& page) {
    std::wstring path = page.untitled ? getName(page) : page.controller->getPath();
    const std::wstring oldPath = page.controller->getPath();
    // The replaced-bytes question comes before another tab is closed for the path.
    if (!askFilePath(this, true, path) || !isOpen(page) || !confirmReplacedBytes(page) ||
        !closeOtherHolder(page, path) || !writeTo(page, path))
        return false;
    // The copy is the user's own file.
    page.controller->getDocument().setReadOnly(false);
    page.untitled = 0;
    updateLabel(page);
    // Another extension may name another language.
    const size_t oldDot = oldPath.rfind(L'.'), newDot = path.rfind(L'.');
    const std::wstring oldExtension = oldDot == std::wstring::npos ? L"" : oldPath.substr(oldDot);
    const std::wstring newExtension = newDot == std::wstring::npos ? L"" : path.substr(newDot);
    if (oldPath.empty() || _wcsicmp(oldExtension.c_str(), newExtension.c_str()) != 0)
        setGrammarForFile(page);
    return true;
}

bool MainWindow::closeOtherHolder(Page& page, const std::wstring& path) {
    // Two tabs on one file would each save over the other's text.
    Page* holder = findPageOf(path);
    if (!holder || holder == &page)
        return true;
    const uint32_t answer =
        askQuestion(this, shellText(L"`{1}` is open in another tab. Close that tab and replace the file?", path),
                    {{L"&Replace", RESULT_REPLACE, false}, {L"Cancel", afWindow::RESULT_CANCEL, true}});
    // The holder may have closed meanwhile; and the tab being saved too (the end of the session,
    // answered inside the question): then there is nothing to save.
    const bool closed = answer == RESULT_REPLACE && (!isOpen(*holder) || closeTab(*holder));
    if (!isOpen(page))
        return false;
    activate(page);
    return closed;
}

bool MainWindow::askToClose(Page& page) {
    DocumentManager& documents = m_services.controllers->getDocumentManager();
    Document& document = page.controller->getDocument();
    // The file as it is now, not only as the watch has told it so far: a deletion the watch has
    // not told yet leaves the text in the tab alone.
    documents.lookAtFile(document);
    if (!needsAnswer(page))
        return true;
    const afMainLoop::Count asking(this, CLOSE_QUESTIONS, m_closeQuestions);
    activate(page);
    for (;;) {
        // What another program did to the file first: a Reload leaves nothing to save, a
        // deletion says that the text is nowhere else.
        if (m_fileQuestions->askBefore(page) == FileQuestions::Outcome::STOP)
            return !isOpen(page);
        if (!page.controller->isUnsaved())
            return true;
        const uint32_t news = document.getFileRecord().news();
        const uint32_t answer = askToSaveChanges(this, getName(page));
        // Closed by what the question let run: there is nothing left to ask about.
        if (!isOpen(page) || answer == afWindow::RESULT_CANCEL)
            return answer != afWindow::RESULT_CANCEL;
        if (answer == RESULT_SAVE)
            return save(page); // which asks about news of the file before it writes
        // Don't Save was given for the file as it was: news of it meanwhile (its deletion, say,
        // told or not yet) is asked about, and the question asked again, before the text goes.
        documents.lookAtFile(document);
        if (document.getFileRecord().news() == news) {
            dismiss(page);
            return true;
        }
    }
}

void MainWindow::lookAtFiles() {
    // Not while the exit lets its tabs go.
    if (m_endingTabs)
        return;
    DocumentManager& documents = m_services.controllers->getDocumentManager();
    for (Page* page : getPages())
        documents.lookAtFile(page->controller->getDocument());
}

bool MainWindow::mayClose(Page& page) {
    const bool inRequest = m_services.controllers->getDocumentManager().isInRequest(page.controller->getDocument());
    if (!inRequest && !page.controller->isInLongEdit())
        return true;
    showMessage(this, shellText(inRequest ? L"`{1}` is still being saved or read: its tab cannot close until that is over."
                                          : L"`{1}` is still being changed: its tab cannot close until that is over.",
                                getName(page)));
    return false;
}

bool MainWindow::closeTab(Page& page) {
    const uint32_t serial = page.serial;
    if (!mayClose(page) || !askToClose(page))
        return false;
    // Unless a question on the way closed it already (a Save As onto its file).
    if (Page* still = findPage(serial)) {
        m_closingAll = true;
        m_tabs->closeSlot(still->slot);
        m_closingAll = false;
    }
    // The window always shows a document.
    if (m_pages.empty())
        newDocument();
    return true;
}

bool MainWindow::askToCloseAll() {
    // An answer may close other tabs (Save As onto the file of one, and Replace): the tabs are
    // looked up again before each question.
    std::vector<uint32_t> asked;
    for (;;) {
        Page* next = nullptr;
        for (Page* page : getPages())
            if (std::find(asked.begin(), asked.end(), page->serial) == asked.end()) {
                next = page;
                break;
            }
        if (!next)
            return true;
        asked.push_back(next->serial);
        if (!askToClose(*next))
            return false;
    }
}

void MainWindow::closeAllTabs() {
    m_closingAll = true;
    m_endingTabs = true;
    m_tabs->closeAll();
    m_endingTabs = false;
    m_closingAll = false;
    // The program's exit, after its loop: nothing holds them, and the documents' manager goes
    // next.
    m_closed.releaseAll();
}

void MainWindow::openCommandLine(const std::wstring& text) {
    AppCommandLine line;
    if (line.parseOrExplain(text, this))
        openCommandLine(line);
}

void MainWindow::openCommandLine(const AppCommandLine& line) {
    if (!line.project.empty())
        showMessage(this,
                    shellText(L"Projects are not supported in this version; `{1}` was not opened.", line.project));
    // Each opens in front of the one before: the last named ends in front.
    for (const std::wstring& file : line.files)
        openFile(file);
    if (line.files.empty() && line.project.empty())
        newDocument();
}

} // namespace tessel
