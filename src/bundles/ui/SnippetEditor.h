#pragma once
// The editor of snippet entries: the snippet's Jasmine text, as the source editor shows it, with
// a factory of its own, which the snippet manager hands out.

#include "bundles/ui/BundleEntryEditor.h"

namespace tessel {

class SnippetEditor : public BundleEntrySourceEditor {
public:
    // The factory; null for an entry that is no snippet.
    static std::unique_ptr<BundleEntryEditor> create(BundleEntry& entry);

private:
    explicit SnippetEditor(BundleEntry& entry) : BundleEntrySourceEditor(entry) {}
};

} // namespace tessel
