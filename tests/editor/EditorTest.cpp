#include "editor/EditorTestSupport.h"

#include "afw/unicode/afUnicode.h"
#include "editor/EditorBatch.h"
#include "editor/LineCache.h"
#include "service/document/controller/Selection.h"
#include "support/LogCapture.h"

#include <stdexcept>

using namespace tessel;
using namespace tessel_test;

namespace {

class EditorTest : public EditorFixture {
protected:
    // Inserts text at the start of a line in an edit of its own.
    void insertAtLine(int32_t line, const std::wstring& text, int32_t column = 0) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        // Straight into the document, as another view's edit: this controller's caret stays.
        document->insert(document->getLineStart(line) + column, text);
    }
    void removeLines(int32_t first, int32_t last) {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        const int32_t start = document->getLineStart(first);
        document->remove(start, document->getLineStart(last + 1) - start);
    }
};

TEST_F(EditorTest, AttachesFromEitherSideOnce) {
    load(L"text");
    editor->attachController(controller);
    EXPECT_EQ(editor, controller->getEditor());
    const size_t listeners = controller->changed().size();
    editor->attachController(controller);
    EXPECT_EQ(listeners, controller->changed().size()) << "attaching again doubles no listener";
    controller->setEditor(nullptr);
    EXPECT_EQ(nullptr, editor->getController());
    EXPECT_EQ(listeners - 1, controller->changed().size());
    controller->setEditor(editor);
    EXPECT_EQ(controller, editor->getController());
    EXPECT_EQ(editor, controller->getEditor());
    editor->attachController(nullptr);
    EXPECT_EQ(nullptr, controller->getEditor());
    editor->attachController(controller);
    delete editor;
    EXPECT_EQ(nullptr, controller->getEditor()) << "the destructor detaches";
    // A destroyed editor hears neither the theme nor the parser.
    themes.setTheme(makeTheme(L"{settings: {background: \"#000000\"}}"));
    document->notifyParsed(0, 0);
}

TEST_F(EditorTest, AnEditRepaintsOneBandAndBatchesMerge) {
    attach(numberedLines(1000));
    {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        controller->getSelection().setCaretPosition(TextPosition(5, 2), 0);
    }
    paint();
    insertAtLine(5, L"x", 2);
    measureClient();
    ASSERT_EQ(1u, editor->invalidated.size());
    const RECT band = editor->invalidated[0];
    EXPECT_EQ((std::vector<LONG>{0, 5 * lineHeight, clientWidth, clientHeight}),
              (std::vector<LONG>{band.left, band.top, band.right, band.bottom}));

    ::ValidateRect(editor->getHandle(), nullptr);
    editor->invalidated.clear();
    editor->beginUpdate();
    editor->beginUpdate();
    editor->invalidateLines(10, 12, false, false);
    editor->invalidateLines(4, 6, false, false);
    editor->endUpdate();
    EXPECT_TRUE(editor->invalidated.empty()) << "only the outermost batch flushes";
    editor->endUpdate();
    ASSERT_EQ(1u, editor->invalidated.size());
    EXPECT_EQ(4 * lineHeight, editor->invalidated[0].top);
    EXPECT_EQ(13 * lineHeight, editor->invalidated[0].bottom);

    struct Band {
        int32_t first, last;
        LONG top, bottom; // -1: no invalidation
    };
    const int32_t partly = editor->getVisibleLines();
    const Band bands[] = {{partly, partly, partly * lineHeight, clientHeight}, // the partly visible row
                 {30, 40, -1, -1},
                 {-1, -1, -2, -2}}; // -2: the whole client
    for (const auto& b : bands) {
        ::ValidateRect(editor->getHandle(), nullptr);
        editor->invalidated.clear();
        editor->beginUpdate();
        editor->invalidateLines(b.first, b.last, false, false);
        editor->endUpdate();
        if (b.top == -1) {
            EXPECT_TRUE(editor->invalidated.empty()) << b.first;
            continue;
        }
        ASSERT_EQ(1u, editor->invalidated.size()) << b.first;
        if (b.top >= 0) {
            EXPECT_EQ(b.top, editor->invalidated[0].top) << b.first;
            EXPECT_EQ(b.bottom, editor->invalidated[0].bottom) << b.first;
        }
    }
}

TEST_F(EditorTest, ABatchWhoseRepaintFailsRepaintsAllTheTextAndCloses) {
    attach(numberedLines(100));
    bool fail = true;
    editor->getLineCache()->setLayoutStep([&fail](afUnicodeData& data) { return !fail && fakeLayout(data); });
    LogCapture log;
    measureClient();
    const RECT text = {editor->getGutterWidth(), 0, clientWidth, clientHeight};
    // Lines laid out again at the end of a batch, which measures the last of them: the layout
    // fails then, and again while the batch's scope is left by an exception.
    for (bool unwinding : {false, true}) {
        ::ValidateRect(editor->getHandle(), nullptr);
        editor->invalidated.clear();
        try {
            EditorBatch batch(*editor);
            editor->invalidateLines(3, 5, true, true);
            if (unwinding)
                throw std::runtime_error("the batch's own work failed");
        } catch (const std::runtime_error&) {
        }
        ASSERT_EQ(1u, editor->invalidated.size()) << unwinding;
        const RECT& repainted = editor->invalidated[0];
        EXPECT_EQ((std::vector<LONG>{text.left, text.top, text.right, text.bottom}),
                  (std::vector<LONG>{repainted.left, repainted.top, repainted.right, repainted.bottom}));
    }
    EXPECT_TRUE(log.contains(L"Editor::endUpdate() failed: ", pel::LOG_ERROR));
    EXPECT_TRUE(log.contains(L"Unicode processing failed.", pel::LOG_ERROR));
    const auto repaintsLine7 = [&] {
        ::ValidateRect(editor->getHandle(), nullptr);
        editor->invalidated.clear();
        {
            EditorBatch batch(*editor);
            editor->invalidateLines(7, 7, false, false);
        }
        return editor->invalidated.size() == 1 && editor->invalidated[0].top == 7 * lineHeight;
    };
    fail = false;
    EXPECT_TRUE(repaintsLine7()) << "no batch stays open";

    // A parse notice whose lines are wrapped anew inside its batch, where the layout fails.
    setPreset([](FacePreset& p) { p.wordWrap = true; });
    for (int32_t line = 3; line <= 7; ++line)
        editor->getLineCache()->getLayout(line)->attributes.entries[0] ^= 1; // colours changed
    fail = true;
    try {
        document->notifyParsed(3, 7);
    } catch (const pel::Exception&) {
    }
    fail = false;
    EXPECT_TRUE(repaintsLine7()) << "the notice's batch closed";
}

TEST_F(EditorTest, TheTopKeepsItsTextWhenLinesComeAndGoAbove) {
    attach(numberedLines(1000));
    const struct {
        const wchar_t* what;
        std::function<void()> edit;
        int32_t top;
    } cases[] = {{L"a line break on line 10", [&] { insertAtLine(10, L"\n"); }, 51},
                 {L"lines 10-12 removed", [&] { removeLines(10, 12); }, 47},
                 {L"lines 48-52 removed", [&] { removeLines(48, 52); }, 48}};
    for (const auto& c : cases) {
        load(numberedLines(1000));
        editor->scrollTo(0, 50, 0, true);
        c.edit();
        EXPECT_EQ(c.top, editor->getTop().line) << c.what;
    }
}

TEST_F(EditorTest, ParseNoticesRebuildOnlyTheirLines) {
    attach(numberedLines(100));
    const uint64_t before = builds();
    document->notifyParsed(3, 7);
    ::UpdateWindow(editor->getHandle());
    EXPECT_EQ(before, builds()) << "colours confirmed: the layouts stay";
    EXPECT_TRUE(editor->invalidated.empty()) << "and so do the pixels";
    // Layouts made with other styles than their lines have now.
    for (int32_t line = 2; line <= 8; ++line)
        editor->getLineCache()->getLayout(line)->attributes.entries[0] ^= 1;
    document->notifyParsed(3, 7);
    ::UpdateWindow(editor->getHandle());
    EXPECT_EQ(before + 5, builds());
}

TEST_F(EditorTest, PagingAWrappedFileLaysOutTheShownLinesOnce) {
    attach(numberedLines(100000));
    setPreset([](FacePreset& p) { p.wordWrap = true; });
    paint();
    const uint64_t start = builds();
    const int pages = 40;
    for (int page = 0; page < pages; ++page)
        editor->scrollBy(0, editor->getVisibleLines());
    // Every row shown, the partly visible one included, laid out once.
    const int32_t shown = editor->getTop().line + editor->getVisibleLines() + 1;
    EXPECT_LE(builds() - start, static_cast<uint64_t>(shown));
    EXPECT_GE(builds() - start, static_cast<uint64_t>(shown - 21 - 1));
    EXPECT_EQ(100000, editor->getLineCache()->getLineCount());
}

TEST_F(EditorTest, WrappingFollowsResizingAndCentres) {
    attach(std::wstring(300, L'w'));
    setPreset([](FacePreset& p) { p.wordWrap = true; });
    EXPECT_EQ(clientWidth - editor->getGutterWidth(), editor->getLayout()->getWrapWidth());
    resize(WIDTH - 200, clientHeight);
    EXPECT_EQ(clientWidth - editor->getGutterWidth(), editor->getLayout()->getWrapWidth());
    for (int boundary : {40, 20}) {
        setPreset([&](FacePreset& p) {
            p.boundaryBreak = p.center = true;
            p.boundary = boundary;
        });
        const int wrap = editor->getLayout()->getWrapWidth();
        EXPECT_GE(wrap, boundary * charWidth) << boundary << ": the layout never wraps narrower than it takes";
        EXPECT_EQ((clientWidth - editor->getGutterWidth() - wrap) / 2, editor->getTextLeft()) << boundary;
    }
}

TEST_F(EditorTest, GutterWidthFollowsTheLineCount) {
    attach(L"one");
    const int w = editor->getDigitWidth();
    ASSERT_GT(w, 0);
    EXPECT_EQ(34 + 2 * w, editor->getGutterWidth());
    load(numberedLines(99));
    EXPECT_EQ(34 + 2 * w, editor->getGutterWidth());
    editor->invalidated.clear();
    load(numberedLines(100));
    EXPECT_EQ(34 + 3 * w, editor->getGutterWidth());
    ASSERT_FALSE(editor->invalidated.empty());
    EXPECT_EQ(-1, editor->invalidated.back().left) << "the whole client repaints";
    editor->setGutterMode(Editor::GUTTER_NO_NUMBERS);
    EXPECT_EQ(22, editor->getGutterWidth());
    editor->setGutterMode(Editor::GUTTER_BY_PRESET);
    setPreset([](FacePreset& p) { p.gutterLineNumbers = false; });
    EXPECT_EQ(22, editor->getGutterWidth());
}

TEST_F(EditorTest, ThemeColoursAndChanges) {
    themes.setTheme(makeTheme(L"{settings: {background: \"#000000\" line_highlight: \"#FFFFFF80\" "
                              L"area_background: \"#102030\" foreground: \"#00FF00\"}}"));
    attach(L"text");
    const COLORREF current = editor->getTextBackgroundCurrent();
    for (BYTE channel : {GetRValue(current), GetGValue(current), GetBValue(current)})
        EXPECT_NEAR(0x80, channel, 1);
    EXPECT_EQ(RGB(0, 0, 0), editor->getTextBackground());
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), editor->getMarginBackground());
    const uint32_t root = document->getScopeRegistry().root()->index();
    document->getStyler().getStyle(*document->getScopeRegistry().root());
    EXPECT_EQ(0xFF00FF00u, document->getStyler().styleAt(root).foreground);
    editor->invalidated.clear();
    themes.setTheme(makeTheme(L"{settings: {background: \"#FFFFFF\" foreground: \"#0000FF\"}}"));
    document->getStyler().getStyle(*document->getScopeRegistry().root());
    EXPECT_EQ(0xFFFF0000u, document->getStyler().styleAt(root).foreground) << "syntax takes the new theme";
    EXPECT_EQ(RGB(255, 255, 255), editor->getTextBackground());
    EXPECT_FALSE(editor->invalidated.empty());
}

TEST_F(EditorTest, GeometryConvertsBothWays) {
    attach(L"ab\n" + std::wstring(200, L'x'));
    TextPosition p;
    ASSERT_TRUE(editor->pointToPosition(5 * charWidth, 0, 0, &p, true, false));
    EXPECT_TRUE(p.sameAs(TextPosition(0, 5, true)));
    ASSERT_TRUE(editor->pointToPosition(5 * charWidth, 0, 0, &p, false, false));
    EXPECT_TRUE(p.sameAs(TextPosition(0, 2)));
    ASSERT_TRUE(editor->pointToPosition(-3, -2, 0, &p, false, false));
    EXPECT_TRUE(p.sameAs(TextPosition(0, 0))) << "the line is clamped before the x < 0 rule";
    EXPECT_EQ(-1, editor->yToDisplayLine(-1).line) << "floored: the row above the top";

    setPreset([](FacePreset& p) { p.wordWrap = true; });
    const int32_t sublines = editor->getLineCache()->getSubLineCount(1, true);
    ASSERT_GT(sublines, 1);
    const afUnicodeData* data = editor->getLineCache()->getLayout(1);
    for (int32_t offset = 0; offset <= 200; ++offset) {
        const TextPosition at(1, offset);
        SubLineIterator row;
        ASSERT_TRUE(editor->sublineIteratorFor(at, &row));
        if (offset > 0 && editor->getLayout()->sublineStart(*data, row.subline) == offset)
            continue; // a wrap point is the start of the next subline
        const int x = editor->positionToPoint(at, true, nullptr);
        ASSERT_TRUE(editor->pointToPosition(x, 1, row.subline, &p, false, false));
        EXPECT_EQ(offset, p.lineOffset) << "x " << x;
    }
}

TEST_F(EditorTest, GeometryOnMixedScripts) {
    const std::wstring mixed = L"abc \x05E9\x05DC\x05D5\x05DD def \x05E2\x05D5\x05DC\x05DD 12 xyz";
    attach(mixed + L"\n" + mixed + mixed + mixed + mixed + mixed + mixed);
    for (bool wrapped : {false, true}) {
        setPreset([&](FacePreset& p) { p.wordWrap = wrapped; });
        for (int32_t line = 0; line < 2; ++line) {
            const int32_t length = document->getLineLength(line);
            for (int32_t offset = 0; offset <= length; ++offset) {
                SubLineIterator row;
                ASSERT_TRUE(editor->sublineIteratorFor(TextPosition(line, offset), &row));
                const int x = editor->positionToPoint(TextPosition(line, offset), true, nullptr);
                TextPosition p;
                ASSERT_TRUE(editor->pointToPosition(x, line, row.subline, &p, false, false));
                SubLineIterator back;
                ASSERT_TRUE(editor->sublineIteratorFor(p, &back));
                if (back.subline != row.subline)
                    continue; // the stop at a wrap point belongs to both sublines
                EXPECT_EQ(x, editor->positionToPoint(p, true, nullptr))
                    << "wrapped " << wrapped << " line " << line << " offset " << offset;
            }
        }
    }
}

TEST_F(EditorTest, SublinesFromTheTopAndPopups) {
    load(L"a|b\nc\nd|e|f\ng");
    editor->getLineCache()->setLayoutStep(fakeLayout);
    editor->attachController(controller);
    setPreset([](FacePreset& p) { p.wordWrap = true; });
    editor->scrollTo(0, 0, 1, true);
    const SubLineIterator row = editor->yToDisplayLine(2 * lineHeight);
    EXPECT_EQ((std::pair<int, int>(2, 0)), (std::pair<int, int>(row.line, row.subline)));
    EXPECT_EQ(0, editor->lineToY(0, 0)) << "above the top";
    EXPECT_EQ(lineHeight, editor->lineToY(1, 0));
    EXPECT_EQ(3 * lineHeight, editor->lineToY(2, 1));
}

TEST_F(EditorTest, PopupsSitAtTheCaret) {
    attach(numberedLines(200));
    {
        DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
        controller->getSelection().setCaretPosition(TextPosition(3, 2), 0);
    }
    POINT caret;
    ASSERT_TRUE(editor->caretPoint(&caret));
    EXPECT_EQ(3 * lineHeight, caret.y);
    EXPECT_EQ(editor->getGutterWidth() + 2 * charWidth, caret.x);
    afRect popup(0, 0, 50, 20);
    editor->placePopup(popup, 0);
    POINT expected = {caret.x, caret.y + lineHeight};
    ::ClientToScreen(editor->getHandle(), &expected);
    EXPECT_EQ(expected.x, popup.left);
    EXPECT_EQ(expected.y, popup.top);
    editor->scrollTo(0, 100, 0, true);
    EXPECT_FALSE(editor->caretPoint(&caret));
    afRect centred(0, 0, 50, 20);
    editor->placePopup(centred, 0);
    afRect expectedCentre(0, 0, 50, 20);
    editor->centerRect(expectedCentre);
    EXPECT_EQ(expectedCentre.left, centred.left) << "centred with the caret scrolled away";
}

} // namespace
