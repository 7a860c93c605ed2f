#pragma once
// One log line for an exception caught where it must go no further: a window procedure, a
// thread body, a client call on a worker thread. Background work that fails is reported and
// the program goes on.

#include <string>

namespace tessel {

// Call only inside a catch block: logs "<where> failed: <the exception's text>" at ERROR under
// the general source. Never throws.
void logCaughtException(const wchar_t* where) noexcept;

// Call only inside a catch block: the text of the exception being handled (a library
// exception's display text, a standard exception's what(), "unknown exception" otherwise).
std::wstring caughtExceptionText();

} // namespace tessel
