#include "pel/value/DictionaryValue.h"

#include <memory>
#include <new>

namespace pel {

DictionaryValue::~DictionaryValue() {
    clear();
    for (void* chunk : m_chunks)
        ::operator delete(chunk);
}

DictionaryValue::Entry* DictionaryValue::takeEntry() {
    if (Entry* entry = m_free) {
        m_free = entry->next;
        entry->next = nullptr;
        return entry;
    }
    const size_t chunk = m_taken / CHUNK_ENTRIES;
    if (chunk == m_chunks.size()) {
        m_chunks.reserve(m_chunks.size() + 1);
        m_chunks.push_back(::operator new(sizeof(Entry) * CHUNK_ENTRIES));
    }
    Entry* entry = new (static_cast<Entry*>(m_chunks[chunk]) + m_taken % CHUNK_ENTRIES) Entry();
    ++m_taken;
    return entry;
}

void DictionaryValue::releaseEntry(Entry* entry) {
    entry->m_key.clear();
    entry->m_value = nullptr;
    entry->m_keyToken = 0;
    entry->previous = nullptr;
    entry->next = m_free;
    m_free = entry;
}

void DictionaryValue::unlink(Entry* entry) {
    (entry->previous ? entry->previous->next : m_first) = entry->next;
    (entry->next ? entry->next->previous : m_last) = entry->previous;
}

void DictionaryValue::setValue(std::wstring_view key, Value* value, uint32_t keyToken) {
    std::unique_ptr<Value> adopted(value);
    Map::iterator at = m_map.lower_bound(key);
    if (at != m_map.end() && at->first == key) {
        Entry* entry = at->second;
        std::unique_ptr<Value> replaced(entry->m_value != value ? entry->m_value : nullptr);
        entry->m_value = adopted.release();
        entry->m_keyToken = keyToken;
        return;
    }

    Entry* entry = takeEntry();
    try {
        entry->m_key.assign(key.data(), key.size());
        entry->position = m_map.emplace_hint(at, std::wstring_view(entry->m_key), entry);
    } catch (...) {
        releaseEntry(entry);
        throw;
    }
    entry->m_value = adopted.release();
    entry->m_keyToken = keyToken;
    entry->previous = m_last;
    entry->next = nullptr;
    (m_last ? m_last->next : m_first) = entry;
    m_last = entry;
}

Value* DictionaryValue::find(std::wstring_view key) const {
    Map::const_iterator at = m_map.find(key);
    return at != m_map.end() ? at->second->m_value : nullptr;
}

Value* DictionaryValue::findTyped(std::wstring_view key, int32_t type) const {
    Value* member = find(key);
    return member && member->type == type ? member : nullptr;
}

bool DictionaryValue::hasKey(std::wstring_view key) const { return m_map.find(key) != m_map.end(); }

bool DictionaryValue::hasKeyOfType(std::wstring_view key, int32_t type) const {
    return findTyped(key, type) != nullptr;
}

void DictionaryValue::clear() {
    for (Entry* entry = m_first; entry; entry = entry->next)
        delete entry->m_value;
    m_map.clear();
    for (size_t i = 0; i < m_taken; ++i)
        (static_cast<Entry*>(m_chunks[i / CHUNK_ENTRIES]) + i % CHUNK_ENTRIES)->~Entry();
    m_taken = 0;
    m_first = m_last = m_free = nullptr;
}

bool DictionaryValue::remove(std::wstring_view key, Value** o_taken) {
    Map::iterator at = m_map.find(key);
    if (at == m_map.end())
        return false;
    Entry* entry = at->second;
    Value* value = entry->m_value;
    unlink(entry);
    m_map.erase(at);
    releaseEntry(entry);
    if (o_taken)
        *o_taken = value;
    else
        delete value;
    return true;
}

void DictionaryValue::assign(const AbstractDictionaryValue& other) {
    if (&other == this)
        return;
    for (const DictionaryMember& member : other.membersByKey())
        setValue(member.key(), member.value() ? member.value()->clone() : nullptr, 0);
}

AbstractDictionaryValue::ConstIterator DictionaryValue::keyOrderBegin() const {
    return {this, m_map.empty() ? nullptr : m_map.begin()->second, DictionaryOrder::BY_KEY};
}

AbstractDictionaryValue::Iterator DictionaryValue::keyOrderBegin() {
    return {this, m_map.empty() ? nullptr : m_map.begin()->second, DictionaryOrder::BY_KEY};
}

const DictionaryMember* DictionaryValue::nextMember(const DictionaryMember* member, DictionaryOrder order) const {
    const Entry* entry = static_cast<const Entry*>(member);
    if (order == DictionaryOrder::BY_INSERTION)
        return entry->next;
    Map::iterator next = std::next(entry->position);
    return next != m_map.end() ? next->second : nullptr;
}

Value* DictionaryValue::clone() const {
    std::unique_ptr<DictionaryValue> copy(new DictionaryValue());
    for (const Entry* entry = m_first; entry; entry = entry->next)
        copy->setValue(entry->m_key, entry->m_value ? entry->m_value->clone() : nullptr, 0);
    copy->range = range;
    return copy.release();
}

} // namespace pel
