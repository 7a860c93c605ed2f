#pragma once
// The programming interface of CrashRpt1300.dll, the crash reporter that the program installs
// at start: its install record and the five operations it exports by ordinal only
// (install 7, uninstall 9, thread install 11, thread uninstall 12, last error message 23).
// On an unhandled exception it calls the crash callback, then writes a minidump and a short
// text report into "CrashReports\<application>\<time>-<process id>" under the user's
// temporary folder. It uploads nothing and restarts nothing.

#include <cstddef>
#include <windows.h>

extern "C" {

// Called while a report is being prepared; FALSE cancels the report.
typedef BOOL(CALLBACK* CrashReportCallback)(void* state);

enum { CR_HTTP = 0, CR_SMTP = 1, CR_SMAPI = 2, CR_PRIORITY_COUNT = 3 };

// The install record; cb holds its size (92). Members left zero or null take their defaults.
typedef struct CR_INSTALL_INFOW {
    DWORD cb;
    const wchar_t* pszAppName;
    const wchar_t* pszAppVersion;
    // Where reports would be uploaded; this reporter keeps them on disk only.
    const wchar_t* pszUrl;
    CrashReportCallback pfnCrashCallback;
    UINT uPriorities[CR_PRIORITY_COUNT];
    DWORD dwFlags;
    const wchar_t* pszPrivacyPolicyURL;
    // A MINIDUMP_TYPE; 0 is MiniDumpNormal.
    DWORD uMiniDumpType;
    const wchar_t* pszRestartCmdLine;
    DWORD reserved[11];
} CR_INSTALL_INFOW;

// Each returns 0 on success; on failure the text of crGetLastErrorMessageW tells why.
int WINAPI crInstallW(const CR_INSTALL_INFOW* pInfo);
int WINAPI crUninstall();
int WINAPI crInstallToCurrentThread(DWORD dwFlags);
int WINAPI crUninstallFromCurrentThread();
// Copies the calling thread's last error text (cut to the buffer) and returns its length.
int WINAPI crGetLastErrorMessageW(wchar_t* pszBuffer, UINT uBufferSize);

} // extern "C"

static_assert(sizeof(CR_INSTALL_INFOW) == 92, "the install record is 92 bytes");
