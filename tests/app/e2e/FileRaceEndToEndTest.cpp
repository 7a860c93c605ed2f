// Another program writing a file while Tessel saves it, driven from outside in Tessel.exe: a copy
// renamed over the file or a line appended to it at any moment of Ctrl+S, round after round, is
// never lost (it is asked about, or kept beside the file and told); and while another program
// keeps writing the file, the user's choice to save over it goes through.

#include "app/e2e/FileOnDisk.h"

#include "support/Spin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace tessel_test {
namespace {

using FileRaceEndToEnd = TesselCopyTest;

// The name Tessel keeps a file under that another program changed as it saved it.
constexpr const wchar_t* KEPT = L"r.c (changed by another program";

// Whether the folder holds a temporary file of Tessel's save of `name` with `size` bytes which
// Tessel has closed (written and flushed): it no longer keeps it from being opened for deletion.
bool savedAside(const TempFolder& folder, const std::wstring& name, uint64_t size) {
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW((folder / (L"." + name + L"*")).c_str(), &data);
    bool found = false;
    for (BOOL more = find != INVALID_HANDLE_VALUE; more && !found; more = ::FindNextFileW(find, &data)) {
        if (((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow) != size)
            continue;
        const HANDLE closed = ::CreateFileW((folder / data.cFileName).c_str(), DELETE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
        found = closed != INVALID_HANDLE_VALUE;
        if (found)
            ::CloseHandle(closed);
    }
    if (find != INVALID_HANDLE_VALUE)
        ::FindClose(find);
    return found;
}

// Another program's writes of the file, each tried again while the file is held (as such a
// program must), for a while.
bool renameOver(const std::wstring& ready, const std::wstring& target) {
    return pollFor([&] { return ::MoveFileExW(ready.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; },
                   WAIT_MS, 0);
}
bool append(const std::wstring& target, const std::string& line) {
    return pollFor(
        [&] {
            const HANDLE file = ::CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_ALWAYS, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                return false;
            DWORD written = 0;
            ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(file);
            return true;
        },
        WAIT_MS, 0);
}

// The buttons' captions of a question, each in brackets.
std::wstring buttonsOf(HWND box) {
    std::wstring buttons;
    for (HWND child = box ? ::GetWindow(box, GW_CHILD) : nullptr; child; child = ::GetWindow(child, GW_HWNDNEXT))
        buttons += L"[" + OtherProcess::windowText(child) + L"]";
    return buttons;
}

// Whether a file Tessel kept beside r.c holds the text.
bool keptHolds(const TempFolder& folder, const std::string& text) {
    for (const std::wstring& name : folder.names())
        if (name.compare(0, wcslen(KEPT), KEPT) == 0 && folder.read(name).find(text) != std::string::npos)
            return true;
    return false;
}

// Ctrl+S on an edited tab; once Tessel has written and closed its temporary file, and from then
// on a little later each round, over the few hundred microseconds in which the save looks at the
// file and replaces it (twice over for each kind of write), another program renames a copy of the
// file with a line of its own over it, or appends that line. Every round tells it: the save asks
// about the change, or says where it kept the file it replaced, or the change after the save is
// asked about. Reloaded, or kept, the other program's line is there.
TEST_F(FileRaceEndToEnd, AWriteDuringTheSaveIsNeverLost) {
    constexpr int ROUNDS = 60;
    constexpr int STEPS = 30;
    constexpr int64_t STEP_MICROS = 10;
    std::string text;
    for (int line = 0; line < 200; ++line)
        text += "int line" + std::to_string(line) + ";\r\n";
    copy.folder.write(L"r.c", text);
    TesselRun tessel(copy, L"r.c");
    ASSERT_TRUE(tessel.hasTitle(L"r.c - Tessel"));
    for (const bool renames : {true, false}) {
        for (int round = 0; round < ROUNDS; ++round) {
            SCOPED_TRACE(std::string(renames ? "rename" : "append") + " round " + std::to_string(round));
            const std::string before = copy.folder.read(L"r.c");
            const std::string theirs = "int theirs" + std::to_string(round) + (renames ? "r" : "a") + ";\r\n";
            if (renames)
                copy.folder.write(L"ready.c", before + theirs);
            ASSERT_TRUE(typedInto(tessel, L"r.c")) << shownQuestion(tessel, "race-type");
            std::atomic<bool> acted{false};
            std::thread other([&] {
                pollFor([&] { return savedAside(copy.folder, L"r.c", before.size() + 1) || tessel.title() == L"r.c - Tessel"; },
                        WAIT_MS, 0);
                spin(round % STEPS * STEP_MICROS);
                acted = renames ? renameOver(copy.folder / L"ready.c", copy.folder / L"r.c")
                                : append(copy.folder / L"r.c", theirs);
            });
            const bool pressed = pressChordIn(tessel.window(), {VK_CONTROL, 'S'});
            other.join();
            ASSERT_TRUE(pressed && acted) << "the other program never wrote";
            const HWND told = tessel.question();
            ASSERT_TRUE(told) << "the other program's line was never told: " << copy.folder.read(L"r.c");
            const std::wstring buttons = buttonsOf(told);
            if (buttons.find(L"[&Reload]") != std::wstring::npos) {
                ASSERT_TRUE(tessel.answer({VK_MENU, 'R'})) << "Reload";
                ASSERT_TRUE(tessel.hasTitle(L"r.c - Tessel")) << shownQuestion(tessel, "race-reloaded");
                EXPECT_NE(std::string::npos, copy.folder.read(L"r.c").find(theirs)) << "reloaded without it";
            } else {
                ASSERT_EQ(L"[OK]", buttons);
                ASSERT_TRUE(tessel.answer({VK_RETURN}));
                ASSERT_TRUE(tessel.hasTitle(L"r.c - Tessel")) << shownQuestion(tessel, "race-kept");
                EXPECT_TRUE(keptHolds(copy.folder, theirs)) << "told kept, yet kept nowhere";
            }
        }
    }
    EXPECT_TRUE(endsQuietly(tessel, "race-close"));
}

// Another program writes the file again whenever Tessel asks about its change, as one that keeps
// writing it does while the user reads the question. The user answers Keep and presses Ctrl+S
// until the save asks, and answers "Keep and Save" there: the tab's text is saved then, rather
// than the question coming back (what the program wrote while it was open is kept beside the file
// and told). Closing then lets the text go.
TEST_F(FileRaceEndToEnd, SavingOverAWriterThatNeverStopsGoesThrough) {
    copy.folder.write(L"w.c", "int w;\r\n");
    TesselRun tessel(copy, L"w.c");
    ASSERT_TRUE(typedInto(tessel, L"w.c"));
    int lines = 0;
    const auto write = [&] { ASSERT_TRUE(append(copy.folder / L"w.c", "int more" + std::to_string(++lines) + ";\r\n")); };
    const auto saved = [&] {
        std::string now;
        return copy.folder.tryRead(L"w.c", &now) && now.compare(0, 6, "qint w") == 0;
    };
    const auto box = [&] { return OtherProcess::findTopLevel(L"afMessageBox", tessel.process.processId()).front(); };
    write();
    int savesAsked = 0;
    for (int attempt = 0; attempt < 12 && !saved(); ++attempt) {
        if (!box()) {
            ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
        }
        ASSERT_TRUE(pollFor([&] { return box() || saved(); }, WAIT_MS)) << "neither asked nor saved";
        const std::wstring buttons = buttonsOf(box());
        if (buttons == L"[OK]") {
            ASSERT_TRUE(tessel.answer({VK_RETURN})); // where the program's last line was kept
        } else if (buttons.find(L"[&Reload]") != std::wstring::npos) {
            if (buttons.find(L"[&Keep and Save]") != std::wstring::npos)
                ++savesAsked;
            write();
            ASSERT_TRUE(tessel.answer({VK_MENU, 'K'})) << TesselRun::narrow(buttons);
        }
        pollFor([&] { return saved() || box(); }, 1000, 10);
    }
    EXPECT_TRUE(saved()) << "the text was never saved, asked " << savesAsked << " times to save over the change: "
                         << copy.folder.read(L"w.c").substr(0, 40);
    EXPECT_GE(1, savesAsked) << "the save's question came back after Keep and Save";
    // Closed: each question on the way is answered, the program's lines left in the file.
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    const bool ended = pollFor(
        [&] {
            const std::wstring buttons = buttonsOf(box());
            if (buttons.find(L"[&Reload]") != std::wstring::npos)
                tessel.answer({VK_MENU, 'K'});
            else if (buttons.find(L"[&Save]") != std::wstring::npos)
                tessel.answer({VK_MENU, 'N'});
            else if (buttons == L"[OK]")
                tessel.answer({VK_RETURN});
            return !tessel.process.running();
        },
        WAIT_MS);
    EXPECT_TRUE(ended) << shownQuestion(tessel, "writer-close");
}

} // namespace
} // namespace tessel_test
