// The flow layout's measure, which breaks the children into rows, and its arrange pass.

#include "afw/layout/afLayoutFlow.h"

#include <algorithm>
#include <climits>

void afLayoutFlow::setGravity(int32_t gravity) {
    if (!(gravity & GRAVITY_HORIZONTAL_MASK))
        gravity |= GRAVITY_LEFT;
    if (gravity == m_gravity)
        return;
    m_gravity = gravity;
    relayout(L"afLayoutFlow::setGravity");
}

int32_t afLayoutFlow::outerWidth(const afView* child) {
    const afLayoutParams& params = *child->getLayoutParams();
    return child->getMeasuredWidth() + params.leftMargin + params.rightMargin;
}

int32_t afLayoutFlow::outerHeight(const afView* child) {
    const afLayoutParams& params = *child->getLayoutParams();
    return child->getMeasuredHeight() + params.topMargin + params.bottomMargin;
}

void afLayoutFlow::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const afRect& padding = getPadding();
    const int32_t across = padding.left + padding.right, down = padding.top + padding.bottom;
    const int32_t room = afViewMeasureSpec::getMode(widthSpec) == afViewMeasureSpec::UNSPECIFIED
                             ? INT_MAX
                             : std::max(afViewMeasureSpec::getRawSize(widthSpec) - across, 0);
    m_rows.clear();
    const std::vector<afView*>& views = children();
    Row row;
    for (size_t i = 0; i < views.size(); ++i) {
        afView* child = views[i];
        if (!child->isVisible())
            continue;
        measureChildWithMargins(child, widthSpec, 0, heightSpec, 0);
        const int32_t width = outerWidth(child);
        // A child wider than the room still takes a row of its own.
        if (row.end > 0 && row.width + width > room) {
            m_rows.push_back(row);
            row = Row();
        }
        if (row.end == 0)
            row.first = i;
        row.end = i + 1;
        row.width += width;
        row.height = std::max(row.height, outerHeight(child));
    }
    if (row.end > 0)
        m_rows.push_back(row);
    int32_t width = 0, height = 0;
    for (const Row& each : m_rows) {
        width = std::max(width, each.width);
        height += each.height;
    }
    setMeasuredDimension(resolveSize(std::max(width + across, getMinimumWidth()), widthSpec),
                         resolveSize(std::max(height + down, getMinimumHeight()), heightSpec));
}

void afLayoutFlow::onLayout(bool /*changed*/, const afRect& rect) {
    const afRect& padding = getPadding();
    const int32_t inner = rect.width() - padding.left - padding.right;
    const std::vector<afView*>& views = children();
    int32_t top = padding.top;
    for (const Row& row : m_rows) {
        int32_t x = padding.left;
        switch (m_gravity & GRAVITY_HORIZONTAL_MASK) {
        case GRAVITY_CENTER_HORIZONTAL:
            x += (inner - row.width) / 2;
            break;
        case GRAVITY_RIGHT:
            x += inner - row.width;
            break;
        default:
            break;
        }
        for (size_t i = row.first; i < row.end && i < views.size(); ++i) {
            afView* child = views[i];
            if (!child->isVisible())
                continue;
            const afLayoutParams& params = *child->getLayoutParams();
            const int32_t y = top + (row.height - outerHeight(child)) / 2 + params.topMargin;
            x += params.leftMargin;
            child->setFrame(afRect(x, y, x + child->getMeasuredWidth(), y + child->getMeasuredHeight()));
            x += child->getMeasuredWidth() + params.rightMargin;
        }
        top += row.height;
    }
}
