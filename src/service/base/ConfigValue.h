#pragma once
// One setting of Config: a typed value (signed or unsigned integer, boolean, text, number, list
// or value tree) with its flags and, for a setting, the section and name of its identifier.
// List elements are ConfigValues without a name. The setters convert what they are given to the
// value's type, so a setting keeps the type it was declared with; an untyped value takes the
// type of the first setter. Not thread-safe: callers sharing settings across threads hold the
// Config lock.

#include "service/base/ValueNode.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessel {

class ConfigSection;

class ConfigValue {
public:
    enum Type : uint32_t {
        UNTYPED = 0,
        INT = 1,
        UINT = 2,
        BOOL = 3,
        STRING = 4,
        FLOAT = 5,
        LIST = 6,
        VALUE_TREE = 7,
    };
    enum Flags : uint32_t {
        TYPE_MASK = 0xFF,
        DECLARED = 0x100,
        HAS_VALUE = 0x200, // the payload is set
        CHANGED = 0x400,   // since the last load or save
    };
    // How a node read from a file was taken (takeNode).
    enum class Taking { TAKEN, NOT_TAKEN, REFUSED };

    using List = std::vector<ConfigValue>;

    // Untyped, without a value.
    ConfigValue();
    // Of the type, without a value: a list starts empty, a value tree as a Null node.
    explicit ConfigValue(Type type);
    ConfigValue(const ConfigValue& other);
    ConfigValue(ConfigValue&& other) noexcept;
    ConfigValue& operator=(const ConfigValue& other);
    ConfigValue& operator=(ConfigValue&& other) noexcept;
    ~ConfigValue();

    // Values of one type, as defaults and list elements are made.
    static ConfigValue fromInt(int32_t value);
    static ConfigValue fromUInt(uint32_t value);
    static ConfigValue fromBool(bool value);
    static ConfigValue fromString(const wchar_t* text);
    static ConfigValue fromFloat(float value);
    static ConfigValue fromList(const List& list);
    // A value tree holding a copy of the node.
    static ConfigValue fromValueNode(const ValueNode& node);

    Type getType() const { return static_cast<Type>(m_flags & TYPE_MASK); }
    uint32_t getFlags() const { return m_flags; }
    bool isDeclared() const { return (m_flags & DECLARED) != 0; }
    bool hasValue() const { return (m_flags & HAS_VALUE) != 0; }
    bool isChanged() const { return (m_flags & CHANGED) != 0; }
    // The section of the identifier's prefix and the name after its last dot; none and empty
    // for a list element or a default.
    ConfigSection* getSection() const { return m_section; }
    const std::wstring& getName() const { return m_name; }
    // Prefix, dot and name.
    std::wstring getIdentifier() const;

    // Any type reads as a boolean or an integer: a text by its first character ('0', 'f', 'F'
    // false; '1', 't', 'T' true; any other by the lowest bit of its code; empty false) or read
    // with "%d" / "%u" (0 when that fails), a number != 0.0 or rounded to the nearest integer
    // (kept within the integer's range), a list or value tree false and 0.
    bool getBool() const;
    int32_t getInt() const;
    uint32_t getUInt() const;
    // Texts, numbers, lists and value trees are read as their own type only: each answers none
    // for another type, and a text without a value has no text either.
    const wchar_t* getString() const;
    std::optional<float> getFloat() const;
    const List* getList() const;
    const ValueNode* getValueTree() const;

    // Each marks the value declared and set, then converts to the value's type: the
    // text of a number, a text read with "%d", "%u" or "%f" (left as it was when that fails), a
    // number truncated (signed) or rounded (unsigned) within the integer's range, a text turned
    // into a boolean by its first character. A list or value tree takes only its own setter, and
    // a boolean or text ignores setFloat. The value is marked changed only when what it holds
    // changed: a setter that stores the value already there changes nothing.
    void setInt(int32_t value);
    void setUInt(uint32_t value);
    void setBool(bool value);
    void setString(const wchar_t* text);
    void setFloat(float value);
    void setList(const List& list);
    void setValueTree(const ValueNode& node);
    // Through the setter of other's type; nothing when other has no value.
    void assign(const ConfigValue& other);
    // The same type and value (lists element by element, trees by ValueNode::equals, numbers as
    // stored); two values without a value of one type are equal.
    bool equals(const ConfigValue& other) const;

    // The node a file holds for the value: Int, UInt, Bool, String, Double (the shortest decimal
    // that reads back as the same float), List or the tree; Null without a value.
    void writeTo(ValueNode& o_node) const;
    // Takes a node read from a file, whose containers it may move out (leaving Null in their
    // place); Null, Symbol and RegExp nodes are not taken. A value that
    // keeps its type (a setting its declaration typed) takes a text, number, list or value tree
    // only through its setters (a value tree takes any node) and refuses what they cannot
    // convert, leaving the value as it was; an integer takes a whole Double within its range.
    // Otherwise the node gives the value its type: Int, UInt, Bool, String, Double (as a
    // float), List (elements the same way), Dictionary (a value tree).
    Taking takeNode(ValueNode& io_node, bool keepType);
    void clearChanged() { m_flags &= ~CHANGED; }

private:
    friend class Config;

    union Scalar {
        int32_t i;
        uint32_t u;
        bool b;
        float f;
    };

    void markSet(bool changed) {
        m_flags |= DECLARED | HAS_VALUE;
        if (changed)
            m_flags |= CHANGED;
    }
    // A setter's store of one scalar member or of the text, marking the value changed when what
    // it held differs.
    template <class T>
    void storeScalar(T Scalar::*member, T value);
    void storeText(std::wstring text);
    static bool sameElements(const List& a, const List& b);
    // setInt, setUInt and setBool: the word for an integer, the value for the other types.
    void setInteger(Type untypedBecomes, uint32_t word, int64_t value);
    // Releases the payload and gives the value the type with its default payload.
    void becomeType(Type type);
    // As a value made untyped, keeping the room of its texts.
    void reset();
    void retypeFrom(ValueNode& io_node);
    bool takeThroughSetters(const ValueNode& node);
    bool takeWholeNumber(double value);
    // getInt and getUInt: scan reads a text, fromNumber a rounded number.
    template <class T>
    T readInteger(bool (*scan)(const wchar_t*, T*), T (*fromNumber)(double)) const;
    // Whether the identifier is this value's: prefix, dot and name.
    bool isNamed(const wchar_t* identifier) const;

    uint32_t m_flags = UNTYPED;
    Scalar m_scalar{};
    std::wstring m_text;
    std::unique_ptr<List> m_list;
    std::unique_ptr<ValueNode> m_tree;
    ConfigSection* m_section = nullptr;
    size_t m_sectionIndex = 0; // the value's place among its section's (Config)
    std::wstring m_name;
    // Typed by a file before anyone declared it: a declaration retypes it (Config).
    bool m_typedByFile = false;
};

} // namespace tessel
