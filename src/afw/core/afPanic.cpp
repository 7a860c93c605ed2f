#include "afw/core/afPanic.h"

#include "afw/core/afLog.h"

#include <string>
#include <windows.h>

namespace {
afPanicHandler s_handler = nullptr;
}

afPanicHandler afSetPanicHandler(afPanicHandler handler) {
    afPanicHandler previous = s_handler;
    s_handler = handler;
    return previous;
}

void afPanic(const wchar_t* message, const wchar_t* method) {
    std::wstring text = method ? method : L"NO_METHOD_SPECIFIED";
    text += L": ";
    text += message ? message : L"NO_MESSAGE_SPECIFIED";
    pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"APPLICATION PANIC: %s\n", text.c_str());
    if (s_handler)
        s_handler(text.c_str());
    else
        ::MessageBoxW(nullptr, text.c_str(), L"Application Panic", MB_OK);
    ::ExitProcess(1);
}
