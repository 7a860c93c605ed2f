#include "pel/jasmine/JasmineValueWriter.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/IJasmineFormatter.h"
#include "pel/jasmine/JasmineQuoting.h"
#include "pel/stream/TextWriter.h"
#include "pel/text/NumberText.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/ListValue.h"
#include "pel/value/RegExpValue.h"
#include "pel/value/StringValue.h"

namespace pel {

void JasmineValueWriter::write(const Value& value) {
    m_formatter.beginValue(m_writer, value);
    switch (value.type) {
    case Value::TYPE_NULL:
        m_writer.write(Value::NULL_TEXT);
        break;
    case Value::TYPE_BOOLEAN: {
        bool b = false;
        value.getBool(&b);
        m_writer.write(b ? Value::TRUE_TEXT : Value::FALSE_TEXT);
        break;
    }
    case Value::TYPE_INTEGER: {
        int32_t i = 0;
        value.getInteger(&i);
        m_scratch.clear();
        formatInteger32(m_scratch, i, 10);
        m_writer.write(m_scratch);
        break;
    }
    case Value::TYPE_DOUBLE: {
        double d = 0;
        value.getDouble(&d);
        m_scratch.clear();
        appendDoubleText(d, m_scratch);
        m_writer.write(m_scratch);
        break;
    }
    case Value::TYPE_STRING:
        m_formatter.writeString(m_writer, static_cast<const StringValue&>(value));
        break;
    case Value::TYPE_REGEXP: {
        const RegExpValue& regExp = static_cast<const RegExpValue&>(value);
        m_scratch.clear();
        appendRegExpLiteral(regExp.pattern, regExp.options, m_scratch);
        m_writer.write(m_scratch);
        break;
    }
    case Value::TYPE_LIST: {
        const ListValue& list = static_cast<const ListValue&>(value);
        const size_t last = list.size() - 1;
        for (size_t i = 0; i < list.size(); ++i) {
            const Value& item = *list.get(i);
            m_formatter.beginListItem(m_writer, item, i, last);
            write(item);
            m_formatter.endListItem(m_writer, item, i, last);
        }
        break;
    }
    case Value::TYPE_DICTIONARY: {
        const AbstractDictionaryValue& dictionary = static_cast<const AbstractDictionaryValue&>(value);
        const size_t last = dictionary.size() - 1;
        size_t i = 0;
        for (const DictionaryMember& member : dictionary.members()) {
            const Value& item = *member.value();
            m_formatter.beginDictionaryItem(m_writer, member.key(), item, i, last);
            write(item);
            m_formatter.endDictionaryItem(m_writer, member.key(), item, i, last);
            ++i;
        }
        break;
    }
    default:
        PEL_NOT_REACHED();
    }
    m_formatter.endValue(m_writer, value);
}

} // namespace pel
