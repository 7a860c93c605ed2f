#include "editor/Editor.h"

#include "afw/afStockResources.h"
#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeColour.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "afw/unicode/afUnicodeRenderer.h"
#include "editor/EditorThemes.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/ScopePath.h"

#include <algorithm>

namespace tessel {

namespace {

// Holds an update batch of the editor for its scope.
class Batch {
public:
    explicit Batch(Editor& editor) : m_editor(editor) { editor.beginUpdate(); }
    ~Batch() { m_editor.endUpdate(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    Editor& m_editor;
};

void toFloats(const ThemeColour& colour, float* o_rgba) {
    o_rgba[0] = colour.red;
    o_rgba[1] = colour.green;
    o_rgba[2] = colour.blue;
    o_rgba[3] = colour.alpha;
}

// The layer laid over a base by its alpha: base - (base - layer) x alpha on each channel.
COLORREF composite(const ThemeColour& layer, const ThemeColour& base) {
    float below[4], over[4];
    toFloats(base, below);
    toFloats(layer, over);
    float result[4] = {below[0], below[1], below[2], below[3]};
    blendColour(result, reinterpret_cast<const float(&)[4]>(*over), over[3]);
    return rgba4ToColorRef(result);
}

COLORREF opaque(const ThemeColour& colour) {
    float rgba[4];
    toFloats(colour, rgba);
    return rgba4ToColorRef(rgba);
}

} // namespace

Editor* Editor::create(afViewPlatform* parent, int borderMode) {
    if (!parent)
        return nullptr;
    std::unique_ptr<Editor> editor(new Editor(parent));
    afSeed seed;
    if (!editor->buildSeed(seed))
        return nullptr;
    seed.style &= ~WS_BORDER;
    seed.exStyle &= ~WS_EX_CLIENTEDGE;
    if (borderMode == BORDER_LINE)
        seed.style |= WS_BORDER;
    else if (borderMode == BORDER_CLIENT_EDGE)
        seed.exStyle |= WS_EX_CLIENTEDGE;
    if (!editor->createWidget(seed))
        return nullptr;
    return editor.release();
}

Editor::Editor(afViewPlatform* host) : afWidget(host) {
    setName(L"generic");
    static const int stock[GUTTER_COLOURS] = {1, 0, 11, 5, 8, 0, 0};
    for (int i = 0; i < GUTTER_COLOURS; ++i)
        m_gutterColours[i] = afGetStockColour(stock[i]);
    m_themeSource = &getEditorThemeSource();
}

Editor::~Editor() {
    try {
        detach();
    } catch (...) {
        // A destructor never throws; the controller forgets its editor either way.
    }
    afUnicodeFontManager::instance().removeFontListener(this);
}

bool Editor::buildSeed(afSeed& seed) {
    static bool registered = false;
    afClassRecord record(L"TesselEditor");
    record.style = CS_DBLCLKS;
    record.cursor = ::LoadCursorW(nullptr, IDC_IBEAM);
    if (!registerClass(record, &registered))
        return false;
    seed.style = 0x50310000;
    seed.className = L"TesselEditor";
    seed.title = L"Editor";
    return true;
}

void Editor::onCreate() {
    afUnicodeFontManager& fonts = afUnicodeFontManager::instance();
    m_layout.reset(new afUnicode(fonts.getEditorFontSet()));
    m_layout->setStyleProvider(this);
    fonts.addFontListener(this);
    m_renderer.reset(new afUnicodeRenderer(*m_layout));
    m_lineCache.reset(new LineCache(*m_layout));
    m_lineCache->setWidthListener([this](int32_t columns) { setWidestColumns(columns); });
    m_top = m_bottom = m_lineCache->begin();
}

void Editor::onDestroy() {
    afUnicodeFontManager::instance().removeFontListener(this);
}

void Editor::onFontChanged() {
    if (!m_layout)
        return;
    m_layout->setFontSet(afUnicodeFontManager::instance().getEditorFontSet());
    m_layout->updateMetrics();
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    Batch batch(*this);
    invalidateLines(-1, -1, true, true);
}

void Editor::addContexts(ScopePath& path) {
    if (!m_controller)
        return;
    ScopePath caret;
    m_controller->getCaretScope(caret);
    path.append(caret);
}

// ---- attaching

void Editor::attachController(DocumentController* controller) {
    if (m_pairing)
        return;
    pel::check_main_thread();
    m_pairing = true;
    try {
        detach();
        m_controller = controller;
        if (controller && controller->getEditor() != this)
            controller->setEditor(this);
    } catch (...) {
        m_pairing = false;
        throw;
    }
    m_pairing = false;
    if (!controller || !m_lineCache)
        return;
    DocumentController::Lock lock(*controller, DocumentController::LOCK_READ);
    m_lineCache->attachController(controller);
    m_top = m_bottom = m_lineCache->begin();
    m_scrollColumn = 0;
    m_lineCount = controller->getLineCount();
    m_caretLine = controller->getSelection().getCaret().line;
    m_theme.reset();
    addListeners();
    applyTabWidth();
    applyPreset();
    updateGutterWidth(m_lineCount);
    recomputeView(true);
}

void Editor::detach() {
    DocumentController* old = m_controller;
    if (!old)
        return;
    m_controller = nullptr;
    if (m_layout)
        for (TextHighlighter* highlighter : old->getHighlighters())
            m_layout->removeClient(highlighter);
    old->beginChange().remove(this);
    old->selectionChanged().remove(this);
    old->changed().remove(this);
    old->inserted().remove(this);
    old->removed().remove(this);
    old->facePresetChanged().remove(this);
    old->formatChanged().remove(this);
    old->highlighterChanged().remove(this);
    old->caretMoved().remove(this);
    m_themeSource->themeChanged().remove(this);
    m_theme.reset();
    if (m_lineCache)
        m_lineCache->attachController(nullptr);
    if (old->getEditor() == this) {
        const bool pairing = m_pairing;
        m_pairing = true;
        old->setEditor(nullptr);
        m_pairing = pairing;
    }
}

void Editor::addListeners() {
    DocumentController& c = *m_controller;
    c.beginChange().add(this, [this](DocumentController&, const ChangeRange&) { beginUpdate(); });
    c.selectionChanged().add(this, [this](DocumentController&, const PositionRange& range) {
        onRangeChanged(range.start, range.end);
    });
    c.changed().add(this, [this](DocumentController& controller, const ChangeRange& range) {
        invalidateLines(std::max(range.firstLine, 0), -1, false, false);
        setLineCount(controller.getLineCount());
        endUpdate();
    });
    c.inserted().add(this, [this](DocumentController&, const TextChange& change) {
        onLinesInserted(change.firstLine, change.lineBreaks);
    });
    c.removed().add(this, [this](DocumentController&, const TextChange& change) {
        onLinesRemoved(change.firstLine, change.lineBreaks);
    });
    c.facePresetChanged().add(this, [this](DocumentController&, const FacePreset&) { applyPreset(); });
    c.formatChanged().add(this, [this](DocumentController&, const DocumentController::Format&,
                                       const DocumentController::Format&) { applyTabWidth(); });
    c.highlighterChanged().add(this, [this](DocumentController&, TextHighlighter* highlighter, bool added) {
        if (added) {
            m_layout->addClient(highlighter);
            return;
        }
        m_layout->removeClient(highlighter);
        DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
        Batch batch(*this);
        m_repaintAll = true;
    });
    // Until the caret item lands, the caret's line is repainted as it moves.
    c.caretMoved().add(this, [this](DocumentController&, const TextPosition& caret, uint8_t) {
        if (caret.line == m_caretLine)
            return;
        Batch batch(*this);
        invalidateLine(m_caretLine);
        invalidateLine(caret.line);
        m_caretLine = caret.line;
    });
}

void Editor::onRangeChanged(const TextPosition& a, const TextPosition& b) {
    Batch batch(*this);
    m_lineCache->markRedraw(a.line, b.line);
    invalidateLines(std::min(a.line, b.line), std::max(a.line, b.line), false, false);
}

void Editor::onLinesInserted(int32_t line, int32_t count) {
    if (count < 1) {
        invalidateLines(line, line, true, false);
        return;
    }
    m_lineCache->insertLines(line, count);
    if (line < m_top.line) {
        // The same text stays at the top.
        m_top.line += count;
        m_top.subline = m_top.clampedSubline();
        m_bottom = m_top;
        m_bottom.advance(std::max(m_visibleLines - 1, 0));
    }
}

void Editor::onLinesRemoved(int32_t line, int32_t count) {
    if (count > 0) {
        m_lineCache->removeLines(line, count);
        if (line < m_top.line) {
            m_top.line = std::max(line, m_top.line - count);
            m_top.subline = m_top.clampedSubline();
            m_bottom = m_top;
            m_bottom.advance(std::max(m_visibleLines - 1, 0));
        }
    }
    invalidateLines(line, line, true, false);
}

// ---- preset, tab width and theme

void Editor::applyPreset() {
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    Batch batch(*this);
    m_preset.assign(m_controller->getFacePreset());
    m_layout->setKeepIndentation(m_preset.sublinesAlign);
    m_layout->setContinuationIndent(m_preset.sublinesAlignShow);
    m_renderer->setIndentGuides(m_preset.showIndentGuides);
    m_renderer->setWhitespaceMarks(m_preset.showWhitespaceBefore, m_preset.showWhitespaceInside,
                                   m_preset.showWhitespaceAfter);
    m_renderer->setRightMargin(m_preset.boundaryShow ? m_preset.boundary * getCharWidth() : 0);
    const std::shared_ptr<DocumentTheme> theme = m_themeSource->themeFor(m_preset.theme);
    if (theme != m_theme) {
        if (!m_theme)
            m_themeSource->themeChanged().add(this, [this](const std::shared_ptr<DocumentTheme>& changed) {
                // The theme in force changed, or another one took its place.
                const std::shared_ptr<DocumentTheme> now = m_themeSource->themeFor(m_preset.theme);
                if (m_controller && (changed == now || now != m_theme))
                    applyTheme(now);
            });
        applyTheme(theme);
    }
    recomputeWrap();
    updateGutterWidth(m_lineCount);
    m_repaintAll = true;
    m_scrollBarsDirty = true;
    invalidateLines(-1, -1, true, true);
}

void Editor::applyTheme(const std::shared_ptr<DocumentTheme>& theme) {
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    Batch batch(*this);
    m_theme = theme;
    // Syntax takes the new colours too: the styler's cache goes with the old theme.
    m_controller->getDocument().getStyler().setTheme(theme);
    applyThemeColours();
    m_repaintAll = true;
    invalidateLines(-1, -1, true, false);
}

void Editor::applyThemeColours() {
    const DocumentTheme& theme = *m_theme;
    m_textBackground = opaque(theme.background());
    m_textBackgroundCurrent = composite(theme.lineHighlight(), theme.background());
    m_marginBackground = opaque(theme.areaBackground());
    m_marginBackgroundCurrent = composite(theme.lineHighlight(), theme.areaBackground());
    toFloats(theme.lineHighlight(), m_lineHighlight);
    float paint[AF_PAINT_COLOURS * 4];
    toFloats(theme.foreground(), paint);
    toFloats(theme.background(), paint + 4);
    for (int i = 2; i < AF_PAINT_COLOURS; ++i)
        toFloats(theme.invisibles(), paint + 4 * i);
    m_renderer->setPaintColours(paint);
    const std::vector<TextHighlighter*>& highlighters = m_controller->getHighlighters();
    if (!highlighters.empty()) {
        HighlightStyle style;
        highlighters.front()->getStyle(style);
        toFloats(theme.selection(), style.background);
        highlighters.front()->setStyle(style);
    }
    // The layout blends the layers' looks when they join: they join again with the new ones.
    for (TextHighlighter* highlighter : highlighters)
        m_layout->removeClient(highlighter);
    for (TextHighlighter* highlighter : highlighters)
        m_layout->addClient(highlighter);
    m_styles.clear();
}

afUnicodeStyle& Editor::styleFor(uint16_t styleId) {
    if (m_styles.size() <= styleId)
        m_styles.resize(styleId + 1u);
    afUnicodeStyle& style = m_styles[styleId];
    if (m_controller) {
        const ScopeStyle& scope = m_controller->getDocument().getStyler().styleAt(styleId);
        style.foreground = scope.foreground;
        style.background = scope.background;
        style.flags = static_cast<uint16_t>(scope.fontStyle & (FONT_STYLE_BOLD | FONT_STYLE_ITALIC | FONT_STYLE_UNDERLINE));
    }
    return style;
}

void Editor::applyTabWidth() {
    if (!m_controller || m_controller->getTabWidth() == m_layout->getTabSize())
        return;
    m_layout->setTabSize(m_controller->getTabWidth());
    Batch batch(*this);
    m_repaintAll = true;
    m_scrollBarsDirty = true;
    invalidateLines(-1, -1, true, true);
}

void Editor::setGutterMode(int mode) {
    m_gutterMode = mode;
    if (m_controller)
        applyPreset();
}

void Editor::setWidestColumns(int32_t columns) {
    Batch batch(*this);
    if (columns != m_widestColumns)
        m_scrollBarsDirty = true;
    m_widestColumns = columns;
}

void Editor::setLineCount(int32_t count) {
    if (count == m_lineCount)
        return;
    Batch batch(*this);
    updateGutterWidth(count);
    m_lineCount = count;
    recomputeView(true);
    m_scrollBarsDirty = true;
}

// ---- layout

afRect Editor::clientRect() {
    afRect rect;
    rect.left = rect.top = 0;
    rect.right = m_clientWidth;
    rect.bottom = m_clientHeight;
    return rect;
}

int Editor::getLineHeight() const {
    return m_layout ? std::max(m_layout->getLineHeight(), 1) : 1;
}

int Editor::getCharWidth() const {
    return m_layout ? std::max(m_layout->getSpaceWidth(), 1) : 1;
}

void Editor::onLayout(bool, const afRect&) {
    takeClientSize();
}

void Editor::takeClientSize() {
    RECT client = {0, 0, 0, 0};
    if (getHandle())
        ::GetClientRect(getHandle(), &client);
    if (client.right == m_clientWidth && client.bottom == m_clientHeight)
        return;
    m_clientWidth = client.right;
    m_clientHeight = client.bottom;
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    Batch batch(*this);
    recomputeWrap();
    recomputeView(false);
}

void Editor::recomputeWrap() {
    Batch batch(*this);
    m_textLeft = 0;
    m_clampOnResize = true;
    if (!m_preset.wordWrap) {
        if (m_layout->setWrapWidth(0)) {
            m_repaintAll = m_scrollBarsDirty = true;
            invalidateLines(-1, -1, true, true);
        }
        return;
    }
    if (m_preset.boundaryBreak) {
        const bool changed = m_layout->setWrapWidth(m_preset.boundary * getCharWidth());
        // Centred by the width the layout took (it never wraps narrower than 30 average widths).
        if (m_preset.center)
            m_textLeft = std::max((m_clientWidth - m_gutterWidth - m_layout->getWrapWidth()) / 2, 0);
        m_repaintAll = m_scrollBarsDirty = true;
        if (changed)
            invalidateLines(-1, -1, true, true);
        recomputeView(true);
        return;
    }
    if (m_layout->setWrapWidth(std::max(m_clientWidth - m_gutterWidth - m_textLeft, 1))) {
        m_repaintAll = m_scrollBarsDirty = true;
        invalidateLines(-1, -1, true, true);
    }
}

void Editor::recomputeView(bool force) {
    if (!m_controller)
        return;
    const int32_t lines = std::max(m_clientHeight / getLineHeight(), 0);
    const int32_t columns = std::max((m_clientWidth - m_gutterWidth - m_textLeft) / getCharWidth(), 0);
    if (!force && lines == m_visibleLines && columns == m_visibleColumns)
        return;
    m_visibleLines = lines;
    m_visibleColumns = columns;
    Batch batch(*this);
    m_scrollBarsDirty = true;
    if (m_clampOnResize) {
        m_clampOnResize = false;
        const int32_t column = std::max(std::min(m_scrollColumn, m_widestColumns - m_visibleColumns), 0);
        int32_t line = m_top.line;
        if (line + m_visibleLines > m_lineCount)
            line = std::max(m_lineCount - m_visibleLines, 0);
        if (column != m_scrollColumn || line != m_top.line)
            scrollTo(column, line, line == m_top.line ? m_top.subline : 0, false);
    }
    m_bottom = m_top;
    m_bottom.advance(std::max(m_visibleLines - 1, 0));
}

// ---- batches and invalidation

void Editor::beginUpdate() {
    if (m_updateDepth == 0) {
        m_scrollBarsDirty = m_clampOnResize = m_repaintAll = m_rangeDirty = false;
        m_dirtyFirst = m_dirtyLast = 0;
    }
    ++m_updateDepth;
}

void Editor::endUpdate() {
    if (m_updateDepth == 1)
        flush();
    if (m_updateDepth > 0)
        --m_updateDepth;
}

void Editor::flush() {
    if (m_scrollBarsDirty)
        updateScrollBars();
    if (m_repaintAll)
        invalidateClient(nullptr);
    else if (m_rangeDirty)
        invalidateLineRange();
    m_scrollBarsDirty = m_repaintAll = m_rangeDirty = false;
}

void Editor::invalidateClient(const RECT* rect) {
    HWND window = getHandle();
    if (!window)
        return;
    if (rect) {
        // A change and the selection it moves repaint once when the first band holds the second.
        HRGN pending = ::CreateRectRgn(0, 0, 0, 0);
        HRGN wanted = ::CreateRectRgnIndirect(rect);
        const bool covered = ::GetUpdateRgn(window, pending, FALSE) != NULLREGION &&
                             ::CombineRgn(wanted, wanted, pending, RGN_DIFF) == NULLREGION;
        ::DeleteObject(wanted);
        ::DeleteObject(pending);
        if (covered)
            return;
    }
    invalidateWindow(rect);
}

void Editor::invalidateWindow(const RECT* rect) {
    ::InvalidateRect(getHandle(), rect, FALSE);
}

void Editor::invalidateLines(int32_t first, int32_t last, bool relayout, bool rewrap) {
    if (!m_lineCache)
        return;
    if (relayout || rewrap) {
        if (first >= 0 && last >= 0)
            m_lineCache->dropLines(first, last);
        else if (first >= 0)
            m_lineCache->dropLinesFrom(first);
        else if (last < 0)
            m_lineCache->dropAll();
        else
            m_lineCache->dropLinesUpTo(last);
        recomputeView(true);
        if (!m_lineCache->isUnwrapped())
            last = -1;
    }
    if (first <= m_top.line && last >= 0 && last >= m_bottom.line) {
        m_repaintAll = true;
        return;
    }
    if (m_repaintAll)
        return;
    if (!m_rangeDirty) {
        m_dirtyFirst = first;
        m_dirtyLast = last;
        m_rangeDirty = true;
        return;
    }
    m_dirtyFirst = std::max(std::min(m_dirtyFirst, first), 0);
    m_dirtyLast = last == -1 || m_dirtyLast == -1 ? -1 : std::max(m_dirtyLast, last);
}

// ---- scrolling

void Editor::scrollBy(int columns, int lines) {
    if (!m_controller)
        return;
    SubLineIterator target = m_top;
    target.advance(lines);
    const int32_t column = std::max(std::min(m_scrollColumn + columns, m_widestColumns), 0);
    scrollTo(column, target.line, target.subline, false);
}

bool Editor::scrollTo(int32_t column, int32_t line, int32_t subline, bool force) {
    if (!m_controller)
        return false;
    column = std::max(column, 0);
    line = std::max(line, 0);
    subline = std::max(subline, 0);
    if (line >= m_lineCount) {
        line = std::max(m_lineCount - 1, 0);
        subline = std::max(m_lineCache->getSubLineCount(line, true) - 1, 0);
    }
    SubLineIterator top = m_lineCache->makeIterator(line, subline);
    top.subline = top.clampedSubline();
    if (!force && column == m_scrollColumn && top.line == m_top.line && top.subline == m_top.subline)
        return false;
    m_top = top;
    m_scrollColumn = column;
    m_bottom = m_top;
    m_bottom.advance(std::max(m_visibleLines - 1, 0));
    {
        Batch batch(*this);
        m_repaintAll = m_scrollBarsDirty = true;
        recomputeView(false);
    }
    if (getHandle())
        ::UpdateWindow(getHandle());
    return true;
}

void Editor::updateScrollBars() {
    HWND window = getHandle();
    if (!window || !m_controller)
        return;
    SCROLLINFO vertical = {};
    vertical.cbSize = sizeof(SCROLLINFO);
    vertical.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    vertical.nMin = 0;
    vertical.nMax = m_lineCount + m_visibleLines - 1;
    vertical.nPage = static_cast<UINT>(std::max(m_visibleLines, 0));
    vertical.nPos = m_top.line;
    if (m_top.line == m_lineCount - 1 && vertical.nMax > static_cast<int>(vertical.nPage) &&
        m_top.clampedSubline() == m_lineCache->getSubLineCount(m_top.line, true) - 1)
        ++vertical.nPos;
    ::SetScrollInfo(window, SB_VERT, &vertical, TRUE);
    SCROLLINFO horizontal = {};
    horizontal.cbSize = sizeof(SCROLLINFO);
    horizontal.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    horizontal.nMax = std::max(m_widestColumns - 1, 0);
    horizontal.nPage = static_cast<UINT>(std::max(m_visibleColumns, 0));
    horizontal.nPos = m_scrollColumn;
    ::SetScrollInfo(window, SB_HORZ, &horizontal, TRUE);
}

} // namespace tessel
