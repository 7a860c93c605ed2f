#include "pel/files/file_io/WatchEntry.h"

#include "pel/base/Assert.h"

#include <cstddef>
#include <cstring>

namespace pel {

namespace {

constexpr DWORD RECORD_HEADER = offsetof(FILE_NOTIFY_INFORMATION, FileName);

DWORD readWord(const unsigned char* at) {
    DWORD value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

WatchSystemCalls& watchSystemCalls() {
    static WatchSystemCalls calls;
    return calls;
}

WatchEntry::WatchEntry(const std::wstring& path, bool recursive) : dir_recursive(recursive), dir_path(path) {}

WatchEntry::~WatchEntry() { closeHandles(); }

WatchEntry* WatchEntry::open(const std::wstring& path, bool recursive, DWORD* o_error) {
    PEL_CHECK_PTR(o_error);
    HANDLE directory = ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (directory == INVALID_HANDLE_VALUE) {
        *o_error = ::GetLastError();
        return nullptr;
    }
    // Backup semantics open files too, whose reads would only fail later.
    BY_HANDLE_FILE_INFORMATION details;
    if (!::GetFileInformationByHandle(directory, &details) || !(details.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *o_error = ERROR_DIRECTORY;
        ::CloseHandle(directory);
        return nullptr;
    }
    // Unsignalled: the event must mean that a read ended.
    HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event) {
        *o_error = ::GetLastError();
        ::CloseHandle(directory);
        return nullptr;
    }
    WatchEntry* entry = new WatchEntry(path, recursive);
    entry->m_directory = directory;
    entry->m_event = event;
    entry->m_buffer.reset(new DWORD[BUFFER_SIZE / sizeof(DWORD)]);
    return entry;
}

bool WatchEntry::issueRead() {
    if (isFailed() || m_directory == INVALID_HANDLE_VALUE)
        return false;
    std::memset(&m_overlapped, 0, sizeof m_overlapped);
    m_overlapped.hEvent = m_event;
    ::ResetEvent(m_event);
    if (watchSystemCalls().readDirectoryChanges(m_directory, m_buffer.get(), BUFFER_SIZE, dir_recursive, CHANGE_FILTER,
                                                &m_bytesReturned, &m_overlapped, nullptr)) {
        m_readPending = true;
        return true;
    }
    state = FAILED;
    return false;
}

WatchEntry::Completion WatchEntry::complete(DWORD* o_bytes) {
    *o_bytes = 0;
    if (!m_readPending)
        return READ_INCOMPLETE;
    // Never waits: the pool thread must stay free to see its control semaphore.
    if (watchSystemCalls().getOverlappedResult(m_directory, &m_overlapped, o_bytes, FALSE)) {
        m_readPending = false;
        // Zero bytes: the system's buffer overflowed and its changes were dropped.
        return *o_bytes ? READ_RECORDS : READ_OVERFLOW;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return READ_INCOMPLETE;
    m_readPending = false;
    *o_bytes = 0;
    return error == ERROR_NOTIFY_ENUM_DIR ? READ_OVERFLOW : READ_BROKEN;
}

void WatchEntry::addRecord(uint32_t kind, const std::wstring& name, uint64_t time,
                           std::vector<WatchNotification*>* o_records) {
    o_records->push_back(WatchNotification::create(kind, name, time));
}

void WatchEntry::buildRecords(DWORD bytes, std::vector<WatchNotification*>* o_records) {
    PEL_CHECK_PTR(o_records);
    const unsigned char* buffer = reinterpret_cast<const unsigned char*>(m_buffer.get());
    if (bytes > BUFFER_SIZE)
        bytes = BUFFER_SIZE;
    DWORD offset = 0;
    while (bytes - offset >= RECORD_HEADER) {
        const unsigned char* at = buffer + offset;
        const DWORD next = readWord(at);
        const DWORD action = readWord(at + 4);
        const DWORD nameBytes = readWord(at + 8);
        if (nameBytes > bytes - offset - RECORD_HEADER)
            break;
        std::wstring name(nameBytes / sizeof(wchar_t), L'\0');
        if (!name.empty())
            std::memcpy(&name[0], at + RECORD_HEADER, name.size() * sizeof(wchar_t));

        switch (action) {
        case FILE_ACTION_ADDED:
            addRecord(WATCH_ADDED, name, wakeTime, o_records);
            break;
        case FILE_ACTION_REMOVED:
            addRecord(WATCH_REMOVED, name, wakeTime, o_records);
            break;
        case FILE_ACTION_RENAMED_OLD_NAME:
            // An old name without its new name left the directory.
            if (!old_file_name.empty())
                addRecord(WATCH_REMOVED, old_file_name, oldNameTime, o_records);
            old_file_name = name;
            oldNameTime = wakeTime;
            break;
        case FILE_ACTION_RENAMED_NEW_NAME: {
            PEL_SOFT_ASSERT(old_file_name.size() > 0);
            WatchNotification* record =
                WatchNotification::create(WATCH_RENAMED, old_file_name, old_file_name.empty() ? wakeTime : oldNameTime);
            record->setSecondName(name);
            o_records->push_back(record);
            old_file_name.clear();
            break;
        }
        case FILE_ACTION_MODIFIED:
            addRecord(WATCH_MODIFIED, name, wakeTime, o_records);
            break;
        default:
            softAssertion(L"0", PEL_FILE, __LINE__);
            addRecord(WATCH_MODIFIED, name, wakeTime, o_records);
            break;
        }
        if (next == 0 || next < RECORD_HEADER || next > bytes - offset)
            break;
        offset += next;
    }
}

bool WatchEntry::cancel() {
    if (m_readPending && m_directory != INVALID_HANDLE_VALUE) {
        // The system may write into the buffer until the read has ended.
        DWORD bytes = 0;
        auto ended = [&] {
            return ::GetOverlappedResult(m_directory, &m_overlapped, &bytes, FALSE) || ::GetLastError() != ERROR_IO_INCOMPLETE;
        };
        bool done = ended();
        if (!done) {
            PEL_SOFT_ASSERT(::CancelIo(m_directory) != 0);
            ::WaitForSingleObject(m_event, 5000);
            done = ended();
        }
        m_readPending = !done;
    }
    closeHandles();
    return !m_readPending;
}

void WatchEntry::closeHandles() {
    if (m_readPending)
        return; // a read in flight still owns the buffer and its event
    if (m_directory != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_directory);
    m_directory = INVALID_HANDLE_VALUE;
    if (m_event)
        ::CloseHandle(m_event);
    m_event = nullptr;
}

} // namespace pel
