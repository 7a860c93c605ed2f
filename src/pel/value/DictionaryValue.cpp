#include "pel/value/DictionaryValue.h"

#include <algorithm>
#include <memory>
#include <new>

namespace pel {

DictionaryValue::~DictionaryValue() {
    clear();
    while (Chunk* chunk = m_chunks) {
        m_chunks = chunk->next;
        BlockHeap::deallocate(chunk, sizeof(Chunk) + sizeof(Entry) * chunk->capacity);
    }
}

DictionaryValue::Chunk* DictionaryValue::makeChunk(size_t capacity) {
    Chunk* chunk = static_cast<Chunk*>(BlockHeap::allocate(sizeof(Chunk) + sizeof(Entry) * capacity));
    chunk->next = nullptr;
    chunk->capacity = capacity;
    return chunk;
}

void DictionaryValue::reserve(size_t count) {
    if (!m_chunks && count > 0)
        m_chunks = makeChunk(std::min(count, RESERVE_LIMIT));
}

DictionaryValue::Entry* DictionaryValue::takeEntry() {
    if (Entry* entry = m_free) {
        m_free = entry->next;
        entry->next = nullptr;
        return entry;
    }
    if (!m_current || m_usedInCurrent == m_current->capacity) {
        Chunk* next = m_current ? m_current->next : m_chunks;
        if (!next) {
            // Doubling from the first chunk's size up to CHUNK_ENTRIES.
            const size_t capacity = m_current ? std::min(2 * m_current->capacity, CHUNK_ENTRIES) : FIRST_CHUNK_ENTRIES;
            next = makeChunk(capacity);
            (m_current ? m_current->next : m_chunks) = next;
        }
        m_current = next;
        m_usedInCurrent = 0;
    }
    Entry* entry = new (m_current->records() + m_usedInCurrent) Entry();
    ++m_usedInCurrent;
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
    KeySet::iterator at = m_keys.lower_bound(key);
    if (at != m_keys.end() && at->keyView() == key) {
        Entry& entry = *at;
        std::unique_ptr<Value> replaced(entry.m_value != value ? entry.m_value : nullptr);
        entry.m_value = adopted.release();
        entry.m_keyToken = keyToken;
        return;
    }

    Entry* entry = takeEntry();
    try {
        entry->m_key.assign(key.data(), key.size());
    } catch (...) {
        releaseEntry(entry);
        throw;
    }
    m_keys.insert(at, *entry);
    entry->m_value = adopted.release();
    entry->m_keyToken = keyToken;
    entry->previous = m_last;
    entry->next = nullptr;
    (m_last ? m_last->next : m_first) = entry;
    m_last = entry;
}

Value* DictionaryValue::find(std::wstring_view key) const {
    KeySet::const_iterator at = m_keys.find(key);
    return at != m_keys.end() ? at->m_value : nullptr;
}

Value* DictionaryValue::findTyped(std::wstring_view key, int32_t type) const {
    Value* member = find(key);
    return member && member->type == type ? member : nullptr;
}

bool DictionaryValue::hasKey(std::wstring_view key) const { return m_keys.find(key) != m_keys.end(); }

bool DictionaryValue::hasKeyOfType(std::wstring_view key, int32_t type) const {
    return findTyped(key, type) != nullptr;
}

void DictionaryValue::destroyEntries() {
    size_t left = m_taken;
    for (Chunk* chunk = m_chunks; chunk && left > 0; chunk = chunk->next) {
        const size_t n = std::min(left, chunk->capacity);
        for (size_t i = 0; i < n; ++i)
            chunk->records()[i].~Entry();
        left -= n;
    }
}

void DictionaryValue::clear() {
    for (Entry* entry = m_first; entry; entry = entry->next)
        delete entry->m_value;
    m_keys.clear();
    destroyEntries();
    m_taken = 0;
    m_current = nullptr;
    m_usedInCurrent = 0;
    m_first = m_last = m_free = nullptr;
}

bool DictionaryValue::remove(std::wstring_view key, Value** o_taken) {
    KeySet::iterator at = m_keys.find(key);
    if (at == m_keys.end())
        return false;
    Entry* entry = &*at;
    Value* value = entry->m_value;
    unlink(entry);
    m_keys.erase(at);
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
    return {this, m_keys.empty() ? nullptr : &*m_keys.begin(), DictionaryOrder::BY_KEY};
}

AbstractDictionaryValue::Iterator DictionaryValue::keyOrderBegin() {
    return {this, m_keys.empty() ? nullptr : &*m_keys.begin(), DictionaryOrder::BY_KEY};
}

const DictionaryMember* DictionaryValue::nextMember(const DictionaryMember* member, DictionaryOrder order) const {
    const Entry* entry = static_cast<const Entry*>(member);
    if (order == DictionaryOrder::BY_INSERTION)
        return entry->next;
    KeySet::const_iterator next = std::next(m_keys.iterator_to(*entry));
    return next != m_keys.end() ? &*next : nullptr;
}

Value* DictionaryValue::clone() const {
    std::unique_ptr<DictionaryValue> copy(new DictionaryValue());
    for (const Entry* entry = m_first; entry; entry = entry->next)
        copy->setValue(entry->m_key, entry->m_value ? entry->m_value->clone() : nullptr, 0);
    copy->range = range;
    return copy.release();
}

} // namespace pel
