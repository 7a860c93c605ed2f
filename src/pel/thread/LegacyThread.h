#pragma once
// A thread object with a virtual body that polls a stop flag: the base of the library's and
// the service's long-running worker threads. Subclasses whose run() uses their own members
// must request the stop and join in their own destructor; this base joins only after they
// are gone.

#include "pel/thread/Mutex.h"
#include "pel/thread/Thread.h"

namespace pel {

class LegacyThread : public Thread {
public:
    LegacyThread();
    explicit LegacyThread(const std::wstring& name);
    ~LegacyThread() override;

    // Sets the stop flag and answers true; subclasses also wake their loop.
    virtual bool requestStop();
    bool stop() { return requestStop(); }
    bool isStopRequested() const;

    // Runs run(nullptr) on a new thread; clears the stop flag unless the thread still runs
    // (then it throws "thread already running").
    bool start();

protected:
    virtual int run(void* arg) = 0;

private:
    struct StartRecord;
    static int legacyEntry(void* record);

    mutable Mutex_Impl m_stopMutex;
    bool m_stop = false;
};

} // namespace pel
