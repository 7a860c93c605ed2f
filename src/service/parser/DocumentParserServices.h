#pragma once
// The parsing subsystem's pieces for the documents of a DocumentManager, handed to it by the
// application (TesselService::createDocumentManager): each document's scope registry and theme
// styler. Parsing itself and the grammars come with the parser client and the grammar rule-set
// holder, which stay the stand-ins until the parser is built.

#include "service/parser/base/ParserServices.h"

namespace tessel {

class DocumentParserServices : public ParserServices {
public:
    std::unique_ptr<DocumentScopeRegistry> createScopeRegistry(Document& document) override;
    std::unique_ptr<DocumentStyler> createStyler(Document& document) override;
};

} // namespace tessel
