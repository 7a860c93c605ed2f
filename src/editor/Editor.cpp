#include "editor/Editor.h"

#include "afw/graphics/afStockResources.h"
#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "afw/unicode/afUnicodeRenderer.h"
#include "afw/core/afApp.h"
#include "components/SearchManager.h"
#include "editor/EditorBatch.h"
#include "editor/EditorCaret.h"
#include "editor/EditorCmd.h"
#include "editor/EditorThemes.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/Selection.h"
#include "service/parser/base/ScopePath.h"

#include <algorithm>

namespace tessel {

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
    m_commandHandler.reset(new EditorCmd(*this));
    EditorCmd::registerActions(m_commandHandler->getActionRegistry(), m_commandHandler->getActionContext());
    m_commandHandler->attachActionHandler();
    m_autoScrollTimer.setInterval(30);
    m_autoScrollTimer.setCallback(afViewTimer::Callback::bind<Editor, &Editor::onAutoScrollTick>(this));
}

Editor::~Editor() {
    stopTimer(m_autoScrollTimer);
    // The search manager must never call a deleted editor.
    if (SearchManager* search = SearchManager::get())
        search->removeScopes(this);
    try {
        dropHints();
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
    // The partly shown row below the last whole one counts, and unwrapped the cells each side of
    // the text column that the paint draws too.
    m_lineCache->setScreen([this] {
        LineCache::Screen screen;
        screen.first = m_top.line;
        screen.top = m_top.subline;
        screen.last = m_bottom.line;
        screen.bottom = m_bottom.subline;
        const int scrolled = m_scrollColumn * getCharWidth();
        screen.left = scrolled - 2 * getLineHeight();
        screen.right = scrolled + textColumnRight(m_clientWidth) - m_gutterWidth - m_textLeft + 2 * getLineHeight();
        return screen;
    });
    m_top = m_bottom = m_lineCache->begin();
    setScrollCallbacks(ScrollCallback::bind<Editor, &Editor::onVerticalScroll>(this),
                       ScrollCallback::bind<Editor, &Editor::onHorizontalScroll>(this));
    setCursorCallback(CursorCallback::bind<Editor, &Editor::onSetCursor>(this));
    m_caret.reset(new EditorCaret(*this));
    m_caret->setHeight(getLineHeight());
    installDropTarget();
}

void Editor::onDestroy() {
    dropHints();
    afUnicodeFontManager::instance().removeFontListener(this);
}

void Editor::onFocusGained() {
    m_commandHandler->attachActionHandler();
    registerSearchScopes();
    setSearchScopesActive(true);
    // Snippet actions insert into the controller of the focused editor.
    if (m_controller)
        m_controller->getOwner().setActiveController(m_controller);
    if (m_caret) {
        m_caret->setFocused(true);
        if (m_controller) {
            DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
            EditorBatch batch(*this);
            m_caret->setPosition(m_controller->getSelection().getCaret(), false);
        }
        m_caret->update();
    }
    afWidget::onFocusGained();
}

void Editor::onFocusLost() {
    if (m_caret)
        m_caret->setFocused(false);
    afWidget::onFocusLost();
}

void Editor::onFontChanged() {
    if (!m_layout)
        return;
    m_layout->setFontSet(afUnicodeFontManager::instance().getEditorFontSet());
    m_layout->updateMetrics();
    if (!m_controller)
        return;
    DocumentController::Lock lock(*m_controller, DocumentController::LOCK_READ);
    EditorBatch batch(*this);
    // The line numbers are set in the font: the gutter takes their new width.
    updateGutterWidth(m_lineCount);
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
        m_commandHandler->setController(controller);
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
    onCaretMoved(controller->getSelection().getCaret(), CARET_ANCHOR | CARET_KEEP_VIEW);
    raiseEvents();
    registerSearchScopes();
    // Attached while focused: this controller is the one snippets go into.
    if (getHandle() && ::GetFocus() == getHandle())
        controller->getOwner().setActiveController(controller);
}

void Editor::detach() {
    DocumentController* old = m_controller;
    if (!old)
        return;
    m_controller = nullptr;
    m_commandHandler->setController(nullptr);
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
    old->grammarChanged().remove(this);
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
    c.inserted().add(this, [this](DocumentController& controller, const TextChange& change) {
        onEdited(controller, change, true);
    });
    c.removed().add(this, [this](DocumentController& controller, const TextChange& change) {
        onEdited(controller, change, false);
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
        EditorBatch batch(*this);
        m_repaintAll = true;
    });
    c.caretMoved().add(this,
                       [this](DocumentController&, const TextPosition& caret, uint8_t flags) { onCaretMoved(caret, flags); });
    addEventListeners();
}

// Flags bit 0 refreshes the remembered x; CARET_KEEP_VIEW and CARET_CENTRE place the view.
void Editor::onCaretMoved(const TextPosition& caret, uint8_t flags) {
    EditorBatch batch(*this);
    // A notice that leaves the caret where it was (an edit elsewhere) keeps the view.
    const bool moved = !m_caret || !m_caret->getPosition().sameAs(caret);
    if (m_caret)
        m_caret->setPosition(caret, (flags & CARET_ANCHOR) != 0);
    if (!m_caretVisibleFollow)
        return;
    if (moved && !(flags & CARET_KEEP_VIEW))
        scrollToShow(caret, (flags & CARET_CENTRE) != 0);
    if (caret.line != m_caretLine) {
        invalidateLine(m_caretLine);
        invalidateLine(caret.line);
        m_caretLine = caret.line;
    }
}

void Editor::onRangeChanged(const TextPosition& a, const TextPosition& b) {
    EditorBatch batch(*this);
    m_lineCache->markRedraw(a.line, b.line);
    invalidateLines(std::min(a.line, b.line), std::max(a.line, b.line), false, false);
}

void Editor::onEdited(DocumentController& controller, const TextChange& change, bool inserted) {
    const int32_t line = change.firstLine;
    const int32_t offset = change.offset - controller.getDocument().getLineStart(line);
    if (change.lineBreaks > 0) {
        m_lineCache->noteEdit(line, offset);
        if (inserted)
            onLinesInserted(line, change.lineBreaks);
        else
            onLinesRemoved(line, change.lineBreaks);
        return;
    }
    // Within a line the cache drops only what the edit changed: a batch of edits in a long line
    // lays out again the pieces they reached, not the whole line each.
    m_lineCache->noteLineEdit(line, offset, inserted ? 0 : change.length, inserted ? change.length : 0, change.text);
    recomputeView(true);
    invalidateLines(line, m_lineCache->isUnwrapped() ? line : -1, false, false);
}

void Editor::onLinesInserted(int32_t line, int32_t count) {
    m_lineCache->insertLines(line, count);
    if (line < m_top.line) {
        // The same text stays at the top.
        m_top.line += count;
        m_top.subline = m_top.clampedSubline();
        refreshBottom();
    }
}

void Editor::onLinesRemoved(int32_t line, int32_t count) {
    m_lineCache->removeLines(line, count);
    if (line < m_top.line) {
        m_top.line = std::max(line, m_top.line - count);
        m_top.subline = m_top.clampedSubline();
        refreshBottom();
    }
    invalidateLines(line, line, true, false);
}

} // namespace tessel
