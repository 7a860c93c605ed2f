#pragma once
// The questions another program's change or deletion of an open file raises, for the main
// window's tabs. The file watch tells them inside a notification, where nothing may be asked (an
// answer may close what the code under it goes on with): they are noted for the tab, and asked
// from code that can bear any answer. A tab shown with one pending is asked about from the main
// loop (afMainLoop), each tab so shown in turn, whichever tab is in front by then; and every save
// and close of a tab first asks what is pending for it (askBefore), before "Save changes" and
// before any write, so that nothing of another program is written over and no deletion goes
// untold. What waits is read from the document's file record (FileRecord::asks), and each answer
// is recorded there against the news it was given for: whatever happens to the file while a
// question is open is asked about after it. A tab that went is never asked about.

#include "app/MainWindow.h"

#include <cstdint>
#include <vector>

namespace tessel {

class DocumentManager;

class FileQuestions {
public:
    // What askBefore leaves the save or close with.
    enum class Outcome {
        GO_ON,     // nothing was pending, or the document's text was kept over its file's
        SAVE_OVER, // before a save: the text is to be saved over whatever the file holds by then
        RELOADED,  // the document was read again from its file: its edits are gone
        STOP,      // the tab went, its reload failed, the save was called off, or another file
                   // question is still open
    };

    FileQuestions(MainWindow& window, DocumentManager& documents);
    ~FileQuestions();
    FileQuestions(const FileQuestions&) = delete;
    FileQuestions& operator=(const FileQuestions&) = delete;

    // The notices of the page's controller (fileModified, fileDeleted): what waits for the tab
    // in front is asked from the main loop.
    void noteChange(MainWindow::Page& page);
    // The page's tab came to the front: what is pending for it is asked from the main loop.
    void noteShown(MainWindow::Page& page);

    // Whether a change question or a deletion notice waits for the page.
    bool isPending(const MainWindow::Page& page) const;
    // Whether askBefore would ask something about the page now.
    bool wouldAsk(const MainWindow::Page& page) const;
    // Asks what waits for the page, its tab in front, until nothing does: the deletion notice,
    // or whether to reload the change (while the document is in a request, whose caller is not
    // back, its Reload would start under that one: it is asked once the request is over). Under
    // another file question (the end of the session answered inside it) nothing is asked: STOP,
    // since that one is answered first. Before a save (`saving`) the change question offers to
    // save the text over the change: that answer (SAVE_OVER) holds for the save about to run,
    // whatever else the other program writes meanwhile, and Escape calls the save off.
    Outcome askBefore(MainWindow::Page& page, bool saving = false);

private:
    // The change question for the record's news `at`; GO_ON also when newer news came meanwhile
    // (unanswered: asked next). STOP when a reload failed or the save was called off, with
    // *o_failed the news it left.
    Outcome askAboutChange(MainWindow::Page& page, uint32_t at, uint32_t* o_failed, bool saving);
    // For the main loop's turn.
    void queue(const MainWindow::Page& page);
    // The main loop's turn: the tabs shown with a question pending, in the order shown; then
    // the tab that was in front comes back there.
    void askShown();

    MainWindow& m_window;
    DocumentManager& m_documents;
    // Serials of the tabs shown with a question pending since the main loop last asked.
    std::vector<uint32_t> m_shown;
    bool m_posted = false;
    // File questions open now (afMainLoop::Count: a question a fault abandoned blocks none later).
    int m_asking = 0;
};

} // namespace tessel
