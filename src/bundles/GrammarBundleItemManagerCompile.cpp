// The grammar manager's compile lock, its compile task and the handover of the rule set.

#include "bundles/GrammarBundleItemManager.h"
#include "bundles/BundleManager.h"

#include "service/base/TaskRunner.h"
#include "service/base/TesselService.h"
#include "service/bundles/grammar/GrammarBundleItemCompilerTask.h"
#include "service/document/DocumentManager.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/base/GrammarRuleSetHolder.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"
#include "pel/thread/MainThread.h"

namespace tessel {

void GrammarBundleItemManager::lockCompile(bool stop) {
    pel::check_main_thread();
    ++m_compile_lock_counter;
    if (stop && m_compileTask) {
        stopCompile();
        if (!m_compilePending)
            requestCompile();
    }
}

void GrammarBundleItemManager::unlockCompile() {
    pel::check_main_thread();
    --m_compile_lock_counter;
    PEL_ASSERT(m_compile_lock_counter >= 0);
    if (m_compile_lock_counter == 0)
        requestCompile();
}

void GrammarBundleItemManager::requestCompile() {
    pel::check_main_thread();
    PEL_ASSERT(m_compile_lock_counter >= 0);
    if (m_compile_lock_counter > 0) {
        m_compilePending = true;
        return;
    }
    if (!m_compilePending || !m_compileRunner)
        return;
    m_compilePending = false;
    m_compileTask = std::make_shared<GrammarBundleItemCompilerTask>(&m_grammars);
    m_compileTask->onFinished = [this](const std::shared_ptr<Task>& task) { onCompileFinished(task); };
    m_compileRunner->runTask(m_compileTask);
}

bool GrammarBundleItemManager::stopCompile() {
    pel::check_main_thread();
    if (!m_compileTask)
        return false;
    m_compileTask->requestStop();
    m_compileRunner->join();
    return true;
}

void GrammarBundleItemManager::onCompileFinished(const std::shared_ptr<Task>& task) {
    // A stopped task, or one a newer task replaced, takes its rule set with it.
    if (task->stopRequested() || task != m_compileTask)
        return;
    std::shared_ptr<GrammarRuleSet> ruleSet = m_compileTask->takeResult();
    onBeforeHandover.notify();
    const bool compiled = ruleSet != nullptr;
    try {
        m_service.getDocumentManager()->getGrammarRuleSetHolder().replaceGrammarRuleSet(std::move(ruleSet));
    } catch (const pel::NullPointerException&) {
        // No documents to parse yet: the rule set has no one to go to.
        pel::log_printf(pel::LOG_WARNING, BundleManager::LOG_SOURCE,
                        L"GrammarBundleItemManager::onCompileFinished(): No DocumentManager to take the grammars\n");
        return;
    }
    if (compiled)
        onCompiled.notify();
}

} // namespace tessel
