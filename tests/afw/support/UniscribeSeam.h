#pragma once
// Puts a Uniscribe table of the test's own in place for its lifetime: the system's functions,
// with shaping and placing replaceable, and a record of the shaping calls. simpleShaping()
// shapes every unit to one glyph of a fixed advance, without fonts, so tests can lay out huge
// lines fast and know every width.

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
    using Place = std::function<HRESULT(HDC, const WORD* glyphs, int count, int* advances, GOFFSET*, ABC*)>;

    UniscribeSeam() : m_table(afSystemUniscribe()) {
        m_table.shape = &shapeEntry;
        m_table.place = &placeEntry;
        s_seam = this;
        m_previous = afSetUniscribe(&m_table);
    }
    ~UniscribeSeam() {
        afSetUniscribe(m_previous);
        s_seam = nullptr;
    }
    UniscribeSeam(const UniscribeSeam&) = delete;
    UniscribeSeam& operator=(const UniscribeSeam&) = delete;

    // One glyph per unit, each `advance` wide (a function of the unit when given).
    void simpleShaping(std::function<int(wchar_t)> advance = [](wchar_t) { return 8; }) {
        shape = [](HDC, const wchar_t* text, int count, int room, SCRIPT_ANALYSIS*, WORD* glyphs, WORD* clusters,
                   SCRIPT_VISATTR* attributes, int* produced) -> HRESULT {
            if (room < count)
                return E_OUTOFMEMORY;
            for (int i = 0; i < count; ++i) {
                glyphs[i] = text[i];
                clusters[i] = static_cast<WORD>(i);
                attributes[i] = SCRIPT_VISATTR{};
                attributes[i].fClusterStart = 1;
            }
            *produced = count;
            return S_OK;
        };
        place = [advance](HDC, const WORD* glyphs, int count, int* advances, GOFFSET* offsets, ABC* abc) -> HRESULT {
            int total = 0;
            for (int i = 0; i < count; ++i) {
                advances[i] = advance(static_cast<wchar_t>(glyphs[i]));
                offsets[i] = GOFFSET{};
                total += advances[i];
            }
            *abc = ABC{0, static_cast<UINT>(total), 0};
            return S_OK;
        };
    }

    // The table in place, for tests that replace other entries with functions of their own.
    afUniscribeApi& table() { return m_table; }

    Shape shape;
    Place place;
    std::vector<ShapeCall> shapeCalls;

private:
    static HRESULT WINAPI shapeEntry(HDC dc, SCRIPT_CACHE* cache, const WCHAR* text, int count, int room,
                                     SCRIPT_ANALYSIS* analysis, WORD* glyphs, WORD* clusters,
                                     SCRIPT_VISATTR* attributes, int* produced) {
        UniscribeSeam& seam = *s_seam;
        seam.shapeCalls.push_back({dc != nullptr, room, analysis->fLogicalOrder != 0, std::wstring(text, count)});
        return seam.shape ? seam.shape(dc, text, count, room, analysis, glyphs, clusters, attributes, produced)
                          : afSystemUniscribe().shape(dc, cache, text, count, room, analysis, glyphs, clusters,
                                                      attributes, produced);
    }
    static HRESULT WINAPI placeEntry(HDC dc, SCRIPT_CACHE* cache, const WORD* glyphs, int count,
                                     const SCRIPT_VISATTR* attributes, SCRIPT_ANALYSIS* analysis, int* advances,
                                     GOFFSET* offsets, ABC* abc) {
        UniscribeSeam& seam = *s_seam;
        return seam.place ? seam.place(dc, glyphs, count, advances, offsets, abc)
                          : afSystemUniscribe().place(dc, cache, glyphs, count, attributes, analysis, advances,
                                                      offsets, abc);
    }

    static inline UniscribeSeam* s_seam = nullptr;
    afUniscribeApi m_table;
    const afUniscribeApi* m_previous;
};

} // namespace tessel_test
