#pragma once
// Reads the menu definition of a bundle's info file (its "menu" list) into MenuDefNodes. Each
// element in order: a string that is empty or begins with "-" is a separator; a dictionary with
// a string "title" and a list "menu" is a submenu read the same way, to any depth (the Jasmine
// reader bounds the nesting of its text); otherwise a dictionary with a string "item" names a
// bundle item by its UUID text, lower-cased. Any other dictionary is skipped with one INFO line;
// other strings and other kinds of value are skipped silently.

#include "service/bundles/MenuDefNode.h"

namespace pel {
class ListValue;
}

namespace tessel {

class MenuDefReader {
public:
    // Appends the nodes read from list to parent's children; true (a malformed element never
    // stops the rest from being read).
    static bool read(const pel::ListValue& list, MenuDefNode& parent);
};

} // namespace tessel
