#pragma once
// One directory that the watch pool watches with overlapped ReadDirectoryChangesW reads: its
// handles, the notification buffer and the read in flight. Shared by every watch handle opened
// on the same directory with the same recursion; its reads are issued, completed and cancelled
// only by the pool thread that hosts it.

#include "pel/base/Object.h"
#include "pel/files/file_io/WatchNotification.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pel {

class WatchPoolThread;

// The system calls of the watch reads. Tests replace them to refuse a read or to end one
// without records, which no real directory does on demand.
struct WatchSystemCalls {
    BOOL(WINAPI* readDirectoryChanges)(HANDLE, LPVOID, DWORD, BOOL, DWORD, LPDWORD, LPOVERLAPPED,
                                       LPOVERLAPPED_COMPLETION_ROUTINE) = &::ReadDirectoryChangesW;
    BOOL(WINAPI* getOverlappedResult)(HANDLE, LPOVERLAPPED, LPDWORD, BOOL) = &::GetOverlappedResult;
};
WatchSystemCalls& watchSystemCalls();

class WatchEntry : public RefCountedObject {
public:
    static constexpr DWORD BUFFER_SIZE = 65536;
    // File name, directory name, attributes, size, last write, creation and security.
    static constexpr DWORD CHANGE_FILTER = 0x15F;

    enum State : int { WATCHING = 0, FAILED = 1 };
    // How a read ended when its event fired.
    enum Completion { READ_RECORDS, READ_OVERFLOW, READ_INCOMPLETE, READ_BROKEN };

    // Opens the directory (which must be one); null with o_error set on failure.
    static WatchEntry* open(const std::wstring& path, bool recursive, DWORD* o_error);

    // Issues the next read; a refused read fails the entry.
    bool issueRead();
    // Asks, without waiting, how the read in flight ended; o_bytes receives the bytes returned.
    Completion complete(DWORD* o_bytes);
    // The records of the first `bytes` of the buffer, each with one reference for the caller.
    // Offsets and name lengths are checked against `bytes`: a malformed tail is dropped.
    void buildRecords(DWORD bytes, std::vector<WatchNotification*>* o_records);
    // Cancels the read in flight and closes the handles; false when the system did not confirm
    // the cancellation, in which case the buffer must stay allocated.
    bool cancel();
    void closeHandles();

    HANDLE event() const { return m_event; }
    bool isFailed() const { return state.load() == FAILED; }

    uint32_t key = 0;
    std::atomic<bool> needsStart{true};
    std::atomic<int> state{WATCHING};
    const bool dir_recursive;
    const std::wstring dir_path;
    std::atomic<WatchPoolThread*> thread{nullptr}; // null once removed from its thread
    uint64_t wakeTime = 0;
    std::wstring old_file_name; // of a rename whose new name has not come yet
    uint64_t oldNameTime = 0;

private:
    WatchEntry(const std::wstring& path, bool recursive);
    ~WatchEntry() override;

    void addRecord(uint32_t kind, const std::wstring& name, uint64_t time, std::vector<WatchNotification*>* o_records);

    HANDLE m_directory = INVALID_HANDLE_VALUE;
    HANDLE m_event = nullptr;
    OVERLAPPED m_overlapped = {};
    DWORD m_bytesReturned = 0;
    std::unique_ptr<DWORD[]> m_buffer; // DWORD-aligned, as the records are
    bool m_readPending = false;
};

} // namespace pel
