#pragma once
// A long-running library thread that sleeps on a wake-up semaphore between rounds of work:
// any thread may wake it, a stop request sets the stop flag and wakes it, and stopAndJoin
// ends it. The subclass keeps only its own loop and work; since run() uses the subclass's
// members, its destructor calls stopAndJoin() before they go.

#include "pel/thread/LegacyThread.h"
#include "pel/thread/Semaphore.h"

#include <windows.h>

namespace pel {

class WorkerThread : public LegacyThread {
public:
    // maxWakeUps: how many wake-ups may be pending before more of them add nothing.
    WorkerThread(const std::wstring& name, long maxWakeUps);
    ~WorkerThread() override;

    // Sets the stop flag and wakes the loop.
    bool requestStop() override;
    // A full count already wakes the loop: a refused release is no failure.
    void wake();

protected:
    // Signalled, TimedOut or Abandoned (Semaphore_Impl); a negative time-out waits without limit.
    int waitForWakeUp(long milliseconds) { return m_wakeUp.wait(milliseconds); }
    // For loops that wait on other handles as well.
    HANDLE wakeUpHandle() const { return m_wakeUp.handle(); }
    // Requests the stop and waits for the thread to end; never throws.
    void stopAndJoin();

private:
    Semaphore m_wakeUp;
};

} // namespace pel
