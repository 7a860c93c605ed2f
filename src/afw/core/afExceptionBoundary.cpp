#include "afw/core/afExceptionBoundary.h"

#include "pel/thread/ThreadErrorHandler.h"

#include <exception>

void afReportCurrentException() noexcept {
    try {
        throw;
    } catch (const pel::Exception& e) {
        pel::ThreadErrorHandler::handle(e);
    } catch (const std::exception& e) {
        pel::ThreadErrorHandler::handle(e);
    } catch (...) {
        pel::ThreadErrorHandler::handle();
    }
}
