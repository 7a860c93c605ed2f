#pragma once
// Colours of the text layer: packed (red in the low byte, then green, blue, alpha), as four
// floats 0..1, and as the COLORREF that GDI draws with; layers blend as c - (c - n) x alpha.

#include <cstdint>
#include <windows.h>

inline void rgbaToFloat4(uint32_t packed, float (&colour)[4]) {
    for (int i = 0; i < 4; ++i)
        colour[i] = static_cast<float>((packed >> (8 * i)) & 0xFF) * (1.0f / 255.0f);
}

// Truncates toward zero; the small lift keeps a byte that went through floats from landing one
// below itself.
inline COLORREF rgba4ToColorRef(const float (&colour)[4]) {
    auto channel = [](float value) {
        const int byte = static_cast<int>(value * 255.0f + 1e-3f);
        return static_cast<BYTE>(byte < 0 ? 0 : byte > 255 ? 255 : byte);
    };
    return RGB(channel(colour[0]), channel(colour[1]), channel(colour[2]));
}

// Lays layer over colour by alpha, on red, green and blue; colour keeps its alpha.
inline void blendColour(float (&colour)[4], const float (&layer)[4], float alpha) {
    for (int i = 0; i < 3; ++i)
        colour[i] -= (colour[i] - layer[i]) * alpha;
}
