#include "service/document/search/RegExFromSource.h"

namespace tessel {

std::unique_ptr<pel::RegEx> createRegEx(const RegExSource& source) {
    pel::RegExOptions options;
    pel::RegEx::parseOptions(source.options.c_str(), &options);
    return pel::RegEx::create(source.pattern, options);
}

} // namespace tessel
