#pragma once
// Start and end of the regular-expression engine. initRegExLibrary runs once on the main thread
// before the first pattern compiles; compiling also calls it, so a forgotten call costs nothing.

namespace pel {

// Registers the UTF-16LE and ASCII encodings and keeps the engine's match retry limit on, so a
// runaway pattern ends in an error instead of holding its thread. Safe to call more than once.
void initRegExLibrary();

// Releases the engine's global state; the last call of the program. A later compile starts it again.
void shutdownRegExLibrary();

// Backtracking steps one match attempt may take before it fails with an error.
constexpr unsigned long REGEX_RETRY_LIMIT = 10000000UL;

} // namespace pel
