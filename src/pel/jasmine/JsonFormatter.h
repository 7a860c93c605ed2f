#pragma once
// Compact JSON: no whitespace, every key and string double-quoted, single commas between
// members and elements. Regular expressions are written as Jasmine literals.

#include "pel/jasmine/IJasmineFormatter.h"

namespace pel {

class JsonFormatter : public IJasmineFormatter {
public:
    void reset() override {}
    void beginValue(TextWriter& writer, const Value& value) override;
    void endValue(TextWriter& writer, const Value& value) override;
    void beginListItem(TextWriter& writer, const Value& item, size_t index, size_t last) override;
    void endListItem(TextWriter& writer, const Value& item, size_t index, size_t last) override;
    void beginDictionaryItem(TextWriter& writer, const std::wstring& key, const Value& value, size_t index,
                             size_t last) override;
    void endDictionaryItem(TextWriter& writer, const std::wstring& key, const Value& value, size_t index,
                           size_t last) override;
    void writeString(TextWriter& writer, const StringValue& value) override;

protected:
    // Room for one quoted text at a time; kept to spare an allocation per string.
    std::wstring m_scratch;
};

} // namespace pel
