#pragma once
// Makes and deletes the DocumentControllers of the documents shown, keeps the active one, and
// gives the controllers what they share: the undo listener of their records, the grammar table
// of the DocumentManager, its "parser" pool and whether documents that no view shows are
// parsed. Until snippets and multi-range edits bring real spans, each controller gets the
// pass-through span manager; the factory can be replaced. A document's controllers are deleted
// before the DocumentManager releases the document, and the manager outlives them. Main thread
// only.

#include "service/document/controller/DocumentControllerUndoIO.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class BgScheduler;
class Document;
class DocumentController;
class DocumentManager;
class ISpanManager;
class LongEditWait;

class DocumentControllerManager {
public:
    using SpanManagerFactory = std::function<std::unique_ptr<ISpanManager>(DocumentController&)>;

    explicit DocumentControllerManager(DocumentManager& documents);
    // Deletes every controller left, then the undo listener.
    ~DocumentControllerManager();
    DocumentControllerManager(const DocumentControllerManager&) = delete;
    DocumentControllerManager& operator=(const DocumentControllerManager&) = delete;

    DocumentController* createController(Document& document, void* context = nullptr);
    // Deletes a controller of this manager; others are left alone.
    void deleteController(DocumentController* controller);
    const std::vector<std::unique_ptr<DocumentController>>& getControllers() const { return m_controllers; }

    // The controller whose view has the user's attention, or null; a controller clears it when
    // its view detaches.
    DocumentController* getActiveController() const { return m_active; }
    void setActiveController(DocumentController* controller) { m_active = controller; }

    DocumentControllerUndoIO& getUndoIO() { return *m_undoIO; }
    DocumentManager& getDocumentManager() const { return m_documents; }
    // The grammar table: the document takes the grammar of the name.
    void setGrammar(Document& document, const std::wstring& name);
    BgScheduler& getParserScheduler() const;
    bool getParseInactiveDocuments() const;

    // What the long edits of the controllers do in their pauses (not owned; null: they pause
    // not at all).
    void setLongEditWait(LongEditWait* wait) { m_longEditWait = wait; }
    LongEditWait* getLongEditWait() const { return m_longEditWait; }

    // Makes each new controller's span manager (called inside its constructor).
    void setSpanManagerFactory(SpanManagerFactory factory) { m_spanManagerFactory = std::move(factory); }
    std::unique_ptr<ISpanManager> createSpanManager(DocumentController& controller);

private:
    DocumentManager& m_documents;
    std::unique_ptr<DocumentControllerUndoIO> m_undoIO;
    std::vector<std::unique_ptr<DocumentController>> m_controllers;
    DocumentController* m_active = nullptr;
    SpanManagerFactory m_spanManagerFactory;
    LongEditWait* m_longEditWait = nullptr;
};

} // namespace tessel
