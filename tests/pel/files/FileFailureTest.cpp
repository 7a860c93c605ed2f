#include "pel/files/FileFailure.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

using namespace pel;

namespace {

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The record a failed step leaves: the system's or the library's code, the path the failing call
// named (here a temporary file, which the words never show) and the step.
ErrorMessageTLS recordOf(uint32_t code, uint32_t step = FileStep::UNKNOWN) {
    ErrorMessageTLS record;
    record.reset(code);
    record.addParam(L"C:\\elsewhere\\.a.txt~1234");
    record.step = step;
    return record;
}

// The system's own text for a code, as the words carry it after the reason.
std::wstring systemDetail(uint32_t code) {
    std::wstring text;
    ErrorMessageTLS record = recordOf(code);
    FileErrorObject::getMessage(&record, &text);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return L" (The system said: " + text + L")";
}

// Native paths through "__winfs", and "failuretest:" for the temporary folder.
class FileFailureTest : public testing::Test {
protected:
    FileFailureTest() : device(folder.path.c_str(), false), native(nullptr, true) {
        FileIO::attachDevice(L"failuretest", &device, 0);
        FileIO::attachDevice(L"__winfs", &native, 0);
    }
    ~FileFailureTest() override { FileIO::release(); }

    std::wstring file(const wchar_t* name) const { return folder / name; }

    tessel_test::TempFolder folder;
    FileDeviceWin32 device;
    FileDeviceWin32 native;
};

} // namespace

TEST(FileFailure, NamesWindowsKeepsForDevicesAreKnownWhateverTheirCaseExtensionOrFolder) {
    for (const wchar_t* reserved : {L"NUL", L"nul", L"aux.txt", L"C:\\work\\Con", L"C:\\work\\com1.log", L"lpt9",
                                    L"prn.tar.gz", L"con .txt", L"CONOUT$", L"dir/Aux", L"COM\u00B9"})
        EXPECT_TRUE(isReservedDeviceName(reserved)) << narrow(reserved);
    for (const wchar_t* free : {L"null", L"nul2.txt", L"console.txt", L"auxiliary", L"com10", L"com0", L"lpt",
                                L"C:\\nul\\a.txt", L"a.nul", L".con", L"", L"C:\\work\\"})
        EXPECT_FALSE(isReservedDeviceName(free)) << narrow(free);
}

// Each cause in words a user acts on, naming the file or its folder, never the temporary file;
// the system's text follows as a detail where the words do not say all of it.
TEST_F(FileFailureTest, EachCauseIsToldInTheUsersWordsWithTheSystemsTextOnlyAsADetail) {
    folder.write(L"a.txt", "text");
    const std::wstring a = file(L"a.txt");
    const struct {
        FileAction action;
        uint32_t code;
        uint32_t step;
        std::wstring reason;
        bool detail;
    } cases[] = {
        {FileAction::SAVE, ERROR_ACCESS_DENIED, FileStep::FOLDER,
         L"its folder `" + folder.path + L"` cannot be written to, so no new file can be made there.", true},
        {FileAction::SAVE, ERROR_WRITE_PROTECT, FileStep::FOLDER, L"its folder `" + folder.path + L"` cannot", true},
        {FileAction::SAVE, ERROR_DISK_FULL, FileStep::WRITE, L"the disk is full. Make room on it, then try again.",
         true},
        {FileAction::SAVE, ERROR_HANDLE_DISK_FULL, FileStep::TARGET, L"the disk is full.", true},
        {FileAction::OPEN, ERROR_SHARING_VIOLATION, FileStep::UNKNOWN,
         L"another program has it open and does not let it be read. Close it there, then try again.", true},
        {FileAction::SAVE, ERROR_LOCK_VIOLATION, FileStep::TARGET,
         L"another program has it open and does not let it be replaced.", true},
        {FileAction::SAVE, ERROR_ACCESS_DENIED, FileStep::TARGET,
         L"another program may have it open, or Tessel may not be allowed to replace it.", true},
        {FileAction::OPEN, ERROR_ACCESS_DENIED, FileStep::UNKNOWN, L"Tessel is not allowed to read it.", true},
        {FileAction::OPEN, FileErrorCode::NOT_A_FILE, FileStep::UNKNOWN,
         L"it is a device or a pipe, not a file: Tessel opens and saves only files.", false},
        {FileAction::OPEN, FileErrorCode::CHANGED_WHILE_READ, FileStep::UNKNOWN,
         L"it changed while it was being read: another program is writing it.", false},
        {FileAction::OPEN, ERROR_FILE_NOT_FOUND, FileStep::UNKNOWN, L"there is no such file.", false},
        {FileAction::SAVE, ERROR_PATH_NOT_FOUND, FileStep::FOLDER,
         L"its folder `" + folder.path + L"` does not exist.", true},
        {FileAction::SAVE, FileErrorCode::TARGET_CHANGED, FileStep::TARGET,
         L"'C:\\elsewhere\\.a.txt~1234' was changed by another program while it was being saved.", false},
        {FileAction::SAVE, ERROR_CRC, FileStep::WRITE, L"it could not be written.", true},
        {FileAction::OPEN, ERROR_CRC, FileStep::UNKNOWN, L"it could not be read.", true},
    };
    for (const auto& c : cases) {
        const std::wstring said = describeFileFailure(c.action, a, recordOf(c.code, c.step));
        const std::wstring head = (c.action == FileAction::OPEN ? L"Cannot open `" : L"Cannot save `") + a + L"`: ";
        EXPECT_EQ(0u, said.find(head + c.reason)) << narrow(said);
        const std::wstring detail = systemDetail(c.code);
        const bool detailed = said.size() > detail.size() && said.compare(said.size() - detail.size(), detail.size(),
                                                                          detail) == 0;
        EXPECT_EQ(c.detail, detailed) << narrow(said);
        // A library message (TARGET_CHANGED's) names the file the failing call was given.
        if (c.code != FileErrorCode::TARGET_CHANGED) {
            EXPECT_EQ(std::wstring::npos, said.find(L".a.txt~1234")) << narrow(said);
        }
    }
}

// Where the code cannot tell, the file as it is now does: a folder, a read-only file, a file held
// by another program (Wine answers "access denied" to a save over it, and to a read of a folder).
// A name Windows keeps for a device is told as such whatever the system answered.
TEST_F(FileFailureTest, WhatTheCodeCannotTellTheFileAsItIsNowTells) {
    ASSERT_TRUE(::CreateDirectoryW(file(L"sub").c_str(), nullptr));
    EXPECT_EQ(L"Cannot open `" + file(L"sub") + L"`: it is a folder, not a file.",
              describeFileFailure(FileAction::OPEN, file(L"sub"), recordOf(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(L"Cannot save `" + file(L"sub") + L"`: it is a folder, not a file.",
              describeFileFailure(FileAction::SAVE, file(L"sub"), recordOf(ERROR_ACCESS_DENIED, FileStep::TARGET)));

    folder.write(L"locked.txt", "text");
    ::SetFileAttributesW(file(L"locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring readOnly =
        describeFileFailure(FileAction::SAVE, file(L"locked.txt"), recordOf(ERROR_ACCESS_DENIED, FileStep::TARGET));
    EXPECT_EQ(0u, readOnly.find(L"Cannot save `" + file(L"locked.txt") +
                                L"`: the file is read-only. Make it writable, then try again."))
        << narrow(readOnly);
    ::SetFileAttributesW(file(L"locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    folder.write(L"held.txt", "text");
    HANDLE holder = ::CreateFileW(file(L"held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    FileErrorObject::setError(ERROR_INVALID_DATA).addParam(L"the caller's");
    const std::wstring held =
        describeFileFailure(FileAction::SAVE, file(L"held.txt"), recordOf(ERROR_ACCESS_DENIED, FileStep::TARGET));
    EXPECT_EQ(static_cast<uint32_t>(ERROR_INVALID_DATA), FileErrorObject::getErrorCode())
        << "the thread's record was changed";
    EXPECT_STREQ(L"the caller's", FileErrorObject::ensureRecord().param(1));
    ::CloseHandle(holder);
    EXPECT_EQ(0u, held.find(L"Cannot save `" + file(L"held.txt") +
                            L"`: another program has it open and does not let it be replaced. Close it there, then "
                            L"try again. (The system said: "))
        << narrow(held);

    for (const uint32_t code : {static_cast<uint32_t>(ERROR_ACCESS_DENIED), static_cast<uint32_t>(ERROR_BAD_DEV_TYPE),
                                static_cast<uint32_t>(FileErrorCode::NOT_A_FILE)})
        for (const wchar_t* name : {L"NUL", L"aux.txt", L"CON"})
            for (const FileAction action : {FileAction::OPEN, FileAction::SAVE}) {
                EXPECT_EQ(std::wstring(action == FileAction::OPEN ? L"Cannot open `" : L"Cannot save `") + file(name) +
                              L"`: its name is one Windows keeps for a device (CON, PRN, AUX, NUL, COM1 to COM9 and "
                              L"LPT1 to LPT9, with any extension), so it cannot be a file. Choose another name.",
                          describeFileFailure(action, file(name), recordOf(code, FileStep::TARGET)));
            }
}

// A file the program knows by a device path ("user:config/x") is shown by its path on disk.
TEST_F(FileFailureTest, ADevicePathIsShownByThePathOnDisk) {
    EXPECT_EQ(folder.path + L"\\config\\settings.tsConfig", systemPathOf(L"failuretest:config/settings.tsConfig"));
    EXPECT_EQ(L"C:\\not\\a\\device.txt", systemPathOf(L"C:\\not\\a\\device.txt"));
}

// The save tells which step failed: a name Windows keeps for a device and a device are refused
// before anything is written, with nothing left behind; a folder that cannot take the temporary
// file is the folder's failure, not the file's.
TEST_F(FileFailureTest, ASaveNotesTheStepThatFailed) {
    for (const wchar_t* name : {L"NUL", L"aux.txt", L"CON", L"com1.c"}) {
        SafeSave save(file(name).c_str());
        EXPECT_FALSE(save.isOpen()) << narrow(name);
        EXPECT_EQ(static_cast<uint32_t>(FileErrorCode::NOT_A_FILE), FileErrorObject::getErrorCode()) << narrow(name);
        EXPECT_EQ(static_cast<uint32_t>(FileStep::TARGET), FileErrorObject::ensureRecord().step) << narrow(name);
    }
    EXPECT_TRUE(folder.names().empty());

    SafeSave inMissingFolder(file(L"missing\\a.txt").c_str());
    EXPECT_FALSE(inMissingFolder.isOpen());
    EXPECT_EQ(static_cast<uint32_t>(FileStep::FOLDER), FileErrorObject::ensureRecord().step);
    // The thread's own record, as a caller hands it right after the failure: the looks at the
    // file on the way set it, and the words still come from the failure.
    const std::wstring said =
        describeFileFailure(FileAction::SAVE, file(L"missing\\a.txt"), FileErrorObject::ensureRecord());
    EXPECT_EQ(0u, said.find(L"Cannot save `" + file(L"missing\\a.txt") + L"`: its folder `" + file(L"missing") +
                            L"` does not exist."))
        << narrow(said);
    FileErrorObject::setError(ERROR_ACCESS_DENIED).addParam(file(L".a.txt~1")).step = FileStep::FOLDER;
    const std::wstring denied = describeFileFailure(FileAction::SAVE, file(L"a.txt"), FileErrorObject::ensureRecord());
    EXPECT_EQ(L"Cannot save `" + file(L"a.txt") + L"`: its folder `" + folder.path +
                  L"` cannot be written to, so no new file can be made there. Make the folder writable, then try "
                  L"again." + systemDetail(ERROR_ACCESS_DENIED),
              denied);
}
