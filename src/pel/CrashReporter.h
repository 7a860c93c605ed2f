#pragma once
// The process's crash reporting through CrashRpt1300.dll: the application fills in its name,
// version, upload address and crash callback at start and installs; every library thread
// registers itself for its lifetime. Exit-time destruction uninstalls.

#include "platform/crashrpt/CrashReportApi.h"

#include <string>

namespace pel {

class CrashReporter_Impl {
public:
    using CrashCallback = CrashReportCallback;

    static CrashReporter_Impl& getInstance();
    virtual ~CrashReporter_Impl();
    CrashReporter_Impl(const CrashReporter_Impl&) = delete;
    CrashReporter_Impl& operator=(const CrashReporter_Impl&) = delete;

    // The strings must not change while installed: the record points into them.
    void setAppName(const std::wstring& name) { m_appName = name; }
    void setAppVersion(const std::wstring& version) { m_appVersion = version; }
    void setUrl(const std::wstring& url) { m_url = url; }
    void setPrivacyPolicyUrl(const std::wstring& url) { m_privacyPolicyUrl = url; }
    void setCrashCallback(CrashCallback callback) { m_crashCallback = callback; }
    // 1 (the default) to 3: how much memory a minidump holds.
    void setDumpLevel(int level) { m_dumpLevel = level; }

    // Installs for the process. On failure prints the reporter's own message to standard
    // output and answers false.
    bool install();
    bool isInstalled() const { return m_installed; }
    // The install record for the current settings.
    void fillInstallInfo(CR_INSTALL_INFOW* o_info) const;

    // Registers or unregisters the calling thread; results are of no interest to callers.
    static void installThread();
    static void uninstallThread();

private:
    CrashReporter_Impl() = default;

    bool m_installed = false;
    int m_dumpLevel = 1;
    std::wstring m_appName;
    std::wstring m_appVersion;
    std::wstring m_url;
    std::wstring m_privacyPolicyUrl;
    CrashCallback m_crashCallback = nullptr;
};

} // namespace pel
