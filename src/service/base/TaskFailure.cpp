#include "service/base/TaskFailure.h"

#include "pel/base/Exception.h"
#include "pel/log/Log.h"

#include <exception>

namespace tessel {

void logCaughtException(const wchar_t* where) noexcept {
    try {
        try {
            throw;
        } catch (const pel::Exception& e) {
            pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"%s failed: %s\n", where,
                            e.displayText().c_str());
        } catch (const std::exception& e) {
            pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"%s failed: %S\n", where, e.what());
        } catch (...) {
            pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"%s failed: unknown exception\n", where);
        }
    } catch (...) {
        // Logging itself failed (out of memory): nothing more can be done here.
    }
}

} // namespace tessel
