// Working through a planned list, and the tree operations' entry points.

#include "pel/files/FileUtils.h"
#include "pel/files/FileUtilsSupport.h"

#include "pel/base/Assert.h"
#include "pel/base/Timestamp.h"
#include "pel/files/file_io/FileIFC.h"

#include <cwchar>

namespace pel {

using namespace fileutils_detail;
using Handler = FileUtilsHandler;

namespace {

bool isDirectoryEntry(const FileListEntry* entry) {
    return (entry->flags & (FILELIST_DIRECTORY_BEGIN | FILELIST_DIRECTORY_END)) != 0;
}

const FileListInfo* infoOf(const FileListEntry* entry) {
    return (entry->flags & FILELIST_HAS_INFO) ? &entry->info : nullptr;
}

// Whether the destination of a pair exists; its information is then loaded.
bool targetExists(FileListEntry* destination) {
    const bool exists = FileIO::refreshItemInfo(destination);
    FileErrorObject::setError(0);
    return exists;
}

class Execution {
public:
    Execution(Handler* handler, FileList* list, FileList::Operation kind, const wchar_t* assertion)
        : m_handler(handler), m_list(list) {
        m_valid = list && list->getOperation() == kind;
        if (!m_valid) {
            softAssertion(assertion, PEL_FILE, __LINE__);
            FileErrorObject::setError(FileErrorCode::INVALID_CALL);
            return;
        }
        if (!handler)
            return;
        const bool pairs = kind != FileList::OperationRemovePath;
        handler->totalItems = pairs ? list->count() / 2 : list->count();
        handler->doneItems = 0;
        handler->bytesTotal = list->statistics()->totalSize;
        handler->singleItem = handler->totalItems < 2;
        handler->notify(Handler::OpExecution);
        if (pairs)
            handler->executionStart = currentTimeMillis();
    }

    bool valid() const { return m_valid; }

    // Before each item; a cancel ends the walk as a failure.
    bool cancelled() {
        if (!m_handler || !m_handler->pollCancelled())
            return false;
        FileErrorObject::setError(FileErrorCode::CANCELLED);
        return true;
    }

    void itemDone() {
        if (!m_handler)
            return;
        ++m_handler->doneItems;
        m_handler->itemDone();
    }

    // The pair after the directory-end pair of `directory`, counting every pair passed as done.
    FileListEntry* skipSubtree(FileListEntry* from, const wchar_t* directory) {
        for (FileListEntry* source = from; source;) {
            FileListEntry* destination = m_list->nextItem(source);
            FileListEntry* after = destination ? m_list->nextItem(destination) : nullptr;
            if (m_handler)
                ++m_handler->doneItems;
            if ((source->flags & FILELIST_DIRECTORY_END) && std::wcscmp(source->name, directory) == 0)
                return after;
            source = after;
        }
        return nullptr;
    }

private:
    Handler* m_handler;
    FileList* m_list;
    bool m_valid = false;
};

bool sameTarget(Handler* handler, const FileListEntry* source, const FileListEntry* destination, bool move) {
    if (!FileIO::isSamePath(source->name, destination->name)) {
        FileErrorObject::setError(0);
        return false;
    }
    using namespace FileErrorCode;
    const bool directory = isDirectoryEntry(source);
    const uint32_t code = directory ? (move ? MOVE_DIRECTORY_TO_ITSELF : COPY_DIRECTORY_TO_ITSELF)
                                    : (move ? MOVE_FILE_TO_ITSELF : COPY_FILE_TO_ITSELF);
    FileErrorObject::setError(code).addParam(source->name);
    askHandler(handler, true);
    return true;
}

// Asks whether an existing directory may take the content of another; no handler: UI_Cancel.
uint32_t askMerge(Handler* handler, const FileListEntry* source, const FileListEntry* destination,
                  uint32_t operation) {
    FileErrorObject::setError(FileErrorCode::QUESTION_REPLACE_DIRECTORY).addParam(destination->name).addParam(source->name);
    if (handler) {
        handler->sourcePath = source->name;
        handler->destinationPath = destination->name;
    }
    return askHandler(handler, false, operation);
}

bool moveFileItem(Handler* handler, FileListEntry* source, FileListEntry* destination, bool sameDevice) {
    const bool exists = targetExists(destination);
    if (sameDevice && !exists)
        return FileUtils::moveReplacing(source->name, destination->name, handler);
    if (exists && destination->isDirectory()) {
        FileErrorObject::setError(FileErrorCode::MOVE_FILE_TO_DIRECTORY).addParam(destination->name);
        askHandler(handler, false, Handler::OpMove);
        return false;
    }
    return FileUtils::copyFileData(handler, source->name, destination->name, true, infoOf(source));
}

bool moveDirectoryItem(Handler* handler, FileListEntry* source, FileListEntry* destination, bool sameDevice,
                       bool* o_skipSubtree) {
    const bool exists = targetExists(destination);
    if (exists && !destination->isDirectory()) {
        FileErrorObject::setError(FileErrorCode::MOVE_DIRECTORY_TO_FILE).addParam(destination->name);
        askHandler(handler, false, Handler::OpMove);
        return false;
    }
    if (exists) {
        const uint32_t answer = askMerge(handler, source, destination, Handler::OpMove);
        *o_skipSubtree = answer == Handler::UI_Skip;
        return answer == Handler::UI_Ok || answer == Handler::UI_Skip;
    }
    if (sameDevice) { // one rename takes the whole subtree
        *o_skipSubtree = true;
        return FileUtils::moveReplacing(source->name, destination->name, handler);
    }
    if (!FileUtils::createDirectory(handler, destination->name))
        return false;
    return !infoOf(source) ||
           FileUtils::setAttributes(handler, destination->name, FileIO::makeAttributeChange(source->info.flags));
}

} // namespace

bool FileUtils::executeMove(Handler* handler, std::unique_ptr<FileList> list) {
    Execution run(handler, list.get(), FileList::OperationMovePath,
                  L"flist->getOperation() == FileList::OperationMovePath");
    if (!run.valid())
        return false;
    bool result = true;
    bool sameDevice = false;
    for (FileListEntry* source = list->firstItem(); source;) {
        if (run.cancelled())
            return false;
        FileListEntry* destination = list->nextItem(source);
        if (!destination)
            break;
        FileListEntry* after = list->nextItem(destination);
        if (source->flags & FILELIST_GROUP_START) {
            if (sameTarget(handler, source, destination, true))
                return false;
            sameDevice = FileIFC::getInstance()->compareDevices(source->name, destination->name) == 0;
            FileErrorObject::setError(0);
        }
        bool skipSubtree = false;
        if (!isDirectoryEntry(source))
            result = moveFileItem(handler, source, destination, sameDevice);
        else if (source->flags & FILELIST_DIRECTORY_BEGIN)
            result = moveDirectoryItem(handler, source, destination, sameDevice, &skipSubtree);
        else // the source directory, emptied
            result = removeDirectory(source->name, handler, true);
        if (!result && lastAnswerIs(handler, Handler::UI_Skip)) {
            result = true;
            skipSubtree = (source->flags & FILELIST_DIRECTORY_BEGIN) != 0;
        }
        if (!result)
            break;
        run.itemDone();
        source = skipSubtree ? run.skipSubtree(after, source->name) : after;
    }
    return result;
}

bool FileUtils::executeCopy(Handler* handler, std::unique_ptr<FileList> list) {
    Execution run(handler, list.get(), FileList::OperationCopyPath,
                  L"flist->getOperation() == FileList::OperationCopyPath");
    if (!run.valid())
        return false;
    bool result = true;
    for (FileListEntry* source = list->firstItem(); source;) {
        if (run.cancelled())
            return false;
        FileListEntry* destination = list->nextItem(source);
        if (!destination)
            break;
        FileListEntry* after = list->nextItem(destination);
        const bool groupStart = (source->flags & FILELIST_GROUP_START) != 0;
        if (groupStart && sameTarget(handler, source, destination, false))
            return false;
        if (!isDirectoryEntry(source)) {
            result = copyFileData(handler, source->name, destination->name, false, infoOf(source)) ||
                     lastAnswerIs(handler, Handler::UI_Skip);
        } else {
            if (groupStart && targetExists(destination) && destination->isDirectory() &&
                askMerge(handler, source, destination, Handler::OpCopyFile) != Handler::UI_Ok)
                return false;
            result = createDirectory(handler, destination->name) &&
                     (!infoOf(source) ||
                      setAttributes(handler, destination->name, FileIO::makeAttributeChange(source->info.flags)));
        }
        if (!result)
            break;
        run.itemDone();
        source = after;
    }
    return result;
}

bool FileUtils::executeRemove(Handler* handler, std::unique_ptr<FileList> list) {
    Execution run(handler, list.get(), FileList::OperationRemovePath,
                  L"flist->getOperation() == FileList::OperationRemovePath");
    if (!run.valid())
        return false;
    bool result = true;
    for (FileListEntry* entry = list->first(); entry; entry = list->next(entry)) {
        if (run.cancelled())
            return false;
        if (handler)
            handler->currentPath = entry->name;
        if (isDirectoryEntry(entry)) {
            result = removeDirectory(entry->name, handler, false);
        } else {
            if (entry->flags & FILELIST_LEVEL_FIRST)
                stepDone(handler, entry->name, Handler::OpChangeDirectory);
            result = deleteFile(handler, entry->name, false);
        }
        if (!result)
            break;
        run.itemDone();
    }
    return result;
}

// ---- entry points

namespace {

template <class Plan, class Execute>
bool runTree(Handler* handler, const std::vector<std::wstring>& paths, Plan plan, Execute execute) {
    std::unique_ptr<FileList> list;
    for (const std::wstring& path : paths)
        if (!plan(path.c_str(), &list))
            return false;
    return !list || execute(std::move(list));
}

void start(Handler* handler, int64_t Handler::*stamp) {
    if (!handler)
        return;
    handler->reset(false);
    handler->*stamp = currentTimeMillis();
}


// Move and copy share their entry points; only the planner and the executor differ.
using PlanStep = bool (*)(Handler*, const wchar_t*, const wchar_t*, std::unique_ptr<FileList>*);
using ExecuteStep = bool (*)(Handler*, std::unique_ptr<FileList>);

bool transferPaths(const std::vector<std::wstring>& sources, Handler* handler, const wchar_t* destination,
                   PlanStep plan, ExecuteStep execute) {
    start(handler, &Handler::executionStart);
    return runTree(
        handler, sources,
        [&](const wchar_t* source, std::unique_ptr<FileList>* io_list) {
            return plan(handler, source, destination, io_list);
        },
        [&](std::unique_ptr<FileList> list) { return execute(handler, std::move(list)); });
}

bool transferPath(const wchar_t* source, const wchar_t* destination, Handler* handler, PlanStep plan,
                  ExecuteStep execute) {
    if (!source || !destination) {
        softAssertion(L"source_path && destination_path", PEL_FILE, __LINE__);
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        return false;
    }
    start(handler, &Handler::operationStart);
    std::unique_ptr<FileList> list;
    return plan(handler, source, destination, &list) && execute(handler, std::move(list));
}

} // namespace

bool FileUtils::movePaths(const std::vector<std::wstring>& sources, Handler* handler, const wchar_t* destination) {
    return transferPaths(sources, handler, destination, &planMove, &executeMove);
}

bool FileUtils::movePath(const wchar_t* source, const wchar_t* destination, Handler* handler) {
    return transferPath(source, destination, handler, &planMove, &executeMove);
}

bool FileUtils::copyPaths(const std::vector<std::wstring>& sources, Handler* handler, const wchar_t* destination) {
    return transferPaths(sources, handler, destination, &planCopy, &executeCopy);
}

bool FileUtils::copyPath(const wchar_t* source, const wchar_t* destination, Handler* handler) {
    return transferPath(source, destination, handler, &planCopy, &executeCopy);
}

bool FileUtils::removePaths(const std::vector<std::wstring>& paths, Handler* handler) {
    start(handler, &Handler::executionStart);
    if (handler && !paths.empty())
        handler->notify(Handler::OpPlanning);
    return runTree(
        handler, paths,
        [&](const wchar_t* path, std::unique_ptr<FileList>* io_list) { return planRemove(handler, path, io_list); },
        [&](std::unique_ptr<FileList> list) { return executeRemove(handler, std::move(list)); });
}

bool FileUtils::removePath(const wchar_t* path, Handler* handler) {
    if (!path) {
        softAssertion(L"path", PEL_FILE, __LINE__);
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        return false;
    }
    start(handler, &Handler::executionStart);
    if (handler)
        handler->notify(Handler::OpPlanning);
    std::unique_ptr<FileList> list;
    return planRemove(handler, path, &list) && executeRemove(handler, std::move(list));
}

} // namespace pel
