#include "afw/action/afActionFilterData.h"

#include "afw/action/afActionTrigger.h"

namespace {

std::wstring triggerText(const afAction& action, uint32_t kind) {
    const afActionTrigger* trigger = action.findTrigger(kind);
    return trigger ? trigger->getText() : L"";
}

} // namespace

afActionFilterData::afActionFilterData(const std::vector<afActionCandidate>& candidates) {
    m_rows.reserve(candidates.size());
    for (const afActionCandidate& candidate : candidates) {
        const afAction& action = *candidate.action;
        m_rows.push_back(
            {candidate,
             {action.getTitle(), action.getPresentation() == afAction::PRESENTATION_ITEM ? action.getCategory() : L"",
              triggerText(action, AF_ACTION_KIND_SHORTCUT), triggerText(action, AF_ACTION_KIND_TAB_TRIGGER)}});
    }
}

FilterData::Row afActionFilterData::first() {
    m_next = 0;
    return next();
}

FilterData::Row afActionFilterData::next() {
    return m_next < m_rows.size() ? &m_rows[m_next++] : nullptr;
}

const wchar_t* afActionFilterData::getColumnText(Row row, size_t column, size_t* o_length) const {
    const auto* entry = static_cast<const Entry*>(row);
    const wchar_t* text = entry && column < entry->columns.size() ? entry->columns[column].c_str() : L"";
    if (o_length)
        *o_length = entry && column < entry->columns.size() ? entry->columns[column].size() : 0;
    return text;
}

const afActionCandidate& afActionFilterData::candidateOf(Row row) {
    return static_cast<const Entry*>(row)->candidate;
}
