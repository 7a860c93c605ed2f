#pragma once
// What a Document asks of the object that made it (the DocumentManager): the undo registry its
// undo log is made by, the parser client it sends re-parse requests to, and the scope registry
// and styler it owns. Each default stands in for a missing service: no undo registry (the
// document counts every edit as unsaved), no parsing, and the null registry and styler.

#include <memory>

namespace tessel {

class Document;
class DocumentScopeRegistry;
class DocumentStyler;
class ParserClient;
class UndoManager;

class DocumentOwner {
public:
    virtual ~DocumentOwner() = default;
    virtual UndoManager* getUndoManager() { return nullptr; }
    virtual ParserClient* getParserClient() { return nullptr; }
    virtual std::unique_ptr<DocumentScopeRegistry> createScopeRegistry(Document& document);
    virtual std::unique_ptr<DocumentStyler> createStyler(Document& document);
};

} // namespace tessel
