#include "pel/files/file_io/DirObserverHandleWin32.h"

#include "pel/files/file_io/WatchEntry.h"

namespace pel {

DirObserverHandleWin32::DirObserverHandleWin32(FileDevice* device, DirObserver* observer, const wchar_t* path,
                                               WatchEntry* entry)
    : DirObserverHandle(device, observer), m_path(path ? path : L""), m_entry(entry) {
    m_entry->duplicate();
}

DirObserverHandleWin32::~DirObserverHandleWin32() { m_entry->release(); }

bool DirObserverHandleWin32::isValid() const { return !isClosed() && !m_entry->isFailed(); }

} // namespace pel
