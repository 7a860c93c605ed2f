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

const FileRecord& recordOf(const MainWindow::Page& page) { return page.controller->getDocument().getFileRecord(); }

} // namespace

FileQuestions::FileQuestions(MainWindow& window, DocumentManager& documents)
    : m_window(window), m_documents(documents) {}

FileQuestions::~FileQuestions() { afMainLoop::cancel(this); }

void FileQuestions::noteChange(MainWindow::Page& page) {
    // Under a question about the tab in front, what comes is asked next by that question's walk
    // (or, after a reload that failed, at the next save or close).
    if (m_asking == 0 && recordOf(page).asks() && &page == m_window.getActivePage())
        queue(page);
}

void FileQuestions::noteShown(MainWindow::Page& page) {
    if (isPending(page))
        queue(page);
}

bool FileQuestions::isPending(const MainWindow::Page& page) const { return recordOf(page).asks(); }

bool FileQuestions::wouldAsk(const MainWindow::Page& page) const {
    const FileRecord& record = recordOf(page);
    return m_asking == 0 && record.asks() &&
           (record.state() == FileRecord::GONE || !m_documents.isInRequest(page.controller->getDocument()));
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

FileQuestions::Outcome FileQuestions::askBefore(MainWindow::Page& page, bool saving) {
    if (!isPending(page))
        return Outcome::GO_ON;
    if (m_asking > 0)
        return Outcome::STOP;
    const afMainLoop::Count asking(this, L"FileQuestions' questions", m_asking);
    // An answer may close the tab (the end of the session, answered with a Save As onto its
    // file): the page is looked up again after each. Each question is about the news it was
    // asked for; what came while it was open waits, and is asked next.
    const uint32_t serial = page.serial;
    m_window.activate(page);
    Outcome outcome = Outcome::GO_ON;
    uint32_t failed = 0; // the news a reload that failed left
    for (MainWindow::Page* at = &page; at && isPending(*at); at = m_window.findPage(serial)) {
        const FileRecord& record = recordOf(*at);
        const uint32_t news = record.news();
        if (record.state() == FileRecord::GONE) {
            tellDeleted(&m_window, at->controller->getPath());
            if (MainWindow::Page* told = m_window.findPage(serial))
                told->controller->answerFileNews(news);
        } else if (outcome == Outcome::STOP && news == failed) {
            break; // its question comes again before the next save or close
        } else if (m_documents.isInRequest(at->controller->getDocument())) {
            queue(*at);
            break;
        } else {
            outcome = askAboutChange(*at, news, &failed, saving);
            // The save goes now, over whatever came since.
            if (outcome == Outcome::SAVE_OVER)
                break;
        }
    }
    return m_window.findPage(serial) ? outcome : Outcome::STOP;
}

FileQuestions::Outcome FileQuestions::askAboutChange(MainWindow::Page& changed, uint32_t at, uint32_t* o_failed,
                                                     bool saving) {
    const uint32_t serial = changed.serial;
    const std::wstring path = changed.controller->getPath();
    // Text kept over an earlier change is the user's as much as an edit is.
    const bool edited = changed.controller->isModified() || recordOf(changed).kept();
    const bool unreadable = recordOf(changed).state() == FileRecord::UNREADABLE;
    const uint32_t answer = saving ? askToReloadOrSaveOver(&m_window, path, edited, unreadable)
                                   : (askToReloadChanged(&m_window, path, edited, unreadable) ? ANSWER_RELOAD : ANSWER_KEEP);
    const bool reload = answer == ANSWER_RELOAD;
    MainWindow::Page* page = m_window.findPage(serial);
    if (!page)
        return Outcome::STOP;
    const FileRecord& record = recordOf(*page);
    // Gone while it was asked: the answer was for a file that is no more; the deletion is told
    // next.
    if (record.state() == FileRecord::GONE)
        return Outcome::GO_ON;
    if (saving && !reload && answer != ANSWER_KEEP) {
        *o_failed = record.news(); // asked again at the next save or close
        return Outcome::STOP;
    }
    // Saved over, the text goes whatever came while it was asked.
    if (saving && !reload) {
        page->controller->answerFileNews(record.news());
        return Outcome::SAVE_OVER;
    }
    // A Keep holds only for the file as it was asked about.
    if (!reload && record.news() != at)
        return Outcome::GO_ON;
    if (!reload) {
        page->controller->answerFileNews(at);
        return Outcome::GO_ON;
    }
    // The reload reads the file as it is now, a write made while the question was open included;
    // one made while it reads is asked about once it is over. A reload that fails leaves the
    // change unanswered, and says why the file could not be read.
    DocumentManager::FileError error;
    if (m_documents.reloadDocument(&page->controller->getDocument(), &error))
        return Outcome::RELOADED;
    *o_failed = record.news();
    showMessage(&m_window, fileFailureText(pel::FileAction::OPEN, path, error));
    return Outcome::STOP;
}

} // namespace tessel
