#include "service/base/Task.h"

namespace tessel {

void Task::requestStop() { setStopRequested(true); }

void Task::setStopRequested(bool stop) {
    pel::ScopedLock<pel::Mutex_Impl> guard(m_lock);
    m_stopRequested.store(stop, std::memory_order_release);
}

} // namespace tessel
