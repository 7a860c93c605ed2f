#pragma once
// The action of one installed snippet: its id the snippet's UUID text, its context expression
// the snippet's scope, run by its shortcut, its tab trigger or the action lists, and served by
// the SnippetManager, which inserts the snippet into the active document.

#include "afw/action/afAction.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/snippets/SnippetBundleItem.h"

#include <boost/intrusive_ptr.hpp>

namespace tessel {

class SnippetAction : public afAction {
public:
    // Category code and icon key: the snippet type's code.
    static constexpr uint32_t CATEGORY = BUNDLE_TYPE_SNIPPET;

    // A scope that is no valid selector throws the selector parser's exception.
    SnippetAction(afActionContext* handler, SnippetBundleItem& item);

    // The snippet's title ("<unset>" without one).
    std::wstring getTitle() const override;
    // The title of the snippet's bundle, "<Unknown>" without one.
    std::wstring getCategory() const override;

    SnippetBundleItem& getItem() const { return *m_item; }

private:
    boost::intrusive_ptr<SnippetBundleItem> m_item;
};

} // namespace tessel
