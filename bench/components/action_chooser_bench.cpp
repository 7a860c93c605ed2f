// The action chooser with 2,000 candidates: built and shown until its first paint, then closed,
// in ms, beside a bare Win32 list box window filled with the same titles, shown, painted and
// destroyed in the same program (target: at most 2 x).

#include "afw/BenchViews.h"
#include "components/ActionSelectWindow.h"
#include "support/Bench.h"

#include <string>
#include <vector>

namespace {

constexpr int kCandidates = 2000, kRuns = 15;

class BenchAction : public afAction {
public:
    explicit BenchAction(const std::wstring& title)
        : afAction(0, title.c_str(), PRESENTATION_PLAIN, nullptr, nullptr, nullptr, nullptr), m_title(title) {}
    std::wstring getTitle() const override { return m_title; }
    std::wstring getCategory() const override { return L"Tessel"; }

private:
    std::wstring m_title;
};

// Lets the chooser's layout validation run, outside nothing: it is part of opening.
void settle(ActionSelectWindow& window) {
    while (window.isValidationPosted()) {
        MSG msg;
        if (!::GetMessageW(&msg, nullptr, 0, 0))
            break;
        afApp::dispatch(msg, nullptr);
    }
}

} // namespace

int main() {
    bench::prepareWindows();
    bench::check(afApp::init(new bench::BareApp, ::GetModuleHandleW(nullptr)), "application");
    std::vector<std::unique_ptr<BenchAction>> actions;
    std::vector<afActionCandidate> candidates;
    for (int i = 0; i < kCandidates; ++i) {
        actions.emplace_back(new BenchAction(L"Bundle command number " + std::to_wstring(i * 7919 % kCandidates)));
        candidates.push_back({static_cast<uint64_t>(i), 0, actions.back().get(), nullptr});
    }

    double openBest = 1e30, closeBest = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const double start = bench::seconds();
        auto* window = new ActionSelectWindow(nullptr, candidates);
        window->build();
        window->show();
        settle(*window);
        ::UpdateWindow(window->getHandle());
        const double opened = bench::seconds();
        window->closeNow();
        delete window;
        const double closed = bench::seconds();
        openBest = std::min(openBest, opened - start);
        closeBest = std::min(closeBest, closed - opened);
        bench::drain();
    }

    double peerOpen = 1e30, peerClose = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const double start = bench::seconds();
        HWND list = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"LISTBOX", L"Select Action",
                                      WS_POPUP | WS_CAPTION | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 100,
                                      100, 420, 240, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        bench::check(list != nullptr, "list box");
        // Filled hidden and without redrawing, as a list box is best filled.
        ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        ::SendMessageW(list, LB_INITSTORAGE, kCandidates, kCandidates * 64);
        for (const afActionCandidate& candidate : candidates)
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(candidate.action->getTitle().c_str()));
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        // Shown active with the focus, as the chooser is.
        ::ShowWindow(list, SW_SHOW);
        ::SetFocus(list);
        ::UpdateWindow(list);
        const double opened = bench::seconds();
        ::DestroyWindow(list);
        const double closed = bench::seconds();
        peerOpen = std::min(peerOpen, opened - start);
        peerClose = std::min(peerClose, closed - opened);
        bench::drain();
    }
    bench::figureBeside("action_chooser_open_2000", openBest * 1e3, "ms", "listbox", peerOpen * 1e3);
    bench::figureBeside("action_chooser_close_2000", closeBest * 1e3, "ms", "listbox", peerClose * 1e3);
    afApp::shutdown();
    return 0;
}
