#pragma once
// The value tree that Jasmine and JSON text is read into: a null value here, and the scalar,
// string, regular-expression, list and dictionary kinds derived from it. Values are heap
// objects handed around as raw pointers; a container owns its children.

#include "pel/base/BlockHeap.h"
#include "pel/base/Exception.h"

#include <cstdint>
#include <string>

namespace pel {

// Where a parsed value came from. All zero for a value built in code.
struct ValueSourceRange {
    uint8_t hasRange = 0;
    // Store indexes of the value's first and last token (for a container its two brackets).
    uint32_t beginToken = 0;
    uint32_t endToken = 0;
    // From the first token's begin to the last token's end.
    TextPosition outerBegin;
    TextPosition outerEnd;
    // The same without the quotes, brackets or regular-expression delimiters and options.
    TextPosition innerBegin;
    TextPosition innerEnd;
    // The key token, when the value is a dictionary member.
    TextPosition keyBegin;
    TextPosition keyEnd;
};

// Values come from the block heap: a tree read from a document makes them by the million.
class Value : public BlockHeapObject {
public:
    enum Type : int32_t {
        TYPE_NULL = 0,
        TYPE_BOOLEAN = 1,
        TYPE_INTEGER = 2,
        TYPE_DOUBLE = 3,
        TYPE_STRING = 4,
        TYPE_REGEXP = 5,
        TYPE_LIST = 6,
        TYPE_DICTIONARY = 7,
    };

    // The keyword texts of the lexer and the writers.
    static const std::wstring NULL_TEXT;
    static const std::wstring TRUE_TEXT;
    static const std::wstring FALSE_TEXT;

    // "Null", "Boolean", "Integer", "Real", "String", "RegExp", "List", "Dictionary";
    // a code outside 0..7 is named "Null".
    static const wchar_t* typeName(int32_t type);

    // A new null value.
    static Value* create();

    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    virtual ~Value() = default;

    // Each getter succeeds only for its own type; there are no conversions between kinds.
    // On failure the out-parameter is left as it was.
    virtual bool getBool(bool* o_val) const;
    virtual bool getInteger(int32_t* o_val) const;
    virtual bool getDouble(double* o_val) const;
    virtual bool getString(std::wstring* o_val) const;

    // A deep copy of the same class, source range included.
    virtual Value* clone() const;
    // Equal kind and content; source ranges and string styles are ignored.
    virtual bool equals(const Value& other) const;

    const int32_t type;
    ValueSourceRange range;

protected:
    explicit Value(int32_t i_type) : type(i_type) {}
};

} // namespace pel
