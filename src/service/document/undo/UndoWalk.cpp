// Walking an undo log: one group back (undo) or forth (redo), applying the records met, and
// the dump of every record.

#include "pel/text/FormatString.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoListener.h"
#include "service/document/undo/UndoManager.h"

namespace tessel {

void UndoContext::undo() {
    if (startWalk(false))
        walkOn(nullptr);
}

void UndoContext::redo() {
    if (startWalk(true))
        walkOn(nullptr);
}

bool UndoContext::startWalk(bool redo) {
    if (!(redo ? canRedo() : canUndo()))
        return false;
    m_walk = redo ? WALK_REDO : WALK_UNDO;
    m_walkAt = m_journal->position();
    m_groupCount = 0;
    m_typedChar = 0;
    // The next step of a long edit does not join a group the walk went past.
    m_continuableEnd = UNREACHABLE;
    return true;
}

bool UndoContext::walkOn(const std::function<bool()>& goOn) {
    // A record written, a walk or a save since the last step: the walk is over.
    if (m_walk == WALK_NONE || !m_journal || m_mode != UNDO_IDLE || m_journal->position().pos != m_walkAt.pos ||
        m_journal->position().end != m_walkAt.end) {
        m_walk = WALK_NONE;
        return true;
    }
    const bool redo = m_walk == WALK_REDO;
    struct Idle {
        UndoContext& context;
        ~Idle() { context.m_mode = UNDO_IDLE; }
    } idle{*this};
    m_mode = redo ? UNDO_REDOING : UNDO_UNDOING;
    const uint32_t transaction = m_manager->transactionKind();
    // Undo steps back from pos to the start; redo reads from pos on to the end.
    while (m_journal && (redo ? m_journal->pos() < m_journal->end() : m_journal->pos() > 0)) {
        if (!(redo ? m_journal->readAt(m_journal->pos()) : m_journal->stepBack())) {
            dropLog(L"reading a record");
            break;
        }
        if (m_journal->kind() != transaction)
            applyRecord();
        else if (groupStep(redo) == GROUP_STOP)
            break; // a redo stays on the marker of the group not taken
        if (redo && m_journal)
            m_journal->stepForward();
        if (goOn && m_journal && !goOn()) {
            m_walkAt = m_journal->position();
            return false;
        }
    }
    m_walk = WALK_NONE;
    return true;
}

UndoContext::GroupStep UndoContext::groupStep(bool redo) {
    unsigned char payload[MARKER_PAYLOAD];
    if (m_journal->read(payload, MARKER_PAYLOAD) != MARKER_PAYLOAD) {
        dropLog(L"reading a transaction marker");
        return GROUP_STOP;
    }
    const uint32_t key = getUndo32(payload);
    const uint32_t offset = getUndo32(payload + 4);
    const uint32_t typingClass = (payload[8] >> 1) & 3;
    const bool isBegin = (payload[8] & MARKER_BEGIN) != 0;
    const bool isBreak = (payload[8] & MARKER_BREAK) != 0;
    const bool continues = isBegin && (payload[8] & MARKER_CONTINUES) != 0;
    if (isBegin == redo) {
        // The marker opens a group in the walk's direction: the first one, one that joins the
        // group before it as a run of typing at consecutive offsets, or a step of a long edit
        // (a transaction continuing the one before it: its begin marker says so, met now on a
        // redo and just before on an undo).
        if (m_groupCount > 0 && !(redo ? continues : m_lastContinues)) {
            const bool adjacent = redo ? offset == m_lastOffset + 1 : offset + 1 == m_lastOffset;
            const bool typing = typingClass == TYPING_CHARACTERS || typingClass == TYPING_TAB;
            if (!(key == m_lastKey && typingClass == m_lastClass && typing && !isBreak && adjacent)) {
                if (!redo)
                    m_journal->setPosition(m_savedWalk);
                return GROUP_STOP;
            }
        }
        tell(&UndoListener::onGroupEnter);
        return GROUP_GO_ON;
    }
    if (!redo)
        m_savedWalk = m_journal->position();
    ++m_groupCount;
    m_lastKey = key;
    m_lastClass = typingClass;
    m_lastOffset = offset;
    m_lastContinues = continues;
    tell(&UndoListener::onGroupLeave);
    return !redo && (m_journal->pos() == 0 || isBreak) ? GROUP_STOP : GROUP_GO_ON;
}

void UndoContext::applyRecord() {
    const uint32_t kind = m_journal->kind();
    UndoListener* registered = m_manager ? m_manager->getKindListener(kind) : nullptr;
    UndoListener* own = kind < UndoManager::MAX_KINDS ? m_listeners[kind] : nullptr;
    if (registered)
        registered->apply(*this);
    if (own && m_journal && (!registered || m_journal->rewindPayload()))
        own->apply(*this);
}

void UndoContext::dumpMarker(std::wstring& out, const wchar_t* prefix) {
    unsigned char payload[MARKER_PAYLOAD];
    if (read(payload, MARKER_PAYLOAD) != MARKER_PAYLOAD) {
        out.append(prefix).append(L"?\n");
        return;
    }
    out += pel::formatString(L"%s%s key=%08X offset=%u class=%u%s\n", prefix,
                             (payload[8] & MARKER_BEGIN) ? L"begin" : L"end", getUndo32(payload),
                             getUndo32(payload + 4), (payload[8] >> 1) & 3u,
                             (payload[8] & MARKER_BREAK) ? L" break" : L"");
}

void UndoContext::dump(std::wstring& out) {
    if (!m_journal || m_mode != UNDO_IDLE || !m_manager)
        return;
    const UndoPosition kept = m_journal->position();
    UndoPosition whole;
    whole.end = kept.end;
    m_journal->setPosition(whole);
    UndoListener plain;
    for (uint32_t at = 0; at < kept.end; at = m_journal->next()) {
        if (!m_journal->readAt(at)) {
            out += pel::formatString(L"%06u unreadable record\n", at);
            break;
        }
        const uint32_t kind = m_journal->kind();
        std::wstring name = m_manager->kindName(kind);
        if (name.empty())
            name = pel::formatString(L"#%u", kind);
        const std::wstring prefix = pel::formatString(L"%06u %s ", at, name.c_str());
        if (kind == m_manager->transactionKind()) {
            dumpMarker(out, prefix.c_str());
        } else {
            UndoListener* listener = m_manager->getKindListener(kind);
            (listener ? listener : &plain)->dump(*this, out, prefix.c_str());
        }
    }
    m_journal->setPosition(kept);
}

} // namespace tessel
