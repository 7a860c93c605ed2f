#pragma once
// How a view wants to be sized and spaced inside its parent; the layouts read it. A size is in
// pixels when 0 or more, or one of the two special values.

#include "pel/base/Object.h"

#include <cstdint>

class afLayoutParamsLinear;

class afLayoutParams : public pel::Object {
public:
    // The linear layout's params, when these are; a cheap look in its measure passes.
    virtual const afLayoutParamsLinear* asLinear() const { return nullptr; }

    static constexpr int32_t FILL_PARENT = -1;
    static constexpr int32_t WRAP_CONTENT = -2;

    int32_t width = 0;
    int32_t height = 0;
    int32_t leftMargin = 0;
    int32_t topMargin = 0;
    int32_t rightMargin = 0;
    int32_t bottomMargin = 0;
};
