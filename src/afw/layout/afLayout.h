#pragma once
// The windowless containers of the view tree: a layout measures its children by the measure
// specs their layout params call for, gives each a frame in its own coordinates, hit-tests and
// draws its windowless children (children with windows are only placed). afLayout is the base:
// the children and their params, the shared rule that turns a parent's spec into a child's, hit
// testing and drawing.

#include "afw/view/afViewVirtual.h"

#include <cstdint>

class afLayout : public afViewVirtual {
public:
    // Gravity: a horizontal part and a vertical part.
    enum Gravity : int32_t {
        GRAVITY_CENTER_HORIZONTAL = 0x01,
        GRAVITY_LEFT = 0x03,
        GRAVITY_RIGHT = 0x05,
        GRAVITY_HORIZONTAL_MASK = 0x07,
        GRAVITY_CENTER_VERTICAL = 0x10,
        GRAVITY_TOP = 0x30,
        GRAVITY_BOTTOM = 0x50,
        GRAVITY_VERTICAL_MASK = 0x70,
    };

    explicit afLayout(afViewPlatform* host) : afViewVirtual(host) {}

    // The measure spec of a child of the size (pixels, -1 fill, -2 wrap) under its parent's, less
    // the padding. A spec of a mode other than unspecified, exactly and at most throws
    // pel::InvalidArgumentException.
    static uint32_t getChildMeasureSpec(uint32_t spec, int32_t padding, int32_t childSize);

    // Adds the child with the layout's default params of that size; index -1 appends.
    void addChild(afView* child, int index, int32_t width, int32_t height);
    void addChild(afView* child, int32_t width, int32_t height) { addChild(child, -1, width, height); }
    // Adds the child with the params, which the child takes over (params the layout cannot use
    // are replaced by its defaults).
    void addChild(afView* child, afLayoutParams* params, int index = -1);
    // Moves a child so it ends before the child now at index (past the end appends); false when
    // the view is no child.
    bool moveChild(afView* child, int index);
    int getWindowlessChildCount() const { return m_windowlessChildren; }

    virtual bool checkLayoutParams(const afLayoutParams* params) const { return params != nullptr; }
    virtual afLayoutParams* generateDefaultLayoutParams() const { return new afLayoutParams; }
    virtual void measureChildren(uint32_t widthSpec, uint32_t heightSpec);
    virtual void measureChild(afView* child, uint32_t widthSpec, uint32_t heightSpec);
    virtual void measureChildWithMargins(afView* child, uint32_t widthSpec, int32_t widthUsed, uint32_t heightSpec,
                                         int32_t heightUsed);

    const wchar_t* getContextKey() const override { return L"ui.layout"; }
    // A child added without params gets the layout's defaults, as do params it cannot use.
    void addView(afView* child, int index = -1) override;
    // The windowless children share the layout's host.
    void setHost(afViewPlatform* host) override;
    void onChildAdded(afView* child, int index) override;
    void onChildRemoved(afView* child) override;
    // In the parent's coordinates, edges included: the first windowless shown child hit, else
    // the layout.
    afView* findViewAt(int x, int y) override;
    // The layout, then its windowless shown children that lie in the area and the clip, clipped to
    // the layout's bounds.
    void draw(afCanvas& canvas, const afRect* area) override;

protected:
    // Puts the params (or the defaults, for params the layout cannot use) on the child and adds
    // it to the tree.
    void addInternal(afView* child, afLayoutParams* params, int index);

private:
    // Measures the child under the specs less what is taken on each axis.
    static void measureWithin(afView* child, uint32_t widthSpec, int32_t widthTaken, uint32_t heightSpec,
                              int32_t heightTaken);

    int32_t m_windowlessChildren = 0;
};
