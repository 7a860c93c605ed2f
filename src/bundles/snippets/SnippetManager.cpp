#include "bundles/snippets/SnippetManager.h"
#include "bundles/BundleManager.h"
#include "bundles/TypeManagerRegistration.h"
#include "bundles/snippets/SnippetAction.h"
#include "bundles/ui/SnippetEditor.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/action/afKeyCombination.h"
#include "afw/core/afApp.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "service/bundles/snippets/SnippetInsertion.h"
#include "service/document/controller/DocumentControllerManager.h"

#include "pel/log/Log.h"

namespace tessel {

SnippetManager::SnippetManager(DocumentControllerManager& controllers)
    : afActionHandler(afApp::getActionRegistry(), HANDLER_CLASS), m_controllers(controllers),
      m_filter(L"Snippets", FILTER_WEIGHT, true, 4) {
    afRegisterIcon(BUNDLE_TYPE_SNIPPET, afIcon(ICON_RESOURCE, 16));
    attachActionHandler();
}

SnippetManager::~SnippetManager() {
    for (const auto& entry : m_actions)
        afUnregisterAction(getActionRegistry(), entry.second);
}

std::shared_ptr<SnippetManager> SnippetManager::create(BundleManager& bundles, DocumentControllerManager& controllers) {
    const auto manager = std::make_shared<SnippetManager>(controllers);
    registerTypeManager(bundles, manager);
    return manager;
}

BundleEntryPtr SnippetManager::createEntry() { return BundleEntryPtr(new SnippetBundleItem, false); }

const BundleEntryTraits& SnippetManager::getEntryTraits() const { return BundleEntryTraits::snippet(); }

bool SnippetManager::install(BundleEntry& entry) {
    auto* item = dynamic_cast<SnippetBundleItem*>(&entry);
    if (!item)
        return false;
    removeAction(*item);
    if (!item->hasProblems())
        addAction(*item);
    return true;
}

bool SnippetManager::uninstall(BundleEntry& entry) {
    auto* item = dynamic_cast<SnippetBundleItem*>(&entry);
    if (!item)
        return false;
    removeAction(*item);
    return true;
}

BundleEntryEditorFactory SnippetManager::getEditorFactory(BundleEntry& entry) const {
    return dynamic_cast<SnippetBundleItem*>(&entry) ? &SnippetEditor::create : nullptr;
}

void SnippetManager::endEntryChange(BundleEntry& entry, bool changed) {
    auto* item = dynamic_cast<SnippetBundleItem*>(&entry);
    if (!item || !changed)
        return;
    removeAction(*item);
    addAction(*item);
}

bool SnippetManager::runSnippet(SnippetBundleItem& item) {
    DocumentController* controller = m_controllers.getActiveController();
    if (!controller)
        return false;
    try {
        return SnippetInsertion::insertItem(*controller, item);
    } catch (const pel::Exception& e) {
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE, L"SnippetManager::runSnippet(): %s",
                        e.displayText().c_str());
    } catch (const std::exception& e) {
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE, L"SnippetManager::runSnippet(): %hs", e.what());
    }
    return false;
}

SnippetAction* SnippetManager::findAction(const SnippetBundleItem& item) const {
    const auto found = m_actions.find(&item);
    return found == m_actions.end() ? nullptr : found->second;
}

void SnippetManager::addAction(SnippetBundleItem& item) {
    afActionRegistry* registry = getActionRegistry();
    if (!registry)
        return;
    SnippetAction* action = nullptr;
    try {
        action = new SnippetAction(getActionContext(), item);
    } catch (const pel::Exception& e) {
        // The validator reported the scope; the snippet only has no action.
        pel::log_printf(pel::LOG_ERROR, BundleManager::LOG_SOURCE, L"SnippetManager::addAction(): `%s`: %s",
                        item.getTitle().c_str(), e.displayText().c_str());
        return;
    }
    afRegisterAction(registry, action);
    afAddKeyTrigger(afFindKeyInvoker(registry), action, afParseKeyCombination(item.getShortcut()), true);
    afAddTabTrigger(item.getTabTrigger(), afFindTabInvoker(registry), action);
    m_actions[&item] = action;
}

void SnippetManager::removeAction(SnippetBundleItem& item) {
    const auto found = m_actions.find(&item);
    if (found == m_actions.end())
        return;
    afAction* action = found->second;
    m_actions.erase(found);
    afUnregisterAction(getActionRegistry(), action);
}

} // namespace tessel
