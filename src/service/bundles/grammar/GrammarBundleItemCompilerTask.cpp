#include "service/bundles/grammar/GrammarBundleItemCompilerTask.h"

#include "service/parser/GrammarRuleSet.h"

namespace tessel {

GrammarBundleItemCompilerTask::GrammarBundleItemCompilerTask(const GrammarMap* grammars) : m_grammars(grammars) {}

GrammarBundleItemCompilerTask::~GrammarBundleItemCompilerTask() = default;

void GrammarBundleItemCompilerTask::run() {
    m_result.reset();
    GrammarBundleItemCompiler compiler(m_grammars, [this] { return stopRequested(); });
    m_result = compiler.compile();
}

} // namespace tessel
