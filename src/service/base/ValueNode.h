#pragma once
// The service's own tagged value: null, a signed or unsigned 32-bit integer, a double, a text, a
// boolean, a list, a dictionary, a bare symbol or a regular expression. A tree of nodes is the
// in-memory form of every configuration and project file. A node owns its whole subtree and is
// copied deeply; it is a plain value, not thread-safe.
//
// Texts are NUL-terminated: a text holding a NUL unit (the parser's "\u0000") is kept only up to
// that NUL.

#include "service/base/RegExSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

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
    using Items = std::vector<ValueNode>;
    using Entries = std::unordered_map<std::wstring, ValueNode>;
    using Entry = Entries::value_type;

    // The shared Null node that failed lookups answer; nothing can change it.
    static const ValueNode& null();

    constexpr ValueNode() noexcept : m_kind(Null), m_payload{} {}
    // The kind's default: 0, 0.0, false, no text, an empty list or dictionary, no expression.
    explicit ValueNode(Kind kind);
    explicit ValueNode(const RegExSource& source);
    ValueNode(const ValueNode& other);
    ValueNode(ValueNode&& other) noexcept;
    ValueNode& operator=(const ValueNode& other);
    ValueNode& operator=(ValueNode&& other) noexcept;
    ~ValueNode() { clear(); }

    // A deep copy of other; safe when other lies inside this node's tree.
    void assign(const ValueNode& other);
    // Releases the payload; the node becomes Null.
    void clear() noexcept;
    // Kinds must match: Int and UInt by their 32-bit words, Double by value (NaN equals
    // nothing), texts unit by unit (an absent text equals nothing), lists in order, dictionaries
    // in any order, regular expressions by both strings (two absent ones are equal).
    bool equals(const ValueNode& other) const;

    Kind kind() const { return static_cast<Kind>(m_kind); }

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
    const wchar_t* text() const { return isText() ? m_payload.text : nullptr; }
    // The expression of a RegExp (null when absent, or for other kinds).
    const RegExSource* regExp() const { return m_kind == RegExp ? m_payload.regExp : nullptr; }

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
    union Payload {
        int32_t i;
        uint32_t u;
        double d;
        bool b;
        wchar_t* text;
        Items* items;
        Entries* entries;
        RegExSource* regExp;
    };

    bool isText() const { return m_kind == String || m_kind == Symbol; }
    // Clears the node and gives it the kind; the caller fills the payload.
    Payload& replace(Kind kind);
    void setText(Kind kind, const wchar_t* text, size_t length);
    // Takes other's payload, leaving other Null; this node must be Null.
    void take(ValueNode& other) noexcept;

    uint32_t m_kind;
    Payload m_payload;
};

} // namespace tessel
