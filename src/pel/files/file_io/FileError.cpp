#include "pel/files/file_io/FileError.h"

#include "pel/files/file_io/FileException.h"
#include "pel/thread/ThreadLocalStorage.h"

#include <windows.h>

namespace pel {

namespace {

ThreadLocal<ErrorMessageTLS> s_record;

const wchar_t* const EMPTY_PARAM = L"<< EMPTY PARAM >>";

// "0x" and 8 upper-case hexadecimal digits, NUL-terminated.
void hexCode(uint32_t code, wchar_t (&out)[11]) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    out[0] = L'0';
    out[1] = L'x';
    for (int i = 0; i < 8; ++i)
        out[2 + i] = digits[(code >> (28 - 4 * i)) & 0xF];
    out[10] = 0;
}

void appendSystemMessage(uint32_t code, std::wstring& out) {
    wchar_t* text = nullptr;
    // Without IGNORE_INSERTS a system text with "%1" would read arguments that are not there.
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length && text) {
        out.append(text, length);
    } else {
        wchar_t hex[11];
        hexCode(code, hex);
        out += L"Unknown error code: ";
        out += hex;
    }
    if (text)
        ::LocalFree(text);
}

// The message of a record: its registered format with the parameters filled in, else the
// system's text, else "Unknown error code".
void formatMessage(const ErrorMessageTLS& record, std::wstring& out) {
    const wchar_t* format = FileErrorImpl::findFormat(record.code);
    if (!format) {
        appendSystemMessage(record.code, out);
        return;
    }
    for (const wchar_t* p = format; *p; ++p) {
        if (*p == L'%' && p[1] >= L'0' && p[1] <= L'9') {
            const wchar_t* param = record.param(p[1] - L'0');
            out += param ? param : EMPTY_PARAM;
            ++p;
        } else {
            out += *p;
        }
    }
}

} // namespace

void ErrorMessageTLS::reset(uint32_t value) {
    code = value;
    step = 0;
    paramCount = 0;
    text.clear();
    setCode(value);
}

ErrorMessageTLS& ErrorMessageTLS::addParam(const wchar_t* param) {
    if (paramCount >= MAX_PARAMS)
        return *this;
    paramOffsets[paramCount++] = static_cast<int32_t>(text.length());
    text.append(param ? param : L"NULL_PTR");
    text.append(L'\0');
    return *this;
}

ErrorMessageTLS& ErrorMessageTLS::setCode(uint32_t value) {
    wchar_t hex[11];
    hexCode(value, hex);
    return addParam(hex);
}

ErrorMessageTLS& ErrorMessageTLS::addNumber(int64_t value) {
    wchar_t buffer[24];
    wchar_t* p = buffer + 23;
    *p = 0;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--p = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *--p = L'-';
    return addParam(p);
}

const wchar_t* ErrorMessageTLS::param(int index) const {
    if (index < 0 || index >= paramCount)
        return nullptr;
    return text.c_str() + paramOffsets[index];
}

ErrorMessageTLS& FileErrorObject::ensureRecord() {
    const DWORD lastError = ::GetLastError();
    ErrorMessageTLS& record = s_record.get();
    ::SetLastError(lastError);
    return record;
}

ErrorMessageTLS& FileErrorObject::setError(uint32_t code) {
    ErrorMessageTLS& record = ensureRecord();
    record.reset(code);
    ::SetLastError(code);
    return record;
}

ErrorMessageTLS& FileErrorObject::setErrorFromSystem() {
    return setError(::GetLastError());
}

uint32_t FileErrorObject::getErrorCode() {
    return ensureRecord().code;
}

bool FileErrorObject::getMessage(const ErrorMessageTLS* record, std::wstring* o_output) {
    if (!record || !o_output) {
        setError(FileErrorCode::INVALID_CALL);
        return false;
    }
    const ErrorMessageTLS copy = *record; // may be the record cleared next
    setError(0);
    formatMessage(copy, *o_output);
    return true;
}

void FileIO::throwLastError() {
    const ErrorMessageTLS record = FileErrorObject::ensureRecord();
    const std::wstring path = record.paramCount >= 2 ? record.param(1) : EMPTY_PARAM;
    switch (record.code) {
    case 0:
        throw FileException(L"unknown error", path);
    case ERROR_FILE_NOT_FOUND:
        throw FileNotFoundException(path, record.code);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_CANT_RESOLVE_FILENAME:
        throw PathNotFoundException(path, record.code);
    case ERROR_ACCESS_DENIED:
        throw FileAccessDeniedException(path, record.code);
    case ERROR_WRITE_FAULT:
        throw WriteFileException(path, record.code);
    case ERROR_READ_FAULT:
        throw ReadFileException(path, record.code);
    case ERROR_SHARING_VIOLATION:
        throw FileException(L"sharing violation", path);
    case ERROR_LOCK_VIOLATION:
        throw FileException(L"lock violation", path);
    case ERROR_HANDLE_EOF:
        throw ReadFileException(L"EOF reached", path);
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        throw WriteFileException(L"disk is full", path);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        throw FileExistsException(path, record.code);
    case ERROR_CANNOT_MAKE:
        throw CreateFileException(path, record.code);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
        throw FilePathException(path, record.code);
    case ERROR_NEGATIVE_SEEK:
        throw FileException(L"negative seek", path);
    case ERROR_DIR_NOT_EMPTY:
        throw FileException(L"directory not empty", path);
    case ERROR_FILE_READ_ONLY:
        throw FileReadOnlyException(path, record.code);
    default: {
        std::wstring message;
        formatMessage(record, message);
        throw FileException(message, path);
    }
    }
}

} // namespace pel
