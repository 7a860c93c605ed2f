#include "afw/unicode/afUnicodeFontManager.h"

#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afLog.h"
#include "afw/graphics/afStockResources.h"
#include "afw/impl/win32/uniscribe/RegistryKey.h"
#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "pel/base/Crc.h"

#include <algorithm>

namespace {

constexpr DWORD kCmapTag = 0x70616D63; // "cmap", as GetFontData reads table tags
constexpr size_t kMaxFaceName = LF_FACESIZE - 1;
const wchar_t* const kFallbackFamilies[] = {L"Courier New", L"Courier", L"SYSTEM"};

// The screen's DC for as long as the object lives.
class ScreenDC {
public:
    ScreenDC() : m_dc(::GetDC(nullptr)) {}
    ~ScreenDC() { ::ReleaseDC(nullptr, m_dc); }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

std::wstring cutName(std::wstring name) {
    const size_t comma = name.find(L',');
    if (comma != std::wstring::npos)
        name.erase(comma);
    if (name.size() > kMaxFaceName)
        name.erase(kMaxFaceName);
    return name;
}

void copyFace(wchar_t (&face)[LF_FACESIZE], const std::wstring& name) {
    const size_t length = std::min(name.size(), kMaxFaceName);
    std::copy(name.begin(), name.begin() + length, face);
    face[length] = L'\0';
}

int CALLBACK enumerateFace(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM manager) {
    afGuard([&] {
        // Only TrueType faces come with the extended metrics (font signature and flags).
        const NEWTEXTMETRICEXW* extended =
            (fontType & TRUETYPE_FONTTYPE) ? reinterpret_cast<const NEWTEXTMETRICEXW*>(metrics) : nullptr;
        reinterpret_cast<afUnicodeFontManager*>(manager)->addEnumeratedFace(*font, extended);
    });
    return 1;
}

} // namespace

afUnicodeFontManager::afUnicodeFontManager() : m_editorNames{DEFAULT_EDITOR_FACE} {
    initFonts();
}

afUnicodeFontManager::~afUnicodeFontManager() {
    clear();
}

void afUnicodeFontManager::clear() {
    m_editorSet = nullptr;
    m_sets.clear();
    const afUniscribeApi& uniscribe = afUniscribe();
    for (auto& entry : m_entries) {
        uniscribe.freeCache(&entry.second->cache);
        if (entry.second->owned)
            ::DeleteObject(entry.second->font);
    }
    m_entries.clear();
    if (m_fallback)
        uniscribe.freeCache(&m_fallback->cache);
    m_fallback.reset();
    m_substitutes.clear();
    m_families.clear();
}

void afUnicodeFontManager::initFonts() {
    clear();
    enumerateFamilies();
    readSubstitutes();
    if (!m_listeners.empty())
        notifyListeners();
}

void afUnicodeFontManager::enumerateFamilies() {
    ScreenDC screen;
    LOGFONTW all = {};
    all.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(screen, &all, enumerateFace, reinterpret_cast<LPARAM>(this), 0);
}

void afUnicodeFontManager::addEnumeratedFace(const LOGFONTW& font, const NEWTEXTMETRICEXW* metrics) {
    const wchar_t* name = font.lfFaceName;
    if (!name[0] || name[0] == L'@')
        return;
    std::unique_ptr<afFontFamilyInfo>& slot = m_families[pel::crc32StringNoCase(name)];
    if (!slot) {
        slot.reset(new afFontFamilyInfo);
        slot->name = name;
    }
    afFontFamilyInfo& family = *slot;
    family.charsets[font.lfCharSet >> 5] |= 1u << (font.lfCharSet & 31);
    family.weight = static_cast<uint16_t>(font.lfWeight);
    family.family = font.lfPitchAndFamily >> 4;
    family.pitch = font.lfPitchAndFamily & 0x0F;
    if (metrics && (metrics->ntmTm.ntmFlags & NTM_TYPE1)) {
        family.symbol = 1;
        family.unicodeRanges = 1;
    }
    for (int i = 0; i < 4; ++i)
        family.subranges[i] = metrics ? metrics->ntmFontSig.fsUsb[i] : 0;
    if (!family.subranges[0] && !family.subranges[1] && !family.subranges[2] && !family.subranges[3])
        family.unicodeRanges = 0;
}

void afUnicodeFontManager::readSubstitutes() {
    const RegistryKey key(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", HKEY_LOCAL_MACHINE,
                          KEY_READ);
    const RegistryKey::Hold hold(key);
    const int count = key.valueCount();
    if (count < 0) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                        L"afUnicodeFontManager::initFonts(): Cannot get key for font substitutes.\n");
        return;
    }
    std::wstring name, target;
    for (int i = 0; i < count; ++i) {
        if (!key.valueName(i, name) || name.empty() || name[0] == L'@' || key.valueType(name) != REG_SZ ||
            !key.readString(name, target))
            continue;
        auto family = m_families.find(pel::crc32StringNoCase(cutName(target).c_str()));
        if (family != m_families.end())
            m_substitutes.emplace(pel::crc32StringNoCase(cutName(name).c_str()), family->second.get());
    }
}

afFontFamilyInfo* afUnicodeFontManager::lookUp(const std::wstring& name) const {
    const uint32_t key = pel::crc32StringNoCase(name.c_str());
    auto family = m_families.find(key);
    if (family != m_families.end())
        return family->second.get();
    auto substitute = m_substitutes.find(key);
    return substitute == m_substitutes.end() ? nullptr : substitute->second;
}

const afFontFamilyInfo* afUnicodeFontManager::findFamily(const std::wstring& name) const {
    return lookUp(name);
}

afFontSet* afUnicodeFontManager::getFontSet(const std::vector<std::wstring>& names, uint16_t pointSize) {
    for (const std::unique_ptr<afFontSet>& set : m_sets)
        if (set->pointSize() == pointSize && set->names() == names)
            return set.get();
    std::unique_ptr<afFontSet> set(new afFontSet(*this, names, pointSize));
    for (int variant = 0; variant < AF_FONT_VARIANTS; ++variant)
        for (auto name = names.rbegin(); name != names.rend(); ++name)
            addFontToGroup(set->group(variant), *name);
    m_sets.push_back(std::move(set));
    return m_sets.back().get();
}

bool afUnicodeFontManager::addFontToGroup(afFontGroup& group, const std::wstring& name) {
    afFontFamilyInfo* family = lookUp(name);
    for (const wchar_t* fallback : kFallbackFamilies)
        if (!family)
            family = lookUp(fallback);
    if (!family)
        return false;
    LOGFONTW measuring = {};
    measuring.lfCharSet = DEFAULT_CHARSET;
    copyFace(measuring.lfFaceName, family->name);
    HFONT font = ::CreateFontIndirectW(&measuring);
    if (!font) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afUnicodeFontManager::addFontToGroup(): Unable to create font `%s`\n",
                        family->name.c_str());
        return false;
    }
    ScreenDC screen;
    HGDIOBJ previous = ::SelectObject(screen, font);
    const int index = group.addFamily(family);
    if (index) {
        readCharacterMap(*family, screen);
        if (family->mapFailed) {
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                            L"afUnicodeFontManager::addFontToGroup(): Failed to get CMAP for font `%s`.\n",
                            family->name.c_str());
            family->unicodeRanges = 0;
        }
        group.claim(*family, static_cast<uint8_t>(index));
    }
    ::SelectObject(screen, previous);
    ::DeleteObject(font);
    return index != 0;
}

void afUnicodeFontManager::readCharacterMap(afFontFamilyInfo& family, HDC dc) {
    if (family.mapRead)
        return;
    family.mapRead = true;
    const DWORD size = ::GetFontData(dc, kCmapTag, 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0) {
        family.mapFailed = true;
        return;
    }
    std::vector<uint8_t> table(size);
    if (::GetFontData(dc, kCmapTag, 0, table.data(), size) != size) {
        family.mapFailed = true;
        return;
    }
    family.map = afReadCharacterMap(table.data(), table.size());
    if (family.map.kind == afCharacterMap::MAP_NONE) {
        family.mapFailed = true;
    } else if (family.map.kind == afCharacterMap::MAP_SYMBOL) {
        family.symbol = 1;
        family.unicodeRanges = 0;
    }
}

afFontEntry* afUnicodeFontManager::fontFor(afFontSet& set, int variant, int fontIndex) {
    if (variant < 0 || variant >= AF_FONT_VARIANTS)
        variant = 0;
    int index = fontIndex == AF_LAST_FONT ? set.group(variant).fontCount() : fontIndex;
    if (index < 0 || index > afFontGroup::MAX_FONTS)
        index = 0;
    afFontEntry*& cached = set.cachedEntry(variant, index);
    if (!cached)
        cached = createFont(set, variant, index);
    return cached;
}

afFontEntry* afUnicodeFontManager::createFont(afFontSet& set, int variant, int fontIndex) {
    const afFontFamilyInfo* family = set.group(variant).family(fontIndex);
    if (!family) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afUnicodeFontManager::createFont(): Unable to locate info for %d.\n",
                        fontIndex);
        return fallbackEntry();
    }
    const uint64_t key = static_cast<uint64_t>(pel::crc32String(family->name.c_str())) << 32 |
                         static_cast<uint64_t>(set.pointSize()) << 16 | static_cast<uint64_t>(fontIndex) << 8 |
                         static_cast<uint64_t>(variant);
    std::unique_ptr<afFontEntry>& slot = m_entries[key];
    if (slot)
        return slot.get();
    ScreenDC screen;
    wchar_t face[LF_FACESIZE];
    copyFace(face, family->name);
    HFONT font = ::CreateFontW(afFontHeight(set.pointSize()), 0, 0, 0, (variant & AF_FONT_BOLD) ? FW_BOLD : 0,
                               (variant & AF_FONT_ITALIC) != 0, (variant & AF_FONT_UNDERLINE) != 0, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                               face);
    if (!font) {
        m_entries.erase(key);
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afUnicodeFontManager::createFont(): Unable to create font `%s`.\n",
                        family->name.c_str());
        return fallbackEntry();
    }
    slot.reset(new afFontEntry);
    slot->owned = true;
    slot->font = font;
    HGDIOBJ previous = ::SelectObject(screen, font);
    ::GetTextMetricsW(screen, &slot->metrics);
    ::SelectObject(screen, previous);
    return slot.get();
}

afFontEntry* afUnicodeFontManager::fallbackEntry() {
    if (!m_fallback) {
        m_fallback.reset(new afFontEntry);
        m_fallback->font = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
        ScreenDC screen;
        HGDIOBJ previous = ::SelectObject(screen, m_fallback->font);
        ::GetTextMetricsW(screen, &m_fallback->metrics);
        ::SelectObject(screen, previous);
    }
    return m_fallback.get();
}

void afUnicodeFontManager::setEditorFont(const std::vector<std::wstring>& names, uint16_t pointSize) {
    m_editorNames = names;
    m_editorSize = pointSize;
    m_editorSet = getFontSet(m_editorNames, m_editorSize);
    notifyListeners();
}

afFontSet* afUnicodeFontManager::getEditorFontSet() {
    if (!m_editorSet)
        m_editorSet = getFontSet(m_editorNames, m_editorSize);
    return m_editorSet;
}

void afUnicodeFontManager::addFontListener(afFontListener* listener) {
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void afUnicodeFontManager::removeFontListener(afFontListener* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void afUnicodeFontManager::notifyListeners() {
    // A listener may remove itself (or another) while it is told.
    const std::vector<afFontListener*> listeners = m_listeners;
    for (afFontListener* listener : listeners)
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            listener->onFontChanged();
}
