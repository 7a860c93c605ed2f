#pragma once
// The watch handle of a native directory: the caller's device path and the pool entry whose
// changes reach the handle's observer.

#include "pel/files/file_io/DirObserver.h"

#include <string>

namespace pel {

class WatchEntry;

class DirObserverHandleWin32 : public DirObserverHandle {
public:
    // Holds a reference on the entry.
    DirObserverHandleWin32(FileDevice* device, DirObserver* observer, const wchar_t* path, WatchEntry* entry);

    // Open, and its directory still watched.
    bool isValid() const override;
    const wchar_t* path() const override { return m_path.c_str(); }
    WatchEntry* entry() const { return m_entry; }

protected:
    ~DirObserverHandleWin32() override;

private:
    std::wstring m_path;
    WatchEntry* m_entry;
};

} // namespace pel
