// Planning a tree operation into a file list.

#include "pel/files/FileUtils.h"
#include "pel/files/FileUtilsSupport.h"

#include "pel/base/Assert.h"

#include <cwchar>

namespace pel {

using namespace fileutils_detail;
using Handler = FileUtilsHandler;

namespace {

struct DirectoryCloser {
    Directory* directory;
    ~DirectoryCloser() {
        ErrorKeeper keep;
        FileIO::closeDirectory(directory);
    }
};

bool skipped(const Handler* handler) { return lastAnswerIs(handler, Handler::UI_Skip); }

bool isDotName(const wchar_t* name) { return name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])); }

WorkString<> childPath(const WorkString<>& parent, const wchar_t* name) {
    WorkString<> path(parent);
    path.appendSeparator();
    path.append(name);
    return path;
}

class Planner {
public:
    Planner(Handler* handler, FileList* list, uint32_t flags) : m_handler(handler), m_list(list), m_flags(flags) {}

    void addPair(const WorkString<>& source, const FileInfo* info, const WorkString<>* destination, uint32_t flags) {
        m_list->add(source.c_str(), info)->flags |= flags;
        if (destination)
            m_list->add(destination->c_str(), nullptr)->flags |= flags | FILELIST_DESTINATION;
    }

    // A junction or symbolic link is planned as an empty directory: the link itself is removed
    // or moved, what it leads to is never touched, and link cycles cannot loop.
    bool planDirectory(const WorkString<>& source, const FileInfo& info, const WorkString<>* destination) {
        if (m_flags & FileUtils::PLAN_DIRECTORY_BEGIN)
            addPair(source, &info, destination, FILELIST_DIRECTORY_BEGIN | FILELIST_LEVEL_FIRST);
        if (!(info.flags & FILEINFO_LINK) && !listDirectory(source, destination))
            return false;
        if (m_flags & FileUtils::PLAN_DIRECTORY_END)
            addPair(source, &info, destination, FILELIST_DIRECTORY_END | FILELIST_LEVEL_FIRST);
        return true;
    }

private:
    bool listDirectory(const WorkString<>& source, const WorkString<>* destination) {
        Directory* directory = FileUtils::openDirectory(m_handler, source.c_str());
        if (!directory)
            return skipped(m_handler); // planned without its content
        DirectoryCloser closer{directory};
        bool firstFile = true;
        for (const FileInfo* entry = directory->next(); entry; entry = directory->next()) {
            if (isDotName(entry->name))
                continue;
            if (m_handler && m_handler->pollCancelled()) {
                FileErrorObject::setError(FileErrorCode::CANCELLED);
                return false;
            }
            const FileInfo item = *entry; // the listing reuses its record
            const WorkString<> path = childPath(source, item.name);
            WorkString<> target;
            if (destination)
                target = childPath(*destination, item.name);
            if (item.flags & FILEINFO_DIRECTORY) {
                if (!(m_flags & FileUtils::PLAN_RECURSE))
                    continue;
                if (!planDirectory(path, item, destination ? &target : nullptr))
                    return skipped(m_handler);
                firstFile = true;
            } else {
                addPair(path, &item, destination ? &target : nullptr, firstFile ? uint32_t{FILELIST_LEVEL_FIRST} : 0u);
                firstFile = false;
            }
        }
        if (directory->isValid())
            return true;
        // The listing broke off: what is planned would leave files out.
        if (errorCode() == 0)
            FileErrorObject::setError(ERROR_READ_FAULT).addParam(source.c_str());
        return askHandler(m_handler, false, Handler::OpListDirectory) == Handler::UI_Skip;
    }

    Handler* m_handler;
    FileList* m_list;
    uint32_t m_flags;
};

const wchar_t* kindAssertion(FileList::Operation kind) {
    switch (kind) {
    case FileList::OperationMovePath:
        return L"list->getOperation() == FileList::OperationMovePath";
    case FileList::OperationCopyPath:
        return L"list->getOperation() == FileList::OperationCopyPath";
    default:
        return L"list->getOperation() == FileList::OperationRemovePath";
    }
}

bool planPath(Handler* handler, FileList::Operation kind, uint32_t flags, const wchar_t* source,
              const wchar_t* destination, std::unique_ptr<FileList>* io_list) {
    using namespace FileErrorCode;
    PEL_CHECK_PTR(io_list);
    if (handler) {
        handler->sourcePath = source;
        handler->destinationPath = destination;
    }
    FileInfo info;
    if (!FileUtils::getFileInfo(handler, source, &info))
        return false;
    if (handler)
        handler->operation = Handler::OpMove;
    const bool directory = (info.flags & FILEINFO_DIRECTORY) != 0;
    WorkString<> from(source);
    WorkString<> to;
    if (destination) {
        if (FileIO::isSamePath(source, destination)) {
            const bool move = kind == FileList::OperationMovePath;
            const uint32_t code = directory ? (move ? MOVE_DIRECTORY_TO_ITSELF : COPY_DIRECTORY_TO_ITSELF)
                                            : (move ? MOVE_FILE_TO_ITSELF : COPY_FILE_TO_ITSELF);
            FileErrorObject::setError(code).addParam(source);
            askHandler(handler, true);
            return false;
        }
        WorkString<> name(source);
        name.removeTrailingSeparator();
        to.assign(destination);
        to.appendSeparator();
        to.append(name.fileNamePointer());
    }
    if (!*io_list) {
        if (handler && kind != FileList::OperationRemovePath)
            handler->notify(Handler::OpPlanning);
        io_list->reset(new StaticFileList(kind));
    } else if ((*io_list)->getOperation() != kind) {
        softAssertion(kindAssertion(kind), PEL_FILE, __LINE__);
        FileErrorObject::setError(INVALID_CALL);
        return false;
    }
    FileList* list = io_list->get();
    list->beginGroup();
    Planner planner(handler, list, flags);
    if (!directory) {
        planner.addPair(from, &info, destination ? &to : nullptr, 0);
        return true;
    }
    return planner.planDirectory(from, info, destination ? &to : nullptr);
}

bool plan(Handler* handler, FileList::Operation kind, uint32_t flags, const wchar_t* source,
          const wchar_t* destination, std::unique_ptr<FileList>* io_list) {
    PEL_CHECK_PTR(io_list);
    if (!source || (!destination && kind != FileList::OperationRemovePath)) {
        const wchar_t* missing = kind == FileList::OperationRemovePath ? L"path" : L"source_path";
        softAssertion(!source ? missing : L"destination_path", PEL_FILE, __LINE__);
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        io_list->reset();
        return false;
    }
    const bool skipWasForbidden = handler && handler->skipForbidden;
    if (handler)
        handler->skipForbidden = (flags & FileUtils::PLAN_FORBID_SKIP) != 0;
    const bool planned = planPath(handler, kind, flags, source, destination, io_list);
    if (handler)
        handler->skipForbidden = skipWasForbidden;
    if (!planned)
        io_list->reset();
    return planned;
}

} // namespace

bool FileUtils::planMove(Handler* handler, const wchar_t* source, const wchar_t* destination,
                         std::unique_ptr<FileList>* io_list) {
    return plan(handler, FileList::OperationMovePath,
                PLAN_RECURSE | PLAN_DIRECTORY_BEGIN | PLAN_DIRECTORY_END | PLAN_FORBID_SKIP, source, destination,
                io_list);
}

bool FileUtils::planCopy(Handler* handler, const wchar_t* source, const wchar_t* destination,
                         std::unique_ptr<FileList>* io_list) {
    return plan(handler, FileList::OperationCopyPath, PLAN_RECURSE | PLAN_DIRECTORY_BEGIN, source, destination,
                io_list);
}

bool FileUtils::planRemove(Handler* handler, const wchar_t* path, std::unique_ptr<FileList>* io_list) {
    return plan(handler, FileList::OperationRemovePath, PLAN_RECURSE | PLAN_DIRECTORY_END | PLAN_FORBID_SKIP, path,
                nullptr, io_list);
}

} // namespace pel
