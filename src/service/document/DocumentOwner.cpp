#include "service/document/DocumentOwner.h"

#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/ParserServices.h"

namespace tessel {

namespace {

ParserServices s_none;

} // namespace

std::unique_ptr<DocumentScopeRegistry> DocumentOwner::createScopeRegistry(Document& document) {
    return s_none.createScopeRegistry(document);
}

std::unique_ptr<DocumentStyler> DocumentOwner::createStyler(Document& document) { return s_none.createStyler(document); }

} // namespace tessel
