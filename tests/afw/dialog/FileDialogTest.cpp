#include "afw/core/afModuleInstance.h"
#include "afw/dialog/afDialogFile.h"
#include "afw/graphics/afStockResources.h"
#include "afw/window/afTestWindow.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <string>
#include <vector>

using namespace tessel_test;

namespace {

using Paths = std::vector<std::wstring>;

// Text (txt, log) and All (*).
void addFilters(afFileDialogOptions& options) {
    options.filters.add(11, L"Text", {L"txt", L"log"});
    options.filters.add(22, L"All", {L"*"});
}

TEST(FileDialogLogic, FilterTextAndPreselection) {
    afFileDialogOptions options;
    addFilters(options);
    const wchar_t text[] = L"Text (*.txt; *.log)\0*.txt; *.log\0All (*.*)\0*.*\0";
    const std::wstring expected(text, sizeof text / sizeof text[0] - 1);
    EXPECT_EQ(expected, afDialogFileBase::buildFilterText(options.filters));
    EXPECT_EQ(11u, afDialogFileBase::keyForExtension(options.filters, L"C:\\d\\NOTES.LOG"));
    EXPECT_EQ(0u, afDialogFileBase::keyForExtension(options.filters, L"C:\\d.txt\\notes"));
    EXPECT_EQ(2u, afDialogFileBase::filterPosition(options.filters, 22));
    EXPECT_EQ(1u, afDialogFileBase::filterPosition(options.filters, 99));

    afDialogFileOpen dialog;
    OPENFILENAMEW record;
    std::wstring filterText;
    options.fileName = L"NOTES.LOG";
    dialog.prepare(options, record, filterText);
    EXPECT_EQ(88u, record.lStructSize);
    EXPECT_EQ(1u, record.nFilterIndex);
    EXPECT_EQ(options.filters.at(0), dialog.getInitialFilter());
    EXPECT_EQ(65535u, record.nMaxFile);
    EXPECT_STREQ(L"NOTES.LOG", record.lpstrFile);
    EXPECT_EQ(DWORD(OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                    OFN_FORCESHOWHIDDEN),
              record.Flags);
}

TEST(FileDialogLogic, TheMultiSelectionSplit) {
    const struct {
        std::wstring buffer;
        Paths paths;
    } cases[] = {
        {std::wstring(L"C:\\d\0a\0b\0\0", 11), {L"C:\\d\\a", L"C:\\d\\b"}},
        {std::wstring(L"C:\\\0a\0\0", 7), {L"C:\\a"}},
        {std::wstring(L"C:\\d\\one.txt\0\0", 14), {L"C:\\d\\one.txt"}},
        {std::wstring(L"\0\0", 2), {}},
    };
    for (const auto& c : cases) {
        Paths paths;
        afDialogFileBase::splitSelection(c.buffer.data(), c.buffer.size(), paths);
        EXPECT_EQ(c.paths, paths);
    }
}

TEST(FileDialogLogic, ATooLongInitialNameStartsEmptyAndIsLogged) {
    LogCapture log;
    afFileDialogOptions options;
    options.fileName.assign(70000, L'x');
    afDialogFileSave dialog;
    OPENFILENAMEW record;
    std::wstring filterText;
    dialog.prepare(options, record, filterText);
    EXPECT_STREQ(L"", record.lpstrFile);
    EXPECT_TRUE(log.contains(L"does not fit"));
    // The platform's failure (or a cancel) answers cancel and leaves no result.
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog.finish(record, FALSE));
    EXPECT_TRUE(options.results.empty());
}

// The "Open as read-only" box: checked at the start when asked, and its state when the user
// confirmed is the options' answer; a cancel leaves the options as they were.
TEST(FileDialogLogic, TheReadOnlyBoxGoesInAndItsStateComesBack) {
    for (const bool checked : {false, true}) {
        afFileDialogOptions options;
        addFilters(options);
        options.readOnly = checked;
        afDialogFileOpen dialog;
        OPENFILENAMEW record;
        std::wstring filterText;
        dialog.prepare(options, record, filterText);
        EXPECT_EQ(checked, (record.Flags & OFN_READONLY) != 0);
        EXPECT_EQ(0u, record.Flags & OFN_HIDEREADONLY) << "the box is shown";
        wcscpy(record.lpstrFile, L"C:\\d\\a.txt");
        record.Flags ^= OFN_READONLY; // the user clicked the box
        EXPECT_EQ(afWindow::RESULT_OK, dialog.finish(record, TRUE));
        EXPECT_EQ(!checked, options.readOnly);
        EXPECT_EQ(Paths{L"C:\\d\\a.txt"}, options.results);
        EXPECT_EQ(afWindow::RESULT_CANCEL, dialog.finish(record, FALSE));
        EXPECT_EQ(!checked, options.readOnly);
    }
}

// A window with dialog bytes standing for the hooked child dialog, under a parent holding the
// name box (1148).
class RecordingDialog {
public:
    RecordingDialog() {
        WNDCLASSW record = {};
        record.lpfnWndProc = &::DefWindowProcW;
        record.cbWndExtra = DLGWINDOWEXTRA;
        record.hInstance = ::GetModuleHandleW(nullptr);
        record.lpszClassName = L"afFileDialogTestHook";
        ::RegisterClassW(&record);
        parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(1148), nullptr,
                          nullptr);
        hook = ::CreateWindowExW(0, L"afFileDialogTestHook", L"", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr,
                                 nullptr);
    }
    ~RecordingDialog() { ::DestroyWindow(parent); }

    // Sends a notification through the dialog hook; whether the dialog may close.
    bool notify(UINT code, OPENFILENAMEW& record) {
        OFNOTIFYW notice = {};
        notice.hdr.hwndFrom = hook;
        notice.hdr.code = code;
        notice.lpOFN = &record;
        ::SetWindowLongPtrW(hook, DWLP_MSGRESULT, 0);
        afDialogFileBase::hook(hook, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
        return ::GetWindowLongPtrW(hook, DWLP_MSGRESULT) == 0;
    }
    std::wstring nameBox() const {
        wchar_t text[MAX_PATH] = {};
        ::GetDlgItemTextW(parent, 1148, text, MAX_PATH);
        return text;
    }

    HWND parent = nullptr;
    HWND hook = nullptr;
};

TEST(FileDialogLogic, TheSaveDialogCompletesABareName) {
    const struct {
        const wchar_t* fileName;
        UINT shownFilter; // 1-based, as the platform tells it
        std::vector<std::wstring> typed;
        bool accepted;
        const wchar_t* nameBox;
    } cases[] = {
        {L"", 1, {L"C:\\d\\readme.md"}, true, L""},
        {L"notes.log", 1, {L"C:\\d\\readme"}, false, L"readme.log"},
        {L"", 1, {L"readme"}, false, L"readme.txt"},
        {L"notes.log", 2, {L"readme"}, true, L""},
        {L"", 1, {L"readme", L"readme"}, true, L"readme.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fileName << " " << c.typed.back());
        afFileDialogOptions options;
        addFilters(options);
        options.fileName = c.fileName;
        afDialogFileSave dialog;
        OPENFILENAMEW record;
        std::wstring filterText;
        dialog.prepare(options, record, filterText);
        RecordingDialog window;
        afDialogFileBase::hook(window.hook, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&record));
        record.nFilterIndex = c.shownFilter;
        window.notify(CDN_TYPECHANGE, record);
        EXPECT_EQ(options.filters.at(c.shownFilter - 1), dialog.getCurrentFilter());
        bool accepted = false;
        for (const std::wstring& typed : c.typed) {
            wcscpy(record.lpstrFile, typed.c_str());
            accepted = window.notify(CDN_FILEOK, record);
        }
        EXPECT_EQ(c.accepted, accepted);
        EXPECT_EQ(c.nameBox, window.nameBox());
    }
}

// A window standing for the folder picker: it keeps the picker messages it gets.
struct FolderPicker {
    static inline std::vector<std::pair<UINT, std::wstring>> messages;
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == BFFM_SETSELECTIONW)
            messages.emplace_back(message, reinterpret_cast<const wchar_t*>(lParam));
        else if (message == BFFM_ENABLEOK)
            messages.emplace_back(message, std::to_wstring(lParam));
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    FolderPicker() {
        WNDCLASSW record = {};
        record.lpfnWndProc = &proc;
        record.hInstance = ::GetModuleHandleW(nullptr);
        record.lpszClassName = L"afFolderPickerTest";
        ::RegisterClassW(&record);
        window = ::CreateWindowExW(WS_EX_CONTEXTHELP, record.lpszClassName, L"", WS_POPUP | DS_CONTEXTHELP, 0, 0, 10,
                                   10, nullptr, nullptr, nullptr, nullptr);
        messages.clear();
    }
    ~FolderPicker() { ::DestroyWindow(window); }
    // What the callback allows for the item.
    std::wstring selected(LPITEMIDLIST item) {
        messages.clear();
        afBrowseFolderCallback(window, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(item), 0);
        ::CoTaskMemFree(item);
        return messages.empty() ? L"none" : messages.back().second;
    }
    HWND window;
};

TEST(FileDialogLogic, TheFolderCallback) {
    TempFolder folder;
    FolderPicker picker;
    afBrowseFolderData data{folder.path, L"Choose a folder"};
    afBrowseFolderCallback(picker.window, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(&data));
    EXPECT_EQ(0, ::GetWindowLongW(picker.window, GWL_STYLE) & DS_CONTEXTHELP);
    EXPECT_EQ(0, ::GetWindowLongW(picker.window, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    ASSERT_EQ(1u, FolderPicker::messages.size());
    EXPECT_EQ(folder.path, FolderPicker::messages[0].second);
    wchar_t title[64] = {};
    ::GetWindowTextW(picker.window, title, 64);
    EXPECT_STREQ(L"Choose a folder", title);

    EXPECT_EQ(L"1", picker.selected(::ILCreateFromPathW(folder.path.c_str())));
    folder.write(L"shortcut.lnk", "");
    EXPECT_EQ(L"0", picker.selected(::ILCreateFromPathW((folder / L"shortcut.lnk").c_str())));
    ::CreateDirectoryW((folder / L"gone").c_str(), nullptr);
    LPITEMIDLIST gone = ::ILCreateFromPathW((folder / L"gone").c_str());
    ::RemoveDirectoryW((folder / L"gone").c_str());
    EXPECT_EQ(L"0", picker.selected(gone));
    LPITEMIDLIST computer = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
    EXPECT_EQ(L"0", picker.selected(computer)) << "an item without a path";
}

// Cancels the open dialog of the title as soon as it is activated.
HHOOK g_cancelHook = nullptr;
bool g_cancelled = false;
LRESULT CALLBACK cancelOnActivate(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && !g_cancelled) {
        wchar_t title[64] = {};
        ::GetWindowTextW(reinterpret_cast<HWND>(wParam), title, 64);
        if (std::wstring(title) == L"afDialogFileOpen smoke test") {
            g_cancelled = true;
            ::PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDCANCEL, 0);
        }
    }
    return ::CallNextHookEx(g_cancelHook, code, wParam, lParam);
}

// The bound of the wait: should the dialog come up under another title, it is cancelled
// anyway after a generous time and the test fails instead of hanging.
bool g_timedOut = false;
BOOL CALLBACK cancelDialog(HWND window, LPARAM) {
    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
void CALLBACK giveUp(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_timedOut = true;
    ::EnumThreadWindows(::GetCurrentThreadId(), &cancelDialog, 0);
}

TEST(FileDialogPlatform, TheOpenDialogCancels) {
    const char* missing = afTestWindow::checkDisplay();
    ASSERT_EQ(nullptr, missing) << missing;
    afSetModuleInstance(::GetModuleHandleW(nullptr));
    g_cancelled = false;
    g_cancelHook = ::SetWindowsHookExW(WH_CBT, &cancelOnActivate, nullptr, ::GetCurrentThreadId());
    afFileDialogOptions options;
    addFilters(options);
    options.title = L"afDialogFileOpen smoke test";
    afDialogFileOpen dialog;
    const UINT_PTR bound = ::SetTimer(nullptr, 0, 60000, &giveUp);
    EXPECT_EQ(afWindow::RESULT_CANCEL, dialog.run(options));
    ::KillTimer(nullptr, bound);
    ::UnhookWindowsHookEx(g_cancelHook);
    EXPECT_TRUE(g_cancelled) << "the dialog never came up under its title";
    EXPECT_FALSE(g_timedOut);
    EXPECT_TRUE(options.results.empty());
}

} // namespace
