// The program's entry: the main thread's id, the crash reporter, the single-instance control,
// then the application's start, loop and end.

#include "app/App.h"

#include "afw/core/afInstanceControl.h"
#include "pel/CrashReporter.h"
#include "pel/base/Exception.h"
#include "pel/log/Log.h"
#include "pel/text/StringTemplate.h"
#include "pel/text/search/RegExLibrary.h"
#include "pel/thread/MainThread.h"

#include <exception>
#include <string>

namespace {

void reportStop(const std::wstring& text) {
    pel::log_printf(pel::LOG_CRITICAL, tessel::App::LOG_SOURCE, L"Tessel stopped: %s", text.c_str());
    const std::wstring shown = pel::StringTemplate(L"Tessel stopped: {1}").arg(1, text).render();
    ::MessageBoxW(nullptr, shown.c_str(), L"Tessel", MB_OK | MB_ICONERROR);
}

int run(HINSTANCE instance) {
    afInstanceControl::instance();
    auto* app = new tessel::App;
    int code = 1;
    if (afApp::init(app, instance)) {
        code = afApp::run(app);
    } else if (afApp::getInstance() == app) {
        code = app->getExitCode();
    } else {
        delete app; // the framework refused it before its start
    }
    afApp::shutdown();
    afInstanceControl::destroy();
    return code;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    pel::store_main_thread_id();
    pel::initRegExLibrary();
    pel::CrashReporter_Impl& reporter = pel::CrashReporter_Impl::getInstance();
    reporter.setAppName(L"Tessel");
    reporter.setAppVersion(L"1.0.1");
    reporter.setCrashCallback(&tessel::crashCallback);
    if (!reporter.install()) {
        // A GUI program has no standard output: the reporter's reason is shown.
        wchar_t reason[512] = {};
        crGetLastErrorMessageW(reason, 512);
        ::MessageBoxW(nullptr, reason, L"Tessel", MB_OK | MB_ICONERROR);
        return 1;
    }
    int code = 1;
    try {
        code = run(instance);
    } catch (const pel::Exception& e) {
        reportStop(e.displayText());
        code = 1;
    } catch (const std::exception& e) {
        reportStop(std::wstring(e.what(), e.what() + std::char_traits<char>::length(e.what())));
        code = 1;
    } catch (...) {
        reportStop(L"unknown error");
        code = 1;
    }
    pel::shutdownRegExLibrary();
    return code;
}
