// The wheel and the scroll bars: both scroll the view and leave the caret where it is.
#include "editor/Editor.h"

#include "editor/EditorBatch.h"
#include "service/document/controller/DocumentController.h"

namespace tessel {

namespace {

enum ScrollCode { TO_START = 1, TO_END = 2, STEP_FORWARD = 3, STEP_BACK = 4, PAGE_FORWARD = 5, PAGE_BACK = 6,
                  THUMB_TRACK = 7, THUMB_POSITION = 8 };

} // namespace

int32_t Editor::wheelLinesPerNotch() {
    // Read signed: the page setting (WHEEL_PAGESCROLL) is then below 1 as well.
    int lines = 0;
    if (!::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0) || lines <= 1)
        lines = 3;
    return lines;
}

bool Editor::onMouseWheel(afMouseEvent&, int steps) {
    if (!m_controller)
        return false;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    scrollBy(0, -(wheelLinesPerNotch() * steps));
    return true;
}

void Editor::onScrollBar(bool vertical, int code, int position) {
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    EditorBatch batch(*this);
    const int32_t page = vertical ? m_visibleLines : m_visibleColumns;
    int32_t delta = 0;
    switch (code) {
    case TO_START:
        if (vertical)
            scrollTo(m_scrollColumn, 0, 0, false);
        else
            scrollTo(0, m_top.line, m_top.subline, false);
        return;
    case TO_END:
        if (vertical)
            scrollTo(m_scrollColumn, m_lineCount, 0, false);
        else
            scrollTo(m_widestColumns, m_top.line, m_top.subline, false);
        return;
    case THUMB_TRACK:
    case THUMB_POSITION:
        if (vertical)
            scrollTo(m_scrollColumn, position, 0, false);
        else
            scrollTo(position, m_top.line, m_top.subline, false);
        return;
    case STEP_FORWARD:
        delta = 1;
        break;
    case STEP_BACK:
        delta = -1;
        break;
    case PAGE_FORWARD:
        delta = page;
        break;
    case PAGE_BACK:
        delta = -page;
        break;
    default:
        return;
    }
    if (vertical)
        scrollBy(0, delta);
    else
        scrollBy(delta, 0);
}

void Editor::onVerticalScroll(afViewPlatform*, int code, int position) { onScrollBar(true, code, position); }
void Editor::onHorizontalScroll(afViewPlatform*, int code, int position) { onScrollBar(false, code, position); }

} // namespace tessel
