#pragma once
// What a child asks of a linear layout beyond its size and margins: a share of the room left on
// the layout's axis, and its own alignment across it.

#include "afw/view/afLayoutParams.h"

class afLayoutParamsLinear : public afLayoutParams {
public:
    afLayoutParamsLinear() = default;
    afLayoutParamsLinear(int32_t i_width, int32_t i_height, double i_weight = 0.0, int32_t i_gravity = -1)
        : weight(i_weight), gravity(i_gravity) {
        width = i_width;
        height = i_height;
    }

    const afLayoutParamsLinear* asLinear() const override { return this; }

    // Share of the extra room on the main axis; 0 or less takes none.
    double weight = 0.0;
    // Alignment on the cross axis (afLayout's gravity bits); -1 takes the layout's.
    int32_t gravity = -1;
};
