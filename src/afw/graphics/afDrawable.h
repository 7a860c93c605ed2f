#pragma once
// Something a view paints inside a rectangle without being a view itself: a background, a
// frame, a nine-patch. It keeps its bounds, visibility and level, and tells its one listener
// (the view that shows it) whenever one of them is set, changed or not.

#include "afw/view/afRect.h"
#include "pel/base/Object.h"

#include <cstdint>

class afCanvas;
class afDrawable;

class afDrawableListener {
public:
    virtual void onDrawableChanged(afDrawable* drawable) = 0;

protected:
    ~afDrawableListener() = default;
};

class afDrawable : public pel::Object {
public:
    virtual void setVisible(bool visible);
    bool isVisible() const { return m_visible; }
    virtual bool isStateful() const { return false; }
    virtual void setLevel(int32_t level);
    int32_t getLevel() const { return m_level; }
    virtual void setBounds(const afRect& bounds);
    const afRect& getBounds() const { return m_bounds; }
    // The room the drawable keeps free for content; the base has none (all zero, false).
    virtual bool getPadding(afRect* o_padding) const;
    virtual void draw(afCanvas& canvas);

    void setListener(afDrawableListener* listener) { m_listener = listener; }
    afDrawableListener* getListener() const { return m_listener; }

protected:
    void notifyChanged();

private:
    bool m_visible = true;
    int32_t m_level = 0;
    afRect m_bounds;
    afDrawableListener* m_listener = nullptr;
};
