#include "pel/files/WatchedObject.h"

#include "pel/files/FileWatcher.h"

#include <cstring>

namespace pel {

uint32_t WatchedObjectFlags::value() const {
    uint32_t bits;
    std::memcpy(&bits, this, sizeof bits);
    return bits;
}

WatchedObjectFlags WatchedObjectFlags::fromValue(uint32_t bits) {
    WatchedObjectFlags flags;
    std::memcpy(&flags, &bits, sizeof bits);
    return flags;
}

WatchedObject::WatchedObject(FileWatcher* watcher, const std::wstring& path, uint32_t flags, uintptr_t cookie)
    : m_flags(WatchedObjectFlags::fromValue(flags)), m_watcher(watcher), m_path(path), m_creationFlags(flags),
      m_cookie(cookie) {}

void WatchedObject::release() {
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        m_watcher->destroyObject(this);
}

} // namespace pel
