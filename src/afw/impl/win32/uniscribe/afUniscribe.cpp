#include "afw/impl/win32/uniscribe/afUniscribe.h"

namespace {

const afUniscribeApi kSystem = {
    &::ScriptItemize,     &::ScriptBreak,   &::ScriptShape,   &::ScriptPlace,
    &::ScriptLayout,      &::ScriptGetLogicalWidths, &::ScriptCPtoX, &::ScriptXtoCP,
    &::ScriptTextOut,     &::ScriptGetProperties,    &::ScriptFreeCache,
};

const afUniscribeApi* s_current = &kSystem;

} // namespace

const afUniscribeApi& afUniscribe() {
    return *s_current;
}

const afUniscribeApi& afSystemUniscribe() {
    return kSystem;
}

const afUniscribeApi* afSetUniscribe(const afUniscribeApi* api) {
    const afUniscribeApi* previous = s_current;
    s_current = api ? api : &kSystem;
    return previous;
}
