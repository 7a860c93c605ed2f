#include "bundles/ui/SnippetEditor.h"

#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntryTraits.h"

namespace tessel {

std::unique_ptr<BundleEntryEditor> SnippetEditor::create(BundleEntry& entry) {
    if (entry.getTypeId() != BUNDLE_TYPE_SNIPPET)
        return nullptr;
    return std::unique_ptr<BundleEntryEditor>(new SnippetEditor(entry));
}

} // namespace tessel
