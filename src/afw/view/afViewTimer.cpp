#include "afw/view/afViewTimer.h"

#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afLog.h"
#include "pel/base/Exception.h"

#include <map>
#include <memory>

namespace {

using Registry = std::map<UINT_PTR, afViewTimer*>;
std::unique_ptr<Registry> s_registry;

// Whether the id still stands for the timer (the timer neither stopped nor started again).
bool isRegistered(UINT_PTR id, const afViewTimer* timer) {
    if (!s_registry)
        return false;
    const auto found = s_registry->find(id);
    return found != s_registry->end() && found->second == timer;
}

} // namespace

afViewTimer::~afViewTimer() {
    stopTimer(*this);
}

bool afViewTimer::hasRegistry() {
    return s_registry != nullptr;
}

void startTimer(afViewTimer& timer) {
    stopTimer(timer);
    timer.m_id = ::SetTimer(nullptr, 0, timer.m_interval, &afViewTimer::procedure);
    if (!timer.m_id)
        throw pel::IllegalStateException(L"Unable to start the timer.");
    if (!s_registry)
        s_registry.reset(new Registry);
    (*s_registry)[timer.m_id] = &timer;
    timer.m_ticks = 0;
}

void stopTimer(afViewTimer& timer) {
    if (!timer.m_id)
        return;
    if (s_registry) {
        s_registry->erase(timer.m_id);
        if (s_registry->empty())
            s_registry.reset();
    }
    ::KillTimer(nullptr, timer.m_id);
    timer.m_id = 0;
}

void CALLBACK afViewTimer::procedure(HWND /*window*/, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
    afGuard([id] { tick(id); });
}

void afViewTimer::tick(UINT_PTR id) {
    if (!s_registry)
        return;
    const auto found = s_registry->find(id);
    if (found == s_registry->end()) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"Timer called, but not registered.");
        ::KillTimer(nullptr, id);
        return;
    }
    afViewTimer* timer = found->second;
    bool keep = false;
    const bool completed = afGuard([&] { keep = timer->m_callback && timer->m_callback(timer); });
    // The callback may have stopped, restarted or deleted its timer: what the id no longer
    // stands for is not touched.
    if (!isRegistered(id, timer))
        return;
    if (completed && keep)
        ++timer->m_ticks;
    else
        stopTimer(*timer);
}
