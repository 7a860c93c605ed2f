#pragma once
// Creates, finds, loads, saves, reloads, renames and releases every Document of the process, and
// owns what they share: the loader ("DocLoader"), the "parser" pool with its parser client, the
// undo registry, the "DocumentWatcher" file watcher, the grammar table (grammar names in use,
// with their use counts and subscriptions at the grammar rule-set holder), the format detectors,
// the defaults of new documents, and the manager-wide listeners and callbacks. The service root
// makes one at start and deletes it at exit. Main thread only.
//
// Loads, saves and reloads block the main thread while the loader works; one asked while the main
// thread holds that document's lock fails at once (the loader needs the lock). A load or reload
// gives the document the format detected in its file, or the defaults where nothing was detected;
// a save under a new path watches the new file, and lets go of the old one only once the save
// succeeded. A released document is destroyed only once its parse job can no longer run.

#include "service/base/BgScheduler.h"
#include "service/base/Notice.h"
#include "service/document/DocumentOwner.h"
#include "service/document/DocumentWatch.h"
#include "service/document/FileContentCheck.h"
#include "service/document/io/DocumentIORequest.h"
#include "service/document/detectors/FormatDetectorSet.h"
#include "service/document/io/DocumentIOOwner.h"

#include "pel/files/file_io/FileError.h"
#include "pel/text/Indentation.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class Config;
class Document;
class DocumentGrammar;
class DocumentIO;
class DocumentIOWait;
struct DocumentIORequest;
class GrammarRuleSetHolder;
class ParserServices;
struct DocumentFormat;

class DocumentManager : public DocumentOwner, public DocumentIOOwner, public FormatDetectorHost {
public:
    using FileError = std::unique_ptr<pel::FileErrorObject>;

    // Starts the loader, the undo registry, the parser pool (without workers until readSettings)
    // with the client the services make, the holder and the watcher, and last the format
    // detectors. Null services: nothing is parsed and no grammar is available.
    explicit DocumentManager(std::shared_ptr<ParserServices> services = nullptr);
    // Removes the format detectors first, releases every document, then stops the watcher and the
    // loader and lets go of the undo registry, the pool, the holder and the client.
    ~DocumentManager() override;
    DocumentManager(const DocumentManager&) = delete;
    DocumentManager& operator=(const DocumentManager&) = delete;

    // Under the Config lock. Settings that are not declared leave their defaults; a value it
    // cannot use is told (Config::tellProblem) with what it uses instead. Read again (the
    // settings file changed), it applies only the defaults whose settings changed since.
    void readSettings(Config& config);
    // Cancels this manager's grammar subscriptions first (the application calls it at exit,
    // after closing the documents), then writes the defaults of new documents that this run
    // changed (those that differ from what the settings last gave).
    void writeSettings(Config& config);

    // Defaults of new documents and of loaded ones where nothing was detected; the status strip
    // sets them too. A width is kept within 1..16, a line ending outside 0..2 is refused.
    uint32_t getDefaultEncoding() const { return m_defaultEncoding; }
    uint32_t getDefaultLineEnding() const { return m_defaultLineEnding; }
    const pel::Indentation& getDefaultIndentation() const { return m_defaultIndentation; }
    void setDefaultEncoding(uint32_t encoding) { m_defaultEncoding = encoding; }
    bool setDefaultLineEnding(uint32_t lineEnding);
    void setDefaultIndentation(bool softTabs, int width);

    // A new empty document with the defaults and the grammar of the name.
    Document* createDocument(const std::wstring& grammarName);
    // The document of the file, loaded anew (an open one is not looked for: findDocument); null
    // with *o_error set when it cannot be read.
    Document* loadDocument(const wchar_t* path, FileError* o_error);
    // Writes the document to the path; false with *o_error set when that failed, the document
    // and the file as they were. A save to the document's own file replaces it only as its file
    // record last found it (read or written, or the change the user answered): a file changed
    // since fails the save (pel::FileErrorCode::TARGET_CHANGED), and is news, unless the save is
    // to go `overOthers` (the user chose to save over another program's change), which writes
    // the document whatever the file holds by then. A file that another program changed in the
    // last moment of the save, and that the save replaced all the same, is kept beside it: its
    // name goes to *o_kept when given (empty when none was kept). Its own write is no news to
    // the document, but what another program did to the file after it (also while a question
    // was open inside the wait, and right after the write) is: once the save is over the
    // listeners hear how the file stands, in sync with the document, or modified or deleted
    // since; after a failed save they hear only of such a change.
    bool saveDocument(const wchar_t* path, Document* document, FileError* o_error, bool overOthers = false,
                      std::wstring* o_kept = nullptr);
    // Reads the document's file again into it; false with *o_error set when that failed, the
    // document as it was, and the file record learns only what the failure told (the file gone,
    // or there and unreadable). The file is read aside: until the new text takes the old one's place
    // the window reads the document as it was, and an edit of it is refused. A reload asked while
    // a request for the document has not returned to its caller (the window answers a message
    // inside its wait), running or finished, fails at once (DOCUMENT_BUSY), as one while the
    // document is locked; so does a save, unless that request has finished and failed. A file
    // written again while the reload ran is told to the listeners afterwards as modified: the
    // text read may be the older one.
    bool reloadDocument(Document* document, FileError* o_error);
    // Whether the loader has finished a load, save or reload of the document, successfully,
    // while its caller still waits (the window answers a message inside the wait): once the
    // caller goes on, the document is unmodified, as its file holds it.
    bool leavesInSync(const Document& document) const;
    // Whether a load, save or reload of the document has not returned to its caller yet, running
    // or finished: the window answers messages inside its wait, and what they do must leave the
    // document (and whatever shows it) to that caller.
    bool isInRequest(const Document& document) const;
    // Looks at the document's file: a change or deletion found is news to its file record (and
    // its listeners, when it changed the record); a file found as last known clears nothing. A
    // file whose stamp changed and whose size did not is news only once its bytes are read and
    // differ (FileContentCheck: on the loader's thread, later). A document in a request is left
    // to it (the request looks once it is over), as is one with no file.
    void lookAtFile(Document& document);
    // Points the document to another file (null document: pel::NullPointerException "doc").
    void renameDocument(Document* document, const wchar_t* path);
    // The open document of the file, never a new one: the one whose file is the file the path
    // leads to (the same volume and file index, whatever name reached it: a link, another name
    // of the file, a short name, another spelling), else the one of the same path by the file
    // system's comparison (where the system gives no identity, or the file is gone); null for a
    // null or empty path.
    Document* findDocument(const wchar_t* path) const;
    // Destroys a document of this manager (after its parse job and watch entry); others are left.
    void releaseDocument(Document* document);
    // Takes a document of this manager out of it at once, as releaseDocument does, but for its
    // destruction: findDocument no longer finds it, its file is no longer watched and its parse
    // job is given up; the caller destroys it later (its controllers first), before this manager
    // goes. It stays locked by the main thread, so no save or reload of it starts. Null for a
    // document of no manager or another.
    std::unique_ptr<Document> detachDocument(Document* document);
    // Releases every document no controller holds; one that a controller holds is left to its
    // holder, which releases it as it goes. The manager's end releases whatever is left.
    void closeAllDocuments();
    const std::vector<std::unique_ptr<Document>>& getDocuments() const { return m_documents; }

    // Manager-wide listeners, attached to every document (each under its lock). Adding one
    // present already answers true; removing answers whether it was present.
    bool addListener(DocumentListener* listener) override;
    bool removeListener(DocumentListener* listener) override;
    void addDetector(FormatDetector* detector) override { m_detectors.add(detector); }
    bool removeDetector(FormatDetector* detector) override { return m_detectors.remove(detector); }
    // The loader's call, on its thread.
    bool runFormatDetectors(DetectorAnswer& result, Document& document) override;

    // Told after each successful load, and after each successful save with whether the
    // document's path changed.
    Notice<Document&>& loadedCallbacks() { return m_loaded; }
    Notice<Document&, bool>& savedCallbacks() { return m_saved; }

    // Gives the document the grammar of the name (empty: none) and asks the holder for it.
    void setGrammar(Document& document, const std::wstring& name);
    // The documents that use a grammar name; 0 for a name not in use.
    int getGrammarUseCount(const std::wstring& name) const;
    // The holder's answer: each document of the grammar's name starts over with it and is parsed
    // anew.
    void onGrammarReady(const std::wstring& name, const DocumentGrammar* grammar);

    // What the controllers and the application reach through the manager.
    UndoManager* getUndoManager() override { return m_undoManager.get(); }
    ParserClient* getParserClient() override { return m_parserClient.get(); }
    BgScheduler& getParserPool() { return *m_parserPool; }
    bool getParseInactiveDocuments() const;
    GrammarRuleSetHolder& getGrammarRuleSetHolder() { return *m_grammarRuleSets; }
    DocumentIO& getDocumentIO() { return *m_io; }
    // What the main thread does while a load or save runs (null: it only waits); the waiter
    // outlives its use here. No document's lock is held by this manager meanwhile.
    void setIOWait(DocumentIOWait* waiter) { m_ioWait = waiter; }
    pel::FileWatcher& getWatcher() { return m_watch->watcher(); }
    FileContentCheck& getContentCheck() { return *m_contentCheck; }

    std::unique_ptr<DocumentScopeRegistry> createScopeRegistry(Document& document) override;
    std::unique_ptr<DocumentStyler> createStyler(Document& document) override;

private:
    struct GrammarEntry {
        const DocumentGrammar* grammar = nullptr;
        int useCount = 0;
    };

    // DocumentManager.cpp
    Document* newDocument();
    // The step with the listener on every document, each under its lock.
    void eachDocumentLocked(void (Document::*step)(DocumentListener*), DocumentListener* listener);

    // A request of the loader that its caller waits for: the document it is for (a reload's,
    // not the one filled aside), the request (null until it is queued) and the event the loader
    // sets once it has finished.
    struct Waiting {
        const Document* document;
        const DocumentIORequest* request;
        HANDLE ready;
    };

    // DocumentManagerFiles.cpp
    // False, with *o_error set, when the main thread holds the document's lock or a request for
    // it of the kind (DocumentIOKind) may not start now (see reloadDocument).
    bool refuseWhileLocked(const Document& document, uint32_t kind, const wchar_t* path, FileError* o_error) const;
    // The request for the document, filled by the loader; `shown` is the document it is for
    // when that is another (a reload's).
    // What it left goes to *o_result when given.
    // A save replaces the file only as *expected has it, when given.
    FileError runRequest(Document* document, const wchar_t* path, uint32_t kind, const Document* shown = nullptr,
                         DocumentIOResult* o_result = nullptr, const FileVersion* expected = nullptr,
                         pel::SafeSave::Other other = pel::SafeSave::Other::REFUSE);
    // A read or write of the document's file took it as `took`, and it was then found as `now`:
    // the record takes both, and the file's bytes tell the rest where its stamp cannot.
    void tookFile(Document& document, const FileVersion& took, const FileStamp& now);
    // lookAtFile, also for a document in a request (its own, once over).
    void noteFileNow(Document& document);
    // The innermost request waited for that is for the document, or null.
    const Waiting* findWaiting(const Document& document) const;
    void applyLoadedFormat(DocumentFormat& format, const wchar_t* fullPath) const;

    // DocumentGrammars.cpp
    void releaseGrammar(const std::wstring& name);

    std::shared_ptr<ParserServices> m_services;
    std::unique_ptr<GrammarRuleSetHolder> m_grammarRuleSets;
    std::unique_ptr<UndoManager> m_undoManager;
    std::unique_ptr<BgScheduler> m_parserPool;
    std::unique_ptr<ParserClient> m_parserClient;
    std::unique_ptr<FileContentCheck> m_contentCheck;
    std::unique_ptr<DocumentWatch> m_watch;
    std::vector<std::unique_ptr<Document>> m_documents; // in creation order
    std::vector<DocumentListener*> m_listeners;
    FormatDetectorList m_detectors;
    std::unique_ptr<DocumentIO> m_io;
    DocumentIOWait* m_ioWait = nullptr;
    std::vector<Waiting> m_waiting; // nested through the messages the waits handle, outermost first
    std::map<std::wstring, GrammarEntry> m_grammars;
    pel::Indentation m_defaultIndentation; // tabs, width 4
    uint32_t m_defaultEncoding;
    uint32_t m_defaultLineEnding;
    // The defaults as the settings last gave them.
    struct SettingsRead {
        bool done = false;
        uint32_t encoding = 0;
        uint32_t lineEnding = 0;
        bool soft = false;
        int size = 0;
    } m_read;
    Notice<Document&> m_loaded;
    Notice<Document&, bool> m_saved;
    std::unique_ptr<FormatDetectorSet> m_formatDetectors;
};

} // namespace tessel
