#include "pel/files/FileUtilsHandler.h"

#include "pel/base/Assert.h"
#include "pel/base/Timestamp.h"

#include <windows.h>

namespace pel {

namespace {

void restoreError(const ErrorMessageTLS& record) {
    FileErrorObject::ensureRecord() = record;
    ::SetLastError(record.code);
}

bool isFatalCode(uint32_t code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
        return true;
    default:
        break;
    }
    using namespace FileErrorCode;
    return code == DEVICE_NAME_TOO_LONG || code == UNKNOWN_DEVICE ||
           (code >= WRONG_DEVICE_PARAMETER && code <= UNSUPPORTED_OPERATION) ||
           (code >= UNIQUE_DIRECTORY_FAILED && code <= COPY_DIRECTORY_TO_FILE);
}

} // namespace

FileUtilsHandler::FileUtilsHandler() { initFileOperationProgress(this); }

FileUtilsHandler::~FileUtilsHandler() { freeFileOperationProgress(this); }

void initFileOperationProgress(FileUtilsHandler* handler) {
    PEL_CHECK_PTR(handler);
    handler->pollCallback = {};
    handler->itemDoneCallback = {};
    handler->progressCallback = {};
    handler->questionCallback = {};
    handler->listeners.clear();
    handler->answers.clear();
    handler->pollInterval = 20;
    handler->resultList.reset();
    handler->buffer.clear();
    handler->reset(true);
}

void freeFileOperationProgress(FileUtilsHandler* handler) {
    PEL_CHECK_PTR(handler);
    handler->resultList.reset();
    std::vector<char>().swap(handler->buffer);
    handler->answers.clear();
    handler->error = ErrorMessageTLS();
    std::vector<FileUtilsHandler::Slot<FileUtilsHandler::ListenerCallback>>().swap(handler->listeners);
}

void FileUtilsHandler::reset(bool single) {
    singleItem = single;
    timeLeft = -1;
    totalItems = -1;
    doneItems = -1;
    bytesDone = bytesTotal = currentFileSize = currentFileDone = 0;
    operationStart = executionStart = fileStart = 0;
    elapsedAtEstimate = 0;
    lastPoll = 0;
    operation = 0;
    currentPath = sourcePath = destinationPath = nullptr;
    category = QuestionFatal;
    lastAnswer = 0;
    skipForbidden = false;
    cancelRequested = false;
    progressPending = false;
    itemDonePending = false;
    if (resultList)
        resultList->clear();
}

uint32_t FileUtilsHandler::classify(uint32_t code, bool fatal) {
    using namespace FileErrorCode;
    if (fatal || isFatalCode(code))
        return QuestionFatal;
    if (code == QUESTION_CONFIRM)
        return QuestionYesNo;
    if ((code >= QUESTION_REPLACE && code <= QUESTION_REPLACE_READ_ONLY_FILE) || code == QUESTION_REPLACE_DIRECTORY)
        return QuestionReplace;
    if (code >= QUESTION_DELETE && code <= QUESTION_DELETE_DIRECTORY)
        return QuestionDelete;
    return QuestionRetry;
}

uint32_t FileUtilsHandler::ask(bool fatal) {
    const ErrorMessageTLS record = FileErrorObject::ensureRecord();
    const uint32_t code = record.code;
    uint32_t result;
    auto remembered = answers.find(code);
    if (remembered != answers.end()) {
        result = remembered->second;
    } else if (!questionCallback.function) {
        result = UI_Cancel;
    } else {
        error = record;
        category = classify(code, fatal);
        if (progressPending)
            updateProgress(currentFileDone, true);
        if (itemDonePending && itemDoneCallback.function) {
            itemDoneCallback.function(itemDoneCallback.context, this);
            itemDonePending = false;
        }
        const int64_t asked = currentTimeMillis();
        result = questionCallback.function(questionCallback.context, this);
        // Time spent answering is no working time.
        const int64_t spent = currentTimeMillis() - asked;
        for (int64_t* start : {&operationStart, &executionStart, &fileStart})
            if (*start > 0)
                *start += spent;
        if (category == QuestionFatal)
            result = UI_Cancel;
        if (result & UI_ForAll) {
            result &= ~static_cast<uint32_t>(UI_ForAll);
            if (result == UI_Retry)
                softAssertion(L"result != UI_Retry", PEL_FILE, __LINE__);
            else if ((result & UI_AnswerMask) != UI_Skip || !skipForbidden)
                answers[code] = result;
        }
    }
    if ((result & UI_AnswerMask) == UI_Skip && skipForbidden)
        result = UI_Cancel;
    // The callbacks may have used the file system; the caller reports the error asked about.
    restoreError(record);
    lastAnswer = result;
    return result;
}

int FileUtilsHandler::updateProgress(uint64_t done, bool force) {
    if (done > currentFileDone)
        bytesDone += done - currentFileDone;
    currentFileDone = done;
    progressPending = true;
    if (!progressCallback.function || (!force && !isPollDue()))
        return 0;
    const int result = progressCallback.function(progressCallback.context, this);
    progressPending = false;
    return result;
}

bool FileUtilsHandler::isPollDue() {
    if (pollInterval <= 0)
        return true;
    const int64_t now = currentTimeMillis();
    if (now - lastPoll <= pollInterval)
        return false;
    lastPoll = now;
    return true;
}

void FileUtilsHandler::acceptAllQuestions() {
    using namespace FileErrorCode;
    for (uint32_t code = QUESTION_REPLACE; code <= QUESTION_DELETE_DIRECTORY; ++code)
        answers[code] = UI_Ok;
    answers[QUESTION_REPLACE_DIRECTORY] = UI_Ok;
    answers[ERROR_ALREADY_EXISTS] = UI_Ok;
}

void FileUtilsHandler::copyAnswer(uint32_t from, uint32_t to) {
    auto remembered = answers.find(from);
    if (remembered != answers.end())
        answers[to] = remembered->second;
}

const wchar_t* FileUtilsHandler::getOperationName(uint32_t code) {
    static const wchar_t* const NAMES[] = {
        L"File operation",
        L"File operation",
        L"File operation",
        L"Creating file",
        L"Deleting file",
        L"Moving file or directory",
        L"Creating directory",
        L"Deleting directory",
        L"Changing current directory",
        L"Changing file or directory attributes",
        L"Retrieving file or directory attributes",
        L"Reading data",
        L"Writing data",
        L"Opening file for write",
        L"Opening file for read",
        L"Listing content of directory",
        L"Copying file",
    };
    return code < sizeof(NAMES) / sizeof(NAMES[0]) ? NAMES[code] : L"Unspecified file operation";
}

void FileUtilsHandler::notify(uint32_t event) {
    for (const auto& listener : listeners)
        listener.function(listener.context, this, event);
}

bool FileUtilsHandler::pollCancelled() {
    if (pollCallback.function && isPollDue())
        pollCallback.function(pollCallback.context, this);
    return cancelRequested;
}

void FileUtilsHandler::itemDone() {
    if (itemDoneCallback.function && isPollDue()) {
        itemDoneCallback.function(itemDoneCallback.context, this);
        itemDonePending = false;
    } else {
        itemDonePending = true;
    }
}

int32_t estimateTimeRemaining(FileUtilsHandler* handler) {
    return estimateTimeRemaining(handler, currentTimeMillis());
}

int32_t estimateTimeRemaining(FileUtilsHandler* handler, int64_t now) {
    PEL_CHECK_PTR(handler);
    if (handler->totalItems < 1 || handler->doneItems < 1)
        return handler->timeLeft;
    const int64_t elapsed = now - handler->executionStart;
    if (elapsed > 3000 && elapsed - handler->elapsedAtEstimate > 100) {
        const double left = static_cast<double>(handler->totalItems - handler->doneItems);
        handler->timeLeft = static_cast<int32_t>(left * 0.0010000000474974513 * static_cast<double>(elapsed) /
                                                 static_cast<double>(handler->doneItems));
        handler->elapsedAtEstimate = elapsed;
    }
    return handler->timeLeft;
}

} // namespace pel
