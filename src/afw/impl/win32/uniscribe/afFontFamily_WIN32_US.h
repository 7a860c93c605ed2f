#pragma once
// A font family known by its name, as the Win32 text platform hands it out.

#include "afw/unicode/afTextPlatform.h"

class afFontFamily_WIN32_US : public afIFontFamily {
public:
    explicit afFontFamily_WIN32_US(std::wstring name) : m_name(std::move(name)) {}

    bool equals(const afIFontFamily& other) const override { return m_name == other.getName(); }
    bool notEquals(const afIFontFamily& other) const override { return !equals(other); }
    const std::wstring& getName() const override { return m_name; }
    // Fonts come from the font manager's sets; families make none.
    afFontEntry* createFont(uint16_t pointSize, int variant) const override;

private:
    std::wstring m_name;
};
