#include "pel/jasmine/JsonFormatter.h"

#include "pel/jasmine/JasmineQuoting.h"
#include "pel/stream/TextWriter.h"
#include "pel/value/StringValue.h"

namespace pel {

void JsonFormatter::beginValue(TextWriter& writer, const Value& value) {
    if (value.type == Value::TYPE_LIST)
        writer.write(L'[');
    else if (value.type == Value::TYPE_DICTIONARY)
        writer.write(L'{');
}

void JsonFormatter::endValue(TextWriter& writer, const Value& value) {
    if (value.type == Value::TYPE_LIST)
        writer.write(L']');
    else if (value.type == Value::TYPE_DICTIONARY)
        writer.write(L'}');
}

void JsonFormatter::beginListItem(TextWriter&, const Value&, size_t, size_t) {}

void JsonFormatter::endListItem(TextWriter& writer, const Value&, size_t index, size_t last) {
    if (index != last)
        writer.write(L',');
}

void JsonFormatter::beginDictionaryItem(TextWriter& writer, const std::wstring& key, const Value&, size_t, size_t) {
    m_scratch.clear();
    quoteString(key, m_scratch);
    m_scratch += L':';
    writer.write(m_scratch);
}

void JsonFormatter::endDictionaryItem(TextWriter& writer, const std::wstring&, const Value&, size_t index,
                                      size_t last) {
    if (index != last)
        writer.write(L',');
}

void JsonFormatter::writeString(TextWriter& writer, const StringValue& value) {
    m_scratch.clear();
    quoteString(value.text, m_scratch);
    writer.write(m_scratch);
}

} // namespace pel
