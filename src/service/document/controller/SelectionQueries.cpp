// What a Selection answers about itself: emptiness, its kind, whether it holds a position, the
// caret's offset and the lines its ranges touch.

#include "service/document/controller/Selection.h"

#include "service/document/controller/DocumentController.h"

#include <algorithm>
#include <unordered_set>

namespace tessel {

namespace {

// The ranges in the order they were made.
std::vector<SelectionRange> inCreationOrder(const std::vector<SelectionRange>& ranges) {
    std::vector<SelectionRange> ordered = ranges;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const SelectionRange& a, const SelectionRange& b) { return a.id < b.id; });
    return ordered;
}

} // namespace

bool Selection::isEmpty() {
    return m_ranges.empty() && (m_anchor == m_caret || !m_behavior || m_behavior->hasExtent() == 0);
}

uint32_t Selection::getBehaviorId() {
    const bool normal = m_behavior && m_behavior->getId() == selection_ids::NORMAL;
    const bool extent = m_anchor != m_caret && m_behavior && m_behavior->hasExtent() > 0;
    if (m_ranges.empty())
        return extent ? m_behaviorId : selection_ids::NONE;
    return normal ? selection_ids::NORMAL : selection_ids::MIXED;
}

bool Selection::isColumn() {
    if (m_column)
        return true;
    if (m_behaviorId != selection_ids::RECTANGLE || getBehaviorId() != selection_ids::RECTANGLE)
        return false;
    const std::vector<SelectionRange>& ranges = getRanges();
    return std::all_of(ranges.begin(), ranges.end(), [](const SelectionRange& range) { return range.isEmpty(); });
}

bool Selection::contains(const TextPosition& position) {
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    const int32_t offset = m_controller.positionToOffset(position);
    if (m_behavior && m_behavior->contains(position, offset, false))
        return true;
    auto it = m_ranges.upper_bound(offset);
    if (it == m_ranges.begin())
        return false;
    const SelectionRange& range = (--it)->second;
    return !range.isEmpty() && range.lower() <= offset && offset <= range.upper();
}

int32_t Selection::getCaretOffset() {
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    return m_controller.positionToOffset(m_caret);
}

void Selection::setRanges(std::vector<int32_t>& o_lines) {
    o_lines.clear();
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    std::unordered_set<int32_t> seen;
    for (const SelectionRange& range : inCreationOrder(getRanges())) {
        const LineRange lines = m_controller.getLineSpan(range.lower(), range.upper());
        for (int32_t line = lines.first; line <= lines.last; ++line)
            if (seen.insert(line).second)
                o_lines.push_back(line);
    }
}

void Selection::getLineRanges(std::vector<LineRange>& o_ranges, bool positionOrder) {
    o_ranges.clear();
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    const std::vector<SelectionRange>& ranges = getRanges();
    for (const SelectionRange& range : positionOrder ? ranges : inCreationOrder(ranges)) {
        LineRange pair = m_controller.getLineSpan(range.lower(), range.upper());
        // A pair that shares a line with earlier ones takes them in, in the place of the first.
        auto joined = o_ranges.end();
        for (auto it = o_ranges.begin(); it != o_ranges.end();) {
            if (it->first > pair.last || it->last < pair.first) {
                ++it;
                continue;
            }
            pair.first = std::min(pair.first, it->first);
            pair.last = std::max(pair.last, it->last);
            if (joined == o_ranges.end())
                joined = it++;
            else
                it = o_ranges.erase(it); // after joined, which stays valid
        }
        if (joined == o_ranges.end())
            o_ranges.push_back(pair);
        else
            *joined = pair;
    }
}

} // namespace tessel
