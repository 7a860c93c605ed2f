#pragma once
// Puts a Uniscribe table of the test's own in place while it lives: the system's functions, with
// every shaping call recorded and other entries replaceable through table(). shape answers in
// the system's place when set; simpleShaping() gives each unit one glyph of a known advance.

#include "afw/impl/win32/uniscribe/afUniscribe.h"

#include <functional>
#include <string>
#include <vector>

namespace tessel_test {

class UniscribeSeam {
public:
    struct ShapeCall {
        bool withDC;
        int room;
        bool logicalOrder;
        std::wstring text;
    };
    using Shape = std::function<HRESULT(HDC, const wchar_t*, int count, int room, SCRIPT_ANALYSIS*, WORD* glyphs,
                                        WORD* clusters, SCRIPT_VISATTR*, int* produced)>;

    UniscribeSeam() : m_table(afSystemUniscribe()) {
        m_table.shape = [](HDC dc, SCRIPT_CACHE* cache, const WCHAR* text, int count, int room, SCRIPT_ANALYSIS* a,
                           WORD* glyphs, WORD* clusters, SCRIPT_VISATTR* attributes, int* produced) WINAPI {
            s_seam->calls.push_back({dc != nullptr, room, a->fLogicalOrder != 0, std::wstring(text, count)});
            return s_seam->shape ? s_seam->shape(dc, text, count, room, a, glyphs, clusters, attributes, produced)
                                 : afSystemUniscribe().shape(dc, cache, text, count, room, a, glyphs, clusters,
                                                             attributes, produced);
        };
        s_seam = this;
        m_previous = afSetUniscribe(&m_table);
    }
    ~UniscribeSeam() {
        afSetUniscribe(m_previous);
        s_seam = nullptr;
    }
    UniscribeSeam(const UniscribeSeam&) = delete;
    UniscribeSeam& operator=(const UniscribeSeam&) = delete;

    void simpleShaping(std::function<int(wchar_t)> advance = [](wchar_t) { return 8; }) {
        m_advance = std::move(advance);
        shape = [](HDC, const wchar_t* text, int count, int room, SCRIPT_ANALYSIS*, WORD* glyphs, WORD* clusters,
                   SCRIPT_VISATTR* attributes, int* produced) -> HRESULT {
            if (room < count)
                return E_OUTOFMEMORY;
            for (int i = 0; i < count; ++i) {
                glyphs[i] = text[i];
                clusters[i] = static_cast<WORD>(i);
                attributes[i] = SCRIPT_VISATTR{};
            }
            *produced = count;
            return S_OK;
        };
        m_table.place = [](HDC, SCRIPT_CACHE*, const WORD* glyphs, int count, const SCRIPT_VISATTR*, SCRIPT_ANALYSIS*,
                           int* advances, GOFFSET* offsets, ABC* abc) WINAPI {
            *abc = ABC{};
            for (int i = 0; i < count; ++i) {
                advances[i] = s_seam->m_advance(static_cast<wchar_t>(glyphs[i]));
                offsets[i] = GOFFSET{};
                abc->abcB += advances[i];
            }
            return S_OK;
        };
    }

    afUniscribeApi& table() { return m_table; }

    Shape shape;
    std::vector<ShapeCall> calls;

private:
    static inline UniscribeSeam* s_seam = nullptr;
    afUniscribeApi m_table;
    const afUniscribeApi* m_previous;
    std::function<int(wchar_t)> m_advance;
};

} // namespace tessel_test
