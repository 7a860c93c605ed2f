#pragma once
// The thread of a FileWatcher. As the observer of the watcher's directory watches it hands the
// pool's records to the watcher; its body lets records settle, re-opens failed watches and
// posts to itself through the message registry, so that delivery runs on the main thread. The
// body ends once a pass leaves nothing to do; the watcher starts it again.
// Reference-counted: the watcher, the body and every delivery in flight hold a reference.

#include "pel/files/file_io/DirObserver.h"
#include "pel/legacy/MessageListener.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/WorkerThread.h"

namespace pel {

class FileWatcher;

class FileWatcherThread : public WorkerThread, public DirObserver, public MessageListener {
public:
    // On the main thread, as every registry listener.
    FileWatcherThread(const std::wstring& name, FileWatcher* watcher);

    // Pool threads: a change record of one of the watcher's handles.
    void onChange(DirObserverHandle* handle, WatchNotification* change) override;
    // Main thread: the watcher delivers what is ready.
    void msgOnMessage(MessageData* data) override;

    // Asks the main thread for a delivery; false when the registry did not take the message.
    bool postDelivery();
    // From now on records no longer reach the watcher; waits for one being handed over.
    void stopObserving();
    // After the thread has ended, on the main thread: the watcher is gone.
    void detachWatcher();

protected:
    ~FileWatcherThread() override;
    int run(void* arg) override;

private:
    FileWatcher* m_watcher;
    Mutex_Impl m_observing; // held while a record is handed to the watcher
    bool m_observingOn = true;
};

} // namespace pel
