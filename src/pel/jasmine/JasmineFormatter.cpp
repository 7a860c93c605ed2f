#include "pel/jasmine/JasmineFormatter.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineQuoting.h"
#include "pel/stream/TextWriter.h"
#include "pel/value/StringValue.h"

namespace pel {

namespace {

bool isContainer(const Value& value) {
    return value.type == Value::TYPE_LIST || value.type == Value::TYPE_DICTIONARY;
}

} // namespace

void JasmineFormatter::appendLineBreak() {
    m_scratch += L'\n';
    m_scratch += linePrefix;
    if (indent > 0)
        m_scratch.append(static_cast<size_t>(indent), L'\t');
}

void JasmineFormatter::beginValue(TextWriter& writer, const Value& value) {
    JsonFormatter::beginValue(writer, value);
    if (isContainer(value))
        ++indent;
}

void JasmineFormatter::endValue(TextWriter& writer, const Value& value) {
    if (isContainer(value)) {
        --indent;
        m_scratch.clear();
        appendLineBreak();
        writer.write(m_scratch);
    }
    JsonFormatter::endValue(writer, value);
}

void JasmineFormatter::beginListItem(TextWriter& writer, const Value&, size_t, size_t) {
    m_scratch.clear();
    appendLineBreak();
    writer.write(m_scratch);
}

void JasmineFormatter::endListItem(TextWriter& writer, const Value&, size_t, size_t) {
    m_scratch.clear();
    appendLineBreak();
    writer.write(m_scratch);
}

void JasmineFormatter::beginDictionaryItem(TextWriter& writer, const std::wstring& key, const Value& value, size_t,
                                           size_t) {
    m_scratch.clear();
    appendLineBreak();
    writeBareOrQuoted(key, m_scratch);
    if (isContainer(value)) {
        m_scratch += L':';
        appendLineBreak();
    } else {
        m_scratch += L": ";
    }
    writer.write(m_scratch);
}

void JasmineFormatter::endDictionaryItem(TextWriter&, const std::wstring&, const Value&, size_t, size_t) {}

void JasmineFormatter::writeString(TextWriter& writer, const StringValue& value) {
    m_scratch.clear();
    switch (value.style) {
    case StringValue::STYLE_DOUBLE_QUOTED:
        quoteString(value.text, m_scratch);
        break;
    case StringValue::STYLE_SINGLE_QUOTED:
        quoteStringSingle(value.text, m_scratch);
        break;
    case StringValue::STYLE_SYMBOL:
        // A bare word that lexes as a number would read back as a number.
        if (lexesAsNumber(value.text))
            quoteString(value.text, m_scratch);
        else
            writeBareOrQuoted(value.text, m_scratch);
        break;
    default:
        PEL_NOT_REACHED();
    }
    writer.write(m_scratch);
}

} // namespace pel
