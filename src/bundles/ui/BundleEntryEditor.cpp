#include "bundles/ui/BundleEntryEditor.h"

#include "service/bundles/BundleEntry.h"

namespace tessel {

BundleEntryEditor::BundleEntryEditor(BundleEntry& entry) : m_entry(&entry) {}

BundleEntryEditor::~BundleEntryEditor() = default;

std::unique_ptr<BundleEntryEditor> BundleEntrySourceEditor::create(BundleEntry& entry) {
    return std::unique_ptr<BundleEntryEditor>(new BundleEntrySourceEditor(entry));
}

} // namespace tessel
