#pragma once
// The process's source of screen fonts for Unicode text. It learns the installed families and
// the registry's font substitutes once, builds font sets on request with a coverage table per
// variant (which font of the set serves which code point, from each font's character map), and
// makes the GDI fonts lazily, each with its metrics and Uniscribe cache. UI thread only.

#include "afw/unicode/IFontManager.h"
#include "pel/base/TSingleton.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class afUnicodeFontManager : public IFontManager, public pel::TSingleton<afUnicodeFontManager> {
    friend class pel::TSingleton<afUnicodeFontManager>;

public:
    // The editor font until the shell applies its settings: the stock fixed font's face and size.
    static constexpr const wchar_t* DEFAULT_EDITOR_FACE = L"Courier New";
    static constexpr uint16_t DEFAULT_EDITOR_SIZE = 10;

    ~afUnicodeFontManager() override;

    // Forgets every family, substitute, font and set, then enumerates the families and reads
    // the substitutes again; the editor font's set is made anew and its listeners told.
    void initFonts();

    afFontSet* getFontSet(const std::vector<std::wstring>& names, uint16_t pointSize) override;
    afFontEntry* fontFor(afFontSet& set, int variant, int fontIndex) override;
    // The font of the group's index, made (or found under its key) now; the system font when the
    // index has no family or the font cannot be made.
    afFontEntry* createFont(afFontSet& set, int variant, int fontIndex);
    static uint8_t fontIndexFor(const afFontGroup& group, uint32_t codePoint) {
        return group.fontIndexFor(codePoint);
    }
    // Adds the named family (or its substitute, or the first known of "Courier New", "Courier"
    // and "SYSTEM") to the group under its next index, claiming what its character map covers.
    bool addFontToGroup(afFontGroup& group, const std::wstring& name);

    // The family a name stands for, directly or through the substitutes; null when unknown.
    const afFontFamilyInfo* findFamily(const std::wstring& name) const;
    size_t familyCount() const { return m_families.size(); }

    void setEditorFont(const std::vector<std::wstring>& names, uint16_t pointSize) override;
    const std::vector<std::wstring>& getEditorFontNames() const override { return m_editorNames; }
    uint16_t getEditorFontSize() const override { return m_editorSize; }
    afFontSet* getEditorFontSet() override;
    void addFontListener(afFontListener* listener) override;
    void removeFontListener(afFontListener* listener) override;

    // Enumeration's report of one face; public for the system's callback.
    void addEnumeratedFace(const LOGFONTW& font, const NEWTEXTMETRICEXW* metrics);

private:
    afUnicodeFontManager();

    void clear();
    void enumerateFamilies();
    void readSubstitutes();
    afFontFamilyInfo* lookUp(const std::wstring& name) const;
    // Reads the family's character map through the measuring font selected into dc.
    void readCharacterMap(afFontFamilyInfo& family, HDC dc);
    afFontEntry* fallbackEntry();
    void notifyListeners();

    std::unordered_map<uint32_t, std::unique_ptr<afFontFamilyInfo>> m_families;
    std::unordered_map<uint32_t, afFontFamilyInfo*> m_substitutes;
    std::unordered_map<uint64_t, std::unique_ptr<afFontEntry>> m_entries;
    std::vector<std::unique_ptr<afFontSet>> m_sets;
    std::unique_ptr<afFontEntry> m_fallback;

    std::vector<std::wstring> m_editorNames;
    uint16_t m_editorSize = DEFAULT_EDITOR_SIZE;
    afFontSet* m_editorSet = nullptr;
    std::vector<afFontListener*> m_listeners;
};
