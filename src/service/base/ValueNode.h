#pragma once
// The service's own tagged value: null, a signed or unsigned 32-bit integer, a double, a text, a
// boolean, a list, a dictionary, a bare symbol or a regular expression. A tree of nodes is the
// in-memory form of every configuration and project file. A node owns its whole subtree and is
// copied deeply; it is a plain value, not thread-safe.
//
// Texts are NUL-terminated: a text holding a NUL unit (the parser's "\u0000") is kept only up to
// that NUL. A text of up to six units lives in the node itself, so its pointer lasts only while
// the node stays where it is; a longer one, a list and a dictionary take one block each (a
// dictionary grown after it was made takes more), and empty containers take none.

#include "service/base/RegExSource.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>

namespace tessel {

class ValueNode;

// A begin and end with the element count, as the iteration operations hand them out.
template <class Iterator>
class ValueRange {
public:
    ValueRange() = default;
    ValueRange(Iterator begin, Iterator end, size_t size) : m_begin(begin), m_end(end), m_size(size) {}
    Iterator begin() const { return m_begin; }
    Iterator end() const { return m_end; }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }

private:
    Iterator m_begin{};
    Iterator m_end{};
    size_t m_size = 0;
};

// The entries of a dictionary node, in the order they were added: blocks of slots that never
// move, so an entry stays where it is until removed (a removed one leaves its slot empty).
// Small dictionaries are searched in order by a hash kept per entry, larger ones through an
// index made on their first search (ValueNodeEntries.cpp).
class ValueEntries {
    struct Slot;
    struct Block;

public:
    using value_type = std::pair<const std::wstring, ValueNode>;

    template <class Entry>
    class Iterator {
    public:
        using value_type = ValueEntries::value_type;
        using reference = Entry&;
        using pointer = Entry*;
        using difference_type = std::ptrdiff_t;
        using iterator_category = std::forward_iterator_tag;

        Iterator() = default;
        Entry& operator*() const;
        Entry* operator->() const { return &**this; }
        Iterator& operator++();
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.m_block == b.m_block && a.m_slot == b.m_slot;
        }
        friend bool operator!=(const Iterator& a, const Iterator& b) { return !(a == b); }

    private:
        friend class ValueEntries;
        Iterator(Block* block, uint32_t slot) : m_block(block), m_slot(slot) {}
        // Moves to the first entry at or after the slot.
        void settle();

        Block* m_block = nullptr; // none at the end
        uint32_t m_slot = 0;
    };
    using iterator = Iterator<value_type>;
    using const_iterator = Iterator<const value_type>;

    // The hash by which entries are found.
    static uint32_t hashOf(const wchar_t* key, size_t length);

private:
    friend class ValueNode;

    // A dictionary's first block with room for the entries.
    static Block* make(size_t capacity);
    static void destroy(Block* first) noexcept;
    static Block* copy(const Block* first);
    static size_t size(const Block* first) noexcept;
    static Slot* find(const Block* first, const wchar_t* key, size_t length, uint32_t hash);
    // A new entry of the key, which must be missing; first is made or grown as needed. The key
    // is moved from only once the slot is there.
    static ValueNode& add(Block*& first, std::wstring& key, uint32_t hash);
    static ValueNode& add(Block*& first, const wchar_t* key, size_t length, uint32_t hash);
    static void remove(Block* first, const wchar_t* key, size_t length);
    static iterator begin(Block* first);
    static const_iterator cbegin(const Block* first);

    // An unused slot for a new entry, its entry not yet made.
    static Slot* place(Block*& first);
    static void added(Block* first, Slot* slot, uint32_t hash);
    static void buildIndex(Block* first);
};

class ValueNode {
public:
    enum Kind : uint32_t {
        Null = 0,
        Int = 1,
        UInt = 2,
        Double = 3,
        String = 4,
        Bool = 5,
        List = 6,
        Dictionary = 7,
        Symbol = 8,
        RegExp = 9,
    };

    // Elements move when the list grows; entries stay where they are until removed.
    using Entries = ValueEntries;
    using Entry = Entries::value_type;

    // The shared Null node that failed lookups answer; nothing can change it.
    static const ValueNode& null();

    constexpr ValueNode() noexcept : m_long{Null, {}} {}
    // The kind's default: 0, 0.0, false, no text, an empty list or dictionary, no expression.
    explicit ValueNode(Kind kind);
    explicit ValueNode(const RegExSource& source);
    ValueNode(const ValueNode& other);
    ValueNode(ValueNode&& other) noexcept : ValueNode() { take(other); }
    ValueNode& operator=(const ValueNode& other);
    ValueNode& operator=(ValueNode&& other) noexcept;
    ~ValueNode() {
        if (ownsBlock())
            release();
    }

    // A deep copy of other; safe when other lies inside this node's tree.
    void assign(const ValueNode& other);
    // Releases the payload; the node becomes Null.
    void clear() noexcept {
        if (ownsBlock())
            release();
        m_long = Long{Null, {}};
    }
    // Kinds must match: Int and UInt by their 32-bit words, Double by value (NaN equals
    // nothing), texts unit by unit (an absent text equals nothing), lists in order, dictionaries
    // in any order, regular expressions by both strings (two absent ones are equal).
    bool equals(const ValueNode& other) const;

    Kind kind() const { return static_cast<Kind>(m_long.kind & KIND_MASK); }

    // Each replaces the node's value. A null text makes a String or Symbol without text.
    void setInt(int32_t value);
    void setUInt(uint32_t value);
    void setDouble(double value);
    void setBool(bool value);
    void setString(const wchar_t* text);
    void setString(const wchar_t* text, size_t length);
    void setSymbol(const wchar_t* text);
    void setRegExp(const RegExSource& source);

    // The text of a String or Symbol (null when it has none, or for other kinds).
    const wchar_t* text() const {
        if (m_long.kind & SHORT_TEXT)
            return m_short.units;
        return isText() ? m_long.payload.text : nullptr;
    }
    // The expression of a RegExp (null when absent, or for other kinds).
    const RegExSource* regExp() const { return kind() == RegExp ? m_long.payload.regExp : nullptr; }

    // Dictionary access. getKey answers null() for other kinds and missing keys. getOrAddKey
    // adds a missing entry as Null, turning a Null node into a Dictionary first; on other kinds
    // it is a hard check.
    const ValueNode& getKey(const wchar_t* key) const;
    const ValueNode& getKey(const std::wstring& key) const;
    ValueNode& getOrAddKey(const wchar_t* key);
    ValueNode& getOrAddKey(std::wstring key);
    // The entry "version", or null when this is no Dictionary or has none.
    const ValueNode* findVersion() const;
    ValueNode* findVersion();
    void removeVersion();
    // The entries in the dictionary's own order; empty for other kinds.
    ValueRange<Entries::const_iterator> dictionaryBegin() const;
    ValueRange<Entries::iterator> dictionaryBegin();

    // List access. addListItem appends a Null element and returns it (valid until the next
    // append); null for other kinds, which stay as they are.
    ValueNode* addListItem();
    ValueRange<const ValueNode*> listBegin() const;
    ValueRange<ValueNode*> listBegin();

    // Typed reading. Each answers its default for Null, List, Dictionary and the kinds its row
    // leaves out. Doubles are truncated toward zero and the low 32 bits of the 64-bit
    // truncation kept (NaN gives 0; beyond the 64-bit range the nearer end of it is taken). A
    // Bool reads as 0 in the numeric getters.
    int32_t getInt(int32_t defaultValue) const;
    uint32_t getUInt(uint32_t defaultValue) const;
    double getDouble(double defaultValue) const;
    // A String's or Symbol's text, "true" or "false", or a RegExp's pattern.
    const wchar_t* getString(const wchar_t* defaultValue) const;
    // Whether the value is zero or empty (a Bool answers its own value): true for 0, 0.0, an
    // empty or absent text and an empty pattern; false for an absent RegExp.
    bool getBool(bool defaultValue) const;

private:
    friend class ValueNodeParser;
    struct ListBlock;

    union Payload {
        int32_t i;
        uint32_t u;
        double d;
        bool b;
        wchar_t* text;
        ListBlock* items;
        ValueEntries::Block* entries;
        RegExSource* regExp;
    };
    static constexpr uint16_t KIND_MASK = 0xFF;
    // With the kind: the text is held in the node (m_short) rather than in m_long's block.
    static constexpr uint16_t SHORT_TEXT = 0x100;
    static constexpr size_t SHORT_UNITS = 7; // its NUL included
    struct Long {
        uint16_t kind;
        Payload payload;
    };
    struct Short {
        uint16_t kind;
        wchar_t units[SHORT_UNITS];
    };

    bool isText() const { return kind() == String || kind() == Symbol; }
    // Whether the payload points to memory of the node's own (which may still be none). A
    // short text's kind lies beyond the mask.
    bool ownsBlock() const {
        constexpr uint32_t OWNING = 1u << String | 1u << Symbol | 1u << List | 1u << Dictionary | 1u << RegExp;
        return m_long.kind < 32 && (OWNING >> m_long.kind & 1) != 0;
    }
    void release() noexcept;
    // Clears the node and gives it the kind; the caller fills the payload.
    Payload& replace(Kind kind);
    void setText(Kind kind, const wchar_t* text, size_t length);
    // Takes other's value, leaving other Null; this node must be Null.
    void take(ValueNode& other) noexcept {
        if (other.m_long.kind & SHORT_TEXT)
            m_short = other.m_short;
        else
            m_long = other.m_long;
        other.m_long = Long{Null, {}};
    }

    // For the parser, which makes each container at once with room for all its content.
    // Makes this Null node a list of count Null elements, answering the first.
    ValueNode* adoptList(size_t count);
    // Makes this Null node a dictionary with room for the entries.
    void reserveEntries(size_t count);
    // The entry of the key in this dictionary, added as Null when missing.
    ValueNode& entryOf(const wchar_t* key, size_t length);
    // The entry of the key in this dictionary, or null().
    const ValueNode& entryAt(const wchar_t* key, size_t length) const;

    // Both start with the kind, which either may read.
    union {
        Long m_long;
        Short m_short;
    };
};

struct ValueEntries::Slot {
    value_type entry;
    uint32_t hash;
    bool removed;
};

// A block of slots, which follow it; a dictionary's first block also holds the dictionary's own
// fields.
struct alignas(8) ValueEntries::Block {
    Block* next;
    uint32_t used; // slots handed out, removed ones included
    uint32_t capacity;
    // The first block's.
    uint32_t size; // entries, removed ones left out
    Block* last;   // where the next entry goes
    Slot** index;  // by hash, open addressing (removed slots stay in it); none while small
    uint32_t indexMask;
    uint32_t indexed; // slots in the index

    Slot* slots() { return reinterpret_cast<Slot*>(this + 1); }
    const Slot* slots() const { return reinterpret_cast<const Slot*>(this + 1); }
};

template <class Entry>
Entry& ValueEntries::Iterator<Entry>::operator*() const {
    return m_block->slots()[m_slot].entry;
}

template <class Entry>
void ValueEntries::Iterator<Entry>::settle() {
    while (m_block) {
        if (m_slot < m_block->used) {
            if (!m_block->slots()[m_slot].removed)
                return;
            ++m_slot;
        } else {
            m_block = m_block->next;
            m_slot = 0;
        }
    }
}

template <class Entry>
ValueEntries::Iterator<Entry>& ValueEntries::Iterator<Entry>::operator++() {
    ++m_slot;
    settle();
    return *this;
}

} // namespace tessel
