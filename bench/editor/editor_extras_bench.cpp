// The editor's extras in a shown window: "(" then ")" typed through WM_CHAR with the pair
// registered (the pair inserted, then stepped over), each pumped until repainted, beside pairs
// of plain characters; Right presses with the status strip following the editor, beside the
// same without it; and the drop marker moved along a path beside bare position-only
// UpdateLayeredWindow calls, and redrawn beside a bare fill and UpdateLayeredWindow of the same
// bitmap.

#include "EditorBenchSupport.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/graphics/afBitmap.h"
#include "afw/layout/afLayoutLinear.h"
#include "bundles/preferences/PairedCharacterAction.h"
#include "editor/DropMarker.h"
#include "editor/EditorStatusController.h"
#include "service/document/controller/Selection.h"
#include "service/parser/spans/SpanManager.h"

using namespace tessel;
using namespace editor_bench;

namespace {

class BenchApp : public afApp {
public:
    bool init() override { return true; }
    void exit() override {}
};

void printPair(const char* name, double value, double reference, const char* unit) {
    print(name, value, unit);
    std::printf("%s_reference %.3f %s\n", name, reference, unit);
    std::printf("%s_ratio %.3f x\n", name, reference > 0 ? value / reference : 0.0);
}

// µs per character of the text typed pair by pair into a fresh document's middle line.
double typing(Fixture& f, const wchar_t* pair, int pairs) {
    DocumentController* controller = f.open(lines(200, 60));
    f.editor->attachController(controller);
    {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_READ);
        controller->getSelection().set(TextPosition(100, 5), TextPosition(100, 5), CARET_ANCHOR, selection_ids::CARET);
    }
    HWND window = f.editor->getHandle();
    pump(window);
    const double start = bench::seconds();
    for (int i = 0; i < pairs; ++i)
        for (int k = 0; k < 2; ++k) {
            ::SendMessageW(window, WM_CHAR, pair[k], 1);
            pump(window);
        }
    const double elapsed = bench::seconds() - start;
    f.editor->attachController(nullptr);
    return elapsed * 1e6 / (2.0 * pairs);
}

// µs per Right press through the caret action, repainted after each.
double rightPresses(Fixture& f, DocumentController& controller, int presses) {
    afAction* right = afFindAction(L"caret.move.char.right", afApp::getActionRegistry());
    HWND window = f.editor->getHandle();
    {
        DocumentController::Lock lock(controller, DocumentController::LOCK_READ);
        controller.getSelection().set(TextPosition(0, 0), TextPosition(0, 0), CARET_ANCHOR, selection_ids::CARET);
    }
    pump(window);
    const double start = bench::seconds();
    for (int i = 0; i < presses; ++i) {
        afActionEvent event;
        event.action = right;
        right->run(event);
        pump(window);
    }
    return (bench::seconds() - start) * 1e6 / presses;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int pairs = static_cast<int>(options.size("--pairs", 5000));
    const int presses = static_cast<int>(options.size("--presses", 10000));
    const int moves = static_cast<int>(options.size("--moves", 10000));
    const int redraws = static_cast<int>(options.size("--redraws", 1000));
    afApp::init(new BenchApp, ::GetModuleHandleW(nullptr));
    {
        Fixture f(false);
        f.controllers->setSpanManagerFactory([](DocumentController& owner) {
            return std::unique_ptr<ISpanManager>(new SpanManager(owner));
        });
        f.sizeEditor();
        ::SetFocus(f.editor->getHandle());

        const double plain = typing(f, L"ab", pairs);
        const std::array<PairedCharacterAction*, 2> registered = registerPairedCharacter(L"ui.editor", {L'(', L')', false});
        const double paired = typing(f, L"()", pairs);
        for (afAction* action : registered)
            afUnregisterAction(afApp::getActionRegistry(), action);
        printPair("pair_typing_us_per_key", paired, plain, "us");

        DocumentController* moved = f.open(lines(400, 60));
        f.editor->attachController(moved);
        const double bare = rightPresses(f, *moved, presses);
        auto* strip = new afLayoutLinear(f.window.get(), afLayoutLinear::HORIZONTAL);
        EditorStatusController status(strip);
        status.setEditor(f.editor);
        const double followed = rightPresses(f, *moved, presses);
        status.setEditor(nullptr);
        f.editor->attachController(nullptr);
        printPair("status_right_us_per_press", followed, bare, "us");

        DropMarker* marker = DropMarker::create(f.window.get());
        marker->setGeometry(DropMarker::VERTICAL, 40);
        marker->setVisible(true);
        HWND reference = f.window->getHandle();
        double start = bench::seconds();
        for (int i = 0; i < moves; ++i)
            marker->showAt(reference, 100 + i % 500, 50 + i % 300);
        const double shown = (bench::seconds() - start) * 1e6 / moves;
        RECT frame;
        ::GetWindowRect(reference, &frame);
        start = bench::seconds();
        for (int i = 0; i < moves; ++i) {
            POINT at = {frame.left + 97 + i % 500, frame.top + 50 + i % 300};
            ::UpdateLayeredWindow(marker->getHandle(), nullptr, &at, nullptr, nullptr, nullptr, 0, nullptr, 0);
        }
        const double bareMoves = (bench::seconds() - start) * 1e6 / moves;
        printPair("drop_marker_show_at_us", shown, bareMoves, "us");

        start = bench::seconds();
        for (int i = 0; i < redraws; ++i)
            marker->setGeometry(DropMarker::VERTICAL, 40 + i % 2);
        const double drawn = (bench::seconds() - start) * 1e6 / redraws;
        // The same bitmap by hand: a DIB, the key fill and the bar, presented with the key.
        start = bench::seconds();
        for (int i = 0; i < redraws; ++i) {
            const int length = 40 + i % 2;
            const std::unique_ptr<afBitmap> bitmap = afBitmap::createDIB(DropMarker::THICKNESS, length);
            HDC screen = ::GetDC(nullptr);
            HDC memory = ::CreateCompatibleDC(screen);
            HGDIOBJ previous = ::SelectObject(memory, bitmap->getHandle());
            RECT all = {0, 0, DropMarker::THICKNESS, length}, stem = {2, 2, 4, length - 2};
            ::SetBkColor(memory, DropMarker::COLOUR_KEY);
            ::ExtTextOutW(memory, 0, 0, ETO_OPAQUE, &all, L"", 0, nullptr);
            ::SetBkColor(memory, DropMarker::BAR_COLOUR);
            ::ExtTextOutW(memory, 0, 0, ETO_OPAQUE, &stem, L"", 0, nullptr);
            RECT at;
            ::GetWindowRect(marker->getHandle(), &at);
            POINT position = {at.left, at.top}, origin = {0, 0};
            SIZE size = {DropMarker::THICKNESS, length};
            ::UpdateLayeredWindow(marker->getHandle(), screen, &position, &size, memory, &origin,
                                  DropMarker::COLOUR_KEY, nullptr, ULW_COLORKEY);
            ::SelectObject(memory, previous);
            ::DeleteDC(memory);
            ::ReleaseDC(nullptr, screen);
        }
        const double bareDraws = (bench::seconds() - start) * 1e6 / redraws;
        printPair("drop_marker_redraw_us", drawn, bareDraws, "us");
    }
    afApp::shutdown();
    return 0;
}
