// 10 MiB of UTF-16 text through the clipboard: the editor's payload put and read back into a
// text receiver (in-process OLE, which never reaches the system clipboard), and clear, which
// renders the payload for other programs; beside the bare clipboard calls on the same text and
// a memcpy as the floor. Target: clear at most 1.5 x the bare SetClipboardData.

#include "afw/data/afClipboard.h"
#include "afw/data/afDataObjectComposite.h"
#include "afw/data/afDataObjectScalar.h"
#include "afw/data/afDataObjectText.h"
#include "support/Bench.h"

#include <cstring>
#include <ole2.h>
#include <string>

namespace {

constexpr size_t kBytes = 10 << 20;

std::wstring makeText() {
    std::wstring text;
    text.reserve(kBytes / 2);
    for (size_t line = 0; text.size() < kBytes / 2; ++line)
        text += L"    line " + std::to_wstring(line) + L": the quick brown fox jumps over the lazy dog\r\n";
    text.resize(kBytes / 2);
    return text;
}

afDataObject* payload(const std::wstring& text) {
    auto* composite = new afDataObjectComposite;
    composite->add(new afDataObjectText(text), true);
    composite->add(new afDataObjectSelectionType(AF_FORMAT_EDITOR_SELECTION_TYPE, 1), false);
    return composite;
}

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "%s failed\n", what);
        std::exit(1);
    }
}

} // namespace

int main() {
    check(SUCCEEDED(::OleInitialize(nullptr)), "OleInitialize");
    const std::wstring text = makeText();
    const size_t bytes = (text.size() + 1) * 2;
    {
        afClipboard clipboard;
        afDataObjectText received;
        const double roundTrip = bench::bestOf(5, [&] {
            check(clipboard.put(payload(text)), "put");
            check(clipboard.get(&received), "get");
        });
        check(received.getText() == text, "the text read back");

        const double bareSet = bench::bestOf(5, [&] {
            HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
            std::memcpy(::GlobalLock(block), text.c_str(), bytes);
            ::GlobalUnlock(block);
            check(::OpenClipboard(nullptr) && ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, block),
                  "SetClipboardData");
            ::CloseClipboard();
        });
        std::wstring copy;
        const double bareGet = bench::bestOf(5, [&] {
            check(::OpenClipboard(nullptr), "OpenClipboard");
            HANDLE block = ::GetClipboardData(CF_UNICODETEXT);
            copy.assign(static_cast<const wchar_t*>(::GlobalLock(block)), text.size());
            ::GlobalUnlock(block);
            ::CloseClipboard();
        });
        check(copy == text, "GetClipboardData");

        std::wstring floor(text.size(), L'\0');
        const double copyTime = bench::bestOf(5, [&] { std::memcpy(&floor[0], text.c_str(), text.size() * 2); });

        double clear = 1e30;
        for (int run = 0; run < 5; ++run) {
            check(clipboard.put(payload(text)), "put");
            const double start = bench::seconds();
            check(clipboard.clear(), "clear");
            clear = std::min(clear, bench::seconds() - start);
        }
        check(::OpenClipboard(nullptr), "OpenClipboard");
        const bool rendered = std::wcscmp(static_cast<const wchar_t*>(::GlobalLock(::GetClipboardData(CF_UNICODETEXT))),
                                          text.c_str()) == 0;
        ::CloseClipboard();
        check(rendered, "rendering");

        bench::figure("clipboard_bare_set_10mib", bareSet * 1e3, "ms");
        bench::figure("clipboard_bare_get_10mib", bareGet * 1e3, "ms");
        bench::figure("clipboard_bare_round_trip_10mib", (bareSet + bareGet) * 1e3, "ms");
        bench::figureBeside("clipboard_ole_round_trip_10mib", roundTrip * 1e3, "ms", "bare_round_trip",
                            (bareSet + bareGet) * 1e3);
        bench::figure("memcpy_10mib", copyTime * 1e3, "ms");
        bench::figureBeside("clipboard_clear_render_10mib", clear * 1e3, "ms", "bare_set", bareSet * 1e3);
    }
    ::OleUninitialize();
    return 0;
}
