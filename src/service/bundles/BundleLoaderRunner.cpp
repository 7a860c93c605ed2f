#include "service/bundles/BundleLoaderRunner.h"

#include "service/base/TaskRunner.h"

#include "pel/base/Assert.h"

namespace tessel {

BundleLoaderRunner::BundleLoaderRunner() : m_runner(std::make_shared<TaskRunner>(L"BundleLoader")) {}

BundleLoaderRunner::~BundleLoaderRunner() = default;

void BundleLoaderRunner::start(const std::vector<const BundleEntryTraits*>& types, const std::set<pel::UUID>& disabled,
                               const std::shared_ptr<BundleFactory>& factory) {
    cancel();
    if (onStart)
        onStart();
    const std::shared_ptr<BundleLoaderPrepareTask> task =
        std::make_shared<BundleLoaderPrepareTask>(types, disabled, factory);
    task->onFinished = [this](const std::shared_ptr<Task>& done) { prepared(done); };
    m_prepareTask = task;
    m_runner->runTask(task);
}

void BundleLoaderRunner::cancel() {
    for (Task* task : {static_cast<Task*>(m_prepareTask.get()), static_cast<Task*>(m_loadTask.get())})
        if (task)
            task->requestStop();
    m_runner->join();
}

void BundleLoaderRunner::prepared(const std::shared_ptr<Task>& task) {
    const std::shared_ptr<BundleLoaderPrepareTask> prepare = std::static_pointer_cast<BundleLoaderPrepareTask>(task);
    if (prepare->stopRequested()) {
        finished(true);
        return;
    }
    const std::shared_ptr<BundleLoaderLoadTask> load =
        std::make_shared<BundleLoaderLoadTask>(prepare->getFactory(), prepare->getLoader());
    load->onFinished = [this](const std::shared_ptr<Task>& done) { loaded(done); };
    m_loadTask = load;
    m_runner->runTask(load);
}

void BundleLoaderRunner::loaded(const std::shared_ptr<Task>& task) {
    BundleLoaderLoadTask* load_task = static_cast<BundleLoaderLoadTask*>(task.get());
    if (load_task->stopRequested()) {
        finished(true);
        return;
    }
    if (onResult) {
        onResult(load_task->result);
        PEL_ASSERT(load_task->result.empty());
    }
    finished(false);
}

void BundleLoaderRunner::finished(bool cancelled) {
    if (onFinished)
        onFinished(cancelled);
}

} // namespace tessel
