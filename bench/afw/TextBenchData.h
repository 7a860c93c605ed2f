#pragma once
// The texts of the text-layer benchmarks, generated the same way on every run: C source lines
// with styles a simple colouring would give them, and one long line of minified CSS.

#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeFontManager.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Style ids: 0 plain, 1 keyword, 2 string, 3 comment, 4 number.
class CodeStyles : public afUnicodeStyleProvider {
public:
    afUnicodeStyle& styleFor(uint16_t id) override { return m_styles[id < 5 ? id : 0]; }

private:
    afUnicodeStyle m_styles[5] = {{0xFF202020, 0xFFFFFFFF, 0, 0},
                                  {0xFF900000, 0xFFFFFFFF, 0, 0},
                                  {0xFF009000, 0xFFFFFFFF, 0, 0},
                                  {0xFF808080, 0xFFFFFFFF, 0, 0},
                                  {0xFF0060C0, 0xFFFFFFFF, 0, 0}};
};

// The layout the benchmarks measure: the test fonts (DejaVu Sans Mono, then DejaVu Sans,
// 10 pt) with the C styles.
struct BenchLayout {
    BenchLayout() : set(fonts.getFontSet({L"DejaVu Sans Mono", L"DejaVu Sans"}, 10)), layout(set) {
        layout.setStyleProvider(&styles);
    }
    afFontEntry& primaryFont() { return *fonts.fontFor(*set, 0, AF_LAST_FONT); }

    afUnicodeFontManager& fonts = afUnicodeFontManager::instance();
    afFontSet* set;
    CodeStyles styles;
    afUnicode layout;
};

inline std::vector<std::wstring> cSourceLines(int count) {
    static const wchar_t* const names[] = {L"buffer", L"length", L"index", L"result", L"node", L"value", L"count"};
    static const wchar_t* const calls[] = {L"memcpy", L"strlen", L"process_item", L"list_append", L"hash_lookup"};
    std::vector<std::wstring> lines;
    uint32_t seed = 46;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % range;
    };
    for (int i = 0; i < count; ++i) {
        const std::wstring indent(4 * next(4), L' ');
        const std::wstring a = names[next(7)], b = names[next(7)], call = calls[next(5)];
        switch (next(8)) {
        case 0: lines.push_back(indent + L"if (" + a + L" < " + b + L" && " + a + L" != NULL) {"); break;
        case 1: lines.push_back(indent + a + L" = " + call + L"(" + b + L", " + std::to_wstring(next(4096)) + L");"); break;
        case 2: lines.push_back(indent + L"// " + call + L" keeps the " + a + L" of every " + b + L" it sees"); break;
        case 3: lines.push_back(indent + L"return " + a + L" + " + b + L" * 2;"); break;
        case 4: lines.push_back(indent + L"printf(\"%s: %d\\n\", \"" + a + L"\", " + b + L");"); break;
        case 5: lines.push_back(indent + L"for (int i = 0; i < " + a + L"; ++i)"); break;
        case 6: lines.push_back(indent + L"}"); break;
        default: lines.push_back(L"static int " + call + L"(struct " + a + L" *" + b + L", size_t " + a + L")"); break;
        }
    }
    return lines;
}

// Style ids for a C line: keywords, strings, comments and numbers.
inline void colourC(const std::wstring& line, std::vector<uint32_t>& styles) {
    static const wchar_t* const keywords[] = {L"if", L"for", L"return", L"static", L"int", L"struct", L"size_t"};
    styles.assign(line.size(), 0);
    for (size_t i = 0; i < line.size();) {
        const wchar_t c = line[i];
        size_t end = i + 1;
        uint32_t style = 0;
        if (c == L'/' && i + 1 < line.size() && line[i + 1] == L'/') {
            end = line.size();
            style = 3;
        } else if (c == L'"') {
            while (end < line.size() && line[end] != L'"')
                end += line[end] == L'\\' ? 2 : 1;
            end = std::min(end + 1, line.size());
            style = 2;
        } else if (iswdigit(c)) {
            while (end < line.size() && iswalnum(line[end]))
                ++end;
            style = 4;
        } else if (iswalpha(c) || c == L'_') {
            while (end < line.size() && (iswalnum(line[end]) || line[end] == L'_'))
                ++end;
            for (const wchar_t* keyword : keywords)
                if (line.compare(i, end - i, keyword) == 0)
                    style = 1;
        }
        std::fill(styles.begin() + i, styles.begin() + end, style);
        i = end;
    }
}

// About `bytes` characters of minified CSS on one line.
inline std::wstring minifiedCss(size_t bytes) {
    std::wstring text;
    for (int i = 0; text.size() < bytes; ++i)
        text += L".c" + std::to_wstring(i) + L"{color:#" + std::to_wstring(100 + i % 900) +
                L";margin:0 auto;padding:" + std::to_wstring(i % 17) + L"px 2px;font-family:Arial,sans-serif}";
    text.resize(bytes);
    return text;
}

inline void fillRecord(afUnicodeData& data, const std::wstring& text) {
    data.text = text;
    data.attributes.entries.resize(text.size());
    data.lineLength = static_cast<int>(text.size());
    int first = 0;
    while (first < data.lineLength && text[first] == L' ')
        ++first;
    data.firstNonBlank = first;
    data.indentation = first == data.lineLength ? -1 : first;
    data.lastNonBlankEnd = data.lineLength;
    data.lineBackground = 0xFFFFFFFF;
}

} // namespace bench
