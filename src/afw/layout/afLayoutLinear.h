#pragma once
// The layout nearly every dialog, strip and panel is built from: its children one after another
// in a row or a column, each with its margins, sharing the room left on that axis by their
// weights, and aligned across it by their gravity (or the layout's). Measuring allocates
// nothing: children are visited by index and their params patched in place for a measure.

#include "afw/layout/afLayout.h"
#include "afw/layout/afLayoutParamsLinear.h"

class afLayoutLinear : public afLayout {
public:
    enum Orientation : int32_t {
        VERTICAL = 0,   // top to bottom
        HORIZONTAL = 1, // left to right
    };

    afLayoutLinear(afViewPlatform* host, int32_t orientation) : afLayout(host), m_orientation(orientation) {}

    int32_t getOrientation() const { return m_orientation; }
    // The length along the axis the last measure found, padding included.
    int32_t getTotalLength() const { return m_totalLength; }
    int32_t getGravity() const { return m_gravity; }
    // A gravity without a horizontal part aligns left, one without a vertical part at the top.
    void setGravity(int32_t gravity);
    // Above 0, the divisor of the extra room instead of the sum of the children's weights.
    double getWeightSum() const { return m_weightSum; }

    // Measures a child in the first pass; the index is there for subclasses.
    virtual void measureChildBeforeLayout(afView* child, int index, uint32_t widthSpec, int32_t widthUsed,
                                          uint32_t heightSpec, int32_t heightUsed);

    const wchar_t* getContextKey() const override { return L"ui.layout.linear"; }
    // Only afLayoutParamsLinear itself.
    bool checkLayoutParams(const afLayoutParams* params) const override;
    // Wrapping both ways, no margins, no weight, the layout's gravity.
    afLayoutParams* generateDefaultLayoutParams() const override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    void onLayout(bool changed, const afRect& rect) override;

private:
    struct Axis;
    struct Tally;

    // The second pass, sharing the extra room among the weighted children: it adds up the
    // lengths and the sizes across afresh.
    void shareExtra(const Axis& main, bool mainExact, uint32_t crossSpec, int32_t extra, double weights,
                    Tally& io_tally);
    // Children filling the cross axis measured again at the layout's cross size.
    void measureMatchingCross(const Axis& main, uint32_t widthSpec, uint32_t heightSpec);

    int32_t m_orientation;
    int32_t m_totalLength = 0;
    double m_weightSum = -1.0;
    int32_t m_gravity = GRAVITY_LEFT | GRAVITY_TOP;
};
