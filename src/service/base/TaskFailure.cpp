#include "service/base/TaskFailure.h"

#include "pel/base/Exception.h"
#include "pel/log/Log.h"
#include "pel/text/TextConversion.h"

#include <exception>

namespace tessel {

std::wstring caughtExceptionText() {
    std::wstring text;
    try {
        throw;
    } catch (const pel::Exception& e) {
        text = e.displayText();
    } catch (const std::exception& e) {
        pel::appendNarrow(e.what(), text);
    } catch (...) {
        text = L"unknown exception";
    }
    return text;
}

void logCaughtException(const wchar_t* where) noexcept {
    try {
        const std::wstring text = caughtExceptionText();
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"%s failed: %s\n", where, text.c_str());
    } catch (...) {
        // Logging itself failed (out of memory): nothing more can be done here.
    }
}

} // namespace tessel
