#pragma once
// The holder of the compiled grammar rule sets, through which the DocumentManager finds the
// grammar of a name. The grammar manager installs a new rule set after each compilation
// (replaceGrammarRuleSet); everyone who subscribed to a name hears of the grammar it now has.
// Asking for a grammar answers at once or later, through the callback, or false when the holder
// cannot provide one. Main thread only. NullGrammarRuleSetHolder stands in until grammars are
// compiled: it never has a grammar.

#include <functional>
#include <memory>
#include <string>

namespace tessel {

class DocumentGrammar;
class GrammarRuleSet;

class GrammarRuleSetHolder {
public:
    // The name and its grammar (none when the name has none now).
    using Callback = std::function<void(const std::wstring& name, const DocumentGrammar* grammar)>;

    virtual ~GrammarRuleSetHolder() = default;

    // The owner hears of every grammar the name gets, until it cancels.
    virtual void subscribe(const std::wstring& name, const void* owner, Callback callback) = 0;
    virtual void cancel(const std::wstring& name, const void* owner) = 0;
    // Cancels every subscription of the owner.
    virtual void cancelAll(const void* owner) = 0;
    // The grammar of the name goes to the callback, now or once it is there; false when the holder
    // cannot provide it (the callback is not called then).
    virtual bool ask(const std::wstring& name, const Callback& callback) = 0;
    // Drops the rule set held and keeps the one given (none allowed: at shutdown).
    virtual void replaceGrammarRuleSet(std::shared_ptr<GrammarRuleSet> ruleSet) = 0;
};

class NullGrammarRuleSetHolder : public GrammarRuleSetHolder {
public:
    void subscribe(const std::wstring&, const void*, Callback) override {}
    void cancel(const std::wstring&, const void*) override {}
    void cancelAll(const void*) override {}
    bool ask(const std::wstring&, const Callback&) override { return false; }
    void replaceGrammarRuleSet(std::shared_ptr<GrammarRuleSet> ruleSet) override { m_ruleSet = std::move(ruleSet); }

private:
    std::shared_ptr<GrammarRuleSet> m_ruleSet;
};

} // namespace tessel
