#include "pel/CrashReporter.h"
#include "pel/base/Exception.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace pel;

namespace {

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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
    const std::pair<int, DWORD> levels[] = {{2, 0x1A25}, {3, 0x1826}, {4, 0}, {1, 0x50}}; // 1 is the default
    for (const auto& level : levels) {
        reporter.setDumpLevel(level.first);
        reporter.fillInstallInfo(&info);
        EXPECT_EQ(level.second, info.uMiniDumpType) << "dump level " << level.first;
    }
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
    // A stack overflow leaves the crashed thread no stack: its report is written all the same.
    const struct {
        const wchar_t* mode;
        DWORD exitCode;
        const char* exception;
    } crashes[] = {
        {L"crash", EXCEPTION_ACCESS_VIOLATION, "Exception: code 0xC0000005 at "},
        {L"overflow", EXCEPTION_STACK_OVERFLOW, "Exception: code 0xC00000FD at "},
    };
    for (const auto& crash : crashes) {
        SCOPED_TRACE(testing::Message() << crash.exception);
        // The child keeps its reports under its temporary folder: a fresh one, given through TMP.
        tessel_test::TempFolder temp;
        ASSERT_TRUE(temp.created);
        wchar_t savedTmp[MAX_PATH] = {};
        const bool hadTmp = ::GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH) > 0;
        ::SetEnvironmentVariableW(L"TMP", (temp.path + L"\\").c_str());
        tessel_test::ChildProcess child(std::wstring(crash.mode) + L" TesselCrashTest \"" + temp / L"crash.log" + L"\"",
                                        true);
        ::SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp : nullptr);
        ASSERT_TRUE(child.started());
        EXPECT_EQ(crash.exitCode, child.wait());
        const std::string output = child.output();
        ASSERT_EQ(0u, output.find("crash-thread ")) << output;
        const std::string threadId = output.substr(13, output.find('\n') - 13);

        // The callback closed the buffered log: everything logged before the crash is on disk.
        EXPECT_EQ("before the crash\ncrashing now\n", readFile(temp / L"crash.log"));

        // One report folder, "<time>-<process id>".
        const std::wstring reports = temp / L"CrashReports\\TesselCrashTest\\";
        WIN32_FIND_DATAW found;
        HANDLE find = ::FindFirstFileW((reports + L"*-" + std::to_wstring(child.processId())).c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, find);
        EXPECT_FALSE(::FindNextFileW(find, &found));
        ::FindClose(find);
        const std::wstring folder = reports + found.cFileName;
        EXPECT_NE("", readFile(folder + L"\\crash.dmp"));
        const std::string report = readFile(folder + L"\\crash.txt");
        std::vector<std::string> expected = {"Application: TesselCrashTest\r\n", "Version: 1.0-test\r\n",
                                             "Thread: " + threadId + " (registered)\r\n", crash.exception,
                                             "Crash callback: returned TRUE\r\n",
                                             "Minidump: crash.dmp (type 0x50)\r\n",
                                             "Upload: not sent (http://localhost/crash-reports)\r\n"};
        if (crash.exitCode == EXCEPTION_ACCESS_VIOLATION)
            expected.push_back("Access: write at 0x00000000\r\n");
        for (const std::string& line : expected)
            EXPECT_NE(std::string::npos, report.find(line)) << line << "\nin:\n" << report;
    }
}
