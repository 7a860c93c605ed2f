// Failures told in the user's words, driven from outside in Tessel.exe: a file another program
// holds, at a save and at an open; a folder that takes no new file; a name Windows keeps for a
// device, at Save As and at an open; a FIFO and a device of the host, which are no files; a full
// disk; a file cut by another program while it loads; a bundle entry's save, under its text; and
// the settings the exit cannot write, asked about before Tessel ends. What Tessel told is read in its log, where every question's
// text goes (the box draws its text, which no other program can read).

#include "app/e2e/TesselRun.h"

#include "support/HostCommand.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tessel_test {
namespace {

using FailureWordsEndToEnd = TesselCopyTest;

// The program's log as it stands on disk (UTF-16 after its byte-order mark).
std::wstring logText(const std::wstring& user) {
    std::string bytes;
    HANDLE file = ::CreateFileW((user + L"\\debug.log").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char buffer[65536];
        DWORD read = 0;
        while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        ::CloseHandle(file);
    }
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

// The last question the log says Tessel asked, to the log's end.
std::wstring lastAsked(const std::wstring& log) {
    const size_t at = log.rfind(L"Asked: ");
    return at == std::wstring::npos ? L"(nothing asked)" : log.substr(at + 7);
}

// A question offering the button is open, and the last one the log says Tessel asked holds
// `words`.
testing::AssertionResult asked(TesselRun& tessel, const std::wstring& user, const std::wstring& button,
                               const std::wstring& words) {
    if (!tessel.questionOffering(button))
        return testing::AssertionFailure() << "nothing was asked with " << TesselRun::narrow(button) << "; "
                                           << shownQuestion(tessel, "failure-words");
    std::wstring told;
    if (pollFor([&] { return (told = lastAsked(logText(user))).find(words) != std::wstring::npos; }, WAIT_MS))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the words were: " << TesselRun::narrow(told.substr(0, told.find(L"\n[")));
}

// A message with OK that says `words` (from its start), answered with Enter.
testing::AssertionResult toldAndAnswered(TesselRun& tessel, const std::wstring& user, const std::wstring& words) {
    const testing::AssertionResult told = asked(tessel, user, L"OK", words);
    if (!told)
        return told;
    return tessel.answer({VK_RETURN});
}

// What the system says of the code, as the words give it after their reason.
std::wstring systemSays(DWORD code) {
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said = text ? text : L"";
    if (text)
        ::LocalFree(text);
    while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r' || said.back() == L' '))
        said.pop_back();
    return L" (The system said: " + said + L")";
}

// Ctrl+S, once the title shows the tab saved: the file's bytes then.
std::string saved(TesselRun& tessel, const TesselCopy& copy, const std::wstring& name, const std::wstring& file) {
    if (!pressChordIn(tessel.window(), {VK_CONTROL, 'S'}) || !tessel.hasTitle(name + L" - Tessel"))
        return "(not saved: " + shownQuestion(tessel, "failure-words-save") + ")";
    return copy.folder.read(file);
}

const std::wstring RESERVED_NAME = L"its name is one Windows keeps for a device (CON, PRN, AUX, NUL, COM1 to COM9 and "
                                   L"LPT1 to LPT9, with any extension), so it cannot be a file. Choose another name.";
const std::wstring NOT_A_FILE = L"it is a device or a pipe, not a file: Tessel opens and saves only files.";

// The test process holds the file open without sharing, as an editor or a database of another
// program may: a save cannot hold it to replace it, an open cannot read it.
TEST_F(FailureWordsEndToEnd, AFileAnotherProgramHoldsIsToldAsHeldAtASaveAndAnOpen) {
    copy.folder.write(L"held.c", "int held;\r\n");
    copy.folder.write(L"other.c", "int other;\r\n");
    TesselRun tessel(copy, L"held.c");
    ASSERT_TRUE(tessel.hasTitle(L"held.c - Tessel"));
    ASSERT_TRUE(typedInto(tessel, L"held.c"));
    HANDLE held = ::CreateFileW((copy.folder / L"held.c").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE other = ::CreateFileW((copy.folder / L"other.c").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);

    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    EXPECT_TRUE(toldAndAnswered(tessel, user,
                                L"Cannot save `" + (copy.folder / L"held.c") +
                                    L"`: another program has it open and does not let it be replaced. Close it there, "
                                    L"then try again." +
                                    systemSays(ERROR_SHARING_VIOLATION)));
    OtherProcess second(copy.program(), L"other.c", copy.folder.path);
    EXPECT_EQ(0, second.exitCode(WAIT_MS));
    EXPECT_TRUE(toldAndAnswered(tessel, user,
                                L"Cannot open `" + (copy.folder / L"other.c") +
                                    L"`: another program has it open and does not let it be read. Close it there, "
                                    L"then try again." +
                                    systemSays(ERROR_SHARING_VIOLATION)));
    ::CloseHandle(other);
    ::CloseHandle(held);

    // Let go, the file saves.
    EXPECT_EQ("qint held;\r\n", savedText(tessel, L"held.c", "int held;\r\n"));
    EXPECT_TRUE(endsQuietly(tessel, "held-end"));
}

// A writable file in a folder that takes no new file: the save's temporary file cannot be made
// there, which is the folder's failure, not the file's.
TEST_F(FailureWordsEndToEnd, AFolderThatTakesNoNewFileIsToldAsTheFolders) {
    ASSERT_TRUE(::CreateDirectoryW((copy.folder / L"locked").c_str(), nullptr));
    copy.folder.write(L"locked\\a.c", "int a;\r\n");
    TesselRun tessel(copy, L"locked\\a.c");
    ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
    ASSERT_TRUE(typedInto(tessel, L"a.c"));
    const std::unique_ptr<HostChange> locked = immutableFolder(copy.folder / L"locked");
    if (!locked->made)
        GTEST_SKIP() << "the host would not make the folder immutable (chattr +i needs root)";

    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    EXPECT_TRUE(toldAndAnswered(tessel, user,
                                L"Cannot save `" + (copy.folder / L"locked\\a.c") + L"`: its folder `" +
                                    (copy.folder / L"locked") +
                                    L"` cannot be written to, so no new file can be made there. Make the folder "
                                    L"writable, then try again." +
                                    systemSays(ERROR_ACCESS_DENIED)));
    ASSERT_TRUE(locked->undo());
    EXPECT_EQ("qint a;\r\n", saved(tessel, copy, L"a.c", L"locked\\a.c"));
}

// NUL, CON and aux.txt name devices in any folder: Save As to them and an open of one are told
// so, and nothing is written anywhere.
TEST_F(FailureWordsEndToEnd, ANameWindowsKeepsForADeviceIsToldAsSuch) {
    const std::vector<std::wstring> names = copy.folder.names();
    // The command line takes the name as the system makes it full: the device, \\.\aux.
    TesselRun tessel(copy, L"aux.txt");
    EXPECT_TRUE(toldAndAnswered(tessel, user, L"aux`: " + RESERVED_NAME));
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    ASSERT_TRUE(typedInto(tessel, L"Untitled"));
    for (const wchar_t* name : {L"NUL", L"CON", L"aux.txt"}) {
        SCOPED_TRACE(TesselRun::narrow(name));
        ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, VK_SHIFT, 'S'}));
        ASSERT_TRUE(confirmFileDialog(tessel, L"Save As", copy.folder / name, false));
        EXPECT_TRUE(toldAndAnswered(tessel, user, L"Cannot save `" + (copy.folder / name) + L"`: " + RESERVED_NAME));
        EXPECT_TRUE(tessel.hasTitle(L"Untitled * - Tessel"));
    }
    EXPECT_EQ(names, copy.folder.names()) << "a file was left in the folder";
}

// A FIFO and the host's /dev/zero are no files: each is refused with a word, at an open and at
// Save As, rather than opening as an empty tab or being replaced by a file.
TEST_F(FailureWordsEndToEnd, AFifoAndADeviceAreToldToBeNoFiles) {
    // Removed through the host: Wine deletes no FIFO, and the folder would stay.
    const HostChange fifo(L"mkfifo " + hostQuoted(copy.folder / L"pipe"), L"rm -f " + hostQuoted(copy.folder / L"pipe"));
    if (!fifo.made)
        GTEST_SKIP() << "the host made no FIFO";
    TesselRun tessel(copy, L"pipe");
    EXPECT_TRUE(toldAndAnswered(tessel, user, L"Cannot open `" + (copy.folder / L"pipe") + L"`: " + NOT_A_FILE));
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    OtherProcess second(copy.program(), L"Z:\\dev\\zero", copy.folder.path);
    EXPECT_EQ(0, second.exitCode(WAIT_MS));
    EXPECT_TRUE(toldAndAnswered(tessel, user, L"Cannot open `Z:\\dev\\zero`: " + NOT_A_FILE));
    EXPECT_TRUE(tessel.hasTitle(L"Untitled - Tessel")) << "a tab opened";

    ASSERT_TRUE(typedInto(tessel, L"Untitled"));
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, VK_SHIFT, 'S'}));
    ASSERT_TRUE(confirmFileDialog(tessel, L"Save As", copy.folder / L"pipe", false));
    EXPECT_TRUE(toldAndAnswered(tessel, user, L"Cannot save `" + (copy.folder / L"pipe") + L"`: " + NOT_A_FILE));
    EXPECT_EQ(static_cast<DWORD>(FILE_TYPE_PIPE), [&] {
        HANDLE pipe = ::CreateFileW((copy.folder / L"pipe").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        const DWORD type = pipe == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : ::GetFileType(pipe);
        if (pipe != INVALID_HANDLE_VALUE)
            ::CloseHandle(pipe);
        return type;
    }()) << "the FIFO was replaced";
}

// A save to a disk with no room left for the new file.
TEST_F(FailureWordsEndToEnd, AFullDiskIsToldAsFull) {
    ASSERT_TRUE(::CreateDirectoryW((copy.folder / L"small").c_str(), nullptr));
    const std::unique_ptr<HostChange> disk = smallDiskOver(copy.folder / L"small", L"128k");
    if (!disk->made)
        GTEST_SKIP() << "the host mounted no disk (mounts need root)";
    // 40 KB of text and 56 KB of another file: the new copy of the text finds 32 KB free.
    const std::string text(40 * 1024 - 2, 'x');
    copy.folder.write(L"small\\a.txt", text + "\r\n");
    copy.folder.write(L"small\\other.bin", std::string(56 * 1024, 'o'));
    {
        TesselRun tessel(copy, L"small\\a.txt");
        ASSERT_TRUE(tessel.hasTitle(L"a.txt - Tessel"));
        ASSERT_TRUE(typedInto(tessel, L"a.txt"));
        ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
        EXPECT_TRUE(toldAndAnswered(tessel, user,
                                    L"Cannot save `" + (copy.folder / L"small\\a.txt") +
                                        L"`: the disk is full. Make room on it, then try again." +
                                        systemSays(ERROR_DISK_FULL)));
        EXPECT_TRUE(copy.folder.read(L"small\\a.txt") == text + "\r\n") << "the file was changed";
        // Room made, the save goes through.
        ASSERT_TRUE(::DeleteFileW((copy.folder / L"small\\other.bin").c_str()));
        EXPECT_TRUE(saved(tessel, copy, L"a.txt", L"small\\a.txt") == "q" + text + "\r\n") << "not saved";
        EXPECT_TRUE(endsQuietly(tessel, "full-end"));
    }
}

// Another program cuts the file to half while Tessel reads it. The cut is made once the test sees
// Tessel's loader holding the file; when the load ended before the cut came (its tab opened), the
// tab is closed and the file opened again, until a cut lands during a read.
TEST_F(FailureWordsEndToEnd, AFileCutWhileItLoadsIsToldAsChangedWhileRead) {
    std::string line = "int the_line_of_a_long_file_that_takes_a_while_to_read;\r\n";
    std::string text;
    while (text.size() < (48u << 20))
        text += line;
    const std::wstring path = copy.folder / L"cut.c";
    TesselRun tessel(copy, L"");
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    bool told = false;
    for (int attempt = 0; attempt < 20 && !told; ++attempt) {
        copy.folder.write(L"cut.c", text);
        OtherProcess second(copy.program(), L"cut.c", copy.folder.path);
        // Opened by the loader: no program may then have it to itself. On a busy machine the
        // load may be over before this looks: the try then ends with the tab, and another begins.
        bool held = false;
        ASSERT_TRUE(pollFor(
            [&] {
                HANDLE alone = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                if (alone == INVALID_HANDLE_VALUE)
                    return held = true;
                ::CloseHandle(alone);
                return tessel.title() == L"cut.c - Tessel";
            },
            WAIT_MS, 1));
        if (!held) {
            EXPECT_EQ(0, second.exitCode(WAIT_MS));
            ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'W'}));
            ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
            continue;
        }
        HANDLE cutter = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, cutter);
        LARGE_INTEGER half;
        half.QuadPart = static_cast<LONGLONG>(text.size() / 2);
        ASSERT_TRUE(::SetFilePointerEx(cutter, half, nullptr, FILE_BEGIN) && ::SetEndOfFile(cutter));
        ::CloseHandle(cutter);
        EXPECT_EQ(0, second.exitCode(WAIT_MS));
        // Either told, or the tab opened with what was read.
        ASSERT_TRUE(pollFor([&] { return tessel.question() != nullptr || tessel.title() == L"cut.c - Tessel"; },
                            WAIT_MS));
        if (tessel.title() == L"cut.c - Tessel") {
            ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'W'}));
            ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
            continue;
        }
        told = true;
        EXPECT_TRUE(toldAndAnswered(tessel, user,
                                    L"Cannot open `" + path +
                                        L"`: it changed while it was being read: another program is writing it. Open "
                                        L"it again once that program is done."));
        EXPECT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    }
    EXPECT_TRUE(told) << "no cut landed while the file was read in 20 tries";
}

// The rows under an entry's text in the bundle editor: its problems' texts.
std::vector<std::wstring> problemRows(HWND bundleEditor) {
    std::vector<std::wstring> rows;
    HWND list = OtherProcess::findChild(bundleEditor, WC_LISTVIEWW);
    DWORD_PTR count = 0;
    if (!list || !::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count))
        return rows;
    struct Item {
        LVITEMW item;
        wchar_t text[1024];
    };
    for (DWORD_PTR row = 0; row < count; ++row) {
        Item local = {};
        local.item.iSubItem = 1; // the problem, after its line
        local.item.cchTextMax = 1023;
        if (OtherProcess::askWithBlock(list, LVM_GETITEMTEXTW, row, local,
                                       [](Item& item, Item* remote) { item.item.pszText = remote->text; }))
            rows.push_back(local.text);
    }
    return rows;
}

// An entry of the bundle editor whose file's folder takes no new file: its problem row tells
// the failed save in the user's words and names the file by the system's path, never by an
// exception's name, the program's device path or the temporary file; once the folder is
// writable, the save goes through and the row goes.
TEST_F(FailureWordsEndToEnd, ABundleEntrysFailedSaveNamesItsFileInTheUsersWords) {
    copy.folder.write(L"e.c", "int e;\r\n");
    TesselRun tessel(copy, L"e.c");
    HWND bundleEditor = nullptr, entry = nullptr;
    ASSERT_TRUE(openCGrammar(tessel, &bundleEditor, &entry));
    const std::wstring folder = user + C_GRAMMAR_CHANGES_FOLDER;
    const std::wstring file = folder + C_GRAMMAR_CHANGES_FILE;
    ASSERT_TRUE(typeText(entry, L" "));
    ASSERT_TRUE(pressChordIn(entry, {VK_CONTROL, 'S'}));
    ASSERT_TRUE(pollFor([&] { return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }, WAIT_MS))
        << "the entry was never saved";
    const std::string first = copy.folder.read(file.substr(copy.folder.path.size() + 1));
    const std::unique_ptr<HostChange> locked = immutableFolder(folder);
    if (!locked->made)
        GTEST_SKIP() << "the host would not make the folder immutable (chattr +i needs root)";

    ASSERT_TRUE(typeText(entry, L" "));
    ASSERT_TRUE(pressChordIn(entry, {VK_CONTROL, 'S'}));
    const std::wstring words = L"Cannot save `" + file + L"`: its folder `" + folder +
                               L"` cannot be written to, so no new file can be made there. Make the folder writable, "
                               L"then try again." +
                               systemSays(ERROR_ACCESS_DENIED);
    std::vector<std::wstring> rows;
    EXPECT_TRUE(pollFor(
        [&] {
            rows = problemRows(bundleEditor);
            return std::find(rows.begin(), rows.end(), words) != rows.end();
        },
        WAIT_MS))
        << "the rows were: " << TesselRun::narrow(rows.empty() ? L"(none)" : rows.back());
    for (const std::wstring& row : rows) {
        for (const wchar_t* never : {L"Exception", L"user:", L"\\.C.b5f92fac"})
            EXPECT_EQ(std::wstring::npos, row.find(never)) << TesselRun::narrow(row);
    }
    EXPECT_EQ(first, copy.folder.read(file.substr(copy.folder.path.size() + 1)));

    ASSERT_TRUE(locked->undo());
    ASSERT_TRUE(pressChordIn(entry, {VK_CONTROL, 'S'}));
    EXPECT_TRUE(pollFor(
        [&] {
            rows = problemRows(bundleEditor);
            return std::find(rows.begin(), rows.end(), words) == rows.end() &&
                   copy.folder.read(file.substr(copy.folder.path.size() + 1)) != first;
        },
        WAIT_MS))
        << "the save never went through";
    EXPECT_TRUE(endsQuietly(tessel, "entry-end"));
}

// The settings the exit cannot write (the user's config folder takes no new file) are told
// before Tessel ends, with a Retry: once the folder is writable again, Retry writes them and
// Tessel ends with 0. Quitting without them ends with 0 too: the user chose it, knowing.
TEST_F(FailureWordsEndToEnd, SettingsTheExitCannotSaveAreToldWithARetryBeforeTesselEnds) {
    const std::wstring config = user + L"\\config";
    // The session holds the window's place, which every exit writes.
    const std::wstring session = config + L"\\session.tsConfig";
    for (const bool retry : {false, true}) {
        SCOPED_TRACE(retry ? "Retry" : "Quit Without Them");
        TesselRun tessel(copy, L"");
        ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
        const std::unique_ptr<HostChange> locked = immutableFolder(config);
        if (!locked->made)
            GTEST_SKIP() << "the host would not make the folder immutable (chattr +i needs root)";
        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(asked(tessel, user, L"&Retry",
                          L"Tessel could not save its settings and session, which are lost if it quits now:\n\nCannot "
                          L"save `" +
                              session + L"`: its folder `" + config +
                              L"` cannot be written to, so no new file can be made there."));
        EXPECT_TRUE(tessel.process.running()) << "Tessel ended before the answer";
        if (retry) {
            ASSERT_TRUE(locked->undo());
            ASSERT_TRUE(tessel.answer({VK_RETURN}));
        } else {
            ASSERT_TRUE(tessel.answer({VK_MENU, 'Q'}));
        }
        EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS)) << shownQuestion(tessel, "settings-end");
        ASSERT_TRUE(locked->undo());
        EXPECT_EQ(retry, ::GetFileAttributesW(session.c_str()) != INVALID_FILE_ATTRIBUTES)
            << (retry ? "Retry wrote nothing" : "the settings were written after all");
    }
}

} // namespace
} // namespace tessel_test
