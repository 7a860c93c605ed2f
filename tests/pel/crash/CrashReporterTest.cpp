#include "pel/CrashReporter.h"
#include "pel/base/Exception.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace pel;

namespace {

std::wstring tempFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, path);
    return std::wstring(path, length);
}

std::vector<std::wstring> subfolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void removeTree(const std::wstring& folder) {
    for (const auto& name : subfolders(folder))
        removeTree(folder + L"\\" + name);
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((folder + L"\\" + data.cFileName).c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
}

BOOL CALLBACK noCallback(void*) { return TRUE; }

} // namespace

TEST(CrashReporter, InstallRecordFollowsTheSettings) {
    CrashReporter_Impl& reporter = CrashReporter_Impl::getInstance();
    reporter.setAppName(L"Tessel");
    reporter.setAppVersion(L"3.5.0");
    reporter.setUrl(L"http://crash.example/upload");
    reporter.setCrashCallback(&noCallback);

    CR_INSTALL_INFOW info;
    const std::pair<int, DWORD> levels[] = {{1, 0x50}, {2, 0x1A25}, {3, 0x1826}, {4, 0}, {0, 0}};
    for (const auto& level : levels) {
        reporter.setDumpLevel(level.first);
        reporter.fillInstallInfo(&info);
        EXPECT_EQ(level.second, info.uMiniDumpType) << "dump level " << level.first;
    }
    reporter.setDumpLevel(1);
    reporter.fillInstallInfo(&info);
    EXPECT_EQ(92u, info.cb);
    EXPECT_STREQ(L"Tessel", info.pszAppName);
    EXPECT_STREQ(L"3.5.0", info.pszAppVersion);
    EXPECT_STREQ(L"http://crash.example/upload", info.pszUrl);
    EXPECT_EQ(&noCallback, info.pfnCrashCallback);
    EXPECT_EQ(1u, info.uPriorities[CR_HTTP]);
    EXPECT_EQ(0u, info.uPriorities[CR_SMTP]);
    EXPECT_EQ(0u, info.uPriorities[CR_SMAPI]);
    EXPECT_EQ(0x55FFFu, info.dwFlags);
    EXPECT_EQ(nullptr, info.pszPrivacyPolicyURL);
    EXPECT_STREQ(L"/restart", info.pszRestartCmdLine);
    for (DWORD word : info.reserved)
        EXPECT_EQ(0u, word);
    reporter.setPrivacyPolicyUrl(L"http://privacy.example");
    reporter.fillInstallInfo(&info);
    EXPECT_STREQ(L"http://privacy.example", info.pszPrivacyPolicyURL);
    reporter.setPrivacyPolicyUrl(L"");
    EXPECT_THROW(reporter.fillInstallInfo(nullptr), NullPointerException);
    EXPECT_FALSE(reporter.isInstalled());
}

TEST(CrashReporter, TheDllExportsOrdinalsOnly) {
    HMODULE dll = ::GetModuleHandleW(L"CrashRpt1300.dll");
    ASSERT_NE(nullptr, dll); // imported, so loaded with the program
    for (int ordinal : {7, 9, 11, 12, 23})
        EXPECT_NE(nullptr, ::GetProcAddress(dll, MAKEINTRESOURCEA(ordinal))) << ordinal;
    EXPECT_EQ(nullptr, ::GetProcAddress(dll, "crInstallW"));
}

TEST(CrashReporter, FailedInstallPrintsTheReportersMessage) {
    tessel_test::ChildProcess child(L"install-twice TesselInstallTwice", true);
    ASSERT_TRUE(child.started());
    EXPECT_EQ(0u, child.wait());
    EXPECT_EQ("crInstallW: crash reporting is already installed in this process.\nfirst=1 second=0\n", child.output());
}

TEST(CrashReporter, CrashInARegisteredThreadLeavesAReport) {
    const std::wstring app = L"TesselCrashTest-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring reports = tempFolder() + L"CrashReports\\" + app;
    const std::wstring logPath = tempFolder() + app + L".log";
    removeTree(reports);
    ::DeleteFileW(logPath.c_str());

    tessel_test::ChildProcess child(L"crash " + app + L" \"" + logPath + L"\"", true);
    ASSERT_TRUE(child.started());
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), child.wait());
    const std::string output = child.output();
    ASSERT_EQ(0u, output.find("crash-thread ")) << output;
    const std::string threadId = output.substr(13, output.find('\n') - 13);

    // The callback closed the buffered log: everything logged before the crash is on disk.
    EXPECT_EQ("before the crash\ncrashing now\n", readFile(logPath));

    const auto folders = subfolders(reports);
    ASSERT_EQ(1u, folders.size());
    const std::wstring folder = reports + L"\\" + folders[0];
    EXPECT_NE(std::wstring::npos, folders[0].find(L"-" + std::to_wstring(child.processId())));
    EXPECT_GT(fileSize(folder + L"\\crash.dmp"), 0);
    const std::string report = readFile(folder + L"\\crash.txt");
    for (const std::string& expected :
         {"Application: " + std::string(app.begin(), app.end()) + "\r\n", std::string("Version: 1.0-test\r\n"),
          "Thread: " + threadId + " (registered)\r\n", std::string("Exception: code 0xC0000005 at "),
          std::string("Access: write at 0x00000000\r\n"), std::string("Crash callback: returned TRUE\r\n"),
          std::string("Minidump: crash.dmp (type 0x50)\r\n"),
          std::string("Upload: not sent (http://localhost/crash-reports)\r\n")})
        EXPECT_NE(std::string::npos, report.find(expected)) << expected << "\nin:\n" << report;

    removeTree(reports);
    ::DeleteFileW(logPath.c_str());
}
