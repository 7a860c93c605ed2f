#include "afw/graphics/afDrawable.h"

#include "pel/base/Assert.h"

void afDrawable::setVisible(bool visible) {
    m_visible = visible;
    notifyChanged();
}

void afDrawable::setLevel(int32_t level) {
    m_level = level;
    notifyChanged();
}

void afDrawable::setBounds(const afRect& bounds) {
    m_bounds = bounds;
    notifyChanged();
}

bool afDrawable::getPadding(afRect* o_padding) const {
    PEL_CHECK_PTR(o_padding);
    o_padding->clear();
    return false;
}

void afDrawable::draw(afCanvas& /*canvas*/) {}

void afDrawable::notifyChanged() {
    if (m_listener)
        m_listener->onDrawableChanged(this);
}
