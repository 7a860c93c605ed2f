#pragma once
// Upper- and lower-case forms of every UTF-16 unit as CharUpperBuffW and CharLowerBuffW give
// them, looked up in tables filled once (on first use, from any thread). Both finders fold
// letters through them, so a search that ignores case finds the same letters whichever finder
// runs it.

namespace tessel {

// The upper-case form of a unit, equal to pel::toUpperChar.
wchar_t foldUpper(wchar_t unit);
wchar_t foldLower(wchar_t unit);

// The 65,536-entry table behind foldUpper, for loops that look up many units.
const wchar_t* upperCaseTable();

} // namespace tessel
