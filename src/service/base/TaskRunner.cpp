#include "service/base/TaskRunner.h"

#include "pel/base/Assert.h"
#include "service/base/TaskFailure.h"

namespace tessel {

TaskRunner::TaskRunner(const std::wstring& name)
    : m_name(name), m_thread(std::make_shared<pel::Thread>(name)), m_receiver(MessageReceiver::create()) {
    m_receiver->onMessage = [this](const std::shared_ptr<pel::Message>& message) { onMessage(message); };
}

TaskRunner::~TaskRunner() {
    try {
        join();
    } catch (...) {
        logCaughtException(L"TaskRunner::~TaskRunner()");
    }
    // Members go in reverse order: the receiver (and its window) first, then the thread, the
    // task and the name.
}

void TaskRunner::runTask(const std::shared_ptr<Task>& task) {
    if (!task)
        pel::assertionViolation(L"task", PEL_FILE, __LINE__);
    join();
    m_task = task;
    task->m_finished = false;
    task->m_running = true;
    task->setStopRequested(false);
    try {
        m_thread->start(*this);
    } catch (...) {
        task->m_running = false; // never started: nothing will be delivered
        throw;
    }
    if (onTaskStarted)
        onTaskStarted(*this);
}

void TaskRunner::join() {
    if (m_thread->isRunning())
        m_thread->join();
}

void TaskRunner::run() {
    // The UI thread does not touch m_task while this thread runs (runTask joins first).
    const std::shared_ptr<Task> task = m_task;
    try {
        task->run();
    } catch (...) {
        logCaughtException(L"TaskRunner::run()");
        task->setStopRequested(true); // its owner takes it for a task that ended early
    }
    m_receiver->post(task);
}

void TaskRunner::onMessage(const std::shared_ptr<pel::Message>& message) {
    const std::shared_ptr<Task> task = std::dynamic_pointer_cast<Task>(message);
    if (!task)
        pel::assertionViolation(L"task", PEL_FILE, __LINE__);
    if (task->onFinished)
        task->onFinished(task);
    task->m_finished = true;
    task->m_running = false;
    if (onTaskFinished)
        onTaskFinished(*this);
}

} // namespace tessel
