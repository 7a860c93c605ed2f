#include "bundles/snippets/SnippetAction.h"
#include "bundles/snippets/SnippetManager.h"

#include "service/bundles/Bundle.h"

namespace tessel {

SnippetAction::SnippetAction(afActionContext* handler, SnippetBundleItem& item)
    : afAction(CATEGORY, item.getUUID().toString().c_str(), PRESENTATION_ITEM, handler,
               [snippet = &item](afActionHandler& served, afActionEvent&) {
                   auto* manager = dynamic_cast<SnippetManager*>(&served);
                   return manager && manager->runSnippet(*snippet);
               },
               nullptr, item.getScope().c_str()),
      m_item(&item) {
    setIcon(CATEGORY);
}

std::wstring SnippetAction::getTitle() const { return m_item->getTitle(); }

std::wstring SnippetAction::getCategory() const {
    const Bundle* bundle = m_item->getBundle();
    return bundle ? bundle->getTitle() : L"<Unknown>";
}

} // namespace tessel
