// The linear layout's measure and arrange passes, written once for the axis its children
// follow each other on (main) and the one across it (cross).

#include "afw/layout/afLayoutLinear.h"

#include <algorithm>
#include <typeinfo>

namespace {

double weightOf(const afLayoutParams& params) {
    const afLayoutParamsLinear* linear = params.asLinear();
    return linear ? linear->weight : 0.0;
}

int32_t gravityOf(const afLayoutParams& params) {
    const afLayoutParamsLinear* linear = params.asLinear();
    return linear ? linear->gravity : -1;
}

// The weight's share of the extra room, truncated toward zero and never beyond the room left
// (weights of 0 or less count in the divisor, which may then be below a weight).
int32_t shareOf(double weight, int32_t extra, double divisor) {
    const double part = weight * extra / divisor;
    return static_cast<int32_t>(std::min<double>(std::max(0, extra), std::max<double>(std::min(0, extra), part)));
}

// Gravity along one axis, read as the horizontal part is written.
constexpr int32_t kCentre = 1, kStart = 3, kEnd = 5;

} // namespace

// One axis: what a view, its params and its padding give along it.
struct afLayoutLinear::Axis {
    bool horizontal;

    Axis cross() const { return Axis{!horizontal}; }
    uint32_t pick(uint32_t widthSpec, uint32_t heightSpec) const { return horizontal ? widthSpec : heightSpec; }
    int32_t& size(afLayoutParams& params) const { return horizontal ? params.width : params.height; }
    int32_t before(const afLayoutParams& params) const { return horizontal ? params.leftMargin : params.topMargin; }
    int32_t after(const afLayoutParams& params) const { return horizontal ? params.rightMargin : params.bottomMargin; }
    int32_t margins(const afLayoutParams& params) const { return before(params) + after(params); }
    int32_t paddingBefore(const afRect& padding) const { return horizontal ? padding.left : padding.top; }
    int32_t paddingAfter(const afRect& padding) const { return horizontal ? padding.right : padding.bottom; }
    int32_t padding(const afRect& padding) const { return paddingBefore(padding) + paddingAfter(padding); }
    int32_t measured(const afView* view) const { return horizontal ? view->getMeasuredWidth() : view->getMeasuredHeight(); }
    int32_t minimum(const afView* view) const { return horizontal ? view->getMinimumWidth() : view->getMinimumHeight(); }
    int32_t extent(const afRect& rect) const { return horizontal ? rect.width() : rect.height(); }
    int32_t gravity(int32_t gravity) const { return horizontal ? gravity & GRAVITY_HORIZONTAL_MASK : (gravity & GRAVITY_VERTICAL_MASK) >> 4; }
    // Measures the child with one measure spec along this axis and the other across it.
    void measure(afView* child, uint32_t along, uint32_t across) const {
        horizontal ? child->measure(along, across) : child->measure(across, along);
    }
    afRect frame(int32_t along, int32_t across, int32_t length, int32_t thickness) const {
        return horizontal ? afRect(along, across, along + length, across + thickness)
                          : afRect(across, along, across + thickness, along + length);
    }
};

bool afLayoutLinear::checkLayoutParams(const afLayoutParams* params) const {
    return params && typeid(*params) == typeid(afLayoutParamsLinear);
}

afLayoutParams* afLayoutLinear::generateDefaultLayoutParams() const {
    return new afLayoutParamsLinear(afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
}

void afLayoutLinear::setGravity(int32_t gravity) {
    if (gravity == m_gravity)
        return;
    if (!(gravity & GRAVITY_HORIZONTAL_MASK))
        gravity |= GRAVITY_LEFT;
    if (!(gravity & GRAVITY_VERTICAL_MASK))
        gravity |= GRAVITY_TOP;
    m_gravity = gravity;
    relayout(L"afLayoutLinear::setGravity");
}

void afLayoutLinear::measureChildBeforeLayout(afView* child, int /*index*/, uint32_t widthSpec, int32_t widthUsed,
                                              uint32_t heightSpec, int32_t heightUsed) {
    measureChildWithMargins(child, widthSpec, widthUsed, heightSpec, heightUsed);
}

// What a measure pass adds up: the total length (margins and padding included), the largest
// size across, whether every child fills the cross axis, and the largest sizes across of the
// unweighted and of the weighted children, in which a child filling an unfixed cross axis counts
// with its margins only.
struct afLayoutLinear::Tally {
    int32_t total = 0;
    int32_t largestCross = 0;
    int32_t unweightedCross = 0;
    int32_t weightedCross = 0;
    bool allFill = true;
    bool matchCross = false;
    int weighted = 0; // shown children with a weight

    void countAcross(const Axis& cross, bool crossExact, const afView* child, afLayoutParams& params,
                     int32_t& io_alternative) {
        const bool fills = cross.size(params) == afLayoutParams::FILL_PARENT;
        const bool matches = !crossExact && fills;
        matchCross = matchCross || matches;
        const int32_t crossSize = cross.measured(child) + cross.margins(params);
        largestCross = std::max(largestCross, crossSize);
        allFill = allFill && fills;
        io_alternative = std::max(io_alternative, matches ? cross.margins(params) : crossSize);
    }
};

void afLayoutLinear::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const Axis main{m_orientation == HORIZONTAL}, cross = main.cross();
    const uint32_t mainSpec = main.pick(widthSpec, heightSpec), crossSpec = cross.pick(widthSpec, heightSpec);
    const bool mainExact = afViewMeasureSpec::getMode(mainSpec) == afViewMeasureSpec::EXACTLY;
    const bool crossExact = afViewMeasureSpec::getMode(crossSpec) == afViewMeasureSpec::EXACTLY;
    Tally tally;
    double weights = 0.0;
    bool skipped = false;
    const std::vector<afView*>& views = children();
    for (size_t i = 0; i < views.size(); ++i) {
        afView* child = views[i];
        if (!child->isVisible())
            continue;
        afLayoutParams& params = *child->getLayoutParams();
        const double weight = weightOf(params);
        weights += weight;
        if (weight > 0)
            ++tally.weighted;
        int32_t& length = main.size(params);
        if (mainExact && length == 0 && weight > 0) {
            // Its length is its share: it is measured once, in the weight pass.
            tally.total += main.margins(params);
            skipped = true;
        } else {
            // A weighted child of no length wraps its content for this measure.
            const bool wrapped = length == 0 && weight > 0;
            if (wrapped)
                length = afLayoutParams::WRAP_CONTENT;
            const int32_t used = weights == 0.0 ? tally.total : 0;
            try {
                measureChildBeforeLayout(child, static_cast<int>(i), widthSpec, main.horizontal ? used : 0, heightSpec,
                                         main.horizontal ? 0 : used);
            } catch (...) {
                if (wrapped)
                    length = 0;
                throw;
            }
            if (wrapped)
                length = 0;
            tally.total += main.margins(params) + main.measured(child);
        }
        tally.countAcross(cross, crossExact, child, params, weight > 0 ? tally.weightedCross : tally.unweightedCross);
    }
    tally.total += main.padding(getPadding());
    const int32_t length = resolveSize(std::max(tally.total, main.minimum(this)), mainSpec);
    const int32_t extra = length - tally.total;
    // Also with no extra room when a child was left to this pass: it would keep a stale size.
    if ((extra != 0 || skipped) && weights > 0)
        shareExtra(main, mainExact, crossSpec, extra, weights, tally);
    else
        tally.unweightedCross = std::max(tally.unweightedCross, tally.weightedCross);
    m_totalLength = tally.total;
    if (!tally.allFill && !crossExact)
        tally.largestCross = tally.unweightedCross;
    const int32_t across = tally.largestCross + cross.padding(getPadding());
    const int32_t thickness = resolveSize(std::max(across, cross.minimum(this)), crossSpec);
    main.horizontal ? setMeasuredDimension(length, thickness) : setMeasuredDimension(thickness, length);
    if (tally.matchCross)
        measureMatchingCross(main, widthSpec, heightSpec);
}

void afLayoutLinear::shareExtra(const Axis& main, bool mainExact, uint32_t crossSpec, int32_t extra, double weights,
                                Tally& io_tally) {
    const Axis cross = main.cross();
    const bool crossExact = afViewMeasureSpec::getMode(crossSpec) == afViewMeasureSpec::EXACTLY;
    const int32_t crossPadding = cross.padding(getPadding());
    double divisor = m_weightSum > 0 ? m_weightSum : weights;
    int weightedLeft = io_tally.weighted;
    io_tally.total = 0;
    io_tally.largestCross = -1;
    for (afView* child : children()) {
        if (!child->isVisible())
            continue;
        afLayoutParams& params = *child->getLayoutParams();
        const double weight = weightOf(params);
        if (weight > 0) {
            // Rounding remainders pass on to the later children. What is left goes whole to the
            // last of them when the weights divide the room, and to any child once rounding has
            // brought the divisor to 0 or below: the shares always add up to the extra room.
            const bool last = --weightedLeft == 0 && m_weightSum <= 0;
            const int32_t share = last || divisor <= 0 ? extra : shareOf(weight, extra, divisor);
            divisor -= weight;
            extra -= share;
            const uint32_t across = getChildMeasureSpec(crossSpec, crossPadding + cross.margins(params), cross.size(params));
            const int32_t length = main.size(params) == 0 && mainExact ? share : main.measured(child) + share;
            main.measure(child, afViewMeasureSpec::exactly(std::max(0, length)), across);
        }
        io_tally.total += main.margins(params) + main.measured(child);
        io_tally.countAcross(cross, crossExact, child, params, io_tally.unweightedCross);
    }
    io_tally.total += main.padding(getPadding());
}

void afLayoutLinear::measureMatchingCross(const Axis& main, uint32_t widthSpec, uint32_t heightSpec) {
    const Axis cross = main.cross();
    const uint32_t exactCross = afViewMeasureSpec::exactly(cross.measured(this));
    for (afView* child : children()) {
        afLayoutParams& params = *child->getLayoutParams();
        if (!child->isVisible() || cross.size(params) != afLayoutParams::FILL_PARENT)
            continue;
        // Its length as measured, so that only the cross size changes.
        int32_t& length = main.size(params);
        const int32_t kept = length;
        length = main.measured(child);
        try {
            measureChildWithMargins(child, main.horizontal ? widthSpec : exactCross, 0,
                                    main.horizontal ? exactCross : heightSpec, 0);
        } catch (...) {
            length = kept;
            throw;
        }
        length = kept;
    }
}

void afLayoutLinear::onLayout(bool /*changed*/, const afRect& rect) {
    const Axis main{m_orientation == HORIZONTAL}, cross = main.cross();
    const afRect& padding = getPadding();
    int32_t along = main.paddingBefore(padding);
    const int32_t room = main.extent(rect) - m_totalLength;
    const int32_t mainGravity = main.gravity(m_gravity);
    if (mainGravity == kCentre)
        along += room / 2;
    else if (mainGravity == kEnd)
        along += room;
    const int32_t crossStart = cross.paddingBefore(padding);
    const int32_t crossEnd = cross.extent(rect) - cross.paddingAfter(padding);
    int32_t across = crossStart;
    for (afView* child : children()) {
        if (!child->isVisible())
            continue;
        afLayoutParams& params = *child->getLayoutParams();
        const int32_t length = main.measured(child), thickness = cross.measured(child);
        const int32_t own = gravityOf(params);
        // Any other gravity keeps the previous child's place across.
        switch (cross.gravity(own >= 0 ? own : m_gravity)) {
        case kCentre:
            across = crossStart + (crossEnd - crossStart - thickness) / 2 + cross.before(params) - cross.after(params);
            break;
        case kStart:
            across = crossStart + cross.before(params);
            break;
        case kEnd:
            across = crossEnd - cross.after(params) - thickness;
            break;
        default:
            break;
        }
        along += main.before(params);
        child->setFrame(main.frame(along, across, length, thickness));
        along += length + main.after(params);
    }
}
