#pragma once
// Runs one Task at a time on a thread started anew for each run, and hands the finished task
// back on the UI thread through its MessageReceiver. Owners ("BundleLoader",
// "CompileTaskRunner", "UpdateChecker") keep one runner each; its name is its thread's name.
//
// To cancel a run: task->requestStop(), then join(). A task whose run() throws is logged and
// still delivered, with stopRequested set, as a task that ended early.
//
// Everything but the thread body runs on the UI thread, where the runner is made (its receiver
// is a window of that thread). A runner must not be destroyed from inside its own delegates.

#include "service/base/MessageReceiver.h"
#include "service/base/Task.h"

#include "pel/thread/Thread.h"

#include <functional>
#include <memory>
#include <string>

namespace tessel {

class TaskRunner : public pel::Runnable {
public:
    using RunnerDelegate = std::function<void(TaskRunner&)>;

    explicit TaskRunner(const std::wstring& name);
    // Waits for a run still under way; the delivery of that run is then dropped.
    ~TaskRunner() override;
    TaskRunner(const TaskRunner&) = delete;
    TaskRunner& operator=(const TaskRunner&) = delete;

    // Called on the UI thread after a task was started, and after a task was delivered.
    RunnerDelegate onTaskStarted;
    RunnerDelegate onTaskFinished;

    // Waits for the previous run to end, resets the task's flags and starts it. An empty task
    // is an assertion violation "task".
    void runTask(const std::shared_ptr<Task>& task);
    // Waits for the thread while it runs; returns at once otherwise.
    void join();

    const std::wstring& getName() const { return m_name; }
    // The task of the current or last run.
    const std::shared_ptr<Task>& getTask() const { return m_task; }
    const std::shared_ptr<MessageReceiver>& getReceiver() const { return m_receiver; }

    // The thread body: runs the task, then posts it to the receiver.
    void run() override;

private:
    void onMessage(const std::shared_ptr<pel::Message>& message);

    std::wstring m_name;
    std::shared_ptr<Task> m_task;
    std::shared_ptr<pel::Thread> m_thread;
    std::shared_ptr<MessageReceiver> m_receiver;
};

} // namespace tessel
