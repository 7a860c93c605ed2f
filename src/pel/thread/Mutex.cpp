#include "pel/thread/Mutex.h"

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

} // namespace pel
