#pragma once
// What the file utilities' sources share: the retry loop around every step, the work done after
// a successful step, and keeping the thread's file error across calls that would clear it.

#include "pel/files/FileUtilsHandler.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"

#include <windows.h>

namespace pel {
namespace fileutils_detail {

// As the step's operation code: the handler keeps the code its caller set.
constexpr uint32_t KEEP_OPERATION = 0xFFFFFFFFu;

inline uint32_t errorCode() { return FileErrorObject::getErrorCode(); }
inline bool isExistsError(uint32_t code) { return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS; }

// Puts the thread's error record back as it was when made.
class ErrorKeeper {
public:
    ErrorKeeper() : m_record(FileErrorObject::ensureRecord()) {}
    ~ErrorKeeper() {
        FileErrorObject::ensureRecord() = m_record;
        ::SetLastError(m_record.code);
    }
    ErrorKeeper(const ErrorKeeper&) = delete;
    ErrorKeeper& operator=(const ErrorKeeper&) = delete;

private:
    ErrorMessageTLS m_record;
};

// The answer of the handler, or UI_Cancel without one.
inline uint32_t askHandler(FileUtilsHandler* handler, bool fatal, uint32_t operation = KEEP_OPERATION) {
    if (!handler)
        return FileUtilsHandler::UI_Cancel;
    if (operation != KEEP_OPERATION)
        handler->operation = operation;
    return handler->ask(fatal);
}

inline bool lastAnswerIs(const FileUtilsHandler* handler, uint32_t answer) {
    return handler && handler->lastAnswer == answer;
}

// After a successful step: the result-list entry and the listeners.
void stepDone(FileUtilsHandler* handler, const wchar_t* path, uint32_t code);

// What to do after a failed attempt, decided before any question.
enum class Recovery { Ask, Again, Stop };

// Runs attempt until it succeeds; after a failure `recover` decides, and on Recovery::Ask the
// handler's UI_Retry tries again while any other answer (or no handler) gives up with the
// thread's error set. A null path fails with 0x20000000 without an attempt.
template <class Attempt, class Recover>
bool retryStep(FileUtilsHandler* handler, const wchar_t* path, uint32_t operation, Attempt attempt, Recover recover) {
    if (handler) {
        handler->lastAnswer = 0;
        handler->currentPath = path;
    }
    for (;;) {
        bool done = false;
        if (path) {
            FileErrorObject::setError(0);
            done = attempt();
        } else {
            FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        }
        if (done)
            return true;
        if (path) {
            const Recovery recovery = recover();
            if (recovery == Recovery::Again)
                continue;
            if (recovery == Recovery::Stop)
                return false;
        }
        if (askHandler(handler, false, operation) != FileUtilsHandler::UI_Retry)
            return false;
    }
}

template <class Attempt>
bool retryStep(FileUtilsHandler* handler, const wchar_t* path, uint32_t operation, Attempt attempt) {
    return retryStep(handler, path, operation, attempt, [] { return Recovery::Ask; });
}

// Whether the path is a file that may not be written; the thread's error stays.
bool isReadOnlyFile(const wchar_t* path);

} // namespace fileutils_detail
} // namespace pel
