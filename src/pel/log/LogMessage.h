#pragma once
// One logged line as the log manager hands it to listeners: pooled and reference counted, so
// that a listener may keep it (for another thread) by adding a reference and releasing it
// when done.

#include <atomic>
#include <cstdint>

namespace pel {

class LogMessage {
public:
    int32_t getRefCount() const { return m_refCount.load(std::memory_order_acquire); }
    void addRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // The last reference returns the record to the manager's pool.
    void release();

    int getLevel() const { return m_level; }
    uint32_t getSource() const { return m_source; }
    // The registered name of the source, "Unknown" when it was never registered.
    const wchar_t* getSourceName() const { return m_sourceName; }
    // The formatted line without its final newline.
    const wchar_t* getText() const { return m_text; }

private:
    friend class LogManager_Impl;

    std::atomic<int32_t> m_refCount{0};
    int32_t m_level = 0;
    uint32_t m_source = 0;
    const wchar_t* m_sourceName = nullptr;
    wchar_t* m_text = nullptr;
    LogMessage* m_next = nullptr; // the pending list of a thread
};

} // namespace pel
