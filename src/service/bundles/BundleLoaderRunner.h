#pragma once
// Runs bundle loads on the "BundleLoader" task runner: a prepare task that scans the layers,
// then a load task that creates and loads the entries, and reports back on the UI thread
// through three delegates: a load started; the loaded entries by type (which the receiver must
// take out of the map); a load ended, cancelled or not. A new start cancels the load under way
// first, which is then told as cancelled before the new one reports. UI thread only; the
// BundleManager owns the one runner.

#include "service/bundles/BundleLoaderTasks.h"

#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace tessel {

class TaskRunner;

class BundleLoaderRunner {
public:
    using Result = BundleLoaderLoadTask::Result;

    std::function<void()> onStart;
    std::function<void(bool cancelled)> onFinished;
    std::function<void(Result& result)> onResult;

    BundleLoaderRunner();
    // Waits for a task still running; what it would have delivered is dropped.
    ~BundleLoaderRunner();
    BundleLoaderRunner(const BundleLoaderRunner&) = delete;
    BundleLoaderRunner& operator=(const BundleLoaderRunner&) = delete;

    // Cancels the load under way, tells onStart and starts a new load of the types (the bundle
    // type first) without the disabled UUIDs, creating entries through the factory.
    void start(const std::vector<const BundleEntryTraits*>& types, const std::set<pel::UUID>& disabled,
               const std::shared_ptr<BundleFactory>& factory);
    // Asks both tasks to stop and waits until the loader thread has ended; the load then ends
    // as cancelled when its task comes back.
    void cancel();

    const std::shared_ptr<BundleLoaderPrepareTask>& getPrepareTask() const { return m_prepareTask; }
    const std::shared_ptr<BundleLoaderLoadTask>& getLoadTask() const { return m_loadTask; }
    const std::shared_ptr<TaskRunner>& getRunner() const { return m_runner; }

private:
    void prepared(const std::shared_ptr<Task>& task);
    void loaded(const std::shared_ptr<Task>& task);
    void finished(bool cancelled);

    std::shared_ptr<BundleLoaderPrepareTask> m_prepareTask;
    std::shared_ptr<BundleLoaderLoadTask> m_loadTask;
    std::shared_ptr<TaskRunner> m_runner;
};

} // namespace tessel
