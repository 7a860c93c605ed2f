#include "pel/thread/ThreadErrorHandler.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"
#include "pel/thread/Mutex.h"

#include <string>

namespace pel {

namespace {

FastMutex& handlerMutex() {
    static FastMutex mutex;
    return mutex;
}

ThreadErrorHandler* s_current = nullptr; // null: the default handler

ThreadErrorHandler& currentHandler() { return s_current ? *s_current : *ThreadErrorHandler::defaultHandler(); }

} // namespace

// Exception texts come from anywhere (file names, system messages): they are arguments of the
// log line, never its format.
void ThreadErrorHandler::exception() { log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"%s", L"unknown exception"); }

void ThreadErrorHandler::exception(const std::exception& e) {
    std::wstring text;
    for (const char* c = e.what(); c && *c; ++c)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"%s", text.c_str());
}

void ThreadErrorHandler::exception(const Exception& e) {
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"%s", e.displayText().c_str());
}

void ThreadErrorHandler::handle(const Exception& e) {
    ScopedLock<FastMutex> lock(handlerMutex());
    try {
        currentHandler().exception(e);
    } catch (...) {
    }
}

void ThreadErrorHandler::handle(const std::exception& e) {
    ScopedLock<FastMutex> lock(handlerMutex());
    try {
        currentHandler().exception(e);
    } catch (...) {
    }
}

void ThreadErrorHandler::handle() {
    ScopedLock<FastMutex> lock(handlerMutex());
    try {
        currentHandler().exception();
    } catch (...) {
    }
}

ThreadErrorHandler* ThreadErrorHandler::set(ThreadErrorHandler* pHandler) {
    PEL_ASSERT(pHandler);
    ScopedLock<FastMutex> lock(handlerMutex());
    ThreadErrorHandler* previous = &currentHandler();
    s_current = pHandler == defaultHandler() ? nullptr : pHandler;
    return previous;
}

ThreadErrorHandler* ThreadErrorHandler::get() {
    ScopedLock<FastMutex> lock(handlerMutex());
    return &currentHandler();
}

ThreadErrorHandler* ThreadErrorHandler::defaultHandler() {
    static ThreadErrorHandler instance;
    return &instance;
}

} // namespace pel
