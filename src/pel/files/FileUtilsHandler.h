#pragma once
// The caller's record of a file operation: its callbacks (polling, progress, finished items,
// questions, listeners), the counters and time-left estimate a progress window shows, the
// error being asked about, and the answers given "for all". A program without a user interface
// passes no handler or one without a question callback: every question then stops the step.

#include "pel/files/FileList.h"
#include "pel/files/file_io/FileError.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace pel {

struct FileUtilsHandler {
    // Answers to a question: the low 12 bits, with UI_ForAll to remember it for the same error.
    enum Answer : uint32_t {
        UI_Ok = 0,     // yes, replace, delete
        UI_Retry = 1,  // try the failed step again
        UI_Skip = 2,   // leave the item out and go on
        UI_Cancel = 3, // stop the operation
        UI_ForAll = 0x1000,
        UI_AnswerMask = 0xFFF,
    };

    // What a question offers, from the error it is about.
    enum Question : uint32_t {
        QuestionYesNo = 0,
        QuestionReplace = 1,
        QuestionDelete = 2,
        QuestionRetry = 3,
        QuestionFatal = 4, // OK only; always answered UI_Cancel
    };

    // Operation codes of the running step; 1 and 2 are also the listener events "planning
    // begins" and "execution begins", and each successful step sends its own code.
    enum Operation : uint32_t {
        OpFileOperation = 0,
        OpPlanning = 1,
        OpExecution = 2,
        OpCreateFile = 3,
        OpDeleteFile = 4,
        OpMove = 5,
        OpCreateDirectory = 6,
        OpRemoveDirectory = 7,
        OpChangeDirectory = 8,
        OpSetAttributes = 9,
        OpGetAttributes = 10,
        OpRead = 11,
        OpWrite = 12,
        OpOpenForWrite = 13,
        OpOpenForRead = 14,
        OpListDirectory = 15,
        OpCopyFile = 16,
    };

    using Callback = void (*)(void* context, FileUtilsHandler* handler);
    using ProgressCallback = int (*)(void* context, FileUtilsHandler* handler);
    using QuestionCallback = uint32_t (*)(void* context, FileUtilsHandler* handler);
    using ListenerCallback = void (*)(void* context, FileUtilsHandler* handler, uint32_t event);

    template <class F>
    struct Slot {
        void* context = nullptr;
        F function = nullptr;
    };

    FileUtilsHandler();
    ~FileUtilsHandler();
    FileUtilsHandler(const FileUtilsHandler&) = delete;
    FileUtilsHandler& operator=(const FileUtilsHandler&) = delete;

    // Clears the state of one operation; callbacks, listeners, remembered answers and the poll
    // interval stay, the result list is emptied.
    void reset(bool single);
    // Asks about the calling thread's file error: a remembered answer, else the question
    // callback (UI_Cancel without one). The thread's error is as it was afterwards.
    uint32_t ask(bool fatal);
    // bytesDone: of the current file. Runs the progress callback when forced or a poll is due.
    int updateProgress(uint64_t bytesDone, bool force);
    // Whether more than the poll interval passed since the last poll (which is then now).
    bool isPollDue();
    // Remembers UI_Ok for the replace and delete questions and for an existing name (183).
    void acceptAllQuestions();
    // Remembers for `to` what is remembered for `from`.
    void copyAnswer(uint32_t from, uint32_t to);
    static const wchar_t* getOperationName(uint32_t code);

    void addListener(void* context, ListenerCallback function) { listeners.push_back({context, function}); }
    // Calls every listener with the event.
    void notify(uint32_t event);
    // Runs the poll callback when a poll is due; true when cancel is requested.
    bool pollCancelled();
    // An item finished: the item-done callback runs when a poll is due, else it is pending.
    void itemDone();
    // The category a question about `code` falls in.
    static uint32_t classify(uint32_t code, bool fatal);

    Slot<Callback> pollCallback;
    Slot<Callback> itemDoneCallback;
    Slot<ProgressCallback> progressCallback;
    Slot<QuestionCallback> questionCallback;
    std::vector<Slot<ListenerCallback>> listeners;

    bool singleItem = true; // no for-all choice is offered while set
    int64_t operationStart = 0; // milliseconds since 1970; 0: not set
    int64_t executionStart = 0; // the basis of the time-left estimate
    int64_t fileStart = 0;
    int32_t timeLeft = -1; // seconds
    int64_t elapsedAtEstimate = 0;
    int32_t totalItems = -1;
    int32_t doneItems = -1;
    uint64_t bytesDone = 0;
    uint64_t bytesTotal = 0;
    uint64_t currentFileSize = 0;
    uint64_t currentFileDone = 0;
    uint32_t operation = 0;
    const wchar_t* currentPath = nullptr; // borrowed, for the question window
    const wchar_t* sourcePath = nullptr;
    const wchar_t* destinationPath = nullptr;
    bool skipForbidden = false; // a skip answer counts as cancel
    bool cancelRequested = false; // set by the owner; loops stop at their next check
    FileErrorObject error; // the error being asked about
    uint32_t category = QuestionFatal;
    std::map<uint32_t, uint32_t> answers; // remembered, by error code
    uint32_t lastAnswer = 0;
    int64_t pollInterval = 20; // milliseconds; zero or less: always due
    int64_t lastPoll = 0;
    bool progressPending = false;
    bool itemDonePending = false;
    std::unique_ptr<FileList> resultList; // when set, each successful step appends its path
    std::vector<char> buffer; // the copy buffer of the whole operation
};

// Sets a handler to its state after construction (remembered answers dropped).
void initFileOperationProgress(FileUtilsHandler* handler);
// Frees what the handler holds: result list, buffer, answers, the error copy and listeners.
void freeFileOperationProgress(FileUtilsHandler* handler);
// Seconds left, estimated from the items done since the execution start; -1 until known.
int32_t estimateTimeRemaining(FileUtilsHandler* handler);
// The same at the time `now` (currentTimeMillis()).
int32_t estimateTimeRemaining(FileUtilsHandler* handler, int64_t now);

} // namespace pel
