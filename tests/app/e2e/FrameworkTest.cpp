// The end-to-end driver's own parts against a program whose behaviour is plain: bare_window.exe
// is started, found, captured and probed, given a key chord, and waited for as it exits.

#include "app/e2e/ChordInput.h"
#include "support/OtherProcess.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace tessel_test {
namespace {

const std::wstring BARE_WINDOW = programFolder() + L"..\\bench\\bare_window.exe";

TEST(EndToEndFramework, FindsCapturesAndDrivesAnotherProgramsWindow) {
    TempFolder folder;
    folder.write(L"sample.txt", "int main(void) { return 0; }\r\nsecond line\r\n");
    OtherProcess bare(BARE_WINDOW, L"sample.txt", folder.path);
    ASSERT_TRUE(bare.started()) << "bare_window.exe is built beside the benchmarks";
    const HWND window = bare.waitForWindow(L"BareWindow", 15000);
    ASSERT_NE(nullptr, window) << "no window within 15 s";
    EXPECT_EQ(L"sample.txt", OtherProcess::windowText(window));
    EXPECT_EQ(window, OtherProcess::findTopLevel(L"BareWindow").front()) << "found among every process's windows";

    Capture capture;
    // A window not yet painted shows black, which is also near the text colour: the text counts
    // once the background is white.
    EXPECT_TRUE(pollFor(
        [&] {
            capture = Capture::of(window);
            return capture.count(0x1F1F1F, 0x40) >= 20 &&
                   capture.commonest(RECT{0, 0, capture.width, capture.height}) == 0xFFFFFFu;
        },
        15000))
        << "the text never showed on a white background";
    EXPECT_EQ(0, capture.count(RECT{0, capture.height / 2, capture.width, capture.height}, 0x1F1F1F, 0x40))
        << "two lines leave the lower half blank";

    // The system's own Alt+F4 closes the active window: the chord reached it, modifiers included.
    ASSERT_TRUE(pressChordIn(window, {VK_MENU, VK_F4}));
    EXPECT_EQ(0, bare.exitCode(15000)) << "Alt+F4 did not close the window within 15 s";
}

TEST(EndToEndFramework, AProgramThatCannotStartEndsWithoutAWindow) {
    TempFolder folder;
    OtherProcess bare(BARE_WINDOW, L"missing.txt", folder.path);
    EXPECT_EQ(2, bare.exitCode(15000));
    EXPECT_EQ(nullptr, bare.findWindow(L"BareWindow"));
}

} // namespace
} // namespace tessel_test
