#include "pel/files/file_io/DirObserver.h"

#include "pel/base/Assert.h"

namespace pel {

DirObserverHandle::DirObserverHandle(FileDevice* device, DirObserver* observer)
    : m_device(device), m_observer(observer) {
    if (m_observer)
        m_observer->duplicate();
}

DirObserverHandle::~DirObserverHandle() {
    close();
}

bool DirObserverHandle::isValid() const {
    softAssertion(L"false", PEL_FILE, __LINE__);
    return false;
}

const wchar_t* DirObserverHandle::path() const {
    softAssertion(L"false", PEL_FILE, __LINE__);
    return nullptr;
}

void DirObserverHandle::close() {
    if (m_closed)
        return;
    m_closed = true;
    if (m_observer)
        m_observer->release();
    m_observer = nullptr;
}

} // namespace pel
