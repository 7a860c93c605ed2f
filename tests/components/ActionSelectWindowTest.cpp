#include "components/ActionSelectWindow.h"

#include "afw/control/afControlEdit.h"
#include "afw/control/afControlLister.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tessel_test;

namespace {

// An action as the chooser lists it: a title and, shown for bundle items, a category.
class ListedAction : public afAction {
public:
    ListedAction(const wchar_t* title, const wchar_t* category, uint32_t presentation)
        : afAction(0, title, presentation, nullptr, nullptr, nullptr, nullptr), m_title(title), m_category(category) {}
    std::wstring getTitle() const override { return m_title; }
    std::wstring getCategory() const override { return m_category; }

private:
    std::wstring m_title, m_category;
};

class ActionSelectWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(afApp::init(new BareApp, ::GetModuleHandleW(nullptr)));
        for (const ListedAction& action : actions)
            candidates.push_back({1, 0, const_cast<ListedAction*>(&action), nullptr});
        window.reset(new ActionSelectWindow(nullptr, candidates));
        window->build();
    }
    void TearDown() override {
        window.reset();
        afApp::shutdown();
    }
    void post(UINT message, WPARAM wParam) { ::PostMessageW(window->getFilterEdit()->getHandle(), message, wParam, 1); }
    std::vector<std::wstring> rows() const {
        std::vector<std::wstring> texts;
        for (int row = 0; row < window->getRowCount(); ++row)
            texts.push_back(window->getRowText(row));
        return texts;
    }

    const ListedAction actions[4] = {{L"Copy Line", L"Tessel", 0},
                                     {L"Run Script", L"Ruby", 2},
                                     {L"Copy Path", L"Tessel", 0},
                                     {L"Paste", L"Tessel", 0}};
    std::vector<afActionCandidate> candidates;
    std::unique_ptr<ActionSelectWindow> window;
};

TEST_F(ActionSelectWindowTest, DownAndEnterPickTheSecondCandidateThroughTheInstalledChooser) {
    EXPECT_EQ(0, window->getLister()->getSelected()) << "the first row is selected when it opens";
    EXPECT_EQ((std::vector<std::wstring>{L"Copy Line", L"Run Script\tRuby", L"Copy Path", L"Paste"}), rows())
        << "a bundle item shows its category";
    const afActionChooser previous = ActionSelectWindow::install();
    EXPECT_TRUE(static_cast<bool>(afSetActionChooser(previous)));
    // The chooser's window is made inside the call: the keys go to what has the focus then.
    Recording<afTestWindow> probe;
    probe.build();
    probe.onMessage = [](UINT) {
        for (UINT key : {VK_DOWN, VK_RETURN})
            ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
    };
    ::PostMessageW(probe.getHandle(), WM_USER + 1, 0, 0);
    const afActionChoice choice = ActionSelectWindow::choose(nullptr, candidates);
    EXPECT_EQ(afWindow::RESULT_OK, choice.result);
    EXPECT_EQ(1, choice.row);
    ::DestroyWindow(probe.getHandle());
}

TEST_F(ActionSelectWindowTest, TypingFiltersAndThePickIsTheCandidatesIndex) {
    for (wchar_t ch : std::wstring(L"cOPY p"))
        post(WM_CHAR, ch);
    post(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(afWindow::RESULT_OK, window->showModal());
    EXPECT_EQ((std::vector<std::wstring>{L"Copy Path"}), rows());
    EXPECT_EQ(2, window->getPicked()) << "its place among the candidates, not the visible row";
}

TEST_F(ActionSelectWindowTest, EscapeAndDeactivationEndWithoutAPick) {
    post(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(afWindow::RESULT_CANCEL, window->showModal());
    EXPECT_EQ(-1, window->getPicked());

    window.reset(new ActionSelectWindow(nullptr, candidates));
    window->build();
    ::PostMessageW(window->getHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(ActionSelectWindow::RESULT_CLOSE, window->showModal());
    EXPECT_EQ(0x130181C4u, ActionSelectWindow::RESULT_CLOSE);
    EXPECT_EQ(-1, window->getPicked());
}

TEST_F(ActionSelectWindowTest, TheListIsAsTallAsItsMeasuredRows) {
    afControlLister& list = *window->getLister();
    window->validateLayout();
    ASSERT_GT(list.getItemHeight(), 0) << "the rows were never measured";
    EXPECT_EQ(4, list.getVisibleRows());
    EXPECT_EQ(4 * list.getItemHeight(), list.getClientRect().height());
    for (wchar_t ch : std::wstring(L"copy"))
        post(WM_CHAR, ch);
    post(WM_KEYDOWN, VK_ESCAPE);
    window->showModal();
    EXPECT_EQ(2, list.getVisibleRows()) << "narrowed to the two rows";
}

// The look of a choice: a title, and the candidate in force marked and selected while nothing
// is typed; with the default look, neither.
TEST_F(ActionSelectWindowTest, TheLookTitlesTheWindowAndMarksAndSelectsTheCandidateInForce) {
    EXPECT_EQ(L"Select Action", window->getText());
    EXPECT_EQ(-1, window->getCurrent());
    afActionChooserLook look;
    look.title = L"Select Theme";
    look.current = 2;
    const auto open = [&] {
        window.reset(new ActionSelectWindow(nullptr, candidates, look));
        window->build();
        window->validateLayout();
    };
    open();
    EXPECT_EQ(L"Select Theme", window->getText());
    EXPECT_EQ(2, window->getRowCandidate(window->getLister()->getSelected()));

    // The mark stands left of the titles, on its row only.
    afControlLister& list = *window->getLister();
    const afRect frame = list.getClientRect();
    ASSERT_FALSE(frame.isEmpty());
    DibSurface drawn(frame.width(), frame.height());
    ASSERT_TRUE(list.onDraw(*afCanvas::fromDC(drawn.dc()), nullptr));
    const int mark = afCanvas::menuCheckSize().cx, height = list.getItemHeight();
    const uint32_t ink = DibSurface::pixelOf(afGetStockColour(ActionSelectWindow::TEXT_COLOUR));
    std::vector<bool> marked;
    for (int row = 0; row < 4; ++row)
        marked.push_back(drawn.count(RECT{ActionSelectWindow::ROW_PADDING, row * height,
                                          ActionSelectWindow::ROW_PADDING + mark, (row + 1) * height},
                                     ink) > 0);
    EXPECT_EQ((std::vector<bool>{false, false, true, false}), marked);

    // Typing selects the first match ("Copy Line" holds a "p"); emptied, the filter gives the
    // candidate in force back.
    post(WM_CHAR, L'p');
    post(WM_KEYDOWN, VK_ESCAPE);
    window->showModal();
    EXPECT_EQ(0, window->getRowCandidate(window->getLister()->getSelected()));
    open();
    post(WM_CHAR, L'p');
    post(WM_CHAR, VK_BACK);
    post(WM_KEYDOWN, VK_ESCAPE);
    window->showModal();
    EXPECT_EQ(2, window->getRowCandidate(window->getLister()->getSelected()));
}

} // namespace
