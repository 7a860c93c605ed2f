#pragma once
// File errors: each thread's record of its last file failure (a code and up to four text
// parameters), copies of such records, the registry of message formats that turns a record into
// text, and throwLastError, which turns it into an exception of the FileException family.

#include "pel/base/Object.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/legacy/WorkString.h"

#include <cstdint>
#include <string>

namespace pel {

// The record of one thread. Parameter 0 is always the code as "0x" and 8 upper-case hexadecimal
// digits; parameters 1-3 are added by the code that fails (usually the path). The parameters lie
// in `text` one after another, each ended by a NUL unit.
class ErrorMessageTLS {
public:
    static constexpr int MAX_PARAMS = 4;

    // Sets the code and parameter 0, dropping the other parameters and the step.
    void reset(uint32_t code);
    // Adds the next parameter; a null text is stored as "NULL_PTR", a fifth one is ignored.
    ErrorMessageTLS& addParam(const wchar_t* param);
    ErrorMessageTLS& addParam(const std::wstring& param) { return addParam(param.c_str()); }
    // Adds a code as a parameter, written as parameter 0 is.
    ErrorMessageTLS& setCode(uint32_t value);
    // Adds a number as decimal text.
    ErrorMessageTLS& addNumber(int64_t value);
    // Parameter `index`, or null when the record has fewer.
    const wchar_t* param(int index) const;

    uint32_t code = 0;
    // The FileStep of a save that failed: set by the save after the failing call.
    uint32_t step = 0;
    int32_t paramCount = 0;
    int32_t paramOffsets[MAX_PARAMS] = {};
    WorkString<512> text;
};

// A copy of a record that outlives the next file call, kept to report an error later.
class FileErrorObject : public Object {
public:
    FileErrorObject() = default;
    FileErrorObject(const ErrorMessageTLS& record) : m_record(record) {}
    FileErrorObject& operator=(const ErrorMessageTLS& record) {
        m_record = record;
        return *this;
    }

    const ErrorMessageTLS& record() const { return m_record; }
    uint32_t getCode() const { return m_record.code; }
    FileErrorObject& addParam(const wchar_t* param) {
        m_record.addParam(param);
        return *this;
    }
    FileErrorObject& setCode(uint32_t value) {
        m_record.setCode(value);
        return *this;
    }

    // The calling thread's record, made on first use; the Win32 last-error value is kept.
    static ErrorMessageTLS& ensureRecord();
    // Sets the calling thread's record to the code with only parameter 0, mirrors the code into
    // SetLastError and returns the record, for the caller to add its parameters.
    static ErrorMessageTLS& setError(uint32_t code);
    // As setError with the code GetLastError had on entry.
    static ErrorMessageTLS& setErrorFromSystem();
    static uint32_t getErrorCode();
    // Appends the message of a record (as it stood on entry) to the output, then leaves the
    // calling thread's record cleared. A null record or output: 0x20000000 and false.
    static bool getMessage(const ErrorMessageTLS* record, std::wstring* o_output);

private:
    ErrorMessageTLS m_record;
};

// One entry of a message table; a table ends with an entry whose group is negative.
struct FileErrorMessage {
    int32_t group;
    uint32_t code;
    uint32_t maxParam; // the highest parameter index the format may use
    const wchar_t* format; // "%0".."%3" stand for parameters; kept, never copied
};

class FileErrorImpl {
public:
    // Clears the calling thread's record and adds the table to the registry. A code already
    // registered (0x20008000 with the code as parameter 1) or a format with a '%' not followed by
    // a digit up to maxParam (0x20008003) ends it with false; entries before it stay.
    static bool registerMessages(const FileErrorMessage* table);
    // Registers the library's own tables, once per process; later calls do nothing. The registry
    // calls it when it is first used, so that messages never depend on start-up order.
    static void registerMessageTables();
    // The format registered for a code, or null.
    static const wchar_t* findFormat(uint32_t code);
};

namespace FileIO {
// Throws the exception of the FileException family that matches the calling thread's record.
[[noreturn]] void throwLastError();
} // namespace FileIO

} // namespace pel
