#include "service/document/DocumentFormat.h"

#include <cwchar>

namespace tessel {

namespace {

bool sameIndentation(const pel::Indentation& a, const pel::Indentation& b) {
    return a.indentChar == b.indentChar && a.size == b.size && a.soft == b.soft && a.mode == b.mode &&
           a.modeFunction == b.modeFunction;
}

} // namespace

uint32_t compareFormats(const DocumentFormat& current, const DocumentFormat& snapshot) {
    uint32_t mask = 0;
    if (current.modified != snapshot.modified)
        mask |= FORMAT_CHANGED_MODIFIED;
    if (current.isNew != snapshot.isNew)
        mask |= FORMAT_CHANGED_IS_NEW;
    if (current.encoding != snapshot.encoding || current.lineEnding != snapshot.lineEnding ||
        !sameIndentation(current.indentation, snapshot.indentation))
        mask |= FORMAT_CHANGED_ENCODING;
    if (current.path.length() != snapshot.path.length() ||
        std::wmemcmp(current.path.c_str(), snapshot.path.c_str(), current.path.length()) != 0)
        mask |= FORMAT_CHANGED_PATH;
    if (current.pathFlag != snapshot.pathFlag || current.pathValue != snapshot.pathValue)
        mask |= FORMAT_CHANGED_PATH_FLAGS;
    return mask;
}

} // namespace tessel
