// The DocumentController's life, its transactions, the selection-change bracket and the
// document's notices.

#include "service/document/controller/DocumentController.h"

#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "pel/log/Log.h"
#include "pel/text/CharacterBoundaries.h"
#include "pel/text/FormatString.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/document/controller/DocumentControllerSearchSession.h"
#include "service/document/controller/IEditor.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/Selection.h"
#include "service/document/undo/UndoContext.h"

#include <atomic>

namespace tessel {

namespace {

std::atomic<uint32_t> s_controllerKeys{0};

// Every bit of a format notice: the constructor takes the whole record.
constexpr uint32_t ALL_FORMAT_CHANGES = 0xFF;

// Runs the work in an update batch of the view that ends even when the work throws (a line
// that cannot be laid out): a batch left open keeps the view from ever painting again.
template <class Work>
void inViewBatch(IEditor& view, Work work) {
    view.beginUpdate();
    try {
        work();
    } catch (...) {
        view.endUpdate();
        throw;
    }
    view.endUpdate();
}

} // namespace

DocumentController::Lock::~Lock() {
    try {
        m_controller.unlock();
    } catch (const std::exception& e) {
        // A listener failed while the transaction closed; the lock itself is released.
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentController::unlock(): a listener failed while the transaction closed: %hs\n",
                        e.what());
    } catch (...) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentController::unlock(): a listener failed while the transaction closed\n");
    }
}

DocumentController::SelectionChange::~SelectionChange() {
    try {
        m_controller.endSelectionChange();
    } catch (...) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentController::endSelectionChange(): a selection listener failed\n");
    }
}

const wchar_t* const DocumentController::READ_ONLY_TEXT = L"This document was opened read-only: it cannot be changed.";

DocumentController::DocumentController(Document& document, DocumentControllerManager& owner, void* context)
    : m_owner(owner), m_context(context), m_key(++s_controllerKeys), m_document(document),
      m_facePreset(new FacePreset()) {
    m_format.encoding = DEFAULT_ENCODING;
    m_format.lineEnding = LINE_ENDING_WINDOWS;
    m_selection.reset(new Selection(*this));
    addSpanHighlighter(m_selection.get());
    m_selection->caretMoved().add(
        this, [this](Selection&, const TextPosition& position, uint8_t flags) { onCaretMoved(position, flags); });
    {
        DocumentLockHold lock(m_document);
        m_document.addListener(this);
        m_document.addController(this);
    }
    takeFormat(m_document.getFormat(), ALL_FORMAT_CHANGES);
    m_toldFile = {isDeletedOnDisk(), isModifiedOnDisk(), m_document.getFileRecord().textOnlyHere()};
    m_grammarName = m_document.getGrammarName();
    Lock lock(*this, LOCK_READ);
    m_spanManager = m_owner.createSpanManager(*this);
    m_selection->setCaretOffset(0);
}

DocumentController::~DocumentController() {
    m_searchSession.reset();
    try {
        setEditor(nullptr);
        while (!m_highlighters.empty())
            removeSpanHighlighter(m_highlighters.back());
        {
            Lock lock(*this, LOCK_READ);
            m_selection->collapse();
        }
        m_selection->caretMoved().remove(this);
        {
            Lock lock(*this, LOCK_READ);
            m_document.removeListener(this);
            m_document.removeController(this);
        }
    } catch (...) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentController::~DocumentController(): a listener failed while the controller closed\n");
        m_document.removeListener(this);
        m_document.removeController(this);
    }
    m_selection.reset(); // its behaviours let go of this controller's notices
    m_spanManager.reset();
}

// ---- transactions

const ChangeRange* DocumentController::lock(LockKind kind) {
    if (m_lockDepth > 0) {
        ++m_lockDepth;
        return m_changeRecord;
    }
    pel::check_main_thread();
    m_document.lock();
    m_lockKind = kind;
    // Open from here: what the change's listeners and the undo records do nests in it.
    m_lockDepth = 1;
    if (kind != LOCK_EDIT && kind != LOCK_REPLAY)
        return nullptr;
    bool begun = false;
    try {
        m_document.setTransactionKey(m_key);
        m_document.beginChange(m_key, kind == LOCK_REPLAY);
        begun = true;
        m_changeRecord = &m_document.getChangeRange();
        m_selection->beginPendingCaret();
        if (kind == LOCK_EDIT)
            recordSelectionUndo();
    } catch (...) {
        if (begun) {
            m_lockDepth = 1;
            unlock();
        } else {
            m_lockDepth = 0;
            m_lockKind = LOCK_NONE;
            m_document.unlock();
        }
        throw;
    }
    return m_changeRecord;
}

void DocumentController::unlock() {
    if (!PEL_SOFT_ASSERT(m_lockDepth > 0) || --m_lockDepth > 0)
        return;
    const bool refused = m_editWasRefused;
    m_editWasRefused = false;
    endTransaction();
    if (refused)
        m_editRefused.notify(*this);
}

void DocumentController::endTransaction() {
    struct Release {
        DocumentController& controller;
        ~Release() {
            controller.m_changeRecord = nullptr;
            controller.m_lockKind = LOCK_NONE;
            controller.m_document.unlock();
        }
    } release{*this};
    if (m_lockKind != LOCK_EDIT && m_lockKind != LOCK_REPLAY)
        return;
    // The depth stays 0 meanwhile: what listeners do now opens transactions of its own.
    if (m_lockKind == LOCK_EDIT)
        recordSelectionUndo();
    m_selection->endPendingCaret();
    m_document.endChange();
}

void DocumentController::splitEdit() {
    if (m_lockDepth == 0 || m_lockKind != LOCK_EDIT)
        return;
    recordSelectionUndo();
    m_document.endChange();
    m_document.beginChange(m_key, false);
    m_changeRecord = &m_document.getChangeRange();
    recordSelectionUndo();
}

bool DocumentController::continueLastEdit() {
    return m_lockDepth > 0 && m_lockKind == LOCK_EDIT && m_document.getUndoContext().continueLastTransaction();
}

bool DocumentController::canEdit(const wchar_t* operation) {
    if (m_document.isReadOnly()) {
        refuseEdit();
        return false;
    }
    if (m_lockDepth > 0 && m_lockKind == LOCK_EDIT)
        return true;
    const std::wstring expectation =
        pel::formatString(L"an open edit transaction for DocumentController::%s", operation);
    pel::softAssertion(expectation.c_str(), PEL_FILE, __LINE__);
    return false;
}

bool DocumentController::isReadOnly() const { return m_document.isReadOnly(); }

void DocumentController::refuseEdit() {
    if (m_lockDepth > 0)
        m_editWasRefused = true;
    else
        m_editRefused.notify(*this);
}

// ---- the selection-change bracket

Selection& DocumentController::beginSelectionChange() {
    if (m_bracketDepth++ == 0)
        m_pendingChange = false;
    return *m_selection;
}

ISpanManager& DocumentController::beginHighlightChange() {
    beginSelectionChange();
    return *m_spanManager;
}

void DocumentController::endSelectionChange() {
    if (!PEL_SOFT_ASSERT(m_bracketDepth > 0) || --m_bracketDepth > 0 || !m_pendingChange)
        return;
    m_pendingChange = false;
    m_selectionChanged.notify(*this, m_pendingRange);
}

void DocumentController::addChangedRange(const TextPosition& a, const TextPosition& b) {
    if (a.lineOffset < 0 || b.lineOffset < 0)
        return;
    SelectionChange bracket(*this);
    const TextPosition& start = b < a ? b : a;
    const TextPosition& end = b < a ? a : b;
    if (m_pendingChange) {
        if (start < m_pendingRange.start)
            m_pendingRange.start = start;
        if (m_pendingRange.end < end)
            m_pendingRange.end = end;
    } else {
        m_pendingRange.start = start;
        m_pendingRange.end = end;
        m_pendingChange = true;
    }
}

void DocumentController::invalidateRange(int32_t a, int32_t b) {
    Lock lock(*this, LOCK_READ);
    addChangedRange(offsetToPosition(std::min(a, b)), offsetToPosition(std::max(a, b)));
}

void DocumentController::onCaretMoved(const TextPosition& position, uint8_t flags) {
    SelectionChange bracket(*this);
    if (m_spanManager) {
        Lock lock(*this, LOCK_READ);
        const int32_t offset = positionToOffset(position);
        m_spanManager->leaveSpansOutside(offset, offset);
    }
    m_caretMoved.notify(*this, position, flags);
}

// ---- the document's notices

void DocumentController::onInserted(Document&, const TextChange& change) {
    forgetCharacterCount(change.offset);
    m_inserted.notify(*this, change);
}

void DocumentController::onRemoved(Document&, const TextChange& change) {
    forgetCharacterCount(change.offset);
    m_removed.notify(*this, change);
}

void DocumentController::onBeginChange(Document&, const ChangeRange& range) {
    beginSelectionChange();
    m_beginChange.notify(*this, range);
}

void DocumentController::onChanged(Document&, const ChangeRange& range) {
    // Takes the place of the bracket the change opened, so that it closes after the listeners
    // heard of the change, even when one of them fails.
    SelectionChange bracket(*this);
    endSelectionChange();
    m_changed.notify(*this, range);
}

void DocumentController::onGrammarChanged(Document&, const std::wstring& grammarName) {
    m_grammarName = grammarName;
    m_grammarChanged.notify(*this, grammarName);
}

void DocumentController::onParsed(Document&, int32_t firstLine, int32_t lastLine) {
    if (!m_view)
        return;
    Lock lock(*this, LOCK_READ);
    const int32_t lastExisting = std::max(0, m_document.getLineCount() - 1);
    const int32_t first = std::max(0, std::min(firstLine, lastExisting));
    const int32_t last = std::max(first, std::min(lastLine, lastExisting));
    inViewBatch(*m_view, [&] { m_view->invalidateLines(first, last, true, false); });
}

void DocumentController::onLineMarkersChanged(Document&, int32_t line, int flag) {
    if (flag != 1 || !m_view)
        return;
    Lock lock(*this, LOCK_READ);
    inViewBatch(*m_view, [&] { m_view->invalidateLine(line); });
}

bool DocumentController::isDeletedOnDisk() const { return m_document.getFileRecord().state() == FileRecord::GONE; }

bool DocumentController::isModifiedOnDisk() const {
    const FileRecord& record = m_document.getFileRecord();
    return record.asks() && (record.state() == FileRecord::CHANGED || record.state() == FileRecord::UNREADABLE);
}

bool DocumentController::isUnsaved() const { return isModified() || m_document.getFileRecord().textOnlyHere(); }

void DocumentController::tellFileViews() {
    // Told against what was told last: each notice once per change of its view.
    const FileViews now{isDeletedOnDisk(), isModifiedOnDisk(), m_document.getFileRecord().textOnlyHere()};
    const FileViews told = m_toldFile;
    m_toldFile = now;
    if (told.deleted != now.deleted)
        m_fileDeleted.notify(*this);
    // Whether the text is held only here changed (a kept change, or the file back): what closing
    // asks about changed, told there too where no deletion told it.
    if (told.modified != now.modified || (told.onlyHere != now.onlyHere && told.deleted == now.deleted))
        m_fileModified.notify(*this);
}

void DocumentController::onFileChanged(Document&, const DocumentFileChange&) { tellFileViews(); }

void DocumentController::answerFileNews(uint32_t at) {
    m_document.getFileRecord().answer(at);
    tellFileViews();
}

void DocumentController::keepFileChange() { answerFileNews(m_document.getFileRecord().news()); }

void DocumentController::resetEditingState() {
    forgetCharacterCount(0);
    Lock lock(*this, LOCK_READ);
    SelectionChange bracket(*this);
    m_searchSession.reset();
    m_selection->setCaretOffset(0);
    m_spanManager->reset(m_document.getLength());
}

void DocumentController::onBeforeReload(Document&) {
    m_savedView = m_view;
    setEditor(nullptr);
    resetEditingState();
}

void DocumentController::onAfterReload(Document&) {
    resetEditingState();
    IEditor* view = m_savedView;
    m_savedView = nullptr;
    setEditor(view);
}

} // namespace tessel
