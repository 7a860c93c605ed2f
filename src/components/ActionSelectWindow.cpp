#include "components/ActionSelectWindow.h"

#include "afw/control/afControlEdit.h"
#include "afw/control/afControlLister.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutLinear.h"

#include <algorithm>

namespace {

constexpr UINT TEXT_FORMAT = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

std::wstring lowered(const wchar_t* text, size_t length) {
    std::wstring result(text, length);
    if (!result.empty())
        ::CharLowerBuffW(&result[0], static_cast<DWORD>(result.size()));
    return result;
}

} // namespace

afActionChooser ActionSelectWindow::install() {
    return afSetActionChooser(&ActionSelectWindow::choose);
}

afActionChoice ActionSelectWindow::choose(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates) {
    ActionSelectWindow window(owner, candidates, afGetActionChooserLook());
    afActionChoice choice;
    choice.result = window.showModal();
    choice.row = choice.result == RESULT_OK ? window.getPicked() : -1;
    return choice;
}

ActionSelectWindow::ActionSelectWindow(afViewPlatform* owner, const std::vector<afActionCandidate>& candidates,
                                       const afActionChooserLook& look)
    : afTaskWindow(owner), m_data(candidates) {
    for (FilterData::Row row = m_data.first(); row; row = m_data.next())
        m_rows.push_back(row);
    if (look.current >= 0 && static_cast<size_t>(look.current) < m_rows.size())
        m_current = look.current;
    setText(look.title.empty() ? L"Select Action" : look.title.c_str());
}

ActionSelectWindow::~ActionSelectWindow() {
    if (getHandle())
        closeNow();
}

bool ActionSelectWindow::buildSeed(afSeed& seed) {
    static bool registered = false;
    afTaskWindow::buildSeed(seed);
    return useClass(seed, L"ActionSelectWindow", nullptr, &registered);
}

void ActionSelectWindow::onCreate() {
    afTaskWindow::onCreate();
    setSizePolicy(SIZE_CONTENT);
    setMinimumSize(afScaled(MINIMUM_WIDTH), 0);
    auto* root = new afLayoutLinear(this, afLayoutLinear::VERTICAL);
    root->setPadding(afScaled(4));
    setContentView(root);
    m_edit = afControlEdit::createInstance(this);
    // What the user types is read from the window, not the text last set.
    m_edit->setPaintFlags(m_edit->getPaintFlags() | PAINT_REREAD_TEXT);
    m_edit->setCueText(L"Type to filter");
    m_edit->setKeyDelegate(afControlEdit::KeyDelegate::bind<ActionSelectWindow, &ActionSelectWindow::filterKey>(this));
    m_edit->addListener(afControlEdit::Listener::bind<ActionSelectWindow, &ActionSelectWindow::filterChanged>(this));
    root->addChild(m_edit, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    m_lister = afControlLister::createInstance(this);
    m_lister->setFixedRows(VISIBLE_ROWS, afControlLister::ROWS_AT_MOST);
    m_lister->setEmptyText(L"No matching actions");
    m_lister->setMeasureItem(afControlLister::MeasureItem::bind<ActionSelectWindow, &ActionSelectWindow::measureRow>(this));
    m_lister->setDrawItem(afControlLister::DrawItem::bind<ActionSelectWindow, &ActionSelectWindow::drawRow>(this));
    m_lister->setActivate(afControlLister::IndexNotice::bind<ActionSelectWindow, &ActionSelectWindow::activate>(this));
    root->addChild(m_lister, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    applyFilter(L"");
    m_edit->requestFocus();
}

const wchar_t* ActionSelectWindow::column(int row, size_t index, size_t* o_length) const {
    return m_data.getColumnText(m_rows[static_cast<size_t>(m_visible[static_cast<size_t>(row)])], index, o_length);
}

int ActionSelectWindow::getRowCandidate(int row) const {
    return row >= 0 && row < getRowCount() ? m_visible[static_cast<size_t>(row)] : -1;
}

std::wstring ActionSelectWindow::getRowText(int row) const {
    if (getRowCandidate(row) < 0)
        return L"";
    size_t length = 0;
    std::wstring text = column(row, afActionFilterData::COLUMN_TITLE, &length);
    const wchar_t* category = column(row, afActionFilterData::COLUMN_CATEGORY, &length);
    if (length)
        text.append(L"\t").append(category, length);
    return text;
}

void ActionSelectWindow::applyFilter(const std::wstring& filter) {
    const std::wstring wanted = lowered(filter.c_str(), filter.size());
    m_visible.clear();
    for (size_t index = 0; index < m_rows.size(); ++index) {
        size_t length = 0;
        const wchar_t* title = m_data.getColumnText(m_rows[index], afActionFilterData::COLUMN_TITLE, &length);
        if (wanted.empty() || lowered(title, length).find(wanted) != std::wstring::npos)
            m_visible.push_back(static_cast<int>(index));
    }
    if (!m_lister)
        return;
    // Measured: the rows' height is what the lister, and so the window, is sized by.
    m_lister->setCount(getRowCount(), true);
    int selected = 0;
    if (wanted.empty())
        for (int row = 0; row < getRowCount(); ++row)
            if (m_visible[static_cast<size_t>(row)] == m_current)
                selected = row;
    m_lister->select(selected, false);
    m_lister->ensureVisible(selected);
    m_lister->invalidate();
}

void ActionSelectWindow::filterChanged(afControlEdit* edit) {
    applyFilter(edit->getText());
}

bool ActionSelectWindow::filterKey(afControlEdit* /*edit*/, afKeyEvent& event) {
    switch (event.key()) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_RETURN:
        // The list's own keys, while the typing stays in the field.
        return m_lister->onKeyDown(event);
    case VK_ESCAPE:
        close(RESULT_CANCEL);
        return true;
    default:
        return false;
    }
}

void ActionSelectWindow::activate(int32_t row) {
    const int candidate = getRowCandidate(row);
    if (candidate < 0)
        return;
    m_picked = candidate;
    close(RESULT_OK);
}

void ActionSelectWindow::close(uint32_t result) {
    if (m_closing)
        return;
    m_closing = true;
    if (result != RESULT_OK)
        m_picked = -1;
    afTaskWindow::close(result);
}

bool ActionSelectWindow::onRawMessage(afMessage& msg) {
    // Another window taking the activation away ends the choice, as a click elsewhere does.
    if (msg.message == WM_ACTIVATE && LOWORD(msg.wParam) == WA_INACTIVE && isModal() && !m_closing)
        close(RESULT_CLOSE);
    return afTaskWindow::onRawMessage(msg);
}

bool ActionSelectWindow::measureRow(int32_t /*row*/, bool /*selected*/, afCanvas& canvas, SIZE& o_size) {
    canvas.selectFont(afGetStockFont(AF_FONT_MESSAGE));
    o_size.cx = afScaled(MINIMUM_WIDTH);
    o_size.cy = std::max(canvas.lineHeight(), 16) + afScaled(ROW_PADDING);
    // Every row has the same height: one is enough.
    return false;
}

void ActionSelectWindow::drawRow(afCanvas& canvas, int32_t row, bool selected, const afRect& rect) {
    const int candidate = getRowCandidate(row);
    if (candidate < 0)
        return;
    const afRect client = m_lister->getClientRect();
    const afRect line(rect.left, rect.top, std::max<LONG>(rect.right, client.right), rect.bottom);
    if (selected)
        m_lister->drawSelection(canvas, line);
    else
        canvas.fillRect(line, afGetStockColour(afControlLister::BACKGROUND_COLOUR));
    canvas.selectFont(afGetStockFont(AF_FONT_MESSAGE));
    // The filter field keeps the focus: the selection then shows as the lister's passive one,
    // on which only the ordinary text colour reads.
    const bool highlighted = selected && m_lister->hasFocus();
    const COLORREF ink = afGetStockColour(highlighted ? SELECTED_TEXT_COLOUR : TEXT_COLOUR);
    const int padding = afScaled(ROW_PADDING), gap = afScaled(ICON_GAP);
    afRect text(line.left + padding, line.top, line.right - padding, line.bottom);
    if (m_current >= 0) {
        // A column for the mark on every row, so the titles stay in line.
        const SIZE mark = afCanvas::menuCheckSize();
        if (candidate == m_current)
            canvas.drawMenuCheck(afRect(text.left, text.top, text.left + mark.cx, text.bottom), mark, ink,
                                 afCanvas::NO_BACKGROUND);
        text.left += mark.cx + padding;
    }
    size_t length = 0;
    const wchar_t* category = column(row, afActionFilterData::COLUMN_CATEGORY, &length);
    if (length) {
        const std::wstring categoryText(category, length);
        const int width = canvas.measureText(category, static_cast<int>(length), TEXT_FORMAT).cx;
        afRect right(std::max<LONG>(text.right - width, text.left + (text.right - text.left) / 2), text.top,
                     text.right, text.bottom);
        canvas.drawText(categoryText, right, TEXT_FORMAT | DT_RIGHT,
                        afGetStockColour(highlighted ? SELECTED_TEXT_COLOUR : CATEGORY_COLOUR));
        const afAction* action = m_data.candidateOf(m_rows[static_cast<size_t>(candidate)]).action;
        if (const afIcon* icon = afGetIcon(action->getIcon())) {
            const int size = icon->getSize();
            const afRect box(right.left - gap - size, text.top, right.left - gap, text.bottom);
            canvas.drawIcon(box, *icon, AF_ALIGN_LEFT);
            right.left = box.left;
        }
        text.right = right.left - gap;
    }
    const wchar_t* title = column(row, afActionFilterData::COLUMN_TITLE, &length);
    canvas.drawText(std::wstring(title, length), text, TEXT_FORMAT, ink);
}
