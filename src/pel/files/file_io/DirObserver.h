#pragma once
// Directory watches as the file-system core hands them out: the observer that receives change
// records, and the base of the watch handles that devices open for it.

#include "pel/base/Object.h"

#include <cstdint>

namespace pel {

class FileDevice;
struct WatchNotification; // a change record of the watch code

class DirObserver : public RefCountedObject {
public:
    virtual void onChange(class DirObserverHandle* handle, WatchNotification* change) = 0;
};

// Reference-counted; holds a count on its observer until it is closed.
class DirObserverHandle : public RefCountedObject {
public:
    DirObserverHandle(FileDevice* device, DirObserver* observer);

    virtual bool isValid() const;
    virtual bool isClosed() const { return m_closed; }
    // The caller's device path of the watched directory.
    virtual const wchar_t* path() const;
    virtual DirObserver* observer() const { return m_observer; }
    virtual uintptr_t userWord() const { return m_userWord; }
    virtual void setUserWord(uintptr_t word) { m_userWord = word; }
    virtual FileDevice* device() const { return m_device; }
    // The first call marks the handle closed and releases the observer.
    virtual void close();

protected:
    ~DirObserverHandle() override;

private:
    FileDevice* m_device;
    DirObserver* m_observer;
    uintptr_t m_userWord = 0;
    bool m_closed = false;
};

} // namespace pel
