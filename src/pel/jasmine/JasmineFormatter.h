#pragma once
// Jasmine that a person can edit: one member or element per line, indented by TABs, keys bare
// where they read back bare, strings in the quoting style they were read with, no commas.

#include "pel/jasmine/JsonFormatter.h"

#include <cstdint>
#include <string>

namespace pel {

class JasmineFormatter : public JsonFormatter {
public:
    void reset() override { indent = 0; }
    void beginValue(TextWriter& writer, const Value& value) override;
    void endValue(TextWriter& writer, const Value& value) override;
    void beginListItem(TextWriter& writer, const Value& item, size_t index, size_t last) override;
    void endListItem(TextWriter& writer, const Value& item, size_t index, size_t last) override;
    void beginDictionaryItem(TextWriter& writer, const std::wstring& key, const Value& value, size_t index,
                             size_t last) override;
    void endDictionaryItem(TextWriter& writer, const std::wstring& key, const Value& value, size_t index,
                           size_t last) override;
    void writeString(TextWriter& writer, const StringValue& value) override;

    // Nesting depth: the number of TABs after each line break.
    int32_t indent = 0;
    // Put after each line break, ahead of the TABs: a value written into a document at a
    // member's place continues on lines indented like the member's.
    std::wstring linePrefix;

private:
    // Appends LF and indent TABs to m_scratch.
    void appendLineBreak();
};

} // namespace pel
