#include "pel/jasmine/JasmineWriterHelper.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineFormatter.h"
#include "pel/jasmine/JasmineValueWriter.h"
#include "pel/jasmine/JsonFormatter.h"
#include "pel/stream/WideStringTextWriter.h"

namespace pel {

void JasmineWriterHelper::write(const Value* val, std::wstring* o_string,
                                const std::shared_ptr<IJasmineFormatter>& formatter) {
    PEL_CHECK_PTR(val);
    PEL_CHECK_PTR(o_string);
    PEL_CHECK_PTR(formatter);
    const size_t before = o_string->size();
    try {
        WideStringTextWriter writer(*o_string);
        JasmineValueWriter(writer, *formatter).write(*val);
    } catch (...) {
        o_string->resize(before);
        formatter->reset();
        throw;
    }
}

void JasmineWriterHelper::toJasmine(const Value* val, std::wstring* o_string) {
    PEL_CHECK_PTR(val);
    PEL_CHECK_PTR(o_string);
    o_string->clear();
    appendJasmine(val, o_string);
}

void JasmineWriterHelper::appendJasmine(const Value* val, std::wstring* o_string) {
    write(val, o_string, std::make_shared<JasmineFormatter>());
}

void JasmineWriterHelper::toJson(const Value* val, std::wstring* o_string) {
    PEL_CHECK_PTR(val);
    PEL_CHECK_PTR(o_string);
    o_string->clear();
    write(val, o_string, std::make_shared<JsonFormatter>());
}

} // namespace pel
