#include "bundles/ui/BundleEditor.h"

namespace tessel {

BundleEditor::BundleEditor(afViewPlatform* parent, BundleManager& manager) : m_parent(parent), m_manager(manager) {}

BundleEditor::~BundleEditor() = default;

bool BundleEditor::closeAllItems() { return !m_refusesClose; }

void BundleEditor::close(uint32_t result) {
    m_result = result;
    m_shown = false;
}

} // namespace tessel
