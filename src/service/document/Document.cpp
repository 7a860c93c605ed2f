#include "service/document/Document.h"

#include "pel/base/Assert.h"
#include "pel/base/Exception.h"
#include "pel/thread/MainThread.h"
#include "service/document/DocumentListener.h"
#include "service/document/DocumentOwner.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoManager.h"
#include "service/parser/base/DocumentGrammar.h"
#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/ParserClient.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace tessel {

namespace {

std::atomic<uint32_t> s_documentCounter{0};
DocumentOwner s_noOwner;

// Listener lists grow in steps of this many entries.
constexpr size_t LISTENER_STEP = 8;

} // namespace

Document::Document(DocumentOwner* owner)
    : m_id(++s_documentCounter), m_owner(owner),
      m_styler((owner ? owner : &s_noOwner)->createStyler(*this)),
      m_scopeRegistry((owner ? owner : &s_noOwner)->createScopeRegistry(*this)) {
    UndoManager* undoManager = owner ? owner->getUndoManager() : nullptr;
    m_undo = undoManager ? undoManager->createContext(this) : std::make_unique<UndoContext>(nullptr, this);
    m_lineFeeds.reserve(LINE_FEEDS_KEPT);
    m_listeners.reserve(LISTENER_STEP);
    lock();
    try {
        setGrammarInternal(nullptr);
    } catch (...) {
        unlock();
        throw;
    }
    unlock();
}

Document::~Document() = default;

// The main thread holds the mutex while it holds the lock or holds the mutex for the loader:
// it takes the mutex for the first of those and gives it back with the last.
bool Document::mainThreadHoldsMutex() const { return m_lockCount > 0 || m_loaderHolds.load() > 0; }

template <class Count>
void Document::takeMutexCounted(Count& count) {
    pel::check_main_thread();
    if (!mainThreadHoldsMutex())
        m_lockMutex.wait(-1);
    ++count;
}

template <class Count>
void Document::releaseMutexCounted(Count& count) {
    pel::check_main_thread();
    if (!PEL_SOFT_ASSERT(count > 0))
        return;
    --count;
    if (!mainThreadHoldsMutex())
        m_lockMutex.release();
}

void Document::lock() { takeMutexCounted(m_lockCount); }

void Document::unlock() { releaseMutexCounted(m_lockCount); }

void Document::holdMutexForLoader() { takeMutexCounted(m_loaderHolds); }

void Document::releaseMutexForLoader() { releaseMutexCounted(m_loaderHolds); }

DocumentFormat* Document::accessFormat(bool enter) {
    if (enter) {
        m_formatLock.lock();
        return &m_format;
    }
    struct Leave {
        pel::Mutex_Impl& lock;
        ~Leave() { lock.unlock(); }
    } leave{m_formatLock};
    const uint32_t mask = compareFormats(m_format, m_formatSnapshot);
    if (mask != 0)
        notifyFormatChanged(mask);
    return nullptr;
}

DocumentFormat Document::getFormat() const {
    pel::ScopedLock<pel::Mutex_Impl> guard(m_formatLock);
    return m_format;
}

void Document::notifyFormatChanged(uint32_t mask) {
    m_formatSnapshot = m_format;
    if (pel::is_main_thread())
        notify([&](DocumentListener& listener) { listener.onFormatChanged(*this, m_format, mask); });
    else
        notify([&](DocumentListener& listener) { listener.onFormatChangedAsync(*this, m_format, mask); });
}

void Document::pruneListeners() {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), nullptr), m_listeners.end());
    m_listenersRemoved = false;
}

void Document::addListener(DocumentListener* listener) {
    if (!listener || std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
        return;
    if (m_listeners.size() == m_listeners.capacity())
        m_listeners.reserve(m_listeners.capacity() + LISTENER_STEP);
    m_listeners.push_back(listener);
}

void Document::removeListener(DocumentListener* listener) {
    const auto found = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (!listener || found == m_listeners.end())
        return;
    if (m_notifyDepth > 0) {
        *found = nullptr;
        m_listenersRemoved = true;
    } else {
        m_listeners.erase(found);
    }
}

void Document::notifyParsed(int32_t firstLine, int32_t lastLine) {
    notify([&](DocumentListener& listener) { listener.onParsed(*this, firstLine, lastLine); });
}

void Document::noteFile(DocumentFileChangeKind kind, const FileStamp& now, bool always,
                        const pel::WatchNotification* record) {
    DocumentFileChange change;
    change.kind = kind;
    change.record = record;
    if (m_fileRecord.take(kind, now) || always)
        notify([&](DocumentListener& listener) { listener.onFileChanged(*this, change); });
}

void Document::noteRead(const FileVersion& read) {
    DocumentFileChange change;
    if (!m_fileRecord.takeRead(read))
        return;
    change.kind = m_fileRecord.kind();
    notify([&](DocumentListener& listener) { listener.onFileChanged(*this, change); });
}

void Document::tookFile(const FileVersion& took, const FileStamp& now) {
    DocumentFileChange change;
    m_fileRecord.took(took);
    change.kind = m_fileRecord.judge(now);
    m_fileRecord.take(change.kind, now);
    notify([&](DocumentListener& listener) { listener.onFileChanged(*this, change); });
}

void Document::notifyFileChanged(const DocumentFileChange& change) {
    noteFile(change.kind, m_fileRecord.known().stamp, true, change.record);
}

void Document::notifyLoaded() {
    notify([&](DocumentListener& listener) { listener.onLoaded(*this); });
}

void Document::notifyBeforeReload() {
    notify([&](DocumentListener& listener) { listener.onBeforeReload(*this); });
}

void Document::notifyAfterReload() {
    notify([&](DocumentListener& listener) { listener.onAfterReload(*this); });
}

bool Document::addController(DocumentController* controller) {
    if (!controller || std::find(m_controllers.begin(), m_controllers.end(), controller) != m_controllers.end())
        return false;
    m_controllers.push_back(controller);
    return true;
}

bool Document::removeController(DocumentController* controller) {
    const auto found = std::find(m_controllers.begin(), m_controllers.end(), controller);
    if (found == m_controllers.end())
        return false;
    m_controllers.erase(found);
    return true;
}

ParserClient* Document::getParserClient() const { return m_owner ? m_owner->getParserClient() : nullptr; }

void Document::setGrammarName(const std::wstring& name) {
    if (name == m_grammarName)
        return;
    m_grammarName = name;
    notify([&](DocumentListener& listener) { listener.onGrammarChanged(*this, m_grammarName); });
}

void Document::setGrammarInternal(const DocumentGrammar* grammar) {
    m_grammar = grammar;
    m_scopeRegistry->clear();
    m_lines.clearParsedLines();
    m_scopeRegistry->intern(grammar ? grammar->rootRuleNumber() : 0, SCOPE_NO_PARENT,
                            grammar ? grammar->rootScopeName() : L"none");
    m_styler->clear();
}

void Document::resetGrammarState(const DocumentGrammar* grammar, bool force) {
    if (!force && !m_grammar && !grammar)
        return;
    if (m_parserJob) {
        m_parserJob->clearResults(0, getLineCount() - 1);
        if (m_grammar)
            m_parserJob->resetState();
    }
    setGrammarInternal(grammar);
}

void Document::reset() { resetWithBuffer(GapBuffer(), nullptr, 0); }

void Document::resetWithBuffer(GapBuffer&& buffer, const int32_t* lineFeeds, int32_t count) {
    setBuffer(std::move(buffer), lineFeeds, count);
    resetAroundText();
}

void Document::resetAroundText() {
    m_lineFeeds.clear();
    m_undo->clear();
    changeFormat([](DocumentFormat& format) { format.encoding = DEFAULT_ENCODING; });
}

namespace {

void checkLineFeeds(const GapBuffer& buffer, const int32_t* lineFeeds, int32_t count) {
    const int32_t length = buffer.length();
    bool sound = count >= 0 && (count == 0 || lineFeeds);
    for (int32_t i = 0; sound && i < count; ++i) {
        const int32_t behind = lineFeeds[i];
        sound = behind > (i > 0 ? lineFeeds[i - 1] : 0) && behind <= length && buffer.at(behind - 1) == L'\n';
    }
    if (!sound)
        throw pel::InvalidArgumentException(L"The line feeds of a loaded text do not match it.");
}

} // namespace

void Document::resetWithBuffer(GapBuffer&& buffer, LineEnds&& lineFeeds) {
    setBuffer(std::move(buffer), std::move(lineFeeds));
    resetAroundText();
}

void Document::setBuffer(GapBuffer&& buffer, LineEnds&& lineFeeds) {
    checkLineFeeds(buffer, lineFeeds.data(), lineFeeds.size());
    m_lines.rebuild(std::move(lineFeeds), buffer.length());
    m_buffer = std::move(buffer);
}

void Document::setBuffer(GapBuffer&& buffer, const int32_t* lineFeeds, int32_t count) {
    checkLineFeeds(buffer, lineFeeds, count);
    m_lines.rebuild(lineFeeds, count, buffer.length());
    m_buffer = std::move(buffer);
}

void Document::takeLoadedText(Document& loaded) {
    m_lines.swap(loaded.m_lines);
    std::swap(m_buffer, loaded.m_buffer);
    m_lineFeeds.clear();
    m_undo->clear();
}

void Document::clearUndo() {
    m_undo->clear();
    changeFormat([](DocumentFormat& format) { format.modified = false; });
}

} // namespace tessel
