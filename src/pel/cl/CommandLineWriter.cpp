#include "pel/cl/ArgumentsLexer.h"
#include "pel/cl/CommandLine.h"

#include "pel/base/Assert.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/ListValue.h"

namespace pel {

namespace {

void appendValue(const Value* value, std::wstring& out) {
    std::wstring text;
    if (value && value->getString(&text)) {
        out += L' ';
        ArgumentsLexer::appendArgument(text, out);
    }
}

} // namespace

void CommandLine::toString(const AbstractDictionaryValue* val, std::wstring* o_string) {
    PEL_CHECK_PTR(val);
    PEL_CHECK_PTR(o_string);
    for (const DictionaryMember& option : val->members()) {
        if (!o_string->empty())
            *o_string += L' ';
        *o_string += L"--";
        *o_string += option.key();
        if (!option.value() || option.value()->type != Value::TYPE_DICTIONARY)
            continue;
        for (const DictionaryMember& parameter : static_cast<const AbstractDictionaryValue*>(option.value())->members()) {
            const Value* value = parameter.value();
            if (!value || value->type != Value::TYPE_LIST) {
                appendValue(value, *o_string);
                continue;
            }
            for (const Value* element : *static_cast<const ListValue*>(value))
                appendValue(element, *o_string);
        }
    }
}

} // namespace pel
