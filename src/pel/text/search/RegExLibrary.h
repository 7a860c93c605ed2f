#pragma once
// Start and end of the regular-expression engine. initRegExLibrary runs once on the main thread
// before the first pattern compiles; compiling also calls it, so a forgotten call costs nothing.

#include <cstddef>

namespace pel {

// Registers the UTF-16LE, UTF-8 and ASCII encodings, keeps the engine's match retry limit on (so a
// runaway pattern ends in an error instead of holding its thread) and sets the parse depth
// limit. A high surrogate without a low one after it counts as a character of one unit. Safe
// to call more than once.
void initRegExLibrary();

// Releases the engine's global state; the last call of the program. A later compile starts it again.
void shutdownRegExLibrary();

// Backtracking steps one match attempt may take before it fails with an error.
constexpr unsigned long REGEX_RETRY_LIMIT = 10000000UL;

// How deep groups, classes and quantifiers may nest before a pattern fails to compile with the
// engine's error. The engine parses and compiles by recursion: at this depth the deepest
// patterns take about 0.8 MiB of stack, which every thread of the program holds (all of them
// have the executable's 2 MiB), with room to spare for the caller.
constexpr unsigned int REGEX_PARSE_DEPTH_LIMIT = 1000;

// The longest pattern that may match case-insensitively (the ignore-case option, or an inline
// "(?i"): the engine takes time growing with the square of a case-insensitive literal's length
// to compile it, about half a second at this length. A longer one is refused with its own error.
constexpr size_t REGEX_MAX_IGNORE_CASE_LENGTH = 16384;

} // namespace pel
