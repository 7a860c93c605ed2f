#include "service/bundles/DictionaryValueMerger.h"

#include "pel/base/Assert.h"

#include <map>
#include <string_view>

namespace tessel {

DictionaryValueMerger::DictionaryValueMerger() = default;

DictionaryValueMerger::~DictionaryValueMerger() = default;

void DictionaryValueMerger::add(pel::AbstractDictionaryValue* dictionary) {
    PEL_CHECK_PTR(dictionary);
    m_dictionaries.emplace_back(dictionary);
    index();
}

void DictionaryValueMerger::index() {
    m_insertion.clear();
    m_byKey.clear();
    m_places.clear();
    std::map<std::wstring_view, size_t> keys; // ordinal order, as the dictionaries' own
    for (const std::unique_ptr<pel::AbstractDictionaryValue>& dictionary : m_dictionaries) {
        for (pel::DictionaryMember& member : dictionary->members()) {
            const auto place = keys.emplace(member.key(), m_insertion.size());
            if (place.second)
                m_insertion.push_back(&member);
            else
                m_insertion[place.first->second] = &member; // a later dictionary answers
        }
    }
    for (const auto& key : keys) {
        m_places[m_insertion[key.second]] = {key.second, m_byKey.size()};
        m_byKey.push_back(m_insertion[key.second]);
    }
}

pel::Value* DictionaryValueMerger::findValue(std::wstring_view key, size_t* o_index) const {
    for (size_t i = m_dictionaries.size(); i-- > 0;) {
        if (m_dictionaries[i]->hasKey(key)) {
            if (o_index)
                *o_index = i;
            return m_dictionaries[i]->find(key);
        }
    }
    return nullptr;
}

pel::Value* DictionaryValueMerger::find(std::wstring_view key) const { return findValue(key, nullptr); }

pel::Value* DictionaryValueMerger::findTyped(std::wstring_view key, int32_t type) const {
    pel::Value* value = find(key);
    return value && value->type == type ? value : nullptr;
}

bool DictionaryValueMerger::hasKey(std::wstring_view key) const {
    for (const std::unique_ptr<pel::AbstractDictionaryValue>& dictionary : m_dictionaries) {
        if (dictionary->hasKey(key))
            return true;
    }
    return false;
}

bool DictionaryValueMerger::hasKeyOfType(std::wstring_view key, int32_t type) const {
    size_t index = m_dictionaries.size();
    findValue(key, &index);
    return index < m_dictionaries.size() && m_dictionaries[index]->hasKeyOfType(key, type);
}

void DictionaryValueMerger::setValue(std::wstring_view, pel::Value* value, uint32_t) {
    delete value; // adopted, as by every dictionary, though it is refused
    PEL_NOT_IMPLEMENTED();
}

void DictionaryValueMerger::clear() { PEL_NOT_IMPLEMENTED(); }

bool DictionaryValueMerger::remove(std::wstring_view, pel::Value**) { PEL_NOT_IMPLEMENTED(); }

void DictionaryValueMerger::assign(const pel::AbstractDictionaryValue&) { PEL_NOT_IMPLEMENTED(); }

const pel::DictionaryMember* DictionaryValueMerger::nextMember(const pel::DictionaryMember* member,
                                                               pel::DictionaryOrder order) const {
    const auto place = m_places.find(member);
    if (place == m_places.end())
        return nullptr;
    const bool byKey = order == pel::DictionaryOrder::BY_KEY;
    const Members& members = byKey ? m_byKey : m_insertion;
    const size_t next = (byKey ? place->second.second : place->second.first) + 1;
    return next < members.size() ? members[next] : nullptr;
}

pel::Value* DictionaryValueMerger::clone() const {
    std::unique_ptr<DictionaryValueMerger> copy(new DictionaryValueMerger);
    for (const std::unique_ptr<pel::AbstractDictionaryValue>& dictionary : m_dictionaries)
        copy->add(static_cast<pel::AbstractDictionaryValue*>(dictionary->clone()));
    return copy.release();
}

} // namespace tessel
