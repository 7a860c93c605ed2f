#pragma once
// One start of the copied Tessel.exe as the end-to-end tests see it: its process, its main
// window ("Tessel35WindowClass") and title, the editor window of the active tab
// ("TesselEditor"), and the questions it asks (the framework's message box, or the system's
// before the framework runs). Every wait is bounded and says what it waited for. Beside it, what
// the tests share: the user's face preferences, the caret and the status bar as the screen shows
// them, and the keys of the find and replace dialogs' fields.

#include "afw/support/PngWriter.h"
#include "app/e2e/ChordInput.h"
#include "app/e2e/UserInput.h"
#include "support/OtherProcess.h"
#include "support/TesselCopy.h"

#include <gtest/gtest.h>

#include <dlgs.h>

#include <string>
#include <vector>

namespace tessel_test {

class TesselRun {
public:
    static constexpr const wchar_t* MAIN_WINDOW = L"Tessel35WindowClass";
    static constexpr const wchar_t* EDITOR = L"TesselEditor";

    TesselRun(const TesselCopy& copy, const std::wstring& arguments)
        : process(copy.program(), arguments, copy.folder.path) {}

    // The main window, waited for.
    HWND window() {
        if (!m_window || !::IsWindow(m_window))
            m_window = process.waitForWindow(MAIN_WINDOW, WAIT_MS);
        return m_window;
    }
    HWND editor() {
        HWND found = nullptr;
        pollFor(
            [&] {
                return (window() && (found = OtherProcess::findChild(window(), EDITOR)) != nullptr) || !process.running();
            },
            WAIT_MS);
        return found;
    }
    std::wstring title() { return window() ? OtherProcess::windowText(window()) : L"(no window)"; }

    // Waits until the window holds the keyboard focus of its thread: where typed keys go once
    // its top-level window is active.
    testing::AssertionResult hasFocus(HWND target) {
        if (target && pollFor([&] { return threadInputOf(target).hwndFocus == target; }, WAIT_MS))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the focus stayed on another window";
    }
    // The window made active with the active tab's editor holding the focus: keys sent now go
    // to that editor.
    testing::AssertionResult focusEditor() {
        const HWND shown = editor();
        if (!activate(shown))
            return testing::AssertionFailure() << "the window could not be made active";
        return hasFocus(shown);
    }

    // The shipped bundles colour the text and the editor holds the focus of the active window:
    // keys sent now go to the editor, and what they do follows the file's language.
    testing::AssertionResult colouredAndFocused() {
        if (!showsKeywords())
            return testing::AssertionFailure() << "the bundles never coloured the text";
        return focusEditor();
    }

    // Waits until the title is `expected`; the assertion names the last title seen.
    testing::AssertionResult hasTitle(const std::wstring& expected) {
        std::wstring seen;
        if (pollFor([&] { return (seen = title()) == expected || !process.running(); }, WAIT_MS) && seen == expected)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the title stayed \"" << narrow(seen) << "\", not \"" << narrow(expected)
                                           << "\"";
    }

    // A second start of the copy hands the file over and ends with 0; the file's tab then comes
    // to the front, its name in the title.
    testing::AssertionResult handOver(const TesselCopy& copy, const std::wstring& name) {
        OtherProcess second(copy.program(), name, copy.folder.path);
        const long code = second.exitCode(WAIT_MS);
        if (code != 0)
            return testing::AssertionFailure() << "the second start ended with " << code;
        return hasTitle(name + L" - Tessel");
    }

    // A question window of the program (a message box), waited for; null when none came.
    HWND question() {
        HWND found = nullptr;
        pollFor(
            [&] {
                found = OtherProcess::findTopLevel(L"afMessageBox", process.processId()).front();
                if (!found)
                    found = OtherProcess::findTopLevel(L"#32770", process.processId()).front();
                return found || !process.running();
            },
            WAIT_MS);
        return found;
    }
    // The question offering the button (its caption, "&Save" say), waited for; null when none
    // came.
    HWND questionOffering(const std::wstring& button) {
        HWND found = nullptr;
        pollFor(
            [&] {
                for (HWND box : OtherProcess::findTopLevel(L"afMessageBox", process.processId()))
                    for (HWND child = box ? ::GetWindow(box, GW_CHILD) : nullptr; child;
                         child = ::GetWindow(child, GW_HWNDNEXT))
                        if (OtherProcess::windowText(child) == button)
                            found = box;
                return found || !process.running();
            },
            WAIT_MS);
        return found;
    }
    // Answers the question with a key chord, and waits until it is gone.
    testing::AssertionResult answer(std::initializer_list<WORD> keys) {
        HWND box = question();
        if (!box)
            return testing::AssertionFailure() << "no question was asked";
        if (!pressChordIn(box, keys))
            return testing::AssertionFailure() << "the question could not be made active";
        if (!pollFor([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, WAIT_MS))
            return testing::AssertionFailure() << "the question stayed after the answer";
        return testing::AssertionSuccess();
    }

    // The framework's dialog (an "afMessageBox") whose title is `title`, waited for; null when
    // none came.
    HWND dialogTitled(const std::wstring& title) {
        HWND found = nullptr;
        pollFor(
            [&] {
                for (HWND box : OtherProcess::findTopLevel(L"afMessageBox", process.processId()))
                    if (box && OtherProcess::windowText(box) == title)
                        found = box;
                return found != nullptr || !process.running();
            },
            WAIT_MS);
        return found;
    }

    // The find or replace dialog Ctrl+`key` opens in `target`, once its find field takes the
    // keys; null when it did not come. Keys go where the focus is, and after a dialog closes
    // the focus comes back to the editor a moment later: the target has it first.
    HWND openDialog(HWND target, WORD key, const std::wstring& title) {
        if (!activate(target) || !hasFocus(target) || !pressChordIn(target, {VK_CONTROL, key}))
            return nullptr;
        HWND dialog = dialogTitled(title);
        if (!dialog || !activate(dialog))
            return nullptr;
        HWND field = OtherProcess::findChild(dialog, L"Edit");
        return field && hasFocus(field) ? dialog : nullptr;
    }

    // F4 in the main window: the bundle editor's window once shown, else null.
    HWND showBundleEditor() {
        HWND shown = nullptr;
        if (pressChordIn(window(), {VK_F4}))
            pollFor(
                [&] {
                    shown = OtherProcess::findTopLevel(L"TesselBundleEditor", process.processId()).front();
                    return (shown && ::IsWindowVisible(shown)) || !process.running();
                },
                WAIT_MS);
        return shown && ::IsWindowVisible(shown) ? shown : nullptr;
    }
    // The first bundle's (C's) first grammar opened from the bundle editor's tree with the
    // keyboard: its editor window, waited for; null when none opened.
    HWND openFirstGrammar(HWND bundleEditor) {
        HWND tree = OtherProcess::findChild(bundleEditor, L"SysTreeView32");
        if (!tree || !pressChordIn(tree, {VK_HOME}))
            return nullptr;
        // The bundle, its first group (Grammars), its first grammar, opened by Enter.
        for (WORD key : {VK_RIGHT, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN})
            if (!pressChord({key}))
                return nullptr;
        HWND entry = nullptr;
        pollFor([&] { return (entry = OtherProcess::findChild(bundleEditor, EDITOR)) != nullptr || !process.running(); },
                WAIT_MS);
        return entry;
    }

    // Opens View > Select Theme... (the menu's only line) and waits for its window; null when it
    // did not come.
    HWND openThemeChooser() {
        if (!pressChordIn(window(), {VK_MENU, 'V'}) || !hasOpenMenus(1) || !pressChord({VK_RETURN}))
            return nullptr;
        HWND chooser = nullptr;
        pollFor([&] { return (chooser = process.findWindow(L"ActionSelectWindow")) != nullptr; }, WAIT_MS);
        return chooser;
    }

    // Waits until the editor shows the shipped theme's keyword blue: the bundles are installed
    // (grammars and snippets go in together) and the text is coloured.
    bool showsKeywords() {
        const HWND shown = editor();
        return shown && pollFor([&] { return Capture::of(shown).count(KEYWORD_BLUE, 8) >= 10; }, WAIT_MS, 20);
    }
    // The visible popup menus of the program: the open menu and its open submenus.
    size_t openMenus() { return OtherProcess::findTopLevel(L"#32768", process.processId()).size() - 1; }
    // Waits until `count` menus are open.
    bool hasOpenMenus(size_t count) {
        return pollFor([&] { return openMenus() == count || !process.running(); }, WAIT_MS) && openMenus() == count;
    }

    static std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

    static constexpr uint32_t KEYWORD_BLUE = 0x0000FF;

    OtherProcess process;

private:
    HWND m_window = nullptr;
};

// A copy of the program with a fresh user folder (the editor font set in its preferences) for
// each test, skipped when the build has no program to copy.
class TesselCopyTest : public testing::Test {
protected:
    void SetUp() override {
        if (!copy.complete)
            GTEST_SKIP() << "Tessel.exe, its DLLs or its bundles are not built in the build's app folder";
        user = copy.freshUserFolder();
    }

    // Saves with Ctrl+S and waits until the file's bytes differ from `before`; they are returned.
    // The file is read only while the title shows the document unmodified: a read while the
    // save replaces the file would make the save fail (Wine refuses to replace an open file).
    std::string savedText(TesselRun& tessel, const wchar_t* name, const std::string& before) {
        std::string now = before;
        const std::wstring saved = std::wstring(name) + L" - Tessel";
        if (pressChordIn(tessel.window(), {VK_CONTROL, 'S'}))
            pollFor(
                [&] {
                    std::string read;
                    if (tessel.title() == saved && copy.folder.tryRead(name, &read))
                        now = read;
                    return now != before || !tessel.process.running();
                },
                WAIT_MS);
        return now;
    }

    TesselCopy copy;
    std::wstring user;
};

// The user's preferences: the test font, and the face of the editor as given (such as
// "word_wrap : true"), for the first user folder of the copy.
inline void writeFace(TesselCopy& copy, const std::string& face) {
    copy.folder.write(L"user-1\\config\\preferences.tsConfig",
                      std::string(TesselCopy::VERSION_ENTRY) +
                          "app.editor.font : { names : [ 'DejaVu Sans Mono' ] size : 10 } app.editor.face : { " +
                          face + " } }\r\n");
}

// The shipped theme's selection (#3399FF at 30 %) over white.
constexpr uint32_t SELECTED = 0xC1E0FF;

// Pixels of text ink in the capture.
inline int inkOf(const Capture& capture) { return capture.count(0x000000, 128); }

// The caret once the window shows one, waited for; false when none came.
inline bool shownCaret(HWND window, RECT* o_caret) {
    return pollFor(
        [&] {
            *o_caret = caretOf(window);
            return o_caret->bottom > o_caret->top;
        },
        WAIT_MS);
}

// Where the editor's text shows: the caret at the start of a file just opened, a character's
// width and a row's height, read once the layout has put the tab strip above the editor (until
// then a point aimed at the editor may land elsewhere) and the editor has the focus.
struct TextGrid {
    HWND editor = nullptr;
    RECT start = {};
    double width = 0;
    LONG rowHeight = 0;

    // The screen point `columns` characters into the row, halfway down it.
    POINT at(double columns, int row) const {
        POINT point = {start.left + static_cast<LONG>(columns * width), start.top + rowHeight * row + rowHeight / 2};
        ::ClientToScreen(editor, &point);
        return point;
    }
    // The character cell `column` characters into the row, in the editor's client area.
    RECT cell(int column, int row) const {
        const LONG top = start.top + rowHeight * row;
        return RECT{start.left + static_cast<LONG>(column * width), top,
                    start.left + static_cast<LONG>((column + 1) * width), top + rowHeight};
    }
};
inline testing::AssertionResult readTextGrid(TesselRun& tessel, TextGrid* o_grid) {
    const HWND editor = tessel.editor();
    POINT origin = {0, 0};
    if (!pollFor(
            [&] {
                origin = {0, 0};
                return ::ClientToScreen(editor, &origin) && ::ScreenToClient(tessel.window(), &origin) && origin.y > 0;
            },
            WAIT_MS))
        return testing::AssertionFailure() << "the editor stayed at the top of the window";
    const testing::AssertionResult focused = tessel.focusEditor();
    if (!focused)
        return focused;
    if (!shownCaret(editor, &o_grid->start))
        return testing::AssertionFailure() << "no caret shown";
    o_grid->editor = editor;
    o_grid->width = characterWidth();
    o_grid->rowHeight = o_grid->start.bottom - o_grid->start.top;
    return testing::AssertionSuccess();
}

// The status bar, the 24 pixels at the bottom of the main window: its left half is the text
// area (what a search did, a refused edit), its right half the editor's strip (the caret's line
// and character, then the document's language, encoding, line ending and indentation).
inline Capture statusArea(HWND window, bool strip = false) {
    const Capture all = Capture::of(window);
    const int top = all.height - (all.height < 24 ? all.height : 24);
    return all.part(strip ? RECT{all.width / 2, top, all.width, all.height} : RECT{0, top, all.width / 2, all.height});
}

// Writes the capture as "e2e-<name>.png" beside the test program and returns the path, for the
// failure message of a pixel probe.
inline std::string keepCapture(const Capture& capture, const std::string& name) {
    if (capture.pixels.empty())
        return "(nothing: the window had no client area)";
    const std::wstring folder = programFolder();
    const std::string path = std::string(folder.begin(), folder.end()) + "e2e-" + name + ".png";
    writePngFile(path, capture.width, capture.height, capture.pixels);
    return path;
}

// The file dialog titled `title` ("Open", "Save As"): its name box and its "Open as read-only"
// box set as a user would, then its default button; a file saved over is confirmed with Yes when
// the dialog asks.
inline testing::AssertionResult confirmFileDialog(TesselRun& tessel, const wchar_t* title, const std::wstring& path,
                                                  bool readOnly) {
    HWND dialog = nullptr;
    if (!pollFor(
            [&] {
                for (HWND shown : OtherProcess::findTopLevel(L"#32770", tessel.process.processId()))
                    if (shown && OtherProcess::windowText(shown) == title)
                        dialog = shown;
                return dialog != nullptr;
            },
            WAIT_MS))
        return testing::AssertionFailure() << "no dialog titled " << TesselRun::narrow(title);
    HWND name = ::GetDlgItem(dialog, cmb13);
    if (!name)
        name = ::GetDlgItem(dialog, edt1);
    if (!name || !::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str())))
        return testing::AssertionFailure() << "the name box took no name";
    if (readOnly) {
        HWND box = ::GetDlgItem(dialog, chx1);
        if (!box || !::IsWindowVisible(box))
            return testing::AssertionFailure() << "no read-only box shown";
        ::SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    }
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    bool replaced = false;
    if (!pollFor(
            [&] {
                if (!::IsWindow(dialog) || !::IsWindowVisible(dialog))
                    return true;
                for (HWND asking : OtherProcess::findTopLevel(L"#32770", tessel.process.processId()))
                    if (!replaced && asking && ::GetWindow(asking, GW_OWNER) == dialog) {
                        ::PostMessageW(asking, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
                        replaced = true;
                    }
                return false;
            },
            WAIT_MS))
        return testing::AssertionFailure() << "the dialog stayed";
    return testing::AssertionSuccess();
}

// A click into the middle of the window once it is laid out, made active first, as a user puts
// the keys there.
inline testing::AssertionResult clickInto(HWND window) {
    RECT frame = {};
    if (!pollFor([&] { return ::GetWindowRect(window, &frame) && frame.right - frame.left > 100; }, WAIT_MS))
        return testing::AssertionFailure() << "the window was never laid out";
    if (!activate(window) || !clickAt({(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2}))
        return testing::AssertionFailure() << "the window could not be clicked";
    return testing::AssertionSuccess();
}

// Waits until the dialog is gone.
inline testing::AssertionResult closes(HWND dialog) {
    if (pollFor([&] { return !::IsWindow(dialog); }, WAIT_MS))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the dialog stayed";
}

inline BOOL CALLBACK collectField(HWND child, LPARAM fields) {
    if (OtherProcess::hasClass(child, L"Edit"))
        reinterpret_cast<std::vector<HWND>*>(fields)->push_back(child);
    return TRUE;
}
// The dialog's text fields in their order: what to find, then the replacement.
inline std::vector<HWND> fieldsOf(HWND dialog) {
    std::vector<HWND> fields;
    ::EnumChildWindows(dialog, &collectField, reinterpret_cast<LPARAM>(&fields));
    return fields;
}

// Types the text over what the focused field holds with keys that need no modifier (End, a
// Backspace for each unit there): on a loaded machine Wine may let a chord's key arrive
// without its modifier.
inline bool retype(HWND field, const std::wstring& text) {
    const size_t held = OtherProcess::windowText(field).size();
    bool sent = pressChord({VK_END});
    for (size_t i = 0; i < held && sent; ++i)
        sent = pressChord({VK_BACK});
    return sent && typeKeys(text);
}

// The find text typed over what its field holds, and the replacement after Tab when given.
inline testing::AssertionResult typeValues(HWND dialog, const std::wstring& find, const wchar_t* with = nullptr) {
    const std::vector<HWND> fields = fieldsOf(dialog);
    if (fields.empty() || !retype(fields[0], find))
        return testing::AssertionFailure() << "the find text was not typed";
    if (with && (fields.size() < 2 || !pressChord({VK_TAB}) || !retype(fields[1], with)))
        return testing::AssertionFailure() << "the replacement was not typed";
    return testing::AssertionSuccess();
}

// What the program's log (UTF-16, "debug.log" in the user folder `user` of the copy) says so far.
inline std::wstring programLog(const TesselCopy& copy, const std::wstring& user) {
    const std::string bytes = copy.folder.read(user.substr(copy.folder.path.size() + 1) + L"\\debug.log");
    std::wstring log;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        log += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return log;
}

// What a step that failed met in the program: the question it shows, named by its buttons, with
// a capture of it kept (the box draws its text), for the failure message; "" when none is open.
inline std::string shownQuestion(TesselRun& tessel, const std::string& name) {
    HWND box = OtherProcess::findTopLevel(L"afMessageBox", tessel.process.processId()).front();
    if (!box)
        return "";
    std::string buttons;
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        buttons += " [" + TesselRun::narrow(OtherProcess::windowText(child)) + "]";
    return "a question with the buttons" + buttons + " is open: " + keepCapture(Capture::of(box), name);
}

} // namespace tessel_test
