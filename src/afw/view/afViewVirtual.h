#pragma once
// A windowless view: labels, spinners, layouts. Its frame lies in its parent's coordinates; its
// host draws it, hit-tests it and gives it the focus.

#include "afw/view/afView.h"

class afViewVirtual : public afView {
public:
    explicit afViewVirtual(afViewPlatform* host) : afView(host) {}

    const wchar_t* getContextKey() const override { return L"ui.view.virtual"; }

    afRect getFrame() override { return m_frame; }
    afRect getContentFrame() override { return m_frame; }
    // Repaints and stores a changed frame; lays out in any case, so a view measured again
    // under an unchanged frame still clears its request.
    void setFrame(const afRect& frame) override;
    void setVisible(bool visible) override;
    bool isVisible() const override { return m_visible; }
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }
    afView* findViewAt(int x, int y) override { return m_frame.contains(x, y) ? this : nullptr; }
    // Passes the rectangle to the parent, moved into its coordinates, while visible.
    void invalidate(const afRect& rect) override;
    using afView::invalidate;
    std::unique_ptr<afCanvas> createCanvas() override;
    void draw(afCanvas& canvas, const afRect* area) override;

private:
    afRect m_frame;
    bool m_visible = true;
    bool m_enabled = true;
};
