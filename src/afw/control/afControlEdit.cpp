#include "afw/control/afControlEdit.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"

#include <algorithm>

afControlEdit* afControlEdit::createInstance(afViewPlatform* parent, uint32_t options) {
    if (!parent)
        return nullptr;
    auto* edit = new afControlEdit(parent);
    edit->setOptions(options);
    return afBuildWidget(edit);
}

bool afControlEdit::buildSeed(afSeed& seed) {
    afControl::buildSeed(seed);
    seed.className = L"Edit";
    seed.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE;
    if (!(m_options & OPTION_NO_AUTO_HSCROLL))
        seed.style |= ES_AUTOHSCROLL;
    if (m_options & OPTION_READ_ONLY)
        seed.style |= ES_READONLY;
    if (m_options & OPTION_VERTICAL_SCROLL)
        seed.style |= WS_VSCROLL;
    seed.exStyle = WS_EX_CLIENTEDGE;
    seed.title = getText();
    return true;
}

void afControlEdit::onCreate() {
    afControl::onCreate();
    const afRect& padding = getPadding();
    // The cue text, drawn at the right, keeps off the edge as the typed text does at the left.
    const afRect wanted(afScaled(4), afScaled(2), afScaled(4), afScaled(2));
    if (padding != wanted) {
        setPadding(wanted);
        relayout(L"afView::setPadding");
    }
}

void afControlEdit::removeListener(const Listener& listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void afControlEdit::setText(const wchar_t* text) {
    afControl::setText(text ? text : L"");
}

void afControlEdit::getSelection(int& o_start, int& o_end) const {
    DWORD start = 0, end = 0;
    if (getHandle())
        ::SendMessageW(getHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    o_start = static_cast<int>(start);
    o_end = static_cast<int>(end);
}

void afControlEdit::setSelection(int start, int end) {
    ::SendMessageW(getHandle(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void afControlEdit::setCueText(const std::wstring& text) {
    m_cueText = text;
    if (HWND window = getHandle()) {
        ::InvalidateRect(window, nullptr, TRUE);
        ::UpdateWindow(window);
    }
}

bool afControlEdit::onReflectedMessage(afMessage& msg) {
    if (msg.message != WM_COMMAND || HIWORD(msg.wParam) != EN_CHANGE)
        return false;
    // A copy: a listener may remove itself.
    const std::vector<Listener> listeners = m_listeners;
    for (const Listener& listener : listeners)
        listener(this);
    msg.result = 0;
    return true;
}

bool afControlEdit::onKeyDown(afKeyEvent& event) {
    if (m_keyDelegate && m_keyDelegate(this, event))
        return true;
    if (event.combination == (afKeyEvent::CTRL | 'A')) {
        selectAll();
        return true;
    }
    return false;
}

void afControlEdit::updateFormattingRect() {
    HWND window = getHandle();
    if (!window || !singleLine())
        return;
    int start = 0, end = 0;
    getSelection(start, end);
    afRect rect = getClientRect();
    const afRect& padding = getPadding();
    rect.inset(padding.left, padding.top, padding.right, padding.bottom);
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    if (getFont())
        canvas->selectFont(getFont());
    const int line = canvas->lineHeight();
    rect.top += std::max<LONG>(0, (rect.height() - line) / 2);
    rect.bottom = rect.top + line;
    ::SendMessageW(window, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(static_cast<RECT*>(&rect)));
    setSelection(start, end);
}

void afControlEdit::drawCueText(HDC dc) {
    const auto canvas = afCanvas::fromDC(dc);
    afRect rect = getClientRect();
    const afRect& padding = getPadding();
    rect.inset(padding.left, padding.top, padding.right, padding.bottom);
    canvas->selectFont(afGetStockFont(AF_FONT_MESSAGE));
    canvas->drawText(m_cueText, rect, DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS,
                     afGetStockColour(CUE_COLOUR));
}

bool afControlEdit::onRawMessage(afMessage& msg) {
    switch (msg.message) {
    case WM_SIZE:
        defaultProc(msg);
        updateFormattingRect();
        return true;
    case WM_GETDLGCODE:
        if (!singleLine())
            break;
        msg.result = SINGLE_LINE_CODES;
        return true;
    case WM_PAINT:
        // The control paints itself; a cue goes over it.
        defaultProc(msg);
        if (m_cueText.empty())
            return true;
        if (HDC dc = ::GetDC(getHandle())) {
            drawCueText(dc);
            ::ReleaseDC(getHandle(), dc);
        }
        return true;
    default:
        break;
    }
    return afControl::onRawMessage(msg);
}

void afControlEdit::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    if (getFont())
        canvas->selectFont(getFont());
    const TEXTMETRICW& metrics = canvas->textMetrics();
    const afRect& padding = getPadding();
    const int32_t height = std::max<int32_t>(metrics.tmHeight + metrics.tmExternalLeading + padding.top +
                                                 padding.bottom + afScaled(6),
                                             getMinimumHeight());
    setMeasuredDimension(resolveSize(getMinimumWidth(), widthSpec), resolveSize(height, heightSpec));
}
