// Tessel.exe as a user meets it, driven from outside: a copy of the built program with a user
// folder of its own is started, text is typed into its editor as WM_CHAR, action keys go through
// SendInput, and what happens is read back from its window titles, its questions, its exit
// codes, the bytes on disk and the pixels on the screen.

#include "app/e2e/TesselRun.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace tessel_test {
namespace {

constexpr uint32_t KEYWORD_BLUE = 0x0000FF;

// The text of a settings file, which Tessel writes in UTF-16 with a byte order mark, narrowed
// to its ASCII characters.
std::string readSettings(const std::wstring& path) {
    std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
    return settingsText(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

using EndToEnd = TesselCopyTest;

// The text typed into the file opened from the command line, then Ctrl+S.
testing::AssertionResult typeAndSave(TesselRun& tessel, const std::wstring& name, const std::wstring& text) {
    testing::AssertionResult shown = tessel.hasTitle(name + L" - Tessel");
    if (!shown)
        return shown;
    if (!typeText(tessel.editor(), text))
        return testing::AssertionFailure() << "the editor took no text";
    testing::AssertionResult modified = tessel.hasTitle(name + L" * - Tessel");
    if (!modified)
        return modified;
    if (!pressChordIn(tessel.window(), {VK_CONTROL, 'S'}))
        return testing::AssertionFailure() << "Ctrl+S was not sent";
    return testing::AssertionSuccess();
}

TEST_F(EndToEnd, TypedTextIsSavedBeforeTheOldBytesWithTheirLineEnds) {
    const std::string old = "/* h\xC3\xA9llo */\r\nint x;\r\n";
    copy.folder.write(L"hello.c", old);
    TesselRun tessel(copy, L"hello.c");
    ASSERT_TRUE(typeAndSave(tessel, L"hello.c", L"ab"));
    ASSERT_TRUE(tessel.hasTitle(L"hello.c - Tessel"));
    EXPECT_EQ("ab" + old, copy.folder.read(L"hello.c")) << "UTF-8 without a BOM, CR LF kept";
}

TEST_F(EndToEnd, ClosingAsksBeforeUnsavedTextIsLost) {
    const std::string old = "int kept;\r\n";
    copy.folder.write(L"close.c", old);
    {
        TesselRun tessel(copy, L"close.c");
        ASSERT_TRUE(typeText(tessel.editor(), L"q"));
        ASSERT_TRUE(tessel.hasTitle(L"close.c * - Tessel"));
        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(tessel.answer({VK_ESCAPE})) << "Cancel";
        EXPECT_TRUE(tessel.process.running());
        EXPECT_TRUE(tessel.hasTitle(L"close.c * - Tessel"));

        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(tessel.answer({VK_MENU, 'N'})) << "Don't Save";
        EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
        EXPECT_EQ(old, copy.folder.read(L"close.c"));
    }
    TesselRun tessel(copy, L"close.c");
    ASSERT_TRUE(typeText(tessel.editor(), L"q"));
    ASSERT_TRUE(tessel.hasTitle(L"close.c * - Tessel"));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Save, the default";
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
    EXPECT_EQ("q" + old, copy.folder.read(L"close.c"));
}

TEST_F(EndToEnd, ASecondStartHandsItsFileToTheFirst) {
    copy.folder.write(L"first.c", "int first;\r\n");
    copy.folder.write(L"second.c", "int second;\r\n");
    TesselRun first(copy, L"first.c");
    ASSERT_TRUE(first.hasTitle(L"first.c - Tessel"));
    OtherProcess second(copy.program(), L"second.c", copy.folder.path); // relative to its own folder
    EXPECT_EQ(0, second.exitCode(WAIT_MS)) << "the second start ends with 0";
    EXPECT_TRUE(first.hasTitle(L"second.c - Tessel"));
    EXPECT_EQ(2u, OtherProcess::findTopLevel(TesselRun::MAIN_WINDOW).size()) << "one main window, then the list's end";
    ASSERT_TRUE(pressChordIn(first.window(), {VK_CONTROL, 'W'}));
    EXPECT_TRUE(first.hasTitle(L"first.c - Tessel"));
}

// A start handing a file over while the window asks its closing questions is told at once that
// Tessel is closing and the file was not opened, in a box of its own, and ends (1) once that is
// answered: nothing goes unseen. Cancel keeps the window with its own file; once the window has
// gone, the next start opens the file as the first instance.
TEST_F(EndToEnd, AFileHandedOverWhileTheWindowClosesIsToldNotOpenedNeverDroppedUnseen) {
    copy.folder.write(L"first.c", "int first;\r\n");
    copy.folder.write(L"second.c", "int second;\r\n");
    copy.folder.write(L"third.c", "int third;\r\n");
    // first.c edited, the window asked to close, and a start handing `file` over while the
    // question is open: told at once, it says so.
    const auto handOverWhileAsked = [&](TesselRun& first, const wchar_t* file) {
        ASSERT_TRUE(typeText(first.editor(), L"q"));
        ASSERT_TRUE(first.hasTitle(L"first.c * - Tessel"));
        ::PostMessageW(first.window(), WM_CLOSE, 0, 0);
        ASSERT_NE(nullptr, first.question());
        OtherProcess next(copy.program(), file, copy.folder.path);
        HWND said = nullptr;
        ASSERT_TRUE(pollFor(
            [&] { return (said = OtherProcess::findTopLevel(L"afMessageBox", next.processId()).front()) != nullptr; },
            WAIT_MS))
            << TesselRun::narrow(file) << " was neither taken nor refused in words";
        ASSERT_TRUE(pressChordIn(said, {VK_RETURN}));
        EXPECT_EQ(1, next.exitCode(WAIT_MS)) << TesselRun::narrow(file) << " was taken by a closing window";
    };
    {
        TesselRun first(copy, L"first.c");
        handOverWhileAsked(first, L"second.c");
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(first.answer({VK_ESCAPE})) << "Cancel";
        EXPECT_TRUE(first.hasTitle(L"first.c * - Tessel")) << "second.c opened after all";
        ::PostMessageW(first.window(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(first.answer({VK_MENU, 'N'})) << "Don't Save";
        EXPECT_EQ(0, first.process.exitCode(WAIT_MS));
    }
    // The window goes: the next start is the first instance and opens the file.
    {
        TesselRun first(copy, L"first.c");
        handOverWhileAsked(first, L"third.c");
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(first.answer({VK_MENU, 'N'})) << "Don't Save";
        EXPECT_EQ(0, first.process.exitCode(WAIT_MS));
    }
    TesselRun next(copy, L"third.c");
    EXPECT_TRUE(next.hasTitle(L"third.c - Tessel"));
    EXPECT_EQ("int first;\r\n", copy.folder.read(L"first.c"));
    ::PostMessageW(next.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, next.process.exitCode(WAIT_MS));
}

TEST_F(EndToEnd, MalformedCopyDataIsRefused) {
    copy.folder.write(L"other.c", "int other;\r\n");
    TesselRun tessel(copy, L"");
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    std::wstring path = L"other.c";
    path.push_back(L'\0');
    const std::wstring large(32768, L'x'); // with its NUL, 64 KB + 2 bytes
    const struct {
        const char* what;
        ULONG_PTR kind;
        const wchar_t* text;
        DWORD bytes;
    } cases[] = {
        {"an odd size", 0, path.c_str(), static_cast<DWORD>(path.size() * 2 - 1)},
        {"no NUL", 0, path.c_str(), static_cast<DWORD>((path.size() - 1) * 2)},
        {"dwData 1", 1, path.c_str(), static_cast<DWORD>(path.size() * 2)},
        {"64 KB + 2 bytes", 0, large.c_str(), static_cast<DWORD>((large.size() + 1) * 2)},
        {"no bytes", 0, nullptr, 0},
    };
    for (const auto& item : cases) {
        COPYDATASTRUCT data = {item.kind, item.bytes, const_cast<wchar_t*>(item.text)};
        DWORD_PTR answer = 99;
        EXPECT_TRUE(::SendMessageTimeoutW(tessel.window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                          SMTO_ABORTIFHUNG, 5000, &answer))
            << item.what << ": no answer";
        EXPECT_EQ(0u, answer) << item.what;
    }
    EXPECT_TRUE(tessel.process.running());
    EXPECT_TRUE(tessel.hasTitle(L"Untitled - Tessel")) << "nothing was opened";
}

TEST_F(EndToEnd, AnUnknownOptionIsExplainedAndTheStartGoesOn) {
    TesselRun tessel(copy, L"--unknown");
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    EXPECT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tessel.process.exitCode(WAIT_MS));
}

TEST_F(EndToEnd, AUserFolderThatIsAFileIsExplainedAndEndsTheStart) {
    copy.folder.write(L"not-a-folder", "a file");
    copy.freshUserFolder(false, L"not-a-folder");
    TesselRun tessel(copy, L"");
    ASSERT_TRUE(tessel.answer({VK_RETURN}));
    EXPECT_EQ(1, tessel.process.exitCode(WAIT_MS));
}

TEST_F(EndToEnd, AFileTooLargeToOpenIsExplainedAndTheWindowStaysUsable) {
    // 1.5 GB of nothing: the file system keeps it sparse.
    HANDLE file = ::CreateFileW((copy.folder / L"huge.c").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD returned = 0;
    ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 1536LL << 20;
    const bool sized = ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    ASSERT_TRUE(sized);

    TesselRun tessel(copy, L"huge.c");
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "Cannot open";
    ASSERT_TRUE(tessel.hasTitle(L"Untitled - Tessel"));
    ASSERT_TRUE(typeText(tessel.editor(), L"z"));
    EXPECT_TRUE(tessel.hasTitle(L"Untitled * - Tessel"));
}

TEST_F(EndToEnd, ShippedGrammarAndThemeColourTheText) {
    copy.folder.write(L"main.c", "int main(void) { return 0; }\r\n");
    TesselRun tessel(copy, L"main.c");
    const HWND editor = tessel.editor();
    ASSERT_NE(nullptr, editor);
    ASSERT_TRUE(activate(editor)); // the caret line shows in the focused editor
    Capture capture;
    const auto keep = [&] { return "; the capture is in " + keepCapture(capture, "colours"); };
    ASSERT_TRUE(pollFor([&] { return (capture = Capture::of(editor)).count(KEYWORD_BLUE, 8) >= 10; }, 15000, 20))
        << "no keyword colour within 15 s" << keep();

    // The line's ink: its rows, and its first column ("int" is a keyword too).
    int top = capture.height, bottom = -1, left = capture.width;
    for (int y = 0; y < capture.height; ++y)
        for (int x = 0; x < capture.width; ++x)
            if (Capture::distance(capture.at(x, y), KEYWORD_BLUE) <= 8) {
                top = y < top ? y : top;
                bottom = y > bottom ? y : bottom;
                left = x < left ? x : left;
            }
    const double w = characterWidth();
    const auto columns = [&](double from, double to, int y0, int y1) {
        return RECT{left + static_cast<LONG>(from * w), y0, left + static_cast<LONG>(to * w), y1};
    };
    // "int main(void) { return 0; }": "main" is characters 4-7, "return" 17-22.
    EXPECT_GE(capture.count(columns(16.8, 23, top, bottom + 1), KEYWORD_BLUE, 8), 10) << "\"return\"" << keep();
    EXPECT_EQ(0, capture.count(columns(4.2, 7.8, top, bottom + 1), KEYWORD_BLUE, 8)) << "\"main\"" << keep();
    const int lineHeight = bottom - top + 1;
    EXPECT_EQ(0xFFFFFFu, capture.commonest(columns(0, 40, bottom + 3 * lineHeight, capture.height - 2)))
        << "the background below the text" << keep();
    const uint32_t caretLine = capture.commonest(columns(30, 60, top, bottom + 1));
    EXPECT_LE(Capture::distance(caretLine, 0xF3F3F3), 2)
        << "#0000000C over #FFFFFF on the caret line, not #" << std::hex << caretLine << keep();
}

// What a click on the status strip shows: the item pressed and the menu it opened, on the screen.
struct StripMenu {
    RECT item = {};
    RECT menu = {};
    HWND handle = nullptr;
};

// Clicks the status strip at x (in the main window's client area) and waits for the menu and for
// the item's pressed frame: what changed to the frame's colour, found from the click outwards
// (the menu may cover the status bar's top rows). The menu stays open.
testing::AssertionResult openStripMenu(TesselRun& tessel, int x, StripMenu* o_opened) {
    const HWND window = tessel.window();
    RECT client = {};
    POINT origin = {0, 0};
    if (!window || !::GetClientRect(window, &client) || !::ClientToScreen(window, &origin) || !activate(window))
        return testing::AssertionFailure() << "no window to click";
    const int y = client.bottom - 12; // the middle of the status bar
    const Capture before = Capture::of(window);
    if (!clickAt({origin.x + x, origin.y + y}))
        return testing::AssertionFailure() << "the click was not sent";
    if (!pollFor([&] { return (o_opened->handle = tessel.process.findWindow(L"#32768")) != nullptr; }, WAIT_MS))
        return testing::AssertionFailure() << "no menu opened at x " << x;
    const uint32_t frame = ::GetSysColor(COLOR_BTNSHADOW);
    const uint32_t frameColour = (frame & 0xFF) << 16 | (frame & 0xFF00) | (frame >> 16 & 0xFF);
    RECT found = {};
    const bool pressed = pollFor(
        [&] {
            const Capture after = Capture::of(window);
            if (after.width != before.width || after.height != before.height || x < 0 || x >= after.width ||
                y < 0 || y >= after.height)
                return false;
            const auto side = [&](int px, int py) {
                return after.at(px, py) == frameColour && before.at(px, py) != frameColour;
            };
            int left = x, right = x, top = y, bottom = y;
            while (left > 0 && !side(left, y))
                --left;
            while (right < after.width - 1 && !side(right, y))
                ++right;
            while (top > 0 && !side(x, top))
                --top;
            while (bottom < after.height - 1 && !side(x, bottom))
                ++bottom;
            found = RECT{left, top, right + 1, bottom + 1};
            return side(left, y) && side(right, y) && side(x, top) && side(x, bottom);
        },
        WAIT_MS);
    if (!pressed)
        return testing::AssertionFailure() << "no item showed pressed at x " << x;
    o_opened->item = RECT{origin.x + found.left, origin.y + found.top, origin.x + found.right, origin.y + found.bottom};
    ::GetWindowRect(o_opened->handle, &o_opened->menu);
    return testing::AssertionSuccess();
}

std::string describe(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " - " + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

TEST_F(EndToEnd, TheStatusStripsMenusOpenAtTheirItemsAndTheEncodingOneLetsATypedCharacterBeSaved) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "needs code page 1252, this system uses " << ::GetACP();
    const std::string old = "caf\xE9 ok\r\n"; // not UTF-8: the system's code page, 1252
    copy.folder.write(L"latin.txt", old);
    TesselRun tessel(copy, L"latin.txt");
    ASSERT_TRUE(typeAndSave(tessel, L"latin.txt", L"\u03A9"));
    ASSERT_TRUE(tessel.answer({VK_RETURN})) << "the code page has no omega: the save is refused";
    EXPECT_EQ(old, copy.folder.read(L"latin.txt"));
    EXPECT_TRUE(tessel.hasTitle(L"latin.txt * - Tessel"));

    // From the right: the indentation, the line ending, the encoding.
    RECT client = {};
    ::GetClientRect(tessel.window(), &client);
    POINT origin = {0, 0};
    ::ClientToScreen(tessel.window(), &origin);
    int x = client.right - 8;
    StripMenu opened;
    for (const char* item : {"indentation", "line ending", "encoding"}) {
        ASSERT_TRUE(openStripMenu(tessel, x, &opened)) << item;
        RECT grown = opened.item, common = {};
        ::InflateRect(&grown, 1, 1);
        EXPECT_TRUE(::IntersectRect(&common, &grown, &opened.menu))
            << "the " << item << " menu at " << describe(opened.menu) << ", its item at " << describe(opened.item);
        if (std::string(item) == "encoding")
            break;
        ASSERT_TRUE(pressChord({VK_ESCAPE}));
        ASSERT_TRUE(pollFor([&] { return !::IsWindowVisible(opened.handle); }, WAIT_MS)) << "the menu stayed";
        x = opened.item.left - origin.x - 6;
    }
    // The encoding menu's first line is UTF-8.
    ASSERT_TRUE(pressChord({VK_DOWN}));
    ASSERT_TRUE(pressChord({VK_RETURN}));
    ASSERT_TRUE(pollFor([&] { return !::IsWindowVisible(opened.handle); }, WAIT_MS)) << "the menu stayed";
    ASSERT_TRUE(pressChordIn(tessel.window(), {VK_CONTROL, 'S'}));
    ASSERT_TRUE(tessel.hasTitle(L"latin.txt - Tessel"));
    EXPECT_EQ("\xEF\xBB\xBF\xCE\xA9"
              "caf\xC3\xA9 ok\r\n",
              copy.folder.read(L"latin.txt"));
}

TEST_F(EndToEnd, ACleanExitWritesTheSettingsAndTheWindowReopensWhereItWas) {
    user = copy.freshUserFolder(false); // empty: every settings file is the exit's own
    copy.folder.write(L"a.c", "int a;\r\n");
    RECT moved = {};
    {
        TesselRun tessel(copy, L"a.c");
        ASSERT_TRUE(tessel.hasTitle(L"a.c - Tessel"));
        ASSERT_TRUE(::SetWindowPos(tessel.window(), nullptr, 123, 87, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE));
        ASSERT_TRUE(pollFor([&] { return ::GetWindowRect(tessel.window(), &moved) && moved.left == 123; }, WAIT_MS));
        ::PostMessageW(tessel.window(), WM_CLOSE, 0, 0);
        ASSERT_EQ(0, tessel.process.exitCode(WAIT_MS));
    }
    // What the run changed is written, the window's placement; the files it changed nothing of
    // are not.
    std::istringstream text(readSettings(user + L"\\config\\session.tsConfig"));
    std::string first;
    text >> first;
    if (first == "{")
        text >> first;
    EXPECT_EQ("version", first.substr(0, 7));
    for (const wchar_t* name : {L"preferences", L"languages"})
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((user + L"\\config\\" + name + L".tsConfig").c_str()))
            << TesselRun::narrow(name);
    TesselRun again(copy, L"a.c");
    ASSERT_NE(nullptr, again.window());
    RECT placed = {};
    EXPECT_TRUE(pollFor([&] { return ::GetWindowRect(again.window(), &placed) && ::EqualRect(&placed, &moved); }, WAIT_MS))
        << "placed at " << placed.left << "," << placed.top << " " << placed.right - placed.left << "x"
        << placed.bottom - placed.top;
}

// Characters typed at the top of a 400 000-line C file just opened, while the grammar's first
// pass over it runs for seconds: the window's thread takes the Document lock for each edit and
// each paint between the parser's slices, so the text shows at once. The file starts with an
// empty line, so the typed text's ink is all that changes in the first row.
TEST_F(EndToEnd, TextTypedIntoALargeCFileDuringItsFirstPassShowsWithinASecond) {
    std::string text = "\r\n";
    text.reserve(24u << 20);
    for (int i = 0; i < 400000; ++i)
        text += "int f" + std::to_string(i) + "(int a) { return a * 2; } /* line */\r\n";
    copy.folder.write(L"large.c", text);
    TesselRun tessel(copy, L"large.c");
    const HWND editor = tessel.editor();
    ASSERT_NE(nullptr, editor);
    ASSERT_TRUE(activate(editor));
    const int rowHeight = 12; // within the first line at the font's 10 points
    // The file's lines shown (and the gutter as wide as their numbers need) before typing starts.
    const auto shownLines = [&](const Capture& now) {
        return now.count(RECT{0, 2 * rowHeight, now.width, now.height}, 0x000000, 128);
    };
    Capture before;
    ASSERT_TRUE(pollFor([&] { return shownLines(before = Capture::of(editor)) > 500; }, WAIT_MS, 20))
        << "the file's text never showed; the capture is in " << keepCapture(before, "opened");
    const auto typedInk = [&](const Capture& now) {
        int changed = 0;
        for (int y = 0; y < rowHeight && y < now.height && now.width == before.width; ++y)
            for (int x = 0; x < now.width; ++x)
                changed += Capture::distance(now.at(x, y), before.at(x, y)) > 64;
        return changed;
    };

    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(typeText(editor, L"WWWWWWWW")) << "the editor did not take a keystroke within 5 s";
    Capture after;
    // Far more than a blinking caret changes: the ink of eight wide letters.
    const bool shown = pollFor([&] { return typedInk(after = Capture::of(editor)) > 120; }, WAIT_MS, 10);
    const DWORD elapsed = ::GetTickCount() - start;
    ASSERT_TRUE(shown) << "the typed text never showed; the capture is in " << keepCapture(after, "typed");
    EXPECT_LT(elapsed, 1000u) << "the typed text showed after " << elapsed << " ms; the capture is in "
                              << keepCapture(after, "typed");
}

} // namespace
} // namespace tessel_test
