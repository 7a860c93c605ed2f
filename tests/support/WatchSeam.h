#pragma once
// Stands in for the watch pool's read calls while alive, for what real directories do only on
// their own terms: the next read refused, the next completion turned into an overflow (no
// bytes), or the next read ended at once with given bytes. Each arming serves one call.

#include "pel/files/file_io/WatchEntry.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace tessel_test {

class WatchSeam {
public:
    WatchSeam() : m_saved(pel::watchSystemCalls()) {
        s_self = this;
        pel::watchSystemCalls().readDirectoryChanges = &read;
        pel::watchSystemCalls().getOverlappedResult = &result;
    }
    ~WatchSeam() {
        pel::watchSystemCalls() = m_saved;
        s_self = nullptr;
    }
    WatchSeam(const WatchSeam&) = delete;
    WatchSeam& operator=(const WatchSeam&) = delete;

    void refuseNextRead() { m_refuse = true; }
    void overflowNextCompletion() { m_overflow = true; }
    void completeNextRead(std::vector<unsigned char> bytes) {
        m_bytes = std::move(bytes);
        m_canned = true;
    }

private:
    static BOOL WINAPI read(HANDLE directory, LPVOID buffer, DWORD size, BOOL recursive, DWORD filter, LPDWORD bytes,
                            LPOVERLAPPED overlapped, LPOVERLAPPED_COMPLETION_ROUTINE routine) {
        WatchSeam* self = s_self;
        if (self && self->m_refuse.exchange(false)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (self && self->m_canned.exchange(false)) {
            std::memcpy(buffer, self->m_bytes.data(), self->m_bytes.size());
            overlapped->InternalHigh = self->m_bytes.size();
            self->m_cannedRead = overlapped;
            ::SetEvent(overlapped->hEvent);
            return TRUE;
        }
        return ::ReadDirectoryChangesW(directory, buffer, size, recursive, filter, bytes, overlapped, routine);
    }

    static BOOL WINAPI result(HANDLE directory, LPOVERLAPPED overlapped, LPDWORD bytes, BOOL wait) {
        WatchSeam* self = s_self;
        LPOVERLAPPED canned = overlapped;
        if (self && self->m_cannedRead.compare_exchange_strong(canned, nullptr)) {
            *bytes = static_cast<DWORD>(overlapped->InternalHigh);
            return TRUE;
        }
        const BOOL done = ::GetOverlappedResult(directory, overlapped, bytes, wait);
        if (done && self && self->m_overflow.exchange(false))
            *bytes = 0; // as Windows reports a buffer that overflowed
        return done;
    }

    static inline WatchSeam* s_self = nullptr;
    pel::WatchSystemCalls m_saved;
    std::atomic<bool> m_refuse{false};
    std::atomic<bool> m_overflow{false};
    std::atomic<bool> m_canned{false};
    std::atomic<LPOVERLAPPED> m_cannedRead{nullptr};
    std::vector<unsigned char> m_bytes;
};

} // namespace tessel_test
