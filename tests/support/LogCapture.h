#pragma once
// Collects the lines logged while it is alive, from every thread: a log listener registered
// without replay. Each text is the line as logged, its newline included.

#include "pel/log/LogManager.h"

#include <mutex>
#include <string>
#include <vector>

namespace tessel_test {

struct LoggedLine {
    int level;
    uint32_t source;
    std::wstring text;
};

class LogCapture : public pel::LogListener {
public:
    LogCapture() { pel::LogManager_Impl::getInstance()->addListener(this, false); }
    ~LogCapture() { pel::LogManager_Impl::getInstance()->removeListener(this); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LoggedLine> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

    // A line holding part was logged (at that level, unless level is negative).
    bool contains(const std::wstring& part, int level = -1) const {
        for (const LoggedLine& line : lines())
            if ((level < 0 || line.level == level) && line.text.find(part) != std::wstring::npos)
                return true;
        return false;
    }

    void onMessage(pel::LogMessage* message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back({message->getLevel(), message->getSource(), std::wstring(message->getText()) + L"\n"});
    }

private:
    mutable std::mutex m_mutex;
    std::vector<LoggedLine> m_lines;
};

} // namespace tessel_test
