#pragma once
// The Uniscribe calls the text layer makes, gathered in one table so that tests can put their
// own in its place (a shaper that reports E_PENDING first, or runs out of room) and watch what
// the layer asks. The system's table is the default; nothing else ever changes it.

#include <windows.h>
#include <usp10.h>

struct afUniscribeApi {
    decltype(&::ScriptItemize) itemize;
    decltype(&::ScriptBreak) breakText;
    decltype(&::ScriptShape) shape;
    decltype(&::ScriptPlace) place;
    decltype(&::ScriptLayout) layout;
    decltype(&::ScriptGetLogicalWidths) getLogicalWidths;
    decltype(&::ScriptCPtoX) cpToX;
    decltype(&::ScriptXtoCP) xToCP;
    decltype(&::ScriptTextOut) textOut;
    decltype(&::ScriptGetProperties) getProperties;
    decltype(&::ScriptFreeCache) freeCache;
};

// The table in use.
const afUniscribeApi& afUniscribe();
// The system's own functions.
const afUniscribeApi& afSystemUniscribe();
// Puts a table in place (null: the system's again) and returns the one it replaces. The table
// must outlive its use.
const afUniscribeApi* afSetUniscribe(const afUniscribeApi* api);
