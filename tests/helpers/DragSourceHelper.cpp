// The end-to-end tests' drag source: another program that drags a file list or text out of a
// window of its own, as a file manager or another editor does, and drops it at a point of the
// screen. Its own data object and drop source, none of the framework's.
//
//   drag_source_helper X Y KEYS EFFECTS files PATH...
//   drag_source_helper X Y KEYS EFFECTS text TEXT
//
// X Y: the screen point the drag goes to and drops at. KEYS: "shift" holds Shift through the
// drag, "-" holds none. EFFECTS: the drop effects the source allows (DROPEFFECT_* bits, in
// decimal). The exit code is the effect the drop told the source (0 none, 1 copy, 2 move,
// 4 link); 64 when the drag was cancelled, 65 when it failed, 66 for a bad command line.
//
// No mouse is held under a bare X server, so the drag is driven without one: the pointer is put
// at the point before the drag, the keys of the drag (the left button, Shift when asked) are
// set in this thread's key state, which the system's drag loop reads, and the source answers
// the loop from a script rather than from the buttons: go on until the target under the pointer
// has been entered and asked, then drop.

#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int EXIT_CANCELLED = 64, EXIT_FAILED = 65, EXIT_USAGE = 66;

// The IUnknown of an object of one interface that lives on the stack of wmain: the last release
// frees nothing.
template <class Interface>
class StackObject : public Interface {
public:
    explicit StackObject(const IID& iid) : m_iid(iid) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** o_object) override {
        if (!o_object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == m_iid) {
            *o_object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *o_object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_references; }

private:
    const IID& m_iid;
    ULONG m_references = 1;
};

// One format's bytes, given as an HGLOBAL copy to whoever asks.
class DataObject final : public StackObject<IDataObject> {
public:
    DataObject(CLIPFORMAT format, std::vector<char> bytes)
        : StackObject(IID_IDataObject), m_format(format), m_bytes(std::move(bytes)) {}

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* request, STGMEDIUM* o_medium) override {
        if (!o_medium)
            return E_POINTER;
        const HRESULT offered = QueryGetData(request);
        if (offered != S_OK)
            return offered;
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, m_bytes.size());
        void* bytes = block ? ::GlobalLock(block) : nullptr;
        if (!bytes) {
            if (block)
                ::GlobalFree(block);
            return E_OUTOFMEMORY;
        }
        std::memcpy(bytes, m_bytes.data(), m_bytes.size());
        ::GlobalUnlock(block);
        o_medium->tymed = TYMED_HGLOBAL;
        o_medium->hGlobal = block;
        o_medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* request) override {
        if (!request)
            return E_POINTER;
        if (request->cfFormat != m_format || request->dwAspect != DVASPECT_CONTENT)
            return DV_E_FORMATETC;
        return (request->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* o_format) override {
        if (o_format)
            o_format->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** o_formats) override {
        if (!o_formats)
            return E_POINTER;
        *o_formats = nullptr;
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        FORMATETC format = {m_format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return ::SHCreateStdEnumFmtEtc(1, &format, o_formats);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    CLIPFORMAT m_format;
    std::vector<char> m_bytes;
};

// Goes on until the loop has asked once with the pointer at the drop point, and drops at its
// next question there: between the two the loop has entered the target under the pointer and
// asked it what a drop would do. The loop reads the pointer from the message it handles, so a
// question asked on a message of before the pointer got there only goes on. A pointer that
// never gets there cancels the drag after a generous number of questions.
class ScriptedSource final : public StackObject<IDropSource> {
public:
    explicit ScriptedSource(POINT drop) : StackObject(IID_IDropSource), m_drop(drop) {}

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
        if (escape || ++m_questions > 2000)
            return DRAGDROP_S_CANCEL;
        const DWORD at = ::GetMessagePos();
        if (static_cast<short>(LOWORD(at)) != m_drop.x || static_cast<short>(HIWORD(at)) != m_drop.y)
            return S_OK;
        if (!m_askedThere) {
            m_askedThere = true;
            return S_OK;
        }
        return DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    POINT m_drop;
    int m_questions = 0;
    bool m_askedThere = false;
};

// A DROPFILES record of wide paths, each with its NUL, then one more NUL.
std::vector<char> fileList(const std::vector<std::wstring>& paths) {
    std::vector<char> bytes(sizeof(DROPFILES));
    auto* header = reinterpret_cast<DROPFILES*>(bytes.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    for (const std::wstring& path : paths) {
        const char* units = reinterpret_cast<const char*>(path.c_str());
        bytes.insert(bytes.end(), units, units + (path.size() + 1) * sizeof(wchar_t));
    }
    bytes.insert(bytes.end(), sizeof(wchar_t), 0);
    return bytes;
}

std::vector<char> unicodeText(const std::wstring& text) {
    const char* units = reinterpret_cast<const char*>(text.c_str());
    return std::vector<char>(units, units + (text.size() + 1) * sizeof(wchar_t));
}

// The source's own window, showing what it drags, in a corner of the screen away from the
// point of the drop, so that the drop never lands on it.
HWND showSourceWindow(const std::wstring& shown, POINT drop) {
    const int width = 240, height = 60;
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN), screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const bool right = drop.x < screenWidth / 2, bottom = drop.y < screenHeight / 2;
    HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", shown.c_str(), WS_POPUP | WS_BORDER,
                                    right ? screenWidth - width : 0, bottom ? screenHeight - height : 0, width, height,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (window)
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// Puts the pointer at the point and waits (bounded) until the system reports it there.
bool pointerAt(POINT point) {
    if (!::SetCursorPos(point.x, point.y))
        return false;
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 10000; ::Sleep(10)) {
        POINT now = {};
        if (::GetCursorPos(&now) && now.x == point.x && now.y == point.y)
            return true;
    }
    return false;
}

// The keys the drag loop reads for this thread: the left button, and Shift when asked.
void holdKeys(bool shift) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_LBUTTON] = 0x80;
    if (shift)
        keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    ::SetKeyboardState(keys);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 7)
        return EXIT_USAGE;
    const POINT drop = {std::wcstol(argv[1], nullptr, 10), std::wcstol(argv[2], nullptr, 10)};
    const bool shift = std::wstring(argv[3]) == L"shift";
    const DWORD allowed = std::wcstoul(argv[4], nullptr, 10);
    const std::wstring kind = argv[5];
    std::vector<char> bytes;
    CLIPFORMAT format = 0;
    std::wstring shown;
    if (kind == L"files") {
        format = CF_HDROP;
        std::vector<std::wstring> paths(argv + 6, argv + argc);
        bytes = fileList(paths);
        shown = paths.front();
    } else if (kind == L"text" && argc == 7) {
        format = CF_UNICODETEXT;
        shown = argv[6];
        bytes = unicodeText(shown);
    } else {
        return EXIT_USAGE;
    }
    // Both outlive OLE: the stubs that another process held release them as it ends.
    DataObject data(format, std::move(bytes));
    ScriptedSource source(drop);
    if (FAILED(::OleInitialize(nullptr)))
        return EXIT_FAILED;
    int result = EXIT_FAILED;
    HWND window = showSourceWindow(shown, drop);
    if (window && pointerAt(drop)) {
        holdKeys(shift);
        DWORD effect = DROPEFFECT_NONE;
        const HRESULT ended = ::DoDragDrop(&data, &source, allowed, &effect);
        result = ended == DRAGDROP_S_DROP ? static_cast<int>(effect) : ended == DRAGDROP_S_CANCEL ? EXIT_CANCELLED
                                                                                                  : EXIT_FAILED;
    }
    if (window)
        ::DestroyWindow(window);
    ::OleUninitialize();
    return result;
}
