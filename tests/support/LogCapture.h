#pragma once
// Collects the lines logged while it is alive (tests only; not thread-safe across captures).

#include "pel/log/Log.h"

#include <mutex>
#include <string>
#include <vector>

namespace tessel_test {

struct LoggedLine {
    int level;
    uint32_t source;
    std::wstring text;
};

class LogCapture {
public:
    LogCapture() : m_previous(pel::setLogSink(&LogCapture::sink)) { current() = this; }
    ~LogCapture() {
        pel::setLogSink(m_previous);
        current() = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LoggedLine> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    static LogCapture*& current() {
        static LogCapture* instance = nullptr;
        return instance;
    }
    static void sink(const wchar_t* text, int level, uint32_t source) {
        if (LogCapture* self = current()) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_lines.push_back({level, source, text});
        }
    }

    pel::LogSink m_previous;
    mutable std::mutex m_mutex;
    std::vector<LoggedLine> m_lines;
};

} // namespace tessel_test
