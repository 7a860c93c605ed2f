#pragma once
// The background task that compiles the installed grammars into a rule set on the grammar
// manager's "CompileTaskRunner". The result is kept until the manager takes it; a task stopped
// (or dropped) without handing it over takes its rule set with it.

#include "service/bundles/grammar/GrammarBundleItemCompiler.h"

#include "service/base/Task.h"

#include <memory>

namespace tessel {

class GrammarBundleItemCompilerTask : public Task {
public:
    // The map is read during the run; its owner keeps it unchanged until the task is delivered.
    explicit GrammarBundleItemCompilerTask(const GrammarMap* grammars);
    ~GrammarBundleItemCompilerTask() override;

    void run() override;

    // The compiled set: null until the run ends, and after a stopped one.
    const std::shared_ptr<GrammarRuleSet>& getResult() const { return m_result; }
    // Hands the set over; the task keeps none.
    std::shared_ptr<GrammarRuleSet> takeResult() { return std::move(m_result); }

private:
    const GrammarMap* m_grammars;
    std::shared_ptr<GrammarRuleSet> m_result;
};

} // namespace tessel
