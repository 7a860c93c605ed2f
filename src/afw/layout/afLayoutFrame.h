#pragma once
// A layout that stacks all its children in the top-left corner of its padding box, each at its
// measured size, and is as large as its largest child plus its padding. Margins and gravity
// are not used.

#include "afw/layout/afLayout.h"

class afLayoutFrame : public afLayout {
public:
    explicit afLayoutFrame(afViewPlatform* host) : afLayout(host) {}

    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    void onLayout(bool changed, const afRect& rect) override;
};
