#include "pel/files/file_io/FileException.h"

#include <gtest/gtest.h>

#include <memory>

using namespace pel;

TEST(FileException, DisplayTextNamesPathAndCode) {
    EXPECT_EQ(L"FileAccessDeniedException: in `C:\\x` with code 5", FileAccessDeniedException(L"C:\\x", 5).displayText());
    EXPECT_EQ(L"FileException: sharing violation in `C:\\y` with code 0",
              FileException(L"sharing violation", L"C:\\y").displayText());

    const std::unique_ptr<FileException> copy(FileNotFoundException(L"a.txt", 2).clone());
    EXPECT_STREQ(L"FileNotFoundException", copy->name());
    EXPECT_EQ(L"a.txt", copy->path);
    EXPECT_EQ(2u, copy->code);
    EXPECT_STREQ(L"IOException", IOException(L"x").name());
}
