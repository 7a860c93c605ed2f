#pragma once
// One piece of background work that runs once on a TaskRunner's thread and is handed back to
// the UI thread when it has run. Subclasses implement run() and poll stopRequested() between
// the steps of their work, returning early once it is set.

#include "pel/thread/MessageQueue.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/Thread.h"

#include <atomic>
#include <functional>
#include <memory>

namespace tessel {

class Task : public pel::Runnable, public pel::Message {
public:
    using FinishedDelegate = std::function<void(const std::shared_ptr<Task>&)>;

    Task() = default;
    ~Task() override = default;
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;

    // Called on the UI thread with the task once it has run (also when it ended early or
    // failed); empty by default.
    FinishedDelegate onFinished;

    // The owner's way to cancel: sets the flag under the task's lock. Then TaskRunner::join.
    void requestStop();
    // Read without the lock by the task's own body.
    bool stopRequested() const { return m_stopRequested.load(std::memory_order_acquire); }
    // Delivered back to the UI thread by its runner.
    bool finished() const { return m_finished; }
    // Started and not yet delivered.
    bool running() const { return m_running; }

    pel::Mutex_Impl& lock() { return m_lock; }

private:
    friend class TaskRunner;
    void setStopRequested(bool stop);

    pel::Mutex_Impl m_lock; // guards the writes of m_stopRequested
    std::atomic<bool> m_stopRequested{false};
    bool m_finished = false; // UI thread only
    bool m_running = false;  // UI thread only
};

} // namespace tessel
