// The storage of dictionary nodes: their entries in blocks that never move, and the index by
// which large dictionaries are searched.

#include "service/base/ValueNode.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <tuple>

namespace tessel {

namespace {

// Dictionaries of up to this many entries are searched in order.
constexpr uint32_t SEARCHED_IN_ORDER = 8;
// What a block added to a growing dictionary holds at least.
constexpr uint32_t GROWTH_BLOCK = 4;

// Index slots for the entries: a power of two at least twice their count.
uint32_t indexCapacity(size_t entries) {
    uint32_t capacity = 16;
    while (capacity < 2 * entries)
        capacity *= 2;
    return capacity;
}

} // namespace

uint32_t ValueEntries::hashOf(const wchar_t* key, size_t length) {
    uint32_t hash = 2166136261u; // FNV-1a over the units
    for (size_t i = 0; i < length; ++i)
        hash = (hash ^ static_cast<uint16_t>(key[i])) * 16777619u;
    return hash;
}

ValueEntries::Block* ValueEntries::make(size_t capacity) {
    // A dictionary made large takes its index in the same block, behind the slots.
    const uint32_t indexSlots = capacity > SEARCHED_IN_ORDER ? indexCapacity(capacity) : 0;
    void* memory = ::operator new(sizeof(Block) + capacity * sizeof(Slot) + indexSlots * sizeof(Slot*));
    Block* block = new (memory) Block{nullptr, 0, static_cast<uint32_t>(capacity), 0, nullptr, nullptr, 0, 0};
    block->last = block;
    if (indexSlots) {
        block->index = reinterpret_cast<Slot**>(block->slots() + capacity);
        block->indexMask = indexSlots - 1;
        std::fill(block->index, block->index + indexSlots, nullptr);
    }
    return block;
}

void ValueEntries::destroy(Block* first) noexcept {
    if (!first)
        return;
    if (first->index != reinterpret_cast<Slot**>(first->slots() + first->capacity))
        delete[] first->index;
    for (Block* block = first; block;) {
        Slot* slots = block->slots();
        for (uint32_t i = 0; i < block->used; ++i)
            if (!slots[i].removed)
                slots[i].entry.~value_type();
        Block* next = block->next;
        ::operator delete(block);
        block = next;
    }
}

ValueEntries::Block* ValueEntries::copy(const Block* first) {
    const size_t count = size(first);
    if (count == 0)
        return nullptr;
    Block* made = make(count);
    try {
        for (const Block* block = first; block; block = block->next) {
            for (const Slot* from = block->slots(); from != block->slots() + block->used; ++from) {
                if (from->removed)
                    continue;
                Slot* slot = place(made);
                new (&slot->entry) value_type(from->entry);
                added(made, slot, from->hash);
            }
        }
    } catch (...) {
        destroy(made);
        throw;
    }
    return made;
}

size_t ValueEntries::size(const Block* first) noexcept { return first ? first->size : 0; }

ValueEntries::Slot* ValueEntries::find(const Block* first, const wchar_t* key, size_t length, uint32_t hash) {
    if (!first)
        return nullptr;
    const auto matches = [&](const Slot& slot) {
        const std::wstring& text = slot.entry.first;
        return !slot.removed && slot.hash == hash && text.size() == length &&
               std::wmemcmp(text.data(), key, length) == 0;
    };
    if (first->index) {
        for (uint32_t at = hash & first->indexMask;; at = (at + 1) & first->indexMask) {
            Slot* slot = first->index[at];
            if (!slot)
                return nullptr;
            if (matches(*slot))
                return slot;
        }
    }
    for (const Block* block = first; block; block = block->next)
        for (uint32_t i = 0; i < block->used; ++i)
            if (matches(block->slots()[i]))
                return const_cast<Slot*>(block->slots() + i);
    return nullptr;
}

ValueNode& ValueEntries::add(Block*& first, std::wstring& key, uint32_t hash) {
    Slot* slot = place(first);
    new (&slot->entry) value_type(std::move(key), ValueNode());
    added(first, slot, hash);
    return slot->entry.second;
}

ValueNode& ValueEntries::add(Block*& first, const wchar_t* key, size_t length, uint32_t hash) {
    Slot* slot = place(first);
    new (&slot->entry) value_type(std::piecewise_construct, std::forward_as_tuple(key, length), std::forward_as_tuple());
    added(first, slot, hash);
    return slot->entry.second;
}

ValueEntries::Slot* ValueEntries::place(Block*& first) {
    if (!first)
        first = make(GROWTH_BLOCK);
    Block* last = first->last;
    if (last->used == last->capacity) {
        // Each new block doubles the room, so that a growing dictionary takes few blocks.
        const size_t capacity = first->size > GROWTH_BLOCK ? first->size : GROWTH_BLOCK;
        void* memory = ::operator new(sizeof(Block) + capacity * sizeof(Slot));
        Block* block = new (memory) Block{nullptr, 0, static_cast<uint32_t>(capacity), 0, nullptr, nullptr, 0, 0};
        last->next = block;
        first->last = last = block;
    }
    return last->slots() + last->used;
}

void ValueEntries::added(Block* first, Slot* slot, uint32_t hash) {
    slot->hash = hash;
    slot->removed = false;
    ++first->last->used;
    ++first->size;
    if (!first->index && first->size <= SEARCHED_IN_ORDER)
        return;
    if (!first->index || 2 * (first->indexed + 1) > first->indexMask + 1) {
        buildIndex(first);
        return;
    }
    uint32_t at = hash & first->indexMask;
    while (first->index[at])
        at = (at + 1) & first->indexMask;
    first->index[at] = slot;
    ++first->indexed;
}

void ValueEntries::buildIndex(Block* first) {
    const uint32_t capacity = indexCapacity(first->size + 1);
    Slot** index = new Slot*[capacity]();
    if (first->index != reinterpret_cast<Slot**>(first->slots() + first->capacity))
        delete[] first->index;
    first->index = index;
    first->indexMask = capacity - 1;
    first->indexed = 0;
    for (Block* block = first; block; block = block->next) {
        for (uint32_t i = 0; i < block->used; ++i) {
            Slot* slot = block->slots() + i;
            if (slot->removed)
                continue;
            uint32_t at = slot->hash & first->indexMask;
            while (index[at])
                at = (at + 1) & first->indexMask;
            index[at] = slot;
            ++first->indexed;
        }
    }
}

void ValueEntries::remove(Block* first, const wchar_t* key, size_t length) {
    Slot* slot = find(first, key, length, hashOf(key, length));
    if (!slot)
        return;
    // The slot stays, empty, and so does its place in the index: entries never move.
    slot->entry.~value_type();
    slot->removed = true;
    --first->size;
}

ValueEntries::iterator ValueEntries::begin(Block* first) {
    iterator it(first, 0);
    it.settle();
    return it;
}

ValueEntries::const_iterator ValueEntries::cbegin(const Block* first) {
    const_iterator it(const_cast<Block*>(first), 0);
    it.settle();
    return it;
}

} // namespace tessel
