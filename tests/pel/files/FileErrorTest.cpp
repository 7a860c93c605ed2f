#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileException.h"

#include "support/Runnables.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

using namespace pel;

namespace {

std::wstring messageOf(const ErrorMessageTLS& record) {
    std::wstring text;
    EXPECT_TRUE(FileErrorObject::getMessage(&record, &text));
    return text;
}

} // namespace

TEST(FileError, RecordKeepsCodeAndUpToFourParameters) {
    ErrorMessageTLS& record = FileErrorObject::setError(FileErrorCode::UNKNOWN_DEVICE).addParam(L"foo");
    EXPECT_EQ(FileErrorCode::UNKNOWN_DEVICE, ::GetLastError());
    EXPECT_STREQ(L"0x20001002", record.param(0));
    EXPECT_STREQ(L"foo", record.param(1));
    record.addParam(nullptr).addNumber(-652);
    record.addParam(L"fifth"); // ignored
    EXPECT_EQ(4, record.paramCount);
    EXPECT_STREQ(L"NULL_PTR", record.param(2));
    EXPECT_STREQ(L"-652", record.param(3));
    EXPECT_EQ(nullptr, record.param(4));

    // The thread's own record is formatted as it stood, and left cleared.
    EXPECT_EQ(L"Unknown file system device 'foo'.", messageOf(record));
    EXPECT_EQ(0u, FileErrorObject::getErrorCode());
    EXPECT_EQ(L"Success.", messageOf(FileErrorObject::ensureRecord()));

    const FileErrorObject kept(FileErrorObject::setError(5).addParam(L"C:\\x"));
    FileErrorObject::setError(0);
    EXPECT_EQ(5u, kept.getCode());
    EXPECT_STREQ(L"C:\\x", kept.record().param(1));

    std::wstring out;
    EXPECT_FALSE(FileErrorObject::getMessage(nullptr, &out));
    EXPECT_EQ(FileErrorCode::INVALID_CALL, FileErrorObject::getErrorCode());

    ::SetLastError(1234);
    FileErrorObject::ensureRecord();
    EXPECT_EQ(1234u, ::GetLastError());
    EXPECT_EQ(1234u, FileErrorObject::setErrorFromSystem().code);
}

TEST(FileError, EachThreadHasItsOwnRecord) {
    FileErrorObject::setError(2);
    uint32_t seen = 1;
    tessel_test::FunctionRunnable body([&] {
        seen = FileErrorObject::getErrorCode();
        FileErrorObject::setError(5);
    });
    Thread thread;
    thread.start(body);
    thread.join();
    EXPECT_EQ(0u, seen);
    EXPECT_EQ(2u, FileErrorObject::getErrorCode());
}

TEST(FileError, MessagesFillPlaceholdersAndFallBack) {
    static const FileErrorMessage table[] = {
        {0, 0x2000F001, 3, L"[%0|%1|%3]"},
        {0, 0x2000F002, 1, L"ok %1"},
        {0, 0x2000F003, 1, L"bad %x"},
        {0, 0x2000F004, 0, L"never"},
        {-1, 0, 0, nullptr},
    };
    EXPECT_FALSE(FileErrorImpl::registerMessages(table));
    EXPECT_EQ(FileErrorCode::MESSAGE_WRONG_FORMAT, FileErrorObject::getErrorCode());
    EXPECT_EQ(1, FileErrorObject::ensureRecord().paramCount);
    EXPECT_NE(nullptr, FileErrorImpl::findFormat(0x2000F002)); // entries before the failure stay
    EXPECT_EQ(nullptr, FileErrorImpl::findFormat(0x2000F004));

    static const FileErrorMessage duplicate[] = {{0, 0x20001000, 0, L"again"}, {-1, 0, 0, nullptr}};
    EXPECT_FALSE(FileErrorImpl::registerMessages(duplicate));
    EXPECT_EQ(FileErrorCode::MESSAGE_CODE_EXISTS, FileErrorObject::getErrorCode());
    EXPECT_STREQ(L"0x20001000", FileErrorObject::ensureRecord().param(1));
    EXPECT_FALSE(FileErrorImpl::registerMessages(nullptr));
    EXPECT_EQ(FileErrorCode::INVALID_CALL, FileErrorObject::getErrorCode());
    FileErrorImpl::registerMessageTables(); // once per process; a second call changes nothing

    EXPECT_EQ(L"[0x2000F001|a|<< EMPTY PARAM >>]", messageOf(FileErrorObject::setError(0x2000F001).addParam(L"a")));
    EXPECT_EQ(L"Unknown error code: 0x20009999", messageOf(FileErrorObject::setError(0x20009999)));
    EXPECT_EQ(L"Internal error.\n\nFile: f.cpp\nLine: 7",
              messageOf(FileErrorObject::setError(FileErrorCode::INTERNAL_ERROR).addParam(L"f.cpp").addNumber(7)));
    EXPECT_FALSE(messageOf(FileErrorObject::setError(ERROR_ACCESS_DENIED)).empty()); // the system's own text
}

TEST(FileError, ThrowLastErrorRaisesTheMatchingClass) {
    struct Case {
        uint32_t code;
        const wchar_t* path; // parameter 1, or none
        const wchar_t* name;
        const wchar_t* message;
        const wchar_t* expectedPath;
        uint32_t expectedCode;
    };
    const Case cases[] = {
        {0, nullptr, L"FileException", L"unknown error", L"<< EMPTY PARAM >>", 0},
        {2, L"a.txt", L"FileNotFoundException", L"", L"a.txt", 2},
        {1921, L"l", L"PathNotFoundException", L"", L"l", 1921},
        {5, L"C:\\x", L"FileAccessDeniedException", L"", L"C:\\x", 5},
        {5, nullptr, L"FileAccessDeniedException", L"", L"<< EMPTY PARAM >>", 5},
        {29, L"w", L"WriteFileException", L"", L"w", 29},
        {30, L"r", L"ReadFileException", L"", L"r", 30},
        {32, L"s", L"FileException", L"sharing violation", L"s", 0},
        {33, L"s", L"FileException", L"lock violation", L"s", 0},
        {38, L"e", L"ReadFileException", L"EOF reached", L"e", 0},
        {112, L"d", L"WriteFileException", L"disk is full", L"d", 0},
        {183, L"x", L"FileExistsException", L"", L"x", 183},
        {82, L"c", L"CreateFileException", L"", L"c", 82},
        {206, L"long", L"FilePathException", L"", L"long", 206},
        {131, L"n", L"FileException", L"negative seek", L"n", 0},
        {145, L"n", L"FileException", L"directory not empty", L"n", 0},
        {6009, L"ro", L"FileReadOnlyException", L"", L"ro", 6009},
        {0x2000100B, nullptr, L"FileException", L"The operation cannot be performed on two different devices.",
         L"<< EMPTY PARAM >>", 0},
        {0x20001002, L"nodev", L"FileException", L"Unknown file system device 'nodev'.", L"nodev", 0},
    };
    for (const Case& c : cases) {
        ErrorMessageTLS& record = FileErrorObject::setError(c.code);
        if (c.path)
            record.addParam(c.path);
        try {
            FileIO::throwLastError();
        } catch (const FileException& e) {
            EXPECT_STREQ(c.name, e.name()) << c.code;
            EXPECT_EQ(c.message, e.message) << c.code;
            EXPECT_EQ(c.expectedPath, e.path) << c.code;
            EXPECT_EQ(c.expectedCode, e.code) << c.code;
        }
    }
    FileErrorObject::setError(32).addParam(L"C:\\y");
    try {
        FileIO::throwLastError();
    } catch (const Exception& e) {
        EXPECT_EQ(L"FileException: sharing violation in `C:\\y` with code 0", e.displayText());
    }
}

TEST(FileException, DisplayTextNamesPathAndCode) {
    EXPECT_EQ(L"FileAccessDeniedException: in `C:\\x` with code 5", FileAccessDeniedException(L"C:\\x", 5).displayText());
    const std::unique_ptr<FileException> copy(FileNotFoundException(L"a.txt", 2).clone());
    EXPECT_STREQ(L"FileNotFoundException", copy->name());
    EXPECT_TRUE(copy->path == L"a.txt" && copy->code == 2u);
    EXPECT_STREQ(L"IOException", IOException(L"x").name());
}
