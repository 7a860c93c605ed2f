#pragma once
// A regular expression compiled from the form the value tree, grammars and snippet
// transformations keep: the pattern and its option letters.

#include "pel/text/search/RegEx.h"
#include "service/base/RegExSource.h"

#include <memory>

namespace tessel {

// The letters are read as pel::RegEx::parseOptions reads them ("g" sets the global flag). An
// empty pattern gives a regex that never matches; one that does not compile keeps its error.
std::unique_ptr<pel::RegEx> createRegEx(const RegExSource& source);

} // namespace tessel
