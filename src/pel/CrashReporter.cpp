#include "pel/CrashReporter.h"

#include "pel/base/Assert.h"

#include <cstdio>
#include <cstring>

namespace pel {

CrashReporter_Impl& CrashReporter_Impl::getInstance() {
    static CrashReporter_Impl instance;
    return instance;
}

CrashReporter_Impl::~CrashReporter_Impl() {
    if (m_installed)
        crUninstall();
}

void CrashReporter_Impl::fillInstallInfo(CR_INSTALL_INFOW* o_info) const {
    PEL_CHECK_PTR(o_info);
    std::memset(o_info, 0, sizeof *o_info);
    o_info->cb = sizeof *o_info;
    o_info->pszAppName = m_appName.c_str();
    o_info->pszAppVersion = m_appVersion.c_str();
    o_info->pszUrl = m_url.c_str();
    o_info->pfnCrashCallback = m_crashCallback;
    o_info->uPriorities[CR_HTTP] = 1;
    o_info->dwFlags = 0x55FFF;
    o_info->pszPrivacyPolicyURL = m_privacyPolicyUrl.empty() ? nullptr : m_privacyPolicyUrl.c_str();
    switch (m_dumpLevel) {
    case 1:
        o_info->uMiniDumpType = 0x50; // scan memory, with indirectly referenced memory
        break;
    case 2:
        o_info->uMiniDumpType = 0x1A25;
        break;
    case 3:
        o_info->uMiniDumpType = 0x1826;
        break;
    default:
        break;
    }
    o_info->pszRestartCmdLine = L"/restart";
}

bool CrashReporter_Impl::install() {
    CR_INSTALL_INFOW info;
    fillInstallInfo(&info);
    if (crInstallW(&info) == 0) {
        m_installed = true;
        return true;
    }
    wchar_t message[512] = {};
    crGetLastErrorMessageW(message, 512);
    wprintf_s(L"%s\n", message);
    std::fflush(stdout);
    return false;
}

void CrashReporter_Impl::installThread() { crInstallToCurrentThread(0); }

void CrashReporter_Impl::uninstallThread() { crUninstallFromCurrentThread(); }

} // namespace pel
