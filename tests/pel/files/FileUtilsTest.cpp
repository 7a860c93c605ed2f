#include "pel/files/FileUtils.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileException.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"

#include "support/MemoryFileDevice.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace pel;
using H = FileUtilsHandler;
using Tree = std::map<std::wstring, std::string>; // relative path -> content; directories map to "/"

namespace {

void writeTree(const std::wstring& root, const Tree& tree) {
    for (size_t at = root.find(L'\\', 3); at != std::wstring::npos; at = root.find(L'\\', at + 1))
        ::CreateDirectoryW(root.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryW(root.c_str(), nullptr);
    for (const auto& item : tree) {
        const std::wstring path = root + L"\\" + item.first;
        for (size_t at = path.find(L'\\', root.size() + 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
            ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
        if (item.second == "/") {
            ::CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, item.second.data(), static_cast<DWORD>(item.second.size()), &written, nullptr);
        ::CloseHandle(file);
    }
}

Tree readTree(const std::wstring& root, const std::wstring& prefix = L"") {
    Tree tree;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((root + L"\\" + prefix + L"*").c_str(), &data);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(find, &data)) {
        const std::wstring name = prefix + data.cFileName;
        if (!std::wcscmp(data.cFileName, L".") || !std::wcscmp(data.cFileName, L".."))
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[name] = "/";
            const Tree below = readTree(root, name + L"\\");
            tree.insert(below.begin(), below.end());
            continue;
        }
        HANDLE file = ::CreateFileW((root + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        std::string content(data.nFileSizeLow, '\0');
        DWORD got = 0;
        ::ReadFile(file, &content[0], data.nFileSizeLow, &got, nullptr);
        ::CloseHandle(file);
        tree[name] = content.substr(0, got);
    }
    if (find != INVALID_HANDLE_VALUE)
        ::FindClose(find);
    return tree;
}

std::string bytes(size_t size, int seed) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(i * 31 + seed + i / 253);
    return text;
}

const Tree SAMPLE = {{L"a.txt", "alpha"},
                     {L"empty", "/"},
                     {L"sub", "/"},
                     {L"sub\\deep", "/"},
                     {L"sub\\b.txt", bytes(100000, 1)}, // several chunks
                     {L"sub\\deep\\c.bin", bytes(70000, 2)},
                     {L"sub\\deep\\d.txt", ""}};

// Records what a handler reports and answers questions in order, then with `otherwise`.
struct Recorder {
    std::vector<uint32_t> events;
    std::vector<uint32_t> questions;
    std::vector<uint32_t> replies;
    uint32_t otherwise = H::UI_Cancel;
    int progress = 0;

    explicit Recorder(H& handler) {
        handler.pollInterval = 0;
        handler.addListener(this, [](void* c, H*, uint32_t event) { static_cast<Recorder*>(c)->events.push_back(event); });
        handler.progressCallback = {this, [](void* c, H*) { return ++static_cast<Recorder*>(c)->progress; }};
        handler.questionCallback = {this, [](void* c, H* h) {
                                        Recorder* self = static_cast<Recorder*>(c);
                                        self->questions.push_back(h->error.getCode());
                                        const size_t n = self->questions.size();
                                        return n <= self->replies.size() ? self->replies[n - 1] : self->otherwise;
                                    }};
    }
    int count(uint32_t event) const { return static_cast<int>(std::count(events.begin(), events.end(), event)); }
};

// A device in memory with directories and links, for what a real disk cannot show: a link's
// listing shows the content of its target, as the system's would.
class TreeDevice : public tessel_test::MemoryFileDevice {
public:
    std::map<std::wstring, uint32_t> directories; // name -> FileInfo flags
    std::map<std::wstring, std::wstring> links;   // link name -> target name
    std::vector<std::wstring> removed;

    bool getFileInfo(FileRequest& request) override {
        const std::wstring name = request.rest;
        const bool directory = directories.count(name) != 0;
        if (!directory && !files.count(name))
            return MemoryFileDevice::getFileInfo(request);
        if (request.info)
            request.info->flags = directory ? directories[name] : FILEINFO_WRITABLE;
        return true;
    }
    bool openDirectory(FileRequest& request) override {
        std::wstring base = request.rest;
        if (links.count(base))
            base = links[base];
        auto* listing = new Listing(this, request.path);
        for (const auto& item : directories)
            add(listing, base, item.first, item.second, 0);
        for (const auto& item : files)
            add(listing, base, item.first, FILEINFO_WRITABLE, item.second.size());
        request.directory = listing;
        return true;
    }
    bool closeDirectory(Directory* directory) override { return delete directory, true; }
    bool createDirectory(FileRequest& request) override { return directories[request.rest] = FILEINFO_DIRECTORY, true; }
    bool removeDirectory(FileRequest& request) override {
        removed.push_back(request.rest);
        return directories.erase(request.rest) == 1;
    }
    bool deleteFile(FileRequest& request) override {
        removed.push_back(request.rest);
        return MemoryFileDevice::deleteFile(request);
    }
    bool setFileAttributes(FileRequest&) override { return true; }
    bool failClose = false; // data that never arrives
    bool closeFile(File* file) override {
        MemoryFileDevice::closeFile(file);
        return !failClose || (FileErrorObject::setError(ERROR_DISK_FULL), false);
    }

private:
    struct Listing : Directory {
        Listing(FileDevice* device, const wchar_t* path) : owner(device), where(path) {}
        bool isValid() const override { return true; }
        const wchar_t* path() const override { return where.c_str(); }
        const FileInfo* next() override { return at < entries.size() ? &entries[at++] : nullptr; }
        bool rewind() override { return at = 0, true; }
        FileDevice* device() const override { return owner; }
        FileDevice* owner;
        std::wstring where;
        std::vector<FileInfo> entries;
        size_t at = 0;
    };
    static void add(Listing* listing, const std::wstring& base, const std::wstring& name, uint32_t flags, size_t size) {
        if (name.size() <= base.size() + 1 || name.compare(0, base.size() + 1, base + L"\\") != 0 ||
            name.find(L'\\', base.size() + 1) != std::wstring::npos)
            return;
        FileInfo info{};
        info.flags = flags;
        info.size = size;
        std::wcsncpy(info.name, name.c_str() + base.size() + 1, 259);
        listing->entries.push_back(info);
    }
};

// Under Wine a Unix program starts from its Z: path; it runs on its own, so wait until `done`.
// Nothing runs where the program does not exist.
template <class Done>
void runUnix(std::wstring command, Done done) {
    command = L"Z:\\bin\\" + command;
    if (::GetFileAttributesW(command.substr(0, command.find(L' ')).c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    for (int i = 0; i < 400 && !done(); ++i)
        ::Sleep(25);
}

std::wstring unixPath(std::wstring path) { // of a Z: path
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path.substr(2);
}

class FileUtilsTest : public testing::Test {
protected:
    FileUtilsTest() : other(L"Z:\\tmp\\") {
        FileIO::attachDevice(L"__winfs", &native, 0);
        FileIO::attachDevice(L"mem", &mem, 0);
        FileIO::attachDevice(L"stub", &stub, 0);
    }
    ~FileUtilsTest() override { FileIO::release(); }

    std::wstring at(const std::wstring& name) const { return folder / name; }
    static uint32_t code() { return FileErrorObject::getErrorCode(); }

    tessel_test::TempFolder folder; // on C:
    tessel_test::TempFolder other;  // on another drive letter
    FileDeviceWin32 native{nullptr, true};
    RamDisk mem;
    TreeDevice stub;
};

TEST_F(FileUtilsTest, TreeWithinOneDriveIsCopiedThenRenamedWhole) {
    writeTree(at(L"src"), SAMPLE);
    H handler;
    Recorder recorder(handler);
    ::CreateDirectoryW(at(L"copy").c_str(), nullptr);
    ASSERT_TRUE(FileUtils::copyPath(at(L"src").c_str(), at(L"copy").c_str(), &handler));
    EXPECT_EQ(SAMPLE, readTree(at(L"copy\\src")));
    ASSERT_GE(recorder.events.size(), 2u);
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), std::vector<uint32_t>(recorder.events.begin(), recorder.events.begin() + 2));
    EXPECT_EQ(4, recorder.count(H::OpCreateFile));
    EXPECT_EQ(4, recorder.count(H::OpCreateDirectory)); // src, empty, sub, deep
    EXPECT_EQ(handler.totalItems, handler.doneItems);
    EXPECT_EQ(170005u, handler.bytesDone);
    EXPECT_GT(recorder.progress, 0);

    recorder.events.clear();
    ::CreateDirectoryW(at(L"moved").c_str(), nullptr);
    ASSERT_TRUE(FileUtils::movePath(at(L"src").c_str(), at(L"moved").c_str(), &handler));
    EXPECT_EQ(SAMPLE, readTree(at(L"moved\\src")));
    EXPECT_FALSE(FileIO::getFileInfo(at(L"src").c_str(), nullptr));
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), recorder.events); // one rename, no file walked
    EXPECT_EQ(handler.totalItems, handler.doneItems);
}

TEST_F(FileUtilsTest, TreeMovesAcrossDrivesFileByFile) {
    if (!other.created)
        GTEST_SKIP() << "no second drive letter: Z:\\tmp does not exist here";
    writeTree(at(L"src"), SAMPLE);
    H handler;
    Recorder recorder(handler);
    ASSERT_TRUE(FileUtils::movePath(at(L"src").c_str(), other.path.c_str(), &handler));
    EXPECT_EQ(SAMPLE, readTree(other / L"src"));
    EXPECT_FALSE(FileIO::getFileInfo(at(L"src").c_str(), nullptr));
    EXPECT_EQ(4, recorder.count(H::OpCreateFile));
    EXPECT_EQ(4, recorder.count(H::OpDeleteFile));
    EXPECT_EQ(4, recorder.count(H::OpRemoveDirectory));
    // Each file is deleted only after its copy, each directory removed after its content.
    const auto first = [&](uint32_t event) { return std::find(recorder.events.begin(), recorder.events.end(), event); };
    EXPECT_LT(first(H::OpCreateFile), first(H::OpDeleteFile));
    EXPECT_LT(first(H::OpDeleteFile), first(H::OpRemoveDirectory));
    EXPECT_EQ(H::OpRemoveDirectory, recorder.events.back());
    EXPECT_EQ(handler.totalItems, handler.doneItems);
}

TEST_F(FileUtilsTest, ForAllAnswersAreRemembered) {
    if (!other.created)
        GTEST_SKIP() << "no second drive letter: Z:\\tmp does not exist here";
    const Tree old = {{L"a.txt", "old a"}, {L"sub\\b.txt", "old b"}, {L"sub\\deep\\c.bin", "old c"}};
    writeTree(at(L"src"), SAMPLE);
    for (uint32_t answer : {H::UI_Ok, H::UI_Skip}) {
        tessel_test::TempFolder target(other.path + L"\\");
        writeTree(target / L"src", old);
        H handler;
        Recorder recorder(handler);
        recorder.replies = {H::UI_Ok, answer | H::UI_ForAll}; // merge into src, replace a file
        ASSERT_TRUE(FileUtils::copyPath(at(L"src").c_str(), target.path.c_str(), &handler)) << answer;
        EXPECT_EQ((std::vector<uint32_t>{FileErrorCode::QUESTION_REPLACE_DIRECTORY, FileErrorCode::QUESTION_REPLACE}),
                  recorder.questions);
        Tree expected = SAMPLE;
        if (answer == H::UI_Skip)
            for (const auto& item : old)
                expected[item.first] = item.second;
        EXPECT_EQ(expected, readTree(target / L"src")) << answer;
        EXPECT_EQ(handler.totalItems, handler.doneItems);
    }
}

TEST_F(FileUtilsTest, MovingOntoAnExistingDirectoryAsksAndSkipsTheSubtree) {
    writeTree(at(L"src"), SAMPLE);
    writeTree(at(L"dst\\src"), {{L"sub\\b.txt", "kept"}});
    H handler;
    Recorder recorder(handler);
    recorder.replies = {H::UI_Ok}; // merge into src
    recorder.otherwise = H::UI_Skip; // the directory sub, then the src that is not empty
    ASSERT_TRUE(FileUtils::movePath(at(L"src").c_str(), at(L"dst").c_str(), &handler));
    EXPECT_EQ(FileErrorCode::QUESTION_REPLACE_DIRECTORY, recorder.questions.at(1));
    const Tree left = readTree(at(L"src"));
    EXPECT_EQ(SAMPLE.at(L"sub\\b.txt"), left.at(L"sub\\b.txt"));
    EXPECT_EQ(0u, left.count(L"a.txt"));
    EXPECT_EQ("kept", readTree(at(L"dst\\src")).at(L"sub\\b.txt"));
    EXPECT_EQ(handler.totalItems, handler.doneItems);
}

TEST_F(FileUtilsTest, RamDiskTakesSingleFilesButNoTrees) {
    writeTree(at(L"src"), SAMPLE);
    ASSERT_TRUE(FileUtils::copyPath(at(L"src\\sub\\b.txt").c_str(), L"mem:", nullptr));
    FileUtils::copyFile(at(L"src\\a.txt"), L"mem:a.txt");
    FileInfo info;
    EXPECT_TRUE(FileIO::getFileInfo(L"mem:\\b.txt", &info) && info.size == 100000 && FileIO::isFile(L"mem:a.txt"));

    EXPECT_FALSE(FileUtils::copyPath(at(L"src").c_str(), L"mem:", nullptr));
    EXPECT_EQ(FileErrorCode::UNSUPPORTED_OPERATION, code()); // directories keep no attributes there
    EXPECT_FALSE(FileUtils::movePath(at(L"src").c_str(), L"mem:", nullptr));
    EXPECT_EQ(SAMPLE, readTree(at(L"src")));
    EXPECT_FALSE(FileUtils::moveFile(nullptr, L"mem:a.txt", L"mem:b"));
    EXPECT_EQ(FileErrorCode::UNSUPPORTED_OPERATION, code());
}

TEST_F(FileUtilsTest, FailedWriteInTheMiddleOfAMoveKeepsTheSource) {
    writeTree(at(L"src"), SAMPLE);
    stub.writeLimit = 40000; // fails in the second chunk of the first large file
    H handler;
    Recorder recorder(handler);
    EXPECT_FALSE(FileUtils::movePath(at(L"src").c_str(), L"stub:dst", &handler));
    EXPECT_EQ((std::vector<uint32_t>{ERROR_DISK_FULL}), recorder.questions);
    // Every file is whole in one place: moved, or still at the source; no partial copy is left.
    const Tree left = readTree(at(L"src"));
    int kept = 0;
    for (const auto& item : SAMPLE) {
        auto moved = stub.files.find(L"dst\\src\\" + item.first);
        if (item.second == "/")
            continue;
        if (moved == stub.files.end()) {
            EXPECT_EQ(item.second, left.at(item.first));
            ++kept;
        } else {
            EXPECT_EQ(item.second, moved->second);
            EXPECT_EQ(0u, left.count(item.first));
        }
    }
    EXPECT_GE(kept, 2); // the file that failed and the one never reached

    // A copy whose data did not reach the disk when it was closed is no copy either.
    stub.failClose = true;
    stub.writeLimit = SIZE_MAX;
    EXPECT_FALSE(FileUtils::movePath(at(L"src\\sub\\b.txt").c_str(), L"stub:dst", nullptr));
    EXPECT_EQ(SAMPLE.at(L"sub\\b.txt"), readTree(at(L"src")).at(L"sub\\b.txt"));
    EXPECT_EQ(0u, stub.files.count(L"dst\\b.txt"));
}

TEST_F(FileUtilsTest, LinksArePlannedAsThemselves) {
    stub.directories = {{L"root", FILEINFO_DIRECTORY},
                        {L"root\\sub", FILEINFO_DIRECTORY},
                        {L"root\\cycle", FILEINFO_DIRECTORY | FILEINFO_LINK},
                        {L"root\\out", FILEINFO_DIRECTORY | FILEINFO_LINK},
                        {L"outside", FILEINFO_DIRECTORY}};
    stub.links = {{L"root\\cycle", L"root"}, {L"root\\out", L"outside"}};
    stub.files = {{L"root\\a", "a"}, {L"root\\sub\\b", "b"}, {L"outside\\keep", "k"}};
    H handler;
    handler.acceptAllQuestions();
    ASSERT_TRUE(FileUtils::removePath(L"stub:root", &handler));
    std::sort(stub.removed.begin(), stub.removed.end());
    EXPECT_EQ((std::vector<std::wstring>{L"root", L"root\\a", L"root\\cycle", L"root\\out", L"root\\sub", L"root\\sub\\b"}),
              stub.removed);
    EXPECT_EQ(1u, stub.files.count(L"outside\\keep"));

    // The same on a real disk, where the system can make a link; Wine makes none itself, but
    // shows a Unix symbolic link as one.
    if (!other.created)
        GTEST_SKIP() << "no second drive letter: Z:\\tmp does not exist here";
    writeTree(other / L"tree", {{L"a.txt", "a"}});
    writeTree(other / L"outside", {{L"keep.txt", "k"}});
    const std::wstring link = other / L"tree\\link";
    const auto exists = [&] { return ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; };
    if (!::CreateSymbolicLinkW(link.c_str(), (other / L"outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) || !exists())
        runUnix(L"ln -s " + unixPath(other / L"outside") + L" " + unixPath(link), exists);
    if (!exists())
        GTEST_SKIP() << "no directory link can be made here (neither the system nor Z:\\bin\\ln makes one)";
    EXPECT_TRUE(::GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    FileUtils::removePath((other / L"tree").c_str(), &handler); // Wine cannot remove the link itself
    EXPECT_EQ("k", readTree(other / L"outside").at(L"keep.txt"));
    EXPECT_FALSE(FileIO::isFile((other / L"tree\\a.txt").c_str()));
    if (exists()) // leave nothing behind
        runUnix(L"rm " + unixPath(link), [&] { return !exists(); });
}

TEST_F(FileUtilsTest, ReplacingAndRefusing) {
    using namespace FileErrorCode;
    writeTree(at(L"d"), {{L"f.txt", "new"}, {L"g.txt", "other"}});
    writeTree(at(L"t"), {{L"f.txt", "old"}});
    // Onto itself.
    EXPECT_FALSE(FileUtils::copyPath(at(L"d").c_str(), at(L"d").c_str(), nullptr));
    EXPECT_EQ(COPY_DIRECTORY_TO_ITSELF, code());
    EXPECT_FALSE(FileUtils::moveFile(nullptr, at(L"d\\f.txt").c_str(), at(L"D\\F.TXT").c_str()));
    EXPECT_EQ(MOVE_FILE_TO_ITSELF, code());
    EXPECT_THROW(FileUtils::copyFile(at(L"d\\f.txt"), at(L"d\\f.txt")), FileException);
    EXPECT_EQ("new", readTree(at(L"d")).at(L"f.txt"));
    // Without a handler an existing target stays as it was.
    EXPECT_FALSE(FileUtils::copyPath(at(L"d\\f.txt").c_str(), at(L"t").c_str(), nullptr));
    EXPECT_EQ(QUESTION_REPLACE, code());
    EXPECT_EQ("old", readTree(at(L"t")).at(L"f.txt"));
    // A read-only target is made writable and replaced when every question is accepted.
    ::SetFileAttributesW(at(L"t\\f.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    H handler;
    handler.acceptAllQuestions();
    EXPECT_TRUE(FileUtils::copyPath(at(L"d\\f.txt").c_str(), at(L"t").c_str(), &handler));
    EXPECT_EQ("new", readTree(at(L"t")).at(L"f.txt"));
    // A replacing move that fails (the source is taken while the user is asked) keeps the target.
    std::pair<std::wstring, File*> holder{at(L"d\\g.txt"), nullptr};
    H grabbing;
    grabbing.questionCallback = {&holder, [](void* c, H* h) {
                                     auto* self = static_cast<std::pair<std::wstring, File*>*>(c);
                                     if (h->error.getCode() != QUESTION_REPLACE || self->second)
                                         return uint32_t{H::UI_Cancel};
                                     self->second = FileIO::openFile(self->first.c_str(), FILE_MODE_READ);
                                     return uint32_t{H::UI_Ok};
                                 }};
    EXPECT_FALSE(FileUtils::moveFile(&grabbing, at(L"d\\g.txt").c_str(), at(L"t\\f.txt").c_str()));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, code());
    FileIO::closeFile(holder.second);
    EXPECT_EQ("new", readTree(at(L"t")).at(L"f.txt"));
    FileUtils::move(at(L"d\\g.txt"), at(L"t\\f.txt"));
    EXPECT_EQ("other", readTree(at(L"t")).at(L"f.txt"));
    // A removal stops at the first refused deletion.
    writeTree(at(L"r"), {{L"1", "1"}, {L"2", "2"}, {L"3", "3"}});
    H refusing;
    Recorder recorder(refusing);
    recorder.replies = {H::UI_Ok};
    EXPECT_FALSE(FileUtils::removePath(at(L"r").c_str(), &refusing));
    EXPECT_EQ(2u, readTree(at(L"r")).size());
    EXPECT_THROW(FileUtils::remove(at(L"nothing")), FileNotFoundException);
    FileUtils::remove(at(L"r"));
    EXPECT_FALSE(FileIO::getFileInfo(at(L"r").c_str(), nullptr));
}

TEST_F(FileUtilsTest, CreateDirectoriesMakesEachMissingParent) {
    H handler;
    Recorder recorder(handler);
    ::CreateDirectoryW(at(L"a").c_str(), nullptr);
    ASSERT_TRUE(FileUtils::createDirectories(at(L"a\\b\\c").c_str(), &handler));
    EXPECT_EQ((std::vector<uint32_t>{H::OpCreateDirectory, H::OpCreateDirectory}), recorder.events);
    EXPECT_TRUE(FileIO::isDirectory(at(L"a\\b\\c").c_str()));
    writeTree(at(L"a"), {{L"file", "x"}});
    EXPECT_THROW(FileUtils::createPath(at(L"a\\file\\d")), FileException);
}

} // namespace
