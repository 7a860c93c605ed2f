#pragma once
// The library's own file error codes (0x2000xxxx); every other code in a file error record is a
// Win32 error code.

#include <cstdint>

namespace pel {
namespace FileErrorCode {

enum : uint32_t {
    SUCCESS = 0,
    INVALID_CALL = 0x20000000,
    INTERNAL_ERROR = 0x20000001,
    UNKNOWN_TEXT_DATABASE = 0x20000002,
    CANCELLED = 0x20000003,

    TOO_MANY_DEVICES = 0x20001000,
    DEVICE_NAME_TOO_LONG = 0x20001001,
    UNKNOWN_DEVICE = 0x20001002,
    DEVICES_STILL_ACTIVE = 0x20001003,
    WRONG_DEVICE_PARAMETER = 0x20001004,
    READ_ONLY_DEVICE = 0x20001005,
    UNSUPPORTED_OPERATION = 0x20001006,
    UNIQUE_FILE_FAILED = 0x20001007,
    UNIQUE_DIRECTORY_FAILED = 0x20001008,
    MOVE_FILE_ACROSS_DEVICES = 0x20001009,
    MOVE_DIRECTORY_ACROSS_DEVICES = 0x2000100A,
    DIFFERENT_DEVICES = 0x2000100B,
    NO_ROOT_DEVICE = 0x2000100C,
    MOVE_DIRECTORY_TO_ITSELF = 0x2000100D,
    MOVE_FILE_TO_ITSELF = 0x2000100E,
    MOVE_FILE_TO_DIRECTORY = 0x2000100F,
    MOVE_DIRECTORY_TO_FILE = 0x20001010,
    MOVE_DIRECTORY_TO_EXISTING = 0x20001011,
    COPY_DIRECTORY_TO_ITSELF = 0x20001012,
    COPY_FILE_TO_ITSELF = 0x20001013,
    COPY_FILE_TO_DIRECTORY = 0x20001014,
    COPY_DIRECTORY_TO_FILE = 0x20001015,
    DEVICE_ALREADY_REGISTERED = 0x20001016,
    // A save found the file it was to replace changed since it was last read or written.
    TARGET_CHANGED = 0x20001017,
    // The path names a device or a pipe (or a name Windows keeps for a device), not a file.
    NOT_A_FILE = 0x20001018,
    // A file came out shorter than its size said while it was read: another program wrote it.
    CHANGED_WHILE_READ = 0x20001019,
    // A save found a folder under the name of the file it was to write.
    TARGET_IS_FOLDER = 0x2000101A,

    QUESTION_REPLACE = 0x20003010,
    QUESTION_REPLACE_READ_ONLY = 0x20003011,
    QUESTION_REPLACE_EXISTING = 0x20003012,
    QUESTION_REPLACE_READ_ONLY_FILE = 0x20003013,
    QUESTION_DELETE = 0x20003014,
    QUESTION_DELETE_READ_ONLY = 0x20003015,
    QUESTION_DELETE_DIRECTORY = 0x20003016,
    QUESTION_CONFIRM = 0x20003017,
    QUESTION_REPLACE_DIRECTORY = 0x20003018,

    MESSAGE_CODE_EXISTS = 0x20008000,
    MESSAGE_PARAMETERS_MISSING = 0x20008001,
    MESSAGE_FORMATTING_FAILED = 0x20008002,
    MESSAGE_WRONG_FORMAT = 0x20008003,
};

} // namespace FileErrorCode

// Which step of a save failed, as the record of the failure notes it (ErrorMessageTLS::step):
// a code alone does not tell a folder that takes no new file from a file that cannot be
// replaced, since the system answers "access denied" to both.
namespace FileStep {

enum : uint32_t {
    UNKNOWN = 0,
    // Making the new file beside the target, in the target's folder.
    FOLDER = 1,
    // Writing the bytes (to the new file, or to the target in place).
    WRITE = 2,
    // The target itself: taken as it is, or replaced.
    TARGET = 3,
};

} // namespace FileStep
} // namespace pel
