#include "pel/jasmine/JasmineToken.h"

namespace pel {

const wchar_t* JasmineToken::kindName(uint32_t kind) {
    static const wchar_t* const names[] = {
        L"invalid",
        L"{",
        L"}",
        L"[",
        L"]",
        L"double-quoted string",
        L"single-quoted string",
        L"symbol",
        L"number",
        L"reg-exp",
        L"boolean (true)",
        L"boolean (false)",
        L"null",
        L"comma (,)",
        L"colon (:)",
        L"line comment (//)",
        L"block comment (/* .. */)",
        L"whitespace",
        L"eos",
    };
    return kind <= KIND_EOS ? names[kind] : L"";
}

} // namespace pel
