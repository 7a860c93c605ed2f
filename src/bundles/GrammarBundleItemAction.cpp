#include "bundles/GrammarBundleItemAction.h"

#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/grammar/GrammarBundleItem.h"

namespace tessel {

GrammarBundleItemAction::GrammarBundleItemAction(GrammarBundleItem& grammar, afActionContext* handler, RunOp run)
    : afAction(BUNDLE_TYPE_GRAMMAR, grammar.getUUID().toString().c_str(), PRESENTATION_ITEM, handler, std::move(run),
               nullptr, L"ui.editor"),
      m_grammar(grammar) {
    setIcon(BUNDLE_TYPE_GRAMMAR);
}

std::wstring GrammarBundleItemAction::getTitle() const {
    return m_grammar.getName().empty() ? L"None" : m_grammar.getTitle();
}

std::wstring GrammarBundleItemAction::getCategory() const {
    const Bundle* bundle = m_grammar.getBundle();
    return bundle ? bundle->getTitle() : L"<Unknown>";
}

} // namespace tessel
