// The crash reporter: an unhandled-exception filter for the whole process that, on a crash,
// runs the application's callback, writes a minidump and a text report, and lets the process
// end with the exception's code.
//
// The crash path uses no heap and takes no lock without a time limit: the crashed thread may
// hold the heap's lock or any other. A reporter thread, started at install, does all of the
// work: the crashed thread only hands it the exception and waits. After a stack overflow it
// has almost no stack left, too little for the system to reach the unhandled-exception filter:
// a vectored handler, the first thing the system calls, takes that case, has it reported and
// ends the process with the exception's code. The callback and the minidump run on threads of
// their own under time limits, so that a callback that blocks cannot stop the report.

#include "platform/crashrpt/CrashReportApi.h"

#include <dbghelp.h>
#include <stdio.h>
#include <wchar.h>

namespace {

constexpr DWORD kCallbackTimeLimitMs = 10000;
constexpr DWORD kDumpTimeLimitMs = 60000;
constexpr DWORD kReportTimeLimitMs = 10000; // the folder and the text, beside the minidump
constexpr int kMaxThreads = 1024;
constexpr int kPathCapacity = MAX_PATH + 64;

// ---- state, guarded by g_lock

CRITICAL_SECTION g_lock;
bool g_installed = false;
wchar_t g_appName[256];
wchar_t g_appVersion[128];
wchar_t g_url[512];
wchar_t g_reportFolder[kPathCapacity]; // "...\CrashReports\<application>", no final separator
CrashReportCallback g_callback = nullptr;
DWORD g_dumpType = 0;
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;
DWORD g_threads[kMaxThreads];
int g_threadCount = 0;

volatile LONG g_crashing = 0;
HANDLE g_crashed = nullptr;    // set by the filter: the job is ready
HANDLE g_reportDone = nullptr; // set by the reporter once the report is written
HANDLE g_reporter = nullptr;   // the reporter thread while installed
void* g_overflowHandler = nullptr;

thread_local wchar_t t_lastError[512] = L"No error.";

struct GlobalSetUp {
    GlobalSetUp() {
        ::InitializeCriticalSection(&g_lock);
        g_crashed = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_reportDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~GlobalSetUp() {
        if (g_installed) {
            ::SetUnhandledExceptionFilter(g_previousFilter);
            if (g_overflowHandler)
                ::RemoveVectoredExceptionHandler(g_overflowHandler);
        }
        ::DeleteCriticalSection(&g_lock);
        ::CloseHandle(g_crashed);
        ::CloseHandle(g_reportDone);
    }
} g_setUp;

int fail(const wchar_t* message) {
    ::lstrcpynW(t_lastError, message, 512);
    return 1;
}

int succeed() {
    ::lstrcpynW(t_lastError, L"No error.", 512);
    return 0;
}

void copyText(wchar_t* target, size_t capacity, const wchar_t* source) {
    ::lstrcpynW(target, source ? source : L"", static_cast<int>(capacity));
}

int findThread(DWORD id) {
    for (int i = 0; i < g_threadCount; ++i)
        if (g_threads[i] == id)
            return i;
    return -1;
}

// Names the application's report folder; an empty name becomes the executable's base name.
bool makeReportFolder(const wchar_t* appName) {
    wchar_t name[256];
    if (appName && *appName) {
        copyText(name, 256, appName);
    } else {
        wchar_t path[kPathCapacity];
        const DWORD length = ::GetModuleFileNameW(nullptr, path, kPathCapacity);
        const wchar_t* base = path + length;
        while (base > path && base[-1] != L'\\' && base[-1] != L'/')
            --base;
        copyText(name, 256, base);
        if (wchar_t* dot = wcsrchr(name, L'.'))
            *dot = 0;
    }
    for (wchar_t* c = name; *c; ++c)
        if (*c < 32 || wcschr(L"\\/:*?\"<>|", *c))
            *c = L'_';
    if (!*name)
        copyText(name, 256, L"Application");

    wchar_t temp[kPathCapacity];
    const DWORD length = ::GetTempPathW(kPathCapacity, temp);
    if (length == 0 || length >= kPathCapacity)
        return false;
    const int written = _snwprintf(g_reportFolder, kPathCapacity - 1, L"%sCrashReports\\%s", temp, name);
    g_reportFolder[kPathCapacity - 1] = 0;
    copyText(g_appName, 256, name);
    return written > 0;
}

// ---- the crash path

struct CrashJob {
    EXCEPTION_POINTERS* exception;
    DWORD threadId;
    bool registered;
    wchar_t folder[kPathCapacity];
    BOOL callbackResult;
    const wchar_t* callbackState;
    BOOL dumpWritten;
    DWORD dumpError;
};

DWORD WINAPI callbackThread(void* data) {
    CrashJob* job = static_cast<CrashJob*>(data);
    // The callback is the application's code; nothing it throws may pass the thread's entry.
    try {
        job->callbackResult = g_callback(nullptr);
    } catch (...) {
        job->callbackResult = FALSE;
    }
    return 0;
}

DWORD WINAPI dumpThread(void* data) {
    CrashJob* job = static_cast<CrashJob*>(data);
    wchar_t path[kPathCapacity];
    _snwprintf(path, kPathCapacity - 1, L"%s\\crash.dmp", job->folder);
    path[kPathCapacity - 1] = 0;
    HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        job->dumpError = ::GetLastError();
        return 0;
    }
    MINIDUMP_EXCEPTION_INFORMATION info = {job->threadId, job->exception, FALSE};
    job->dumpWritten = ::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file,
                                           static_cast<MINIDUMP_TYPE>(g_dumpType), &info, nullptr, nullptr);
    if (!job->dumpWritten)
        job->dumpError = ::GetLastError();
    ::CloseHandle(file);
    return 0;
}

// Runs body on a new thread for at most limit milliseconds; false when it did not finish.
bool runWithLimit(LPTHREAD_START_ROUTINE body, CrashJob* job, DWORD limit) {
    HANDLE thread = ::CreateThread(nullptr, 0, body, job, 0, nullptr);
    if (!thread) {
        body(job);
        return true;
    }
    const bool finished = ::WaitForSingleObject(thread, limit) == WAIT_OBJECT_0;
    ::CloseHandle(thread);
    return finished;
}

bool createFolders(wchar_t* path) {
    // Every level below the drive or share; existing ones are fine.
    for (wchar_t* c = path + 3; *c; ++c) {
        if (*c == L'\\') {
            *c = 0;
            ::CreateDirectoryW(path, nullptr);
            *c = L'\\';
        }
    }
    return ::CreateDirectoryW(path, nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

void appendLine(char* report, size_t capacity, const wchar_t* format, ...) {
    wchar_t line[1024];
    va_list args;
    va_start(args, format);
    const int written = _vsnwprintf(line, 1023, format, args);
    va_end(args);
    line[written < 0 ? 1023 : written] = 0;
    const size_t used = strlen(report);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line, -1, report + used, static_cast<int>(capacity - used - 1),
                                            nullptr, nullptr);
    if (bytes <= 0)
        report[used] = 0;
}

void moduleOf(const void* address, wchar_t* o_path, DWORD capacity) {
    HMODULE module = nullptr;
    o_path[0] = 0;
    if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<LPCWSTR>(address), &module))
        ::GetModuleFileNameW(module, o_path, capacity);
    if (!o_path[0])
        copyText(o_path, capacity, L"(unknown)");
}

void writeReport(const CrashJob& job) {
    static char report[8192];
    report[0] = 0;
    const EXCEPTION_RECORD* record = job.exception ? job.exception->ExceptionRecord : nullptr;
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    appendLine(report, sizeof report, L"Application: %s\r\n", g_appName);
    appendLine(report, sizeof report, L"Version: %s\r\n", g_appVersion);
    appendLine(report, sizeof report, L"Time: %04u-%02u-%02u %02u:%02u:%02u UTC\r\n", now.wYear, now.wMonth,
               now.wDay, now.wHour, now.wMinute, now.wSecond);
    appendLine(report, sizeof report, L"Process: %lu\r\n", ::GetCurrentProcessId());
    appendLine(report, sizeof report, L"Thread: %lu (%s)\r\n", job.threadId,
               job.registered ? L"registered" : L"not registered");
    if (record) {
        wchar_t module[kPathCapacity];
        moduleOf(record->ExceptionAddress, module, kPathCapacity);
        appendLine(report, sizeof report, L"Exception: code 0x%08lX at 0x%p in %s\r\n", record->ExceptionCode,
                   record->ExceptionAddress, module);
        if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2)
            appendLine(report, sizeof report, L"Access: %s at 0x%p\r\n",
                       record->ExceptionInformation[0] == 0 ? L"read" : record->ExceptionInformation[0] == 8 ? L"execute" : L"write",
                       reinterpret_cast<void*>(record->ExceptionInformation[1]));
    }
    appendLine(report, sizeof report, L"Crash callback: %s\r\n", job.callbackState);
    if (job.dumpWritten)
        appendLine(report, sizeof report, L"Minidump: crash.dmp (type 0x%lX)\r\n", g_dumpType);
    else
        appendLine(report, sizeof report, L"Minidump: not written (error %lu)\r\n", job.dumpError);
    appendLine(report, sizeof report, L"Upload: not sent (%s)\r\n", g_url[0] ? g_url : L"no address");

    wchar_t path[kPathCapacity];
    _snwprintf(path, kPathCapacity - 1, L"%s\\crash.txt", job.folder);
    path[kPathCapacity - 1] = 0;
    HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, report, static_cast<DWORD>(strlen(report)), &written, nullptr);
    ::CloseHandle(file);
}

// The report folder, the minidump (under a time limit of its own) and the text report.
DWORD WINAPI reportThread(void* data) {
    CrashJob* job = static_cast<CrashJob*>(data);
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    _snwprintf(job->folder, kPathCapacity - 1, L"%s\\%04u%02u%02u-%02u%02u%02u-%lu", g_reportFolder, now.wYear,
               now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, ::GetCurrentProcessId());
    job->folder[kPathCapacity - 1] = 0;
    if (!createFolders(job->folder))
        return 0;
    if (!runWithLimit(&dumpThread, job, kDumpTimeLimitMs))
        job->dumpError = WAIT_TIMEOUT;
    writeReport(*job);
    return 0;
}

CrashJob g_job;

void stopReporter() {
    if (!g_reporter)
        return;
    if (!g_crashing) {
        ::SetEvent(g_crashed); // no job: the reporter ends
        ::WaitForSingleObject(g_reporter, kCallbackTimeLimitMs);
    }
    ::CloseHandle(g_reporter);
    g_reporter = nullptr;
}

// Writes the report of g_job: the callback, then (unless it cancelled) the reports.
void report(CrashJob& job) {
    job.registered = false;
    job.callbackResult = TRUE;
    job.dumpWritten = FALSE;
    job.dumpError = 0;
    // Another thread may be inside an install call: wait a little, never for ever.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::TryEnterCriticalSection(&g_lock)) {
            job.registered = findThread(job.threadId) >= 0;
            ::LeaveCriticalSection(&g_lock);
            break;
        }
        ::Sleep(10);
    }
    job.callbackState = L"none";
    if (g_callback) {
        if (!runWithLimit(&callbackThread, &job, kCallbackTimeLimitMs))
            job.callbackState = L"did not return in time";
        else if (!job.callbackResult)
            job.callbackState = L"cancelled the report";
        else
            job.callbackState = L"returned TRUE";
    }
    if (job.callbackResult)
        runWithLimit(&reportThread, &job, kDumpTimeLimitMs + kReportTimeLimitMs);
}

// Waits for a crash (or for the uninstall, which sets g_crashed without a job).
DWORD WINAPI reporterThread(void*) {
    ::WaitForSingleObject(g_crashed, INFINITE);
    if (g_job.exception) {
        report(g_job);
        ::SetEvent(g_reportDone);
    }
    return 0;
}

LONG WINAPI crashFilter(EXCEPTION_POINTERS* exception) {
    // A second crash while the first is reported waits for that report, then ends the process.
    if (::InterlockedExchange(&g_crashing, 1) != 0) {
        ::WaitForSingleObject(g_reportDone, kCallbackTimeLimitMs + kDumpTimeLimitMs + kReportTimeLimitMs);
        return EXCEPTION_EXECUTE_HANDLER;
    }
    g_job.exception = exception;
    g_job.threadId = ::GetCurrentThreadId();
    if (g_reporter) {
        ::SetEvent(g_crashed);
        ::WaitForSingleObject(g_reportDone, kCallbackTimeLimitMs + kDumpTimeLimitMs + kReportTimeLimitMs);
    } else {
        report(g_job); // no reporter thread could be started: the report is tried here
    }
    return EXCEPTION_EXECUTE_HANDLER;
}

LONG WINAPI stackOverflowHandler(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW || !g_reporter)
        return EXCEPTION_CONTINUE_SEARCH;
    crashFilter(exception);
    ::TerminateProcess(::GetCurrentProcess(), EXCEPTION_STACK_OVERFLOW);
    return EXCEPTION_CONTINUE_SEARCH; // not reached
}

} // namespace

extern "C" {

int WINAPI crInstallW(const CR_INSTALL_INFOW* pInfo) {
    if (!pInfo)
        return fail(L"crInstallW: the install record is null.");
    if (pInfo->cb != sizeof(CR_INSTALL_INFOW))
        return fail(L"crInstallW: the install record's size (cb) must be 92.");
    ::EnterCriticalSection(&g_lock);
    int result;
    if (g_installed) {
        result = fail(L"crInstallW: crash reporting is already installed in this process.");
    } else if (!makeReportFolder(pInfo->pszAppName)) {
        result = fail(L"crInstallW: the user's temporary folder cannot hold the crash reports.");
    } else {
        copyText(g_appVersion, 128, pInfo->pszAppVersion);
        copyText(g_url, 512, pInfo->pszUrl);
        g_callback = pInfo->pfnCrashCallback;
        g_dumpType = pInfo->uMiniDumpType;
        g_job.exception = nullptr;
        ::ResetEvent(g_crashed);
        g_reporter = ::CreateThread(nullptr, 0, &reporterThread, nullptr, 0, nullptr);
        g_overflowHandler = ::AddVectoredExceptionHandler(1, &stackOverflowHandler);
        g_previousFilter = ::SetUnhandledExceptionFilter(&crashFilter);
        g_installed = true;
        result = succeed();
    }
    ::LeaveCriticalSection(&g_lock);
    return result;
}

int WINAPI crUninstall() {
    ::EnterCriticalSection(&g_lock);
    int result;
    if (!g_installed) {
        result = fail(L"crUninstall: crash reporting is not installed.");
    } else {
        ::SetUnhandledExceptionFilter(g_previousFilter);
        g_previousFilter = nullptr;
        if (g_overflowHandler)
            ::RemoveVectoredExceptionHandler(g_overflowHandler);
        g_overflowHandler = nullptr;
        stopReporter();
        g_callback = nullptr;
        g_threadCount = 0;
        g_installed = false;
        result = succeed();
    }
    ::LeaveCriticalSection(&g_lock);
    return result;
}

int WINAPI crInstallToCurrentThread(DWORD) {
    const DWORD id = ::GetCurrentThreadId();
    ::EnterCriticalSection(&g_lock);
    int result;
    if (!g_installed)
        result = fail(L"crInstallToCurrentThread: crash reporting is not installed.");
    else if (findThread(id) >= 0)
        result = fail(L"crInstallToCurrentThread: the thread is already registered.");
    else if (g_threadCount == kMaxThreads)
        result = fail(L"crInstallToCurrentThread: too many registered threads.");
    else {
        g_threads[g_threadCount++] = id;
        result = succeed();
    }
    ::LeaveCriticalSection(&g_lock);
    return result;
}

int WINAPI crUninstallFromCurrentThread() {
    ::EnterCriticalSection(&g_lock);
    const int at = findThread(::GetCurrentThreadId());
    int result;
    if (at < 0) {
        result = fail(L"crUninstallFromCurrentThread: the thread is not registered.");
    } else {
        g_threads[at] = g_threads[--g_threadCount];
        result = succeed();
    }
    ::LeaveCriticalSection(&g_lock);
    return result;
}

int WINAPI crGetLastErrorMessageW(wchar_t* pszBuffer, UINT uBufferSize) {
    if (!pszBuffer || uBufferSize == 0)
        return 0;
    ::lstrcpynW(pszBuffer, t_lastError, static_cast<int>(uBufferSize));
    return static_cast<int>(wcslen(pszBuffer));
}

} // extern "C"
