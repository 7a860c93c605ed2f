// The Selection's core: set, the caret's display, committing ranges, the ranges as a vector and
// the marks of a line.

#include "service/document/controller/Selection.h"

#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/SelectionBehaviorRectangle.h"

#include <algorithm>

namespace tessel {

namespace {

// The selection's colours as bytes (red, green, blue, alpha), each divided by 255.
constexpr uint8_t FIRST_COLOUR[4] = {0x00, 0x00, 0xFF, 0x40};
constexpr uint8_t SECOND_COLOUR[4] = {0xFF, 0xFF, 0xFF, 0x00};

void unpack(const uint8_t (&bytes)[4], float (&colour)[4]) {
    for (int i = 0; i < 4; ++i)
        colour[i] = bytes[i] / 255.0f;
}

} // namespace

Selection::Selection(DocumentController& controller) : m_controller(controller), m_behaviorId(selection_ids::NORMAL) {
    HighlightStyle style;
    unpack(FIRST_COLOUR, style.foreground);
    unpack(SECOND_COLOUR, style.background);
    setStyle(style);
    m_behaviors[selection_ids::NORMAL].reset(new SelectionBehaviorNormal(controller, selection_ids::NORMAL));
    m_behaviors[selection_ids::RECTANGLE].reset(new SelectionBehaviorRectangle(controller, selection_ids::RECTANGLE));
}

Selection::~Selection() {
    if (m_behavior)
        m_behavior->detach(nullptr);
}

void Selection::set(const TextPosition& caret, const TextPosition& anchor, uint8_t flags, uint32_t behaviorId) {
    m_rangeCache.clear();
    {
        DocumentController::SelectionChange bracket(m_controller);
        DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
        if (m_behavior)
            m_controller.addChangedRange(m_behavior->getRange().anchor, m_behavior->getRange().caret);

        SelectionBehavior* next = m_behavior;
        uint32_t nextId = m_behaviorId;
        if (behaviorId != selection_ids::CURRENT) {
            nextId = behaviorId == selection_ids::CARET ? selection_ids::NORMAL : behaviorId;
            const auto found = m_behaviors.find(nextId);
            next = found == m_behaviors.end() ? nullptr : found->second.get();
        }
        if (next != m_behavior) {
            SelectionBehavior* previous = m_behavior;
            if (previous)
                previous->detach(next);
            m_behavior = next;
            m_behaviorId = nextId;
            if (next)
                next->attach(previous);
        } else {
            m_behaviorId = nextId;
        }

        // Neither end ever splits a surrogate pair.
        if (behaviorId != selection_ids::CARET) {
            m_anchor = m_controller.codePointPosition(anchor);
            m_caret = m_controller.codePointPosition(caret);
        } else {
            if (!m_ranges.empty())
                addRangeChanged(m_ranges.begin()->first, std::prev(m_ranges.end())->second.upper());
            m_ranges.clear();
            m_nextRangeId = 1;
            m_anchor = m_caret = m_controller.codePointPosition(caret);
        }
        if (m_behavior)
            m_behavior->setRange(m_anchor, m_caret, flags);
        m_column = (flags & CARET_COLUMN) != 0;
        if (m_hasPendingCaret) {
            m_pendingCaret.position = m_caret;
            m_pendingCaret.flags = flags;
        } else {
            applyCaret(m_caret, flags, false);
        }
        if (m_behavior)
            m_controller.addChangedRange(m_behavior->getRange().anchor, m_behavior->getRange().caret);
    }
    if (m_behavior)
        m_rangeChanged.notify(*this, m_behavior->getRange());
}

void Selection::applyCaret(const TextPosition& position, uint8_t flags, bool force) {
    if (!force && m_hasPendingCaret) {
        m_pendingCaret.position = position;
        m_pendingCaret.flags = flags;
        return;
    }
    if (m_displayCaret == position && m_caretFlags == flags)
        return;
    m_virtualFlag = flags & CARET_VIRTUAL;
    {
        DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
        const Document& document = m_controller.getDocument();
        const bool inText = position.line >= 0 && position.lineOffset >= 0 && position.line < document.getLineCount() &&
                            position.lineOffset <= document.getLineLength(position.line);
        // Virtual space lies past line ends only: a negative position is always brought in.
        const bool negative = position.line < 0 || position.lineOffset < 0;
        if (!inText && (negative || (!(flags & CARET_VIRTUAL) && !m_caretVirtualMode))) {
            const TextPosition clamped = m_controller.clampPosition(position);
            if (clamped.sameAs(m_displayCaret)) {
                m_caretFlags = flags;
                return;
            }
            m_displayCaret = clamped;
        } else {
            m_displayCaret = position;
        }
    }
    m_caretFlags = flags;
    m_caretMoved.notify(*this, m_displayCaret, flags);
}

void Selection::beginPendingCaret() {
    m_pendingCaret.position = m_displayCaret;
    m_pendingCaret.flags = m_caretFlags;
    m_hasPendingCaret = true;
}

void Selection::endPendingCaret() {
    if (!m_hasPendingCaret)
        return;
    const PendingCaret pending = m_pendingCaret;
    applyCaret(pending.position, pending.flags, true);
    m_hasPendingCaret = false;
}

void Selection::addRange(int32_t start, int32_t end, int32_t id, bool merge) {
    m_rangeCache.clear();
    addSelectionRange(m_ranges, start, end, id, merge);
}

void Selection::commitCurrent() {
    m_rangeCache.clear();
    if (m_behavior)
        m_nextRangeId = m_behavior->commit(m_ranges, m_nextRangeId);
}

void Selection::addRangeChanged(int32_t lowOffset, int32_t highOffset) {
    m_controller.addChangedRange(m_controller.offsetToPosition(lowOffset), m_controller.offsetToPosition(highOffset));
}

const std::vector<SelectionRange>& Selection::getRanges() {
    if (!m_rangeCache.empty())
        return m_rangeCache;
    SelectionRangeMap ranges = m_ranges;
    if (m_behavior)
        m_behavior->commit(ranges, m_nextRangeId);
    m_rangeCache.reserve(ranges.size());
    for (const auto& entry : ranges)
        m_rangeCache.push_back(entry.second);
    return m_rangeCache;
}

void Selection::update(int line, LineAttributes& attributes, int first, int last) {
    const uint32_t bit = getBit();
    if (m_behavior && m_behavior->hasExtent() > 0)
        m_behavior->highlight(line, first, last, attributes, bit);
    // The committed ranges that meet the line: from the one before first when it reaches it.
    auto it = m_ranges.lower_bound(first);
    if (it != m_ranges.begin() && std::prev(it)->second.upper() >= first)
        --it;
    // A piece of a long line that another follows has no line-break cell, and what starts at its
    // end shows at the next piece's start.
    const bool lineEnds = SelectionBehavior::endsLine(m_controller.getDocument(), line, last);
    for (; it != m_ranges.end() && (it->first < last || (lineEnds && it->first == last)); ++it) {
        const int32_t low = it->second.lower();
        const int32_t high = it->second.upper();
        // A range ending where the line starts shows on the line before only (unless empty).
        if (high < first || (high == first && low < high))
            continue;
        // A range that goes on past the line's end covers its line-break cell too.
        const int32_t end = high <= last ? high - first : last - first + (lineEnds ? 1 : 0);
        TextHighlighter::markAttributeRange(attributes, std::max(0, low - first), end, bit);
    }
}

} // namespace tessel
