#pragma once
// The layout decisions of writing a value tree as text. The value writer walks the tree and
// calls these around every value, list element and dictionary member; the formatter writes
// brackets, separators, keys and strings through the text writer it is given.

#include <cstddef>
#include <string>

namespace pel {

class StringValue;
class TextWriter;
class Value;

class IJasmineFormatter {
public:
    // Back to the state of a new formatter.
    virtual void reset() = 0;
    // Around every value; for a list or dictionary these write its brackets.
    virtual void beginValue(TextWriter& writer, const Value& value) = 0;
    virtual void endValue(TextWriter& writer, const Value& value) = 0;
    // Around element index of a list whose last element is at last.
    virtual void beginListItem(TextWriter& writer, const Value& item, size_t index, size_t last) = 0;
    virtual void endListItem(TextWriter& writer, const Value& item, size_t index, size_t last) = 0;
    // Around member index of a dictionary whose last member is at last; begin writes the key.
    virtual void beginDictionaryItem(TextWriter& writer, const std::wstring& key, const Value& value, size_t index,
                                     size_t last) = 0;
    virtual void endDictionaryItem(TextWriter& writer, const std::wstring& key, const Value& value, size_t index,
                                   size_t last) = 0;
    // A string value, quoted as the format wants it.
    virtual void writeString(TextWriter& writer, const StringValue& value) = 0;

    virtual ~IJasmineFormatter() = default;
};

} // namespace pel
