#pragma once
// Receives every exception that escapes a thread body, one at a time across the process. The
// default handler logs the exception's text at INFO under the "Unknown" source.

#include "pel/base/Exception.h"

#include <exception>

namespace pel {

class ThreadErrorHandler {
public:
    ThreadErrorHandler() = default;
    virtual ~ThreadErrorHandler() = default;
    ThreadErrorHandler(const ThreadErrorHandler&) = delete;
    ThreadErrorHandler& operator=(const ThreadErrorHandler&) = delete;

    // An exception of any other type.
    virtual void exception();
    virtual void exception(const std::exception& e);
    virtual void exception(const Exception& e);

    // Call the current handler under the handler lock; whatever the handler throws is dropped.
    static void handle(const Exception& e);
    static void handle(const std::exception& e);
    static void handle();

    // Installs a handler and returns the previous one; null is an assertion violation.
    static ThreadErrorHandler* set(ThreadErrorHandler* pHandler);
    static ThreadErrorHandler* get();
    static ThreadErrorHandler* defaultHandler();
};

} // namespace pel
