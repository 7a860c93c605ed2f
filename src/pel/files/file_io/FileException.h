#pragma once
// The exceptions of failed I/O: IOException, and the FileException family that carries the
// failing path and the error code of the thread's file error record.

#include "pel/base/Exception.h"

#include <cstdint>

namespace pel {

PEL_DECLARE_EXCEPTION(IOException, RuntimeException, L"IOException");

class FileException : public IOException {
public:
    FileException(const std::wstring& i_path, uint32_t i_code) : path(i_path), code(i_code) {}
    FileException(const std::wstring& i_message, const std::wstring& i_path)
        : IOException(i_message), path(i_path) {}
    explicit FileException(const std::wstring& i_message) : IOException(i_message) {}

    // The base text followed by " in `path` with code N".
    void displayText(std::wstring& out) const override;
    using Exception::displayText;
    const wchar_t* name() const override { return L"FileException"; }
    FileException* clone() const override { return new FileException(*this); }

    std::wstring path;
    uint32_t code = 0;
};

#define PEL_DECLARE_FILE_EXCEPTION(Class)                                                  \
    class Class : public FileException {                                                   \
    public:                                                                                \
        using FileException::FileException;                                                \
        const wchar_t* name() const override { return L## #Class; }                        \
        Class* clone() const override { return new Class(*this); }                         \
    }

PEL_DECLARE_FILE_EXCEPTION(FileExistsException);
PEL_DECLARE_FILE_EXCEPTION(FileNotFoundException);
PEL_DECLARE_FILE_EXCEPTION(PathNotFoundException);
PEL_DECLARE_FILE_EXCEPTION(FileReadOnlyException);
PEL_DECLARE_FILE_EXCEPTION(FileAccessDeniedException);
PEL_DECLARE_FILE_EXCEPTION(CreateFileException);
PEL_DECLARE_FILE_EXCEPTION(WriteFileException);
PEL_DECLARE_FILE_EXCEPTION(ReadFileException);
PEL_DECLARE_FILE_EXCEPTION(FilePathException);

} // namespace pel
