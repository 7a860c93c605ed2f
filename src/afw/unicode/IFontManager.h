#pragma once
// What the text layout and the editors ask of the font manager: font sets by family names and
// point size, the font of a variant and index within a set, and the editor font that every
// editor shows, with listeners told after it changed.

#include "afw/unicode/afFontSet.h"

#include <cstdint>
#include <string>
#include <vector>

class afFontListener {
public:
    // The editor font (and so its font set) changed.
    virtual void onFontChanged() = 0;

protected:
    ~afFontListener() = default;
};

class IFontManager {
public:
    virtual ~IFontManager() = default;

    // The set of those names (first listed serves first) at the size; the same object for the
    // same names and size. The set lives as long as the manager's fonts (until initFonts).
    virtual afFontSet* getFontSet(const std::vector<std::wstring>& names, uint16_t pointSize) = 0;
    // The font of the variant (0-8) and index within the set; AF_LAST_FONT is the group's last.
    // Never null: a font that cannot be made is the system font.
    virtual afFontEntry* fontFor(afFontSet& set, int variant, int fontIndex) = 0;

    virtual void setEditorFont(const std::vector<std::wstring>& names, uint16_t pointSize) = 0;
    virtual const std::vector<std::wstring>& getEditorFontNames() const = 0;
    virtual uint16_t getEditorFontSize() const = 0;
    virtual afFontSet* getEditorFontSet() = 0;
    // Listeners are told, in the order added, after the editor font changed; adding one twice
    // or removing one never added changes nothing.
    virtual void addFontListener(afFontListener* listener) = 0;
    virtual void removeFontListener(afFontListener* listener) = 0;
};
