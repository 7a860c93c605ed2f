#include "service/document/undo/UndoContext.h"

#include "pel/base/Crc.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/DocumentChange.h"
#include "service/document/undo/UndoDocIO.h"
#include "service/document/undo/UndoListener.h"
#include "service/document/undo/UndoManager.h"

#include <algorithm>

namespace tessel {

namespace {

constexpr uint32_t LOG_UNDO_SOURCE = pel::crc32Literal("Undo");

// Short document records: one unit at an offset below this.
constexpr int32_t SHORT_OFFSET_LIMIT = 65536;

// Payload bytes a staged record keeps in memory before it moves to the staging file.
constexpr uint32_t MEMORY_STAGING = 4096;

bool readFully(pel::File* file, unsigned char* data, uint32_t size) {
    while (size > 0) {
        const int32_t read = file->read(data, size);
        if (read <= 0)
            return false;
        data += read;
        size -= static_cast<uint32_t>(read);
    }
    return true;
}

} // namespace

UndoContext::UndoContext(UndoManager* manager, Document* document) : m_manager(manager), m_document(document) {
    if (m_manager)
        m_manager->m_contexts.push_back(this);
    try {
        openLog();
    } catch (...) {
        // No destructor runs for a context that was never made: the manager must not keep it.
        if (m_manager)
            m_manager->forgetContext(this);
        throw;
    }
}

UndoContext::~UndoContext() {
    releaseStaging();
    closeLog();
    if (m_manager)
        m_manager->forgetContext(this);
}

void UndoContext::detachManager() {
    releaseStaging();
    closeLog();
    m_mode = UNDO_IDLE;
    m_manager = nullptr;
}

void UndoContext::openLog() {
    if (!m_manager || m_journal)
        return;
    pel::WorkString<> name;
    if (pel::FileIFC::getInstance()->makeUniqueName(L"vtmp:undo", &name))
        m_logFile = pel::FileIO::openFile(name.c_str(), pel::FILE_MODE_READ_WRITE_NEW);
    if (!m_logFile) {
        pel::log_printf(pel::LOG_WARNING, LOG_UNDO_SOURCE,
                        L"Undo: cannot create a log on the temporary device (file error 0x%08X); changes are not "
                        L"recorded.\n",
                        static_cast<unsigned>(pel::FileErrorObject::getErrorCode()));
        return;
    }
    m_logPath = name.str();
    m_log = std::make_unique<UndoLogFile>(m_logFile);
    m_journal = std::make_unique<UndoJournal>(*m_log, 0);
}

void UndoContext::closeLog() {
    m_journal.reset();
    m_savedJournal.reset();
    m_log.reset();
    if (m_logFile) {
        pel::FileIO::closeFile(m_logFile);
        pel::FileIO::deleteFile(m_logPath.c_str());
        m_logFile = nullptr;
    }
    m_logPath.clear();
}

void UndoContext::clear() {
    releaseStaging();
    closeLog();
    openLog();
    m_mode = UNDO_IDLE;
    m_savedPos = 0;
    m_changedWithoutLog = false;
    m_typedOffset = 0;
    m_typedChar = 0;
    m_typingClass = TYPING_NONE;
    m_wroteRecord = false;
    m_continuableEnd = UNREACHABLE;
}

void UndoContext::dropLog(const wchar_t* what) {
    pel::log_printf(pel::LOG_WARNING, LOG_UNDO_SOURCE,
                    L"Undo: %s of the log %s failed (file error 0x%08X); changes are no longer recorded.\n", what,
                    m_logPath.c_str(), static_cast<unsigned>(pel::FileErrorObject::getErrorCode()));
    releaseStaging();
    closeLog();
    m_mode = UNDO_IDLE;
    m_changedWithoutLog = true;
}

void UndoContext::releaseStaging() {
    m_recordKind = UndoJournal::NO_KIND;
    if (m_staging && m_manager)
        m_manager->returnStagingFile(this, m_staging);
    m_staging = nullptr;
}

void UndoContext::markSaved() {
    m_savedPos = getPos();
    m_changedWithoutLog = false;
    // The next typed character starts a group of its own: joined to the run before the save,
    // one undo would go past the saved text, and no walk could stop there again.
    m_typedOffset = 0;
    m_typedChar = 0;
    // Nor does a long edit's next step join the one before the save.
    m_continuableEnd = UNREACHABLE;
}

bool UndoContext::isModified() const { return m_changedWithoutLog || getPos() != m_savedPos; }

void UndoContext::noteUnrecordedEdit() {
    if (m_mode == UNDO_IDLE)
        m_changedWithoutLog = true;
}

bool UndoContext::setKindListener(uint32_t id, UndoListener* listener) {
    if (id >= UndoManager::MAX_KINDS || m_listeners[id])
        return false;
    m_listeners[id] = listener;
    return true;
}

void UndoContext::addListener(UndoListener* listener) {
    if (listener && std::find(m_contextListeners.begin(), m_contextListeners.end(), listener) == m_contextListeners.end())
        m_contextListeners.push_back(listener);
}

void UndoContext::removeListener(UndoListener* listener) {
    m_contextListeners.erase(std::remove(m_contextListeners.begin(), m_contextListeners.end(), listener),
                             m_contextListeners.end());
}

void UndoContext::tell(void (UndoListener::*operation)(UndoContext&)) {
    // By index: a listener may add or remove listeners while it is told.
    for (size_t i = 0; m_manager && i < m_manager->getListeners().size(); ++i)
        (m_manager->getListeners()[i]->*operation)(*this);
    for (size_t i = 0; i < m_contextListeners.size(); ++i)
        (m_contextListeners[i]->*operation)(*this);
}

void UndoContext::beginRecord(uint32_t kind) {
    if (m_mode != UNDO_RECORDING || kind >= UndoManager::MAX_KINDS || !m_journal)
        return;
    endRecord();
    if (!m_journal)
        return;
    if (!m_staging) {
        dropLog(L"staging a record");
        return;
    }
    if (!m_manager->isKindPassive(kind))
        m_wroteRecord = true;
    m_recordKind = kind;
    m_stagedBytes = 0;
    m_stagedInMemory.clear();
    m_spilled = false;
}

bool UndoContext::spillStaged() {
    m_spilled = true;
    const uint32_t size = static_cast<uint32_t>(m_stagedInMemory.size());
    return m_staging->seek(pel::FILE_SEEK_BEGIN, 0) == 0 &&
           (size == 0 || m_staging->write(m_stagedInMemory.data(), size) == static_cast<int32_t>(size));
}

uint32_t UndoContext::write(const void* data, uint32_t size) {
    if (m_recordKind == UndoJournal::NO_KIND || !m_staging || size == 0)
        return 0;
    if (m_stagedBytes + size < m_stagedBytes) {
        dropLog(L"staging a record");
        return 0;
    }
    if (!m_spilled && m_stagedBytes + size <= MEMORY_STAGING) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        m_stagedInMemory.insert(m_stagedInMemory.end(), bytes, bytes + size);
        m_stagedBytes += size;
        return size;
    }
    if ((!m_spilled && !spillStaged()) || m_staging->write(data, size) != static_cast<int32_t>(size)) {
        dropLog(L"staging a record");
        return 0;
    }
    m_stagedBytes += size;
    return size;
}

uint32_t UndoContext::read(void* data, uint32_t size) {
    return m_journal && m_journal->state() == UndoJournal::READING ? m_journal->read(data, size) : 0;
}

void UndoContext::endRecord() {
    if (m_recordKind == UndoJournal::NO_KIND)
        return;
    const uint32_t kind = m_recordKind;
    m_recordKind = UndoJournal::NO_KIND;
    if (!m_journal || !m_staging)
        return;
    if (!m_spilled) {
        static const unsigned char none = 0;
        if (!m_journal->writeRecord(kind, m_stagedBytes ? m_stagedInMemory.data() : &none, m_stagedBytes))
            dropLog(L"writing a record");
        return;
    }
    unsigned char chunk[UndoLogFile::COPY_CHUNK];
    bool written = m_staging->seek(pel::FILE_SEEK_BEGIN, 0) == 0 && m_journal->beginWrite(kind, m_stagedBytes);
    for (uint32_t done = 0; written && done < m_stagedBytes;) {
        const uint32_t count = std::min<uint32_t>(sizeof chunk, m_stagedBytes - done);
        written = readFully(m_staging, chunk, count) && m_journal->writePayload(chunk, count);
        done += count;
    }
    if (!written || !m_journal->endWrite())
        dropLog(L"writing a record");
}

bool UndoContext::writeChange(const TextChange& change, bool inserted) {
    if (m_mode != UNDO_RECORDING || change.length <= 0)
        return false;
    endRecord();
    if (!m_journal)
        return false;
    const UndoDocIO& io = m_manager->docIO();
    m_wroteRecord = true;
    bool written;
    unsigned char head[8];
    if (change.length == 1 && change.offset < SHORT_OFFSET_LIMIT) {
        putUndo32(head, static_cast<uint32_t>(change.offset) | uint32_t(change.text[0]) << 16);
        written = m_journal->writeRecord(inserted ? io.insertShortKind() : io.removeShortKind(), head, 4);
    } else {
        const uint64_t textBytes = uint64_t(change.length) * sizeof(wchar_t);
        putUndo32(head, static_cast<uint32_t>(change.offset));
        putUndo32(head + 4, static_cast<uint32_t>(change.length));
        written = textBytes < 0xFFFF0000u &&
                  m_journal->beginWrite(inserted ? io.insertKind() : io.removeKind(),
                                        static_cast<uint32_t>(textBytes) + 8) &&
                  m_journal->writePayload(head, 8) &&
                  m_journal->writePayload(change.text, static_cast<uint32_t>(textBytes)) && m_journal->endWrite();
    }
    if (!written)
        dropLog(L"writing a record");
    return written;
}

void UndoContext::recordInsert(const TextChange& change) {
    if (!writeChange(change, true))
        return;
    const wchar_t typed = change.length == 1 && !change.fromSpan ? change.text[0] : 0;
    if (typed == L'\t' || typed >= 32) {
        if (m_typingClass != TYPING_OTHER)
            m_typingClass = typed == L'\t' ? TYPING_TAB : TYPING_CHARACTERS;
        m_typedOffset = static_cast<uint32_t>(change.offset);
        m_typedChar = typed;
    } else {
        m_typingClass = TYPING_OTHER;
        m_typedOffset = 0;
        m_typedChar = 0;
    }
}

void UndoContext::recordRemove(const TextChange& change) {
    if (writeChange(change, false) && m_typingClass == TYPING_NONE)
        m_typingClass = TYPING_REMOVAL;
}

bool UndoContext::writeMarker(bool begin) {
    const uint32_t storedClass = m_typingClass == TYPING_OTHER ? TYPING_NONE : m_typingClass;
    uint8_t flags = static_cast<uint8_t>(storedClass << 1);
    if (begin)
        flags |= MARKER_BEGIN | (m_typedChar == 0 ? MARKER_BREAK : 0);
    unsigned char payload[MARKER_PAYLOAD];
    putUndo32(payload, m_document ? m_document->getTransactionKey() : 0);
    putUndo32(payload + 4, m_typedOffset);
    payload[8] = flags;
    if (begin) {
        m_beginMarkerAt = m_journal->pos();
        m_beginFlags = flags;
    }
    if (!m_journal->writeRecord(m_manager->transactionKind(), payload, MARKER_PAYLOAD))
        return false;
    if (begin)
        m_beginMarkerHeader = m_journal->headerSize();
    return true;
}

bool UndoContext::patchBeginMarker(uint32_t typingClass) {
    unsigned char patch[5];
    putUndo32(patch, m_typedOffset);
    patch[4] = static_cast<uint8_t>((m_beginFlags & ~MARKER_CLASS) | typingClass << 1);
    return m_journal->rewrite(m_beginMarkerAt + m_beginMarkerHeader + 4, patch, sizeof patch);
}

void UndoContext::beginTransaction() {
    if (!m_journal || m_mode != UNDO_IDLE)
        return;
    m_staging = m_manager->takeStagingFile(this);
    m_mode = UNDO_RECORDING;
    m_wroteRecord = false;
    m_recordKind = UndoJournal::NO_KIND;
    m_typingClass = TYPING_NONE;
    m_savedState = m_journal->position();
    if (m_savedState.pos < m_savedState.end) {
        // Redo history stays until the transaction has written something: new records go
        // behind it, relative positions as if they stood at pos.
        m_savedJournal = std::move(m_journal);
        m_journal = std::make_unique<UndoJournal>(*m_log, m_savedJournal->base() + (m_savedState.end - m_savedState.pos));
        UndoPosition behind = m_savedState;
        behind.next = behind.end = behind.pos;
        m_journal->setPosition(behind);
    }
    if (!writeMarker(true)) {
        dropLog(L"writing a transaction marker");
        return;
    }
    tell(&UndoListener::onTransactionBegin);
}

void UndoContext::endTransaction() {
    if (!m_journal || m_mode != UNDO_RECORDING)
        return;
    endRecord();
    if (!m_journal)
        return;
    tell(&UndoListener::onTransactionEnd);
    if (!m_journal)
        return;
    const uint32_t storedClass = m_typingClass == TYPING_OTHER ? TYPING_NONE : m_typingClass;
    if (!writeMarker(false) || (storedClass != TYPING_NONE && !patchBeginMarker(storedClass))) {
        dropLog(L"writing a transaction marker");
        return;
    }
    m_mode = UNDO_IDLE;
    finishTransaction();
    releaseStaging();
    // One that recorded nothing left the log as it was, and what the last one may be continued by.
    if (m_journal && m_wroteRecord) {
        m_continuableEnd = m_journal->pos();
        m_continuableKey = m_document ? m_document->getTransactionKey() : 0;
    }
}

bool UndoContext::continueLastTransaction() {
    if (!m_journal || m_mode != UNDO_RECORDING || m_wroteRecord || m_savedJournal ||
        m_beginMarkerAt != m_continuableEnd || m_continuableKey != (m_document ? m_document->getTransactionKey() : 0))
        return false;
    const uint8_t flags = static_cast<uint8_t>((m_beginFlags & ~MARKER_BREAK) | MARKER_CONTINUES);
    if (!m_journal->rewrite(m_beginMarkerAt + m_beginMarkerHeader + 8, &flags, 1)) {
        dropLog(L"writing a transaction marker");
        return false;
    }
    m_beginFlags = flags;
    return true;
}

void UndoContext::finishTransaction() {
    if (!m_wroteRecord) {
        // Markers and passive records alone leave no trace: the log, and any redo history, stay
        // as they were.
        if (m_savedJournal)
            m_journal = std::move(m_savedJournal);
        m_journal->setPosition(m_savedState);
        if (!m_log->truncate(uint64_t(m_journal->base()) + m_journal->end()))
            dropLog(L"rolling back a transaction");
        return;
    }
    if (!m_savedJournal)
        return;
    // The new records replace the redo history.
    const UndoPosition written = m_journal->position();
    const uint64_t from = uint64_t(m_journal->base()) + m_savedState.pos;
    const uint64_t to = uint64_t(m_savedJournal->base()) + m_savedState.pos;
    m_journal = std::move(m_savedJournal);
    m_journal->setPosition(written);
    // The saved state lay in the history now gone: no position can reach it any more.
    if (m_savedPos != UNREACHABLE && m_savedPos > m_savedState.pos)
        m_savedPos = UNREACHABLE;
    if (!m_log->moveDown(from, to, written.end - m_savedState.pos) ||
        !m_log->truncate(uint64_t(m_journal->base()) + written.end))
        dropLog(L"replacing the redo history");
}

} // namespace tessel
