#pragma once
// A layout that sets its children one after another in a row and starts another row below where
// the next one would not fit the width it is given, so that in a narrow place every child stays
// whole and in reach rather than past the edge. Each row is as tall as its tallest child, its
// children centred in it, and lies at the left, the centre or the right by the layout's
// horizontal gravity. Children keep their measured sizes and their margins.

#include "afw/layout/afLayout.h"

#include <cstdint>
#include <vector>

class afLayoutFlow : public afLayout {
public:
    explicit afLayoutFlow(afViewPlatform* host) : afLayout(host) {}

    // Only the horizontal part is read; a gravity without one lays the rows out at the left.
    void setGravity(int32_t gravity);
    int32_t getGravity() const { return m_gravity; }
    // The rows the last measure made.
    int getRowCount() const { return static_cast<int>(m_rows.size()); }

    const wchar_t* getContextKey() const override { return L"ui.layout.flow"; }
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    void onLayout(bool changed, const afRect& rect) override;

private:
    // A row: its shown children from first up to (not including) end, in the children's order.
    struct Row {
        size_t first = 0;
        size_t end = 0;
        int32_t width = 0;
        int32_t height = 0;
    };
    // The outer size of a measured child: its size and its margins.
    static int32_t outerWidth(const afView* child);
    static int32_t outerHeight(const afView* child);

    int32_t m_gravity = GRAVITY_LEFT;
    std::vector<Row> m_rows;
};
