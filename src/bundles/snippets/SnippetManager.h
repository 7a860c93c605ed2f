#pragma once
// The manager of snippet entries: every installed snippet without problems gets a
// SnippetAction (bound to its shortcut and its tab trigger), which inserts the snippet at every
// selection range of the active document. It serves the handler class "SnippetCommandsClass"
// and offers the "Snippets" set to the suggestion windows.

#include "bundles/BundleEntryManager.h"
#include "bundles/resources/BundleIconIds.h"
#include "bundles/snippets/SimpleFilterData.h"

#include "afw/action/afAction.h"

#include <map>
#include <memory>

namespace tessel {

class BundleManager;
class DocumentControllerManager;
class SnippetAction;
class SnippetBundleItem;

class SnippetManager : public BundleEntryManager, public afActionHandler {
public:
    static constexpr const wchar_t* HANDLER_CLASS = L"SnippetCommandsClass";
    static constexpr int ICON_RESOURCE = BUNDLES_ICON_SNIPPET; // 16 by 16
    static constexpr uint32_t FILTER_WEIGHT = 100;

    // Serves the handler class and registers the snippet type's icon; insertions go into the
    // active controller of controllers.
    explicit SnippetManager(DocumentControllerManager& controllers);
    // Takes its actions off.
    ~SnippetManager() override;

    // Makes a manager and registers the snippet type with the BundleManager, which owns it.
    static std::shared_ptr<SnippetManager> create(BundleManager& bundles, DocumentControllerManager& controllers);

    BundleEntryPtr createEntry() override;
    const BundleEntryTraits& getEntryTraits() const override;
    // Replaces the snippet's action: a new one only when the entry has no problems (an error of
    // severity 3 or 4).
    bool install(BundleEntry& entry) override;
    bool uninstall(BundleEntry& entry) override;
    // The snippet editor's factory, for snippets.
    BundleEntryEditorFactory getEditorFactory(BundleEntry& entry) const override;
    void beginEntryChange(BundleEntry&) override {}
    // A changed snippet gets a new action.
    void endEntryChange(BundleEntry& entry, bool changed) override;

    // Inserts the snippet into the active controller's document; false without one, or when
    // the snippet gives nothing to insert. Nothing it meets leaves it (logged).
    bool runSnippet(SnippetBundleItem& item);

    // The action of a snippet, or null.
    SnippetAction* findAction(const SnippetBundleItem& item) const;
    size_t getActionCount() const { return m_actions.size(); }
    FilterData& getFilter() { return m_filter; }

private:
    void addAction(SnippetBundleItem& item);
    void removeAction(SnippetBundleItem& item);

    DocumentControllerManager& m_controllers;
    std::map<const SnippetBundleItem*, SnippetAction*> m_actions;
    SimpleFilterData m_filter;
};

} // namespace tessel
