#include "service/document/DocumentOwner.h"

#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/DocumentStyler.h"

namespace tessel {

std::unique_ptr<DocumentScopeRegistry> DocumentOwner::createScopeRegistry(Document&) {
    return std::make_unique<NullScopeRegistry>();
}

std::unique_ptr<DocumentStyler> DocumentOwner::createStyler(Document&) { return std::make_unique<NullDocumentStyler>(); }

} // namespace tessel
