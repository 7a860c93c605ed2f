#include "app/FileQuestions.h"

#include "app/ShellText.h"

#include "afw/core/afMainLoop.h"
#include "afw/dialog/afQuestion.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"

#include <algorithm>

namespace tessel {

namespace {

// Whether another program's change to the document's file is to be reloaded.
bool askToReload(afViewPlatform* owner, DocumentController& controller) {
    // A reload clears the undo history: unsaved edits would be gone for good, so Enter keeps them.
    const bool edited = controller.isModified();
    const uint32_t answer = askQuestion(
        owner,
        shellText(edited ? L"`{1}` was changed by another program. Reload it? Its unsaved changes here would be lost."
                         : L"`{1}` was changed by another program. Reload it?",
                  controller.getPath()),
        {{L"&Reload", MainWindow::RESULT_RELOAD, !edited}, {L"&Keep", MainWindow::RESULT_KEEP, edited}});
    return answer == MainWindow::RESULT_RELOAD;
}

} // namespace

FileQuestions::FileQuestions(MainWindow& window, DocumentManager& documents)
    : m_window(window), m_documents(documents) {}

FileQuestions::~FileQuestions() { afMainLoop::cancel(this); }

void FileQuestions::noteChange(MainWindow::Page& page) {
    if (page.controller->isModifiedOnDisk() && &page == m_window.getActivePage())
        queue(page);
}

void FileQuestions::noteDeletion(MainWindow::Page& page) {
    DocumentController& controller = *page.controller;
    if (!controller.isDeletedOnDisk())
        return;
    {
        // A read transaction: an edit's end would take the flag from the undo history again.
        DocumentController::Lock lock(controller, DocumentController::LOCK_READ);
        controller.getDocument().changeFormat([](DocumentFormat& format) { format.modified = true; });
    }
    page.deletedNotice = true;
    if (&page == m_window.getActivePage())
        queue(page);
}

void FileQuestions::noteShown(MainWindow::Page& page) {
    if (isPending(page))
        queue(page);
}

bool FileQuestions::isPending(const MainWindow::Page& page) const {
    return page.deletedNotice || page.controller->isModifiedOnDisk();
}

bool FileQuestions::wouldAsk(const MainWindow::Page& page) const {
    return m_asking == 0 && (page.deletedNotice || (page.controller->isModifiedOnDisk() &&
                                                !m_documents.isInRequest(page.controller->getDocument())));
}

void FileQuestions::queue(const MainWindow::Page& page) {
    if (std::find(m_shown.begin(), m_shown.end(), page.serial) == m_shown.end())
        m_shown.push_back(page.serial);
    if (!m_posted)
        afMainLoop::post(this, [this] { askShown(); });
    m_posted = true;
}

void FileQuestions::askShown() {
    m_posted = false;
    std::vector<uint32_t> shown;
    shown.swap(m_shown);
    const MainWindow::Page* front = m_window.getActivePage();
    const uint32_t frontSerial = front ? front->serial : 0;
    bool elsewhere = false;
    for (uint32_t serial : shown) {
        MainWindow::Page* page = m_window.findPage(serial);
        if (!page || !isPending(*page))
            continue;
        elsewhere = elsewhere || serial != frontSerial;
        askBefore(*page);
    }
    // A tab that was shown only on the way (the first of two files handed over together) came
    // to the front for its question alone.
    if (MainWindow::Page* back = elsewhere ? m_window.findPage(frontSerial) : nullptr)
        m_window.activate(*back);
}

FileQuestions::Outcome FileQuestions::askBefore(MainWindow::Page& page) {
    if (!isPending(page))
        return Outcome::GO_ON;
    if (m_asking > 0)
        return Outcome::STOP;
    const afMainLoop::Count asking(this, L"FileQuestions' questions", m_asking);
    // An answer may close the tab (the end of the session, answered with a Save As onto its
    // file): the page is looked up again after each.
    const uint32_t serial = page.serial;
    m_window.activate(page);
    Outcome outcome = Outcome::GO_ON;
    for (MainWindow::Page* at = &page; at && isPending(*at); at = m_window.findPage(serial)) {
        if (at->deletedNotice) {
            at->deletedNotice = false;
            showMessage(&m_window, shellText(L"`{1}` was deleted by another program.", at->controller->getPath()));
        } else if (outcome == Outcome::STOP) {
            break; // a reload failed: the change stays noted
        } else if (m_documents.isInRequest(at->controller->getDocument())) {
            queue(*at);
            break;
        } else {
            outcome = askAboutChange(*at);
        }
    }
    return m_window.findPage(serial) ? outcome : Outcome::STOP;
}

FileQuestions::Outcome FileQuestions::askAboutChange(MainWindow::Page& changed) {
    MainWindow::Page* page = &changed;
    const uint32_t serial = page->serial;
    const std::wstring path = page->controller->getPath();
    // Gone since it changed: there is nothing to reload, and the deletion is told on its own.
    if (!FileStamp::isThere(path)) {
        page->controller->keepFileChange();
        return Outcome::GO_ON;
    }
    // Read before asking: a write that lands while the question is open is news after it.
    DocumentWatch::FileStamp asked = DocumentWatch::stampOf(path);
    // One save by another program may come as several notices: the file as it was answered is
    // not asked about again.
    bool news = !page->answeredFile.known() || asked != page->answeredFile;
    while (news) {
        const bool reload = askToReload(&m_window, *page->controller);
        if (!(page = m_window.findPage(serial)))
            return Outcome::STOP;
        if (reload) {
            // The reload reads the file as it is now, a write made while the question was open
            // included; one made while it reads is asked about once it is over.
            page->answeredFile = DocumentWatch::stampOf(path);
            DocumentManager::FileError error;
            if (m_documents.reloadDocument(&page->controller->getDocument(), &error))
                return Outcome::RELOADED;
            showMessage(&m_window, shellText(L"Cannot open `{1}`: {2}", path, fileErrorText(error)));
            return Outcome::STOP;
        }
        page->answeredFile = asked;
        // Written again while it was asked: Keep answered for the older file only.
        const DocumentWatch::FileStamp now = DocumentWatch::stampOf(path);
        news = now != asked;
        asked = now;
    }
    // Kept: not asked again until the file changes again.
    page->controller->keepFileChange();
    return Outcome::GO_ON;
}

} // namespace tessel
