#include "service/bundles/snippets/SnippetValidator.h"
#include "service/bundles/snippets/SnippetReader.h"

#include "service/base/error/ErrorList.h"

namespace tessel {

bool SnippetValidator::validateContent(const std::wstring& text, ErrorList* io_errors, const pel::Value* value) const {
    try {
        SnippetReader().read(text);
    } catch (const pel::ParserException& e) {
        std::shared_ptr<BundleError> error =
            makeBundleError(BundleError::TAG_READ, BundleError::SEVERITY_INVALID, e.message);
        error->addTag(CONTENT_SYMBOL);
        error->setRange(e.start, e.end);
        if (value)
            error->setPosition(*value);
        io_errors->add(error);
    }
    return true;
}

} // namespace tessel
