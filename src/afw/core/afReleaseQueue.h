#pragma once
// Objects closed under code that may still hold them up the stack (an answer to a question, a
// handler a dialog's loop runs under): their owner takes them out of every list at once and
// queues their release here, which runs it from the main loop once no nested loop runs and no
// other message is handled (afMainLoop::post), so that a dialog or menu one of them hosts has
// ended by then. Main thread only.

#include <cstddef>
#include <functional>
#include <vector>

class afReleaseQueue {
public:
    afReleaseQueue() = default;
    // Runs what is still queued: what the owner closed goes with it.
    ~afReleaseQueue();
    afReleaseQueue(const afReleaseQueue&) = delete;
    afReleaseQueue& operator=(const afReleaseQueue&) = delete;

    // Queues what frees a closed object for the main loop.
    void add(std::function<void()> release);
    // Runs every release queued now, in the order queued (the owner's own end, or the program's
    // exit after its loop); one queued meanwhile waits for the next time.
    void releaseAll();
    // Releases queued and not run yet.
    size_t size() const { return m_releases.size(); }

private:
    std::vector<std::function<void()>> m_releases;
};
