#include "pel/thread/Mutex.h"

#include "pel/base/Exception.h"
#include "pel/base/Timestamp.h"
#include "pel/log/Log.h"

namespace pel {

Mutex_Impl::Mutex_Impl(DWORD spinCount) {
    // Since Vista the call cannot fail; older systems could run out of memory here, and the
    // section still works without its pre-allocated event, so a failure is only logged.
    if (!::InitializeCriticalSectionAndSpinCount(&m_section, spinCount))
        log_printf(LOG_ERROR, LOG_INTERNAL_SOURCE, L"InitializeCriticalSectionAndSpinCount(%x) error %d\n",
                   static_cast<unsigned>(spinCount), static_cast<int>(::GetLastError()));
}

Mutex_Impl::~Mutex_Impl() { ::DeleteCriticalSection(&m_section); }

bool Mutex_Impl::tryLock(long milliseconds) {
    const Timestamp start;
    const int64_t limit = static_cast<int64_t>(milliseconds) * 1000;
    for (;;) {
        if (::TryEnterCriticalSection(&m_section))
            return true;
        ::Sleep(5);
        if (start.isElapsed(limit))
            return false;
    }
}

void Mutex_Impl::lock(long milliseconds) {
    if (!tryLock(milliseconds))
        throw TimeoutException();
}

} // namespace pel
