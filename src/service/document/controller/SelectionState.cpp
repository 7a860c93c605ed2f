// The Selection's undo record: a 36-byte header (range count, caret flags, virtual mode,
// behaviour, anchor, caret; little-endian) and 12 bytes per committed range (start, end, id),
// its reading and its text for the undo log's dump.

#include "service/document/controller/Selection.h"

#include "pel/text/FormatString.h"
#include "service/base/Stream.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/undo/UndoJournal.h"

#include <cstring>

namespace tessel {

namespace {

struct StateHeader {
    uint32_t rangeCount = 0;
    uint8_t flags = 0;
    bool virtualMode = false;
    uint32_t behaviorId = 0;
    TextPosition anchor;
    TextPosition caret;
};

void putPosition(unsigned char* at, const TextPosition& position) {
    putUndo32(at, static_cast<uint32_t>(position.line));
    putUndo32(at + 4, static_cast<uint32_t>(position.lineOffset));
    at[8] = position.isVirtual ? 1 : 0;
}

TextPosition getPosition(const unsigned char* at) {
    return TextPosition(static_cast<int32_t>(getUndo32(at)), static_cast<int32_t>(getUndo32(at + 4)), at[8] != 0);
}

// False when the stream ends before the header does.
bool readHeader(Stream& stream, StateHeader& header) {
    unsigned char bytes[Selection::STATE_HEADER];
    if (stream.read(bytes, sizeof bytes) != sizeof bytes)
        return false;
    header.rangeCount = getUndo32(bytes);
    header.flags = bytes[4];
    header.virtualMode = bytes[5] != 0;
    header.behaviorId = getUndo32(bytes + 8);
    header.anchor = getPosition(bytes + 12);
    header.caret = getPosition(bytes + 24);
    return true;
}

const wchar_t* behaviorName(uint32_t id) {
    switch (id) {
    case selection_ids::NORMAL:
        return L"normal";
    case selection_ids::RECTANGLE:
        return L"rectangle";
    case selection_ids::CARET:
        return L"caret (!)";
    case selection_ids::CURRENT:
        return L"current (!)";
    default:
        return L"UNKNOWN";
    }
}

} // namespace

void Selection::writeState(Stream& stream) const {
    unsigned char header[STATE_HEADER];
    std::memset(header, 0, sizeof header);
    putUndo32(header, static_cast<uint32_t>(m_ranges.size()));
    header[4] = m_caretFlags;
    header[5] = m_caretVirtualMode ? 1 : 0;
    putUndo32(header + 8, m_behaviorId);
    putPosition(header + 12, m_anchor);
    putPosition(header + 24, m_caret);
    stream.write(header, sizeof header);
    for (const auto& entry : m_ranges) {
        unsigned char range[STATE_RANGE];
        putUndo32(range, static_cast<uint32_t>(entry.second.start));
        putUndo32(range + 4, static_cast<uint32_t>(entry.second.end));
        putUndo32(range + 8, static_cast<uint32_t>(entry.second.id));
        stream.write(range, sizeof range);
    }
}

void Selection::readState(Stream& stream) {
    DocumentController::SelectionChange bracket(m_controller);
    collapse();
    StateHeader header;
    if (!readHeader(stream, header))
        return;
    m_caretVirtualMode = header.virtualMode;
    for (uint32_t i = 0; i < header.rangeCount; ++i) {
        unsigned char bytes[STATE_RANGE];
        if (stream.read(bytes, sizeof bytes) != sizeof bytes)
            break;
        const int32_t id = static_cast<int32_t>(getUndo32(bytes + 8));
        addRange(static_cast<int32_t>(getUndo32(bytes)), static_cast<int32_t>(getUndo32(bytes + 4)), id, false);
        if (id >= m_nextRangeId)
            m_nextRangeId = id + 1;
    }
    set(header.caret, header.anchor, header.flags, header.behaviorId);
}

void Selection::dumpState(Stream& stream, std::wstring& out, const wchar_t* indent) {
    StateHeader header;
    if (!readHeader(stream, header)) {
        out.append(indent).append(L"Selection record too short\n");
        return;
    }
    out += pel::formatString(L"%sRanges count = %u\n", indent, header.rangeCount);
    out.append(indent).append(L"Caret options = ");
    if (header.flags == 0)
        out.append(L"None");
    if (header.flags & CARET_ANCHOR)
        out.append(L"Anchor ");
    if (header.flags & CARET_VIRTUAL)
        out.append(L"Virtual");
    if (header.flags & CARET_COLUMN)
        out.append(header.flags & CARET_VIRTUAL ? L" Column" : L"Column");
    out.append(L"\n");
    out.append(indent).append(L"Caret virtual mode = ").append(header.virtualMode ? L"Yes\n" : L"No\n");
    out.append(indent).append(L"Behavior = ").append(behaviorName(header.behaviorId)).append(L"\n");
    out += pel::formatString(L"%sBehavior range = [ Line = %d, Loff = %d ] -> [ Line = %d, Loff = %d ]\n", indent,
                             header.anchor.line, header.anchor.lineOffset, header.caret.line, header.caret.lineOffset);
}

} // namespace tessel
