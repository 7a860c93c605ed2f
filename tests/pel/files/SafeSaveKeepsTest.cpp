// What a save keeps: another program's write in its last moment (beside the file, under a name
// that says so), every name of a file with several, a link whose file is gone, the owner of a
// file of another user; and what it tells: a folder under the name, and the file as it wrote it
// (its digest) or as it found it changed.

#include "pel/files/FileDigest.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileErrorCodes.h"
#include "pel/files/file_io/FileIO.h"

#include "support/SymbolicLink.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace pel;

namespace {

class SafeSaveKeepsTest : public testing::Test {
protected:
    SafeSaveKeepsTest() { FileIO::attachDevice(L"__winfs", &native, 0); }
    ~SafeSaveKeepsTest() override {
        SafeSave::setLastMomentHook(nullptr);
        FileIO::release();
    }

    std::wstring path(const wchar_t* name) const { return folder / name; }
    // The file as read: its stamp and bytes.
    FileVersion readNow(const wchar_t* name) const { return readFileVersion(path(name)); }
    // One save of the text, expecting the file as `known` and doing `other` with another one,
    // with `meanwhile` run in its last moment; whether it went through.
    bool save(const wchar_t* name, const std::string& text, const FileVersion& known, SafeSave::Other other,
              std::function<void()> meanwhile, std::wstring* o_kept = nullptr) {
        SafeSave::setLastMomentHook(std::move(meanwhile));
        SafeSave saving(path(name).c_str());
        saving.expect(known, other);
        const bool saved = saving.write(text.data(), text.size()) && saving.commit();
        SafeSave::setLastMomentHook(nullptr);
        if (o_kept)
            *o_kept = saving.kept();
        return saved;
    }

    tessel_test::TempFolder folder;
    FileDeviceWin32 native{nullptr, true};
};

const std::wstring KEPT = L"a.txt (changed by another program)";

} // namespace

// In the last moment of a save, another program renames its copy over the file, appends to it,
// deletes it or rewrites it in place with the same size and write time. The save compares the
// file as it holds it against other writers: it refuses to write over any of them, leaving what
// the other program left; saved over them, the saver's text takes the name and what the other
// program left is kept beside it (a deletion leaves nothing to keep). Without the other program,
// nothing is kept either way.
TEST_F(SafeSaveKeepsTest, AWriteInTheLastMomentIsRefusedOrKeptBesideTheFile) {
    const struct {
        const char* what;
        std::function<void(tessel_test::TempFolder&)> act;
        const char* left; // what the other program left; null: nothing
    } cases[] = {
        {"nothing", [](tessel_test::TempFolder&) {}, "as read\n"},
        {"a copy renamed over it",
         [](tessel_test::TempFolder& f) {
             f.write(L"copy.txt", "their copy\n");
             ::MoveFileExW((f / L"copy.txt").c_str(), (f / L"a.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
         },
         "their copy\n"},
        {"a line appended",
         [](tessel_test::TempFolder& f) {
             const HANDLE file = ::CreateFileW((f / L"a.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr);
             DWORD written = 0;
             ::WriteFile(file, "their line\n", 11, &written, nullptr);
             ::CloseHandle(file);
         },
         "as read\ntheir line\n"},
        {"deleted", [](tessel_test::TempFolder& f) { ::DeleteFileW((f / L"a.txt").c_str()); }, nullptr},
        {"rewritten in place, its time put back",
         [](tessel_test::TempFolder& f) {
             WIN32_FILE_ATTRIBUTE_DATA before{};
             ::GetFileAttributesExW((f / L"a.txt").c_str(), GetFileExInfoStandard, &before);
             const HANDLE file = ::CreateFileW((f / L"a.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr);
             DWORD written = 0;
             ::WriteFile(file, "AS READ\n", 8, &written, nullptr);
             ::SetFileTime(file, nullptr, nullptr, &before.ftLastWriteTime);
             ::CloseHandle(file);
         },
         "AS READ\n"},
    };
    for (const SafeSave::Other other : {SafeSave::Other::REFUSE, SafeSave::Other::KEEP_BESIDE}) {
        for (const auto& c : cases) {
            const bool refusing = other == SafeSave::Other::REFUSE;
            SCOPED_TRACE(std::string(c.what) + (refusing ? ", refused" : ", saved over"));
            for (const std::wstring& name : folder.names())
                ::DeleteFileW((folder / name).c_str());
            folder.write(L"a.txt", "as read\n");
            const bool nothing = std::string(c.what) == "nothing";
            std::wstring kept;
            const bool saved = save(L"a.txt", "mine\n", readNow(L"a.txt"), other, [&] { c.act(folder); }, &kept);
            EXPECT_EQ(!refusing || nothing, saved) << FileErrorObject::getErrorCode();
            if (!saved) {
                EXPECT_EQ(FileErrorCode::TARGET_CHANGED, FileErrorObject::getErrorCode());
                EXPECT_EQ(c.left ? c.left : "", folder.read(L"a.txt"));
                EXPECT_TRUE(kept.empty());
                EXPECT_EQ(c.left ? 1u : 0u, folder.names().size()) << "something was left beside the file";
                continue;
            }
            EXPECT_EQ("mine\n", folder.read(L"a.txt"));
            const bool keeps = !nothing && c.left;
            if (keeps) {
                EXPECT_EQ(path(KEPT.c_str()), kept);
                EXPECT_EQ(c.left, folder.read(KEPT));
            } else {
                EXPECT_TRUE(kept.empty()) << std::string(kept.begin(), kept.end());
            }
            EXPECT_EQ(keeps ? 2u : 1u, folder.names().size()) << "something else was left beside the file";
        }
    }
}

// A file that holds the bytes known under another stamp (touched, or rewritten with the same
// bytes) is the file known: replaced without a question and nothing kept. Other bytes of the same
// size and time fail the save, the save telling the file as it found it; saved over them
// (KEEP_BESIDE), they are kept beside it.
TEST_F(SafeSaveKeepsTest, TheFilesBytesDecideWhatIsTheFileKnown) {
    folder.write(L"a.txt", "as read\n");
    const FileVersion known = readNow(L"a.txt");
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(::GetFileAttributesExW(path(L"a.txt").c_str(), GetFileExInfoStandard, &before));
    folder.writeOutside(L"a.txt", "as read\n");
    ASSERT_NE(known.stamp, FileStamp::of(path(L"a.txt")));
    std::wstring kept;
    EXPECT_TRUE(save(L"a.txt", "mine\n", known, SafeSave::Other::REFUSE, nullptr, &kept));
    EXPECT_TRUE(kept.empty());
    EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, folder.names());

    const FileVersion mine = readNow(L"a.txt");
    const HANDLE file = ::CreateFileW(path(L"a.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, "MINE\n", 5, &written, nullptr);
    FILETIME time;
    const uint64_t ticks = mine.stamp.writeTime;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
    {
        SafeSave saving(path(L"a.txt").c_str());
        saving.expect(mine);
        ASSERT_TRUE(saving.write("again\n", 6));
        EXPECT_FALSE(saving.commit());
        EXPECT_EQ(FileErrorCode::TARGET_CHANGED, FileErrorObject::getErrorCode());
        EXPECT_EQ(SafeSave::Step::CHECK, saving.failedStep());
        EXPECT_EQ(readNow(L"a.txt").digest, saving.found().digest) << "the file was not told as found";
    }
    EXPECT_EQ("MINE\n", folder.read(L"a.txt"));
    EXPECT_TRUE(save(L"a.txt", "again\n", mine, SafeSave::Other::KEEP_BESIDE, nullptr, &kept));
    EXPECT_EQ("again\n", folder.read(L"a.txt"));
    EXPECT_EQ("MINE\n", folder.read(KEPT));
}

// The digest a save tells is the one a read of the file gives, its stamp the file's as the save
// left it.
TEST_F(SafeSaveKeepsTest, TheFileAsWrittenIsTheFileAsRead) {
    std::string text;
    for (int line = 0; line < 100000; ++line)
        text += "line " + std::to_string(line) + " \xE2\x9C\x93\r\n";
    SafeSave saving(path(L"a.txt").c_str());
    ASSERT_TRUE(saving.write(text.data(), text.size() / 2) &&
                saving.write(text.data() + text.size() / 2, text.size() - text.size() / 2) && saving.commit());
    const FileVersion read = readNow(L"a.txt");
    EXPECT_TRUE(read.digest.known);
    EXPECT_EQ(read.digest, saving.written().digest);
    EXPECT_EQ(read.stamp, saving.written().stamp);
}

// A file with two names (a hard link): saved through one, both show the new text and are still
// one file. A change by another program found under the hold fails the save and leaves the file
// (both names) as the other program wrote it; saved over it, the other program's bytes are kept
// beside it.
TEST_F(SafeSaveKeepsTest, AFileWithOtherNamesIsWrittenInPlace) {
    folder.write(L"a.txt", "as read\n");
    if (!tessel_test::makeHardLink(path(L"b.txt"), path(L"a.txt")))
        GTEST_SKIP() << "no hard link can be made here";
    ASSERT_EQ(2u, FileStamp::of(path(L"a.txt")).links);
    std::wstring kept;
    ASSERT_TRUE(save(L"a.txt", "mine\n", readNow(L"a.txt"), SafeSave::Other::REFUSE, nullptr, &kept));
    EXPECT_EQ("mine\n", folder.read(L"b.txt"));
    EXPECT_TRUE(tessel_test::leadsTo(path(L"a.txt"), path(L"b.txt"))) << "the names were split";
    EXPECT_EQ((std::vector<std::wstring>{L"a.txt", L"b.txt"}), folder.names());

    const FileVersion mine = readNow(L"a.txt");
    const auto rewrite = [&] {
        const HANDLE file = ::CreateFileW(path(L"b.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, TRUNCATE_EXISTING, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, "THEIRS\n", 7, &written, nullptr);
        ::CloseHandle(file);
    };
    EXPECT_FALSE(save(L"a.txt", "again\n", mine, SafeSave::Other::REFUSE, rewrite));
    EXPECT_EQ(FileErrorCode::TARGET_CHANGED, FileErrorObject::getErrorCode());
    EXPECT_EQ("THEIRS\n", folder.read(L"a.txt"));
    EXPECT_EQ("THEIRS\n", folder.read(L"b.txt"));
    EXPECT_TRUE(save(L"a.txt", "again\n", mine, SafeSave::Other::KEEP_BESIDE, nullptr, &kept));
    EXPECT_EQ("again\n", folder.read(L"b.txt"));
    EXPECT_EQ("THEIRS\n", folder.read(KEPT));
    EXPECT_TRUE(tessel_test::leadsTo(path(L"a.txt"), path(L"b.txt")));
}

// A link whose file was deleted: the save makes the file the link names, with the text, and
// the link stays a link.
TEST_F(SafeSaveKeepsTest, ALinkWhoseFileIsGoneSavesTheFileItNames) {
    ASSERT_TRUE(::CreateDirectoryW(path(L"sub").c_str(), nullptr));
    folder.write(L"sub\\target.txt", "old\n");
    const tessel_test::LinkRemoval removal{path(L"link.txt")};
    if (!tessel_test::makeSymbolicLink(path(L"link.txt"), path(L"sub\\target.txt")))
        GTEST_SKIP() << "no symbolic link can be made here";
    ASSERT_TRUE(::DeleteFileW(path(L"sub\\target.txt").c_str()));
    ASSERT_FALSE(FileStamp::of(path(L"link.txt")).there);
    SafeSave saving(path(L"link.txt").c_str());
    saving.expect(FileStamp());
    ASSERT_TRUE(saving.write("new\n", 4) && saving.commit()) << FileErrorObject::getErrorCode();
    EXPECT_EQ("new\n", folder.read(L"sub\\target.txt"));
    EXPECT_TRUE(tessel_test::leadsTo(path(L"link.txt"), path(L"sub\\target.txt"))) << "the link was replaced";
    EXPECT_EQ(std::vector<std::wstring>{L"target.txt"}, folder.names(L"sub")) << "something was left beside the file";
}

// A file of another user, which the user running the save may write: saved in place, it stays
// the other user's.
TEST_F(SafeSaveKeepsTest, AFileOfAnotherUserStaysItsOwners) {
    folder.write(L"a.txt", "as read\n");
    if (!tessel_test::giveToAnotherUser(path(L"a.txt")))
        GTEST_SKIP() << "no file can be given to another user here";
    const std::wstring owner = tessel_test::ownerOf(path(L"a.txt"));
    ASSERT_TRUE(save(L"a.txt", "mine\n", readNow(L"a.txt"), SafeSave::Other::REFUSE, nullptr));
    EXPECT_EQ("mine\n", folder.read(L"a.txt"));
    EXPECT_EQ(owner, tessel_test::ownerOf(path(L"a.txt"))) << "the file changed hands";
    EXPECT_EQ(std::vector<std::wstring>{L"a.txt"}, folder.names());
}

// A folder made under the file's name: the save says so, and leaves the folder alone.
TEST_F(SafeSaveKeepsTest, AFolderUnderTheNameIsToldAsSuch) {
    ASSERT_TRUE(::CreateDirectoryW(path(L"a.txt").c_str(), nullptr));
    SafeSave saving(path(L"a.txt").c_str());
    EXPECT_FALSE(saving.isOpen());
    EXPECT_EQ(FileErrorCode::TARGET_IS_FOLDER, FileErrorObject::getErrorCode());
    EXPECT_EQ(SafeSave::Step::OPEN, saving.failedStep());
    std::wstring message;
    FileErrorObject::getMessage(&FileErrorObject::ensureRecord(), &message);
    EXPECT_NE(std::wstring::npos, message.find(L"is a folder, not a file")) << std::string(message.begin(), message.end());
    EXPECT_TRUE(FileIO::isDirectory(path(L"a.txt").c_str()));
}
