#pragma once
// The program's main window ("Tessel35WindowClass"): the menu bar, the tab strip with one
// editor per open document, and the status bar, top to bottom. It owns the tabs' editors and
// controllers: it opens, makes, saves and closes documents, asks before anything unsaved is
// lost (when a tab closes and when the window does), asks about changes other programs make to
// an open file, gives documents their grammar and theme, and opens what a second start of the
// program hands over. Its title names the active document. The end of a Windows session asks as
// closing does (once a load or save under way is over, and not while a closing question is
// already open) and then saves the settings.
//
// What a second start hands over and a close asked for under a question wait for the main loop
// (afMainLoop); so does the freeing of a closed tab's page, editor, controller and document,
// which code up the stack may still hold. Another program's change or deletion of a file is
// noted and asked by FileQuestions: from the main loop once its tab is shown, and before any
// save or close of its tab. What asked a question looks whether its tab is still open (isOpen)
// before it goes on.

#include "afw/action/afAction.h"
#include "afw/core/afReleaseQueue.h"
#include "afw/dialog/afQuestion.h"
#include "afw/data/afDropAction.h"
#include "afw/window/afWindowMain.h"
#include "afw/dock/afDockSlotController.h"
#include "pel/base/FreedAccessTrap.h"
#include "service/document/DocumentWatch.h"
#include "service/document/controller/FacePreset.h"
#include "components/SearchCommands.h"
#include "service/document/search/SearchParameters.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class afDataObject;
class afDock;
class afMenuBar;
class SearchSubscriber;
struct afDropInfo;

namespace tessel {

struct AppCommandLine;
class BundleManager;
class Document;
class DocumentController;
class DocumentControllerManager;
class DocumentManager;
class Editor;
class EditorStatusController;
class EditorWrapper;
class FileQuestions;
class GrammarBundleItemManager;
class LoaderWait;
class LongEditPauses;
class StatusBar;
class Tabs;
class TesselService;
class ThemeManager;
struct TextPosition;

class MainWindow : public afWindowMain, public afDockSlotController, public afActionHandler {
public:
    // The answers of the unsaved-changes question.
    static constexpr uint32_t RESULT_SAVE = ANSWER_SAVE;
    static constexpr uint32_t RESULT_DONT_SAVE = ANSWER_DONT_SAVE;
    static constexpr uint32_t RESULT_RELOAD = ANSWER_RELOAD;
    static constexpr uint32_t RESULT_KEEP = ANSWER_KEEP;
    // Save As onto a file another tab holds: that tab closes and the file is written over.
    static constexpr uint32_t RESULT_REPLACE = pel::crc32Literal("replace");
    // The theme new documents are shown in: the shipped "Tessel Light".
    static constexpr const wchar_t* SHIPPED_THEME = L"4d179b12-d432-4c3a-bd12-5911c5533e1c";

    // What the window works with; the grammar and bundle managers may be missing (no bundles).
    struct Services {
        TesselService* root = nullptr;
        DocumentControllerManager* controllers = nullptr;
        GrammarBundleItemManager* grammars = nullptr;
        BundleManager* bundles = nullptr;
        ThemeManager* themes = nullptr;
        // Writes the settings as the program's exit does (at the end of a Windows session).
        std::function<void()> saveSettings;
    };

    // One tab: its slot, editor and controller, and the number of an "Untitled" document.
    struct Page : pel::FreedAccessTrap {
        // Never given to another tab: a question may close tabs, and what its asker held is
        // looked up again by this afterwards (the memory of a closed tab may hold a new one).
        uint32_t serial = 0;
        afDockSlot* slot = nullptr; // null once the tab has closed
        EditorWrapper* wrapper = nullptr; // the slot's view: the editor under its strip
        Editor* editor = nullptr;
        DocumentController* controller = nullptr;
        int untitled = 0; // 0 for a document with a file
    };

    explicit MainWindow(const Services& services);
    ~MainWindow() override;

    // Makes the native window, the menus and the views, and registers the actions.
    bool create();

    // ---- documents (MainWindowFiles.cpp)
    // An open path activates its tab (as it is); otherwise the file is loaded into a new tab,
    // replacing a lone untouched "Untitled", and read-only refuses every edit of it. A failure
    // is shown; false then.
    bool openFile(const std::wstring& path, bool readOnly = false);
    Page* newDocument();
    // Saves to the document's file, or through Save As for "Untitled" and a read-only document;
    // a failure is shown and the document stays modified. False when it was not saved.
    bool save(Page& page);
    // A path another tab holds is saved over only once that tab has closed (asked first). The
    // saved copy of a read-only document is editable.
    bool saveAs(Page& page);
    // Asks about unsaved changes first; false when the tab stays. A tab whose document is still
    // being saved or read (a question asked inside that wait closes it) stays, and says why.
    bool closeTab(Page& page);
    // Asks about each modified document in tab order, tabs a question closed left out; false
    // when one answer keeps the window.
    bool askToCloseAll();
    // Closes every tab without asking and frees them (the program's exit, after askToCloseAll
    // and the main loop).
    void closeAllTabs();
    // Opens what a command line names: each file in a tab of its own, in the order given, the
    // last in front (one that cannot be opened is told); a project is told it is not opened; a
    // new document when it names nothing.
    void openCommandLine(const AppCommandLine& line);
    // The same for a forwarded command line's text; a syntax error is told.
    void openCommandLine(const std::wstring& text);
    // The grammar of its file name for each document that has none yet (after a bundle load).
    void applyMissingGrammars();

    // ---- tabs
    Tabs* getTabs() const { return m_tabs; }
    StatusBar* getStatusBar() const { return m_status; }
    Page* getActivePage() const;
    Page* findPage(const afDockSlot* slot) const;
    // The open tab of the serial, null once it has closed.
    Page* findPage(uint32_t serial) const;
    // Whether the page's tab is still open: an answer to a question may have closed it, and its
    // page lives on until the main loop frees it.
    bool isOpen(const Page& page) const { return findPage(page.serial) == &page; }
    // In tab order.
    std::vector<Page*> getPages() const;
    void activate(Page& page);
    // The next tab (or the previous one), wrapping round.
    void activateNeighbour(bool previous);
    // The document's name: the file name, or "Untitled"/"Untitled N".
    std::wstring getName(const Page& page) const;
    // The tab's label: the name, and " *" while modified.
    std::wstring getLabel(const Page& page) const;
    std::wstring getTitleText() const;
    // Commands from WM_COPYDATA that wait for the main loop.
    size_t getPendingCommandCount() const { return m_pendingCommands.size(); }
    // Closed tabs whose objects the main loop has not freed yet.
    size_t getClosedPageCount() const { return m_closed.size(); }
    // From the first closing question until the close is cancelled: hand-overs are not taken
    // (answered at once as closing while the questions are open, refused after them, so that the
    // second start waits for this one to go and starts as the first).
    bool isClosing() const { return m_closing; }

    // ---- afDockSlotController
    void queryClose(const std::vector<afDockSlot*>& slots, std::vector<afDockSlot*>& closable) override;
    void slotRemoved(afDockSlot* slot, bool deleting) override;
    void slotActivated(afDockSlot* slot) override;
    // A tab's middle click.
    void closeSlotRequested(afDockSlot* slot);

    // The files of a drop on the tabs: each opens in a tab once the drop has ended. Files
    // dropped anywhere are copied in, whatever the keys: the source keeps them.
    afDropAction filesDropped(afDock* dock, afDataObject* data, int index, const afDropInfo& info, uint32_t allowed,
                              afDropAction action);
    afDropAction tabsFileDropQuery(afDock* dock, const afDropInfo& info, uint32_t allowed, afDropAction proposed);
    // An editor's drops: files are copied in (opened in tabs as above), text goes in at the drop
    // point, as one undo step, leaving what is selected as it is.
    afDropAction editorFileDropQuery(Editor* editor, const afDropInfo& info, uint32_t allowed, afDropAction proposed);
    afDropAction editorDrop(Editor* editor, const std::vector<std::wstring>& items, bool files, const TextPosition& at,
                            afDropAction action);
    EditorStatusController* getStatusController() const { return m_statusController.get(); }

    // ---- window
    // A close asked for under a question, inside another loop or while another round of
    // closing questions runs is held and asked for again from the main loop.
    bool canClose() override;
    bool onRawMessage(afMessage& msg) override;
    bool buildSeed(afSeed& seed) override;

    // ---- actions (MainWindowActions.cpp)
    bool onFileNew(afActionEvent& event);
    bool onFileOpen(afActionEvent& event);
    bool onFileSave(afActionEvent& event);
    bool onFileSaveAs(afActionEvent& event);
    bool onFileClose(afActionEvent& event);
    bool onAppExit(afActionEvent& event);
    bool onNextTab(afActionEvent& event);
    bool onPreviousTab(afActionEvent& event);
    bool onFind(afActionEvent& event);
    bool onFindNext(afActionEvent& event);
    bool onFindPrevious(afActionEvent& event);
    bool onReplace(afActionEvent& event);
    // Lists the installed themes in the action chooser; the pick shows in every editor and goes
    // into the preferences.
    bool onSelectTheme(afActionEvent& event);

    // ---- find and replace (MainWindowSearch.cpp)
    // What Ctrl+F, F3 and Ctrl+H search for, how and where, and Ctrl+H's replacement.
    const SearchParameters& getSearch() const { return m_search; }
    void setSearch(const SearchParameters& search) { m_search = search; }
    // Finds with the search's values in its scope; "Not found" in the status bar, with a beep,
    // when nothing is.
    bool find(bool backwards);

    // ---- the face of the editors (MainWindowActions.cpp)
    // The preferences' preset, which every editor shows (an empty theme: the shipped one).
    const FacePreset& getFacePreset() const { return m_facePreset; }
    void setFacePreset(const FacePreset& preset);
    // The window's preset as the controller's, the shipped theme for an empty one.
    void applyFacePreset(DocumentController& controller) const;

private:
    Page* addPage(DocumentController* controller, int untitled);
    // The tab whose document has the file, or null.
    Page* findPageOf(const std::wstring& path) const;
    // Another tab holding the path closes, asked first: whether the path is free for the page.
    bool closeOtherHolder(Page& page, const std::wstring& path);
    // Whether a document whose load replaced bytes may be saved: asks once, and a yes lets every
    // later save write the replacement characters.
    bool confirmReplacedBytes(Page& page);
    // Saves the document to the path, once another program's change or deletion of its file and
    // the replaced bytes are asked about; a failure is shown. A document reloaded on the way is
    // its file already: nothing is written to that.
    bool writeTo(Page& page, const std::wstring& path);
    // Tells where a save kept what another program had written in its last moment (nothing when
    // `kept` is empty); whether the page is still open after it.
    bool tellKept(Page& page, const std::wstring& path, const std::wstring& kept);
    void setGrammarForFile(Page& page);
    void updateTitle();
    void updateLabel(Page& page);
    // The answer of the unsaved-changes question for the page, saving when it says so: whether
    // the page may close. Another program's change or deletion of its file is asked first.
    bool askToClose(Page& page);
    // Whether closing the page would lose what is not answered for: its text differs from the
    // text last saved or its file from what was last read or written (DocumentController::
    // isUnsaved; a save or reload the loader has finished while the window waits for it leaves
    // the document as its file: the end of the session is answered inside that wait), and this
    // closing round's Don't Save was not given for its text and its file as they are now.
    bool needsAnswer(const Page& page) const;
    // Don't Save, given in this closing round for the page's text and file as they are now.
    void dismiss(const Page& page);
    // The window came to the front: each open file is looked at, so that what another program
    // did to it meanwhile that no watch tells (its folder renamed away) is news now.
    void lookAtFiles();
    // What closing the window and ending the session ask, as a round of closing questions
    // (refused while another runs): a hand-over taken before it opens and refuses the close; then
    // each modified document, then the services, then each document modified meanwhile. Whether
    // to go on.
    bool askBeforeClosing();
    // WM_QUERYENDSESSION: whether the session may end.
    bool queryEndSession();
    // The session ends: the settings are saved, since the process ends without App::exit.
    void endSession();
    void watchController(Page& page);
    // False, after saying why, when the page's document is in a request whose caller is not back:
    // its tab must not close under it.
    bool mayClose(Page& page);
    void queueCommand(const std::wstring& text);
    void queueFiles(const std::vector<std::wstring>& paths);
    // Opens the hand-overs; inside a nested loop they wait for the main loop.
    void runPendingCommands();
    // A closed tab's page, with its document when it was the last to show it (already out of
    // the DocumentManager).
    struct ClosedPage {
        std::unique_ptr<Page> page;
        std::unique_ptr<Document> document;
    };
    // Frees a closed tab's objects, from the main loop.
    void freeClosedPage(ClosedPage& closed);
    int nextUntitledNumber() const;
    // What one search action did: whether it found or replaced, and what the user is told.
    struct SearchReport {
        bool done = false;
        SearchOutcome outcome;
    };
    // The find or replace dialog over the search's values, over the window of the editor it
    // searches: the find text taken from a selection within one line (escaped for a regular
    // expression), the selection scope chosen for one spanning lines, else the document's. Its
    // commands search while it is open, Find Next in the direction given. Whether it closed
    // confirmed.
    bool askSearch(bool replace, bool backwards);
    // The scope's target (the editor that had the focus last: a document's, or an entry's in
    // the bundle editor), else the active tab's editor; null without either.
    SearchSubscriber* searchTarget() const;
    // Runs the search action with the search's values in the target, and says what it did in
    // the status bar ("Replaced 3 matches", "Not found", why it failed), with a beep when it
    // found or replaced nothing. With `only`, it runs only while that is the target (a search
    // dialog's text, which may have closed meanwhile).
    SearchReport runSearch(uint32_t action, bool backwards, const SearchSubscriber* only = nullptr);
    void registerActions();
    void buildMenus();

    Services m_services;
    Tabs* m_tabs = nullptr;
    StatusBar* m_status = nullptr;
    std::unique_ptr<afMenuBar> m_menuBar;
    // Follows the active tab's editor in the status bar's strip; goes before the strip does.
    std::unique_ptr<EditorStatusController> m_statusController;
    // Keep this window alive while documents load and save, and in the pauses of long edits.
    std::unique_ptr<LoaderWait> m_loaderWait;
    std::unique_ptr<LongEditPauses> m_longEditPauses;
    std::unique_ptr<FileQuestions> m_fileQuestions;
    std::vector<std::unique_ptr<Page>> m_pages;
    // The closed tabs' objects, until the main loop frees them.
    afReleaseQueue m_closed;
    std::vector<afAction*> m_actions;
    std::vector<std::wstring> m_pendingCommands;
    SearchParameters m_search;
    FacePreset m_facePreset;
    uint32_t m_lastSerial = 0;
    // A close asked for inside a loop waits for the main loop.
    bool m_closeHeld = false;
    bool m_closingAll = false;
    // While the exit closes every tab: the tab the strip activates next is not shown, since its
    // editor's window went with the main window's.
    bool m_endingTabs = false;
    bool m_closing = false;
    // Closing questions open now (a tab's or the window's, with the saves they start): they
    // do not nest. Kept by afMainLoop::Count, so that a question a fault abandoned holds no
    // close for good.
    int m_closeQuestions = 0;
    static constexpr const wchar_t* CLOSE_QUESTIONS = L"MainWindow's closing questions";
    // The tabs this closing round's Don't Save let go, each with its document's change count
    // (Document::getChangeCount) and its file record's news then.
    struct Dismissed {
        uint32_t serial;
        uint32_t changes;
        uint32_t news;
    };
    std::vector<Dismissed> m_dismissed;
};

} // namespace tessel
