// The registry of file error messages and the library's own tables.

#include "pel/files/file_io/FileError.h"

#include "pel/base/Assert.h"
#include "pel/thread/Mutex.h"

#include <map>

namespace pel {

namespace {

using namespace FileErrorCode;

const FileErrorMessage REGISTRY_MESSAGES[] = {
    {0, MESSAGE_CODE_EXISTS, 1, L"Error code %1 already exists in error db."},
    {0, MESSAGE_PARAMETERS_MISSING, 0, L"Missing some parameters for the error code %0. Error formating failed."},
    {0, MESSAGE_WRONG_FORMAT, 0, L"Wrong error message format for error code %0."},
    {0, MESSAGE_FORMATTING_FAILED, 0, L"Formatting the error code %0 failed."},
    {-1, 0, 0, nullptr},
};

const FileErrorMessage FILE_SYSTEM_MESSAGES[] = {
    {0, TOO_MANY_DEVICES, 0, L"Too many registered devices in Tessel's file system."},
    {0, DEVICE_NAME_TOO_LONG, 1, L"The device name in path is too long."},
    {0, UNKNOWN_DEVICE, 1, L"Unknown file system device '%1'."},
    {0, DEVICES_STILL_ACTIVE, 0, L"Can't release FileIO subsystem, because some devices are still active."},
    {0, WRONG_DEVICE_PARAMETER, 1, L"Wrong device parameter in the path."},
    {0, READ_ONLY_DEVICE, 1, L"The target device has read only flag."},
    {0, UNSUPPORTED_OPERATION, 2, L"The target device doesn't support requested file operation '%2'."},
    {0, UNIQUE_FILE_FAILED, 1, L"Attempt to create unique file name failed."},
    {0, UNIQUE_DIRECTORY_FAILED, 1, L"Attempt to create unique directory failed."},
    {0, MOVE_FILE_ACROSS_DEVICES, 0, L"Unable to move file to another file system."},
    {0, MOVE_DIRECTORY_ACROSS_DEVICES, 0, L"Moving directory to another file system isn't allowed."},
    {0, DIFFERENT_DEVICES, 0, L"The operation cannot be performed on two different devices."},
    {0, NO_ROOT_DEVICE, 0, L"Internal error: FileIO subsystem is initialized without root device."},
    {0, MOVE_DIRECTORY_TO_ITSELF, 1, L"Moving directory to itself is not allowed."},
    {0, MOVE_FILE_TO_ITSELF, 1, L"Moving file to itself is not allowed."},
    {0, MOVE_FILE_TO_DIRECTORY, 1, L"Moving file to directory is not allowed."},
    {0, MOVE_DIRECTORY_TO_FILE, 1, L"Moving directory to file is not allowed."},
    {0, COPY_DIRECTORY_TO_ITSELF, 1, L"Copying directory to itself is not allowed."},
    {0, MOVE_DIRECTORY_TO_EXISTING, 1,
     L"Unable to move directory to to another existing directory. This is an internal error."},
    {0, COPY_FILE_TO_ITSELF, 1, L"Copying file to itself is not allowed."},
    {0, COPY_FILE_TO_DIRECTORY, 1, L"Copying file to directory is not allowed."},
    {0, COPY_DIRECTORY_TO_FILE, 1, L"Copying directory to file is not allowed."},
    {0, DEVICE_ALREADY_REGISTERED, 1, L"The file system device '%1' is already registered."},
    {0, TARGET_CHANGED, 1, L"'%1' was changed by another program while it was being saved."},
    {0, NOT_A_FILE, 1, L"'%1' is a device or a pipe, not a file."},
    {0, CHANGED_WHILE_READ, 1, L"'%1' changed while it was being read."},
    {0, TARGET_IS_FOLDER, 1, L"'%1' is a folder, not a file."},
    {-1, 0, 0, nullptr},
};

const FileErrorMessage GENERAL_MESSAGES[] = {
    {0, SUCCESS, 0, L"Success."},
    {0, INTERNAL_ERROR, 2, L"Internal error.\n\nFile: %1\nLine: %2"},
    {0, INVALID_CALL, 0, L"Invalid call. Please check your parameters."},
    {0, UNKNOWN_TEXT_DATABASE, 1, L"Unknown text database identifier %1."},
    {0, CANCELLED, 0, L"Requested operation was cancelled."},
    {0, QUESTION_REPLACE, 0, L"Do you really want to replace this file?"},
    {0, QUESTION_REPLACE_READ_ONLY, 0, L"Do you really want to replace this read only file?"},
    {0, QUESTION_REPLACE_EXISTING, 1, L"The file already exists, do you want to replace it?"},
    {0, QUESTION_REPLACE_READ_ONLY_FILE, 1, L"The file is READ ONLY. Do you want to replace it?"},
    {0, QUESTION_DELETE, 1, L"Do you want to delete file?"},
    {0, QUESTION_DELETE_READ_ONLY, 1, L"The file is READ ONLY. Do you want to delete file?"},
    {0, QUESTION_DELETE_DIRECTORY, 1, L"Are you sure you want to delete this directory?"},
    {0, QUESTION_CONFIRM, 1, L"%1\n\nAre you sure you want to do that?"},
    {0, QUESTION_REPLACE_DIRECTORY, 1, L"Do you want to replace content of directory?"},
    {-1, 0, 0, nullptr},
};

const FileErrorMessage NO_MESSAGES[] = {
    {-1, 0, 0, nullptr},
};

struct Entry {
    int32_t group;
    uint32_t code;
    uint32_t paramCount;
    const wchar_t* format;
};

bool validFormat(const wchar_t* format, uint32_t maxParam) {
    if (!format)
        return false;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%')
            continue;
        ++p;
        if (*p < L'0' || *p > L'3' || static_cast<uint32_t>(*p - L'0') > maxParam)
            return false;
    }
    return true;
}

class Registry {
public:
    Registry() {
        for (const FileErrorMessage* table : {REGISTRY_MESSAGES, FILE_SYSTEM_MESSAGES, GENERAL_MESSAGES, NO_MESSAGES}) {
            uint32_t failure = 0;
            uint32_t duplicate = 0;
            PEL_ASSERT(add(table, &failure, &duplicate));
        }
    }

    // Stores the table's entries in order until one fails: its failure code (and for a
    // duplicate, the code) go to the out-parameters.
    bool add(const FileErrorMessage* table, uint32_t* o_failure, uint32_t* o_duplicate) {
        ScopedLock<Mutex_Impl> lock(m_lock);
        for (const FileErrorMessage* entry = table; entry->group >= 0; ++entry) {
            if (m_entries.count(entry->code)) {
                *o_failure = MESSAGE_CODE_EXISTS;
                *o_duplicate = entry->code;
                return false;
            }
            if (!validFormat(entry->format, entry->maxParam)) {
                *o_failure = MESSAGE_WRONG_FORMAT;
                return false;
            }
            m_entries[entry->code] = Entry{entry->group, entry->code, entry->maxParam + 1, entry->format};
        }
        return true;
    }

    const wchar_t* find(uint32_t code) {
        ScopedLock<Mutex_Impl> lock(m_lock);
        const auto it = m_entries.find(code);
        return it == m_entries.end() ? nullptr : it->second.format;
    }

private:
    Mutex_Impl m_lock;
    std::map<uint32_t, Entry> m_entries;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

bool FileErrorImpl::registerMessages(const FileErrorMessage* table) {
    if (!table) {
        FileErrorObject::setError(INVALID_CALL);
        return false;
    }
    FileErrorObject::setError(0);
    uint32_t failure = 0;
    uint32_t duplicate = 0;
    if (registry().add(table, &failure, &duplicate))
        return true;
    ErrorMessageTLS& record = FileErrorObject::setError(failure);
    if (failure == MESSAGE_CODE_EXISTS)
        record.setCode(duplicate);
    return false;
}

void FileErrorImpl::registerMessageTables() {
    registry();
}

const wchar_t* FileErrorImpl::findFormat(uint32_t code) {
    return registry().find(code);
}

} // namespace pel
