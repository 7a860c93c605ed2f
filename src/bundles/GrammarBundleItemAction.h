#pragma once
// The "language" action of one installed grammar: chosen, it makes that grammar the active
// document's. Titled by the grammar's entry title ("None" for the default grammar), owned by its
// bundle's title; its id is the entry's UUID.

#include "afw/action/afAction.h"

#include <string>

namespace tessel {

class GrammarBundleItem;

class GrammarBundleItemAction : public afAction {
public:
    // Tagged with the grammar type's code; runs through the language handlers' slot.
    GrammarBundleItemAction(GrammarBundleItem& grammar, afActionContext* handler, RunOp run);

    // The entry's title, or "None" for a grammar without a scope name.
    std::wstring getTitle() const override;
    // The bundle's title, or "<Unknown>" for a grammar without a bundle.
    std::wstring getCategory() const override;

    GrammarBundleItem& getGrammar() const { return m_grammar; }

private:
    GrammarBundleItem& m_grammar;
};

} // namespace tessel
