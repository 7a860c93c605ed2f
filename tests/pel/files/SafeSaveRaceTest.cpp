// Another program writing the file while a save of it commits: whatever moment its write lands
// at, nothing it wrote is lost. It is in the file, or the save failed and left it there, or the
// save kept the file it replaced beside the target.

#include "pel/files/FileStamp.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/files/file_io/FileIO.h"

#include "support/Spin.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

using namespace pel;

namespace {

class SafeSaveRaceTest : public testing::Test {
protected:
    SafeSaveRaceTest() { FileIO::attachDevice(L"__winfs", &native, 0); }
    ~SafeSaveRaceTest() override { FileIO::release(); }

    std::wstring path(const wchar_t* name) const { return folder / name; }

    // Whether some file of the folder (the target, or one kept beside it) holds the text.
    bool anyFileHolds(const std::string& text) const {
        for (const std::wstring& name : folder.names())
            if (folder.read(name).find(text) != std::string::npos)
                return true;
        return false;
    }
    // Removes every file but the target.
    void keepOnlyTheTarget() const {
        for (const std::wstring& name : folder.names())
            if (name != L"a.txt")
                ::DeleteFileW((folder / name).c_str());
    }

    tessel_test::TempFolder folder;
    FileDeviceWin32 native{nullptr, true};
};

// Another program's write, tried again while the file is held (as such a program must).
void renameOver(const std::wstring& ready, const std::wstring& target) {
    for (int tries = 0; tries < 100000; ++tries)
        if (::MoveFileExW(ready.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return;
}
void append(const std::wstring& target, const std::string& line) {
    for (int tries = 0; tries < 100000; ++tries) {
        const HANDLE file = ::CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        DWORD written = 0;
        ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        ::CloseHandle(file);
        return;
    }
}

} // namespace

// The other program renames a ready copy over the file, or appends a line to it, from its own
// thread, at moments spread over the commit (from its first step to well after its last), round
// after round. Its text is never lost; a save that went through holds the saver's bytes, and
// one that failed says that the file changed.
TEST_F(SafeSaveRaceTest, AnotherProgramsWriteDuringTheCommitIsNeverLost) {
    constexpr int ROUNDS = 200;
    constexpr int64_t SPREAD_MICROS = 2000;
    int lost = 0;
    for (const bool renames : {true, false}) {
        for (int round = 0; round < ROUNDS; ++round) {
            SCOPED_TRACE(std::string(renames ? "rename" : "append") + " round " + std::to_string(round));
            keepOnlyTheTarget();
            folder.write(L"a.txt", "the file as read\n");
            const std::string theirs = "another program's line " + std::to_string(round) + "\n";
            folder.write(L"ready.txt", "the file as read\n" + theirs);
            SafeSave save(path(L"a.txt").c_str());
            save.expect(FileStamp::of(path(L"a.txt")));
            ASSERT_TRUE(save.write("the saver's text\n", 17));
            std::atomic<bool> go{false};
            std::thread other([&] {
                while (!go.load())
                    ;
                tessel_test::spin(round * SPREAD_MICROS / ROUNDS);
                if (renames)
                    renameOver(path(L"ready.txt"), path(L"a.txt"));
                else
                    append(path(L"a.txt"), theirs);
            });
            go = true;
            const bool saved = save.commit();
            const uint32_t error = FileErrorObject::getErrorCode();
            other.join();
            if (!saved) {
                EXPECT_EQ(FileErrorCode::TARGET_CHANGED, error);
            }
            if (!anyFileHolds(theirs))
                ++lost;
        }
    }
    EXPECT_EQ(0, lost) << "rounds whose other program's line is in no file";
}
