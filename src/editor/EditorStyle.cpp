// The editor's face preset, tab width and theme: what they set in the layout, the renderer and
// the view, and the styler's colours handed to the layout.
#include "editor/Editor.h"

#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeColour.h"
#include "afw/unicode/afUnicodeRenderer.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCaret.h"
#include "editor/EditorThemes.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/base/DocumentStyler.h"

namespace tessel {

namespace {

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

void Editor::applyPreset() {
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    EditorBatch batch(*this);
    m_preset.assign(m_controller->getFacePreset());
    m_layout->setKeepIndentation(m_preset.sublinesAlign);
    m_layout->setContinuationIndent(m_preset.sublinesAlignShow);
    m_renderer->setIndentGuides(m_preset.showIndentGuides);
    m_renderer->setWhitespaceMarks(m_preset.showWhitespaceBefore, m_preset.showWhitespaceInside,
                                   m_preset.showWhitespaceAfter);
    m_renderer->setRightMargin(m_preset.boundaryShow ? m_preset.boundary * getCharWidth() : 0);
    takeCaretHeight();
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

void Editor::takeCaretHeight() {
    if (!m_caret || m_caret->getHeight() == getLineHeight())
        return;
    m_caret->setHeight(getLineHeight());
    if (m_caret->isCreated())
        m_caret->recreate();
}

void Editor::applyTheme(const std::shared_ptr<DocumentTheme>& theme) {
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    EditorBatch batch(*this);
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
    EditorBatch batch(*this);
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
    EditorBatch batch(*this);
    if (columns != m_widestColumns)
        m_scrollBarsDirty = true;
    m_widestColumns = columns;
}

void Editor::setLineCount(int32_t count) {
    if (count == m_lineCount)
        return;
    EditorBatch batch(*this);
    updateGutterWidth(count);
    m_lineCount = count;
    recomputeView(true);
    m_scrollBarsDirty = true;
}

} // namespace tessel
