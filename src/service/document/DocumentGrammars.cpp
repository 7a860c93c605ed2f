// The DocumentManager's grammar table: the grammar names its documents use, each with a use
// count and, while it is in use, a subscription at the grammar rule-set holder.

#include "service/document/DocumentManager.h"

#include "service/document/Document.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "service/parser/base/ParserClient.h"

namespace tessel {

void DocumentManager::setGrammar(Document& document, const std::wstring& name) {
    const bool changed = name != document.getGrammarName();
    if (changed) {
        releaseGrammar(document.getGrammarName());
        document.setGrammarName(name);
        if (!name.empty() && m_grammars[name].useCount++ == 0)
            m_grammarRuleSets->subscribe(name, this, [this](const std::wstring& ready, const DocumentGrammar* grammar) {
                onGrammarReady(ready, grammar);
            });
    }
    if (name.empty()) {
        // No grammar to ask for: only this document starts over without one.
        if (document.getGrammar()) {
            DocumentLockHold lock(document);
            document.resetGrammarState(nullptr, false);
        }
        return;
    }
    const bool asked = m_grammarRuleSets->ask(
        name, [this](const std::wstring& ready, const DocumentGrammar* grammar) { onGrammarReady(ready, grammar); });
    if (!asked && changed)
        onGrammarReady(name, nullptr);
}

void DocumentManager::releaseGrammar(const std::wstring& name) {
    const auto found = m_grammars.find(name);
    if (name.empty() || found == m_grammars.end() || --found->second.useCount > 0)
        return;
    m_grammars.erase(found);
    m_grammarRuleSets->cancel(name, this);
}

int DocumentManager::getGrammarUseCount(const std::wstring& name) const {
    const auto found = m_grammars.find(name);
    return found == m_grammars.end() ? 0 : found->second.useCount;
}

void DocumentManager::onGrammarReady(const std::wstring& name, const DocumentGrammar* grammar) {
    const auto entry = m_grammars.find(name);
    if (entry != m_grammars.end())
        entry->second.grammar = grammar;
    for (const std::unique_ptr<Document>& document : m_documents) {
        if (document->getGrammarName() != name)
            continue;
        DocumentLockHold lock(*document);
        document->resetGrammarState(grammar, false);
        const ParserJob* job = document->getParserJob();
        if (job && !job->isBusy())
            m_parserClient->requestParse(document.get(), 0, document->getLineCount() - 1);
    }
}

} // namespace tessel
