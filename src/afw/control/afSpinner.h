#pragma once
// A small windowless busy indicator: eight 16 x 16 icon frames, advanced every 50 ms by a view
// timer while the spinner lives. The frame icons are shared by all spinners: loaded with the
// first, freed with the last.

#include "afw/graphics/afIcon.h"
#include "afw/view/afViewTimer.h"
#include "afw/view/afViewVirtual.h"

#include <cstdint>
#include <vector>

class afSpinner : public afViewVirtual {
public:
    static constexpr int FRAME_COUNT = 8;
    static constexpr int ICON_SIZE = 16;
    static constexpr UINT INTERVAL_MS = 50;

    explicit afSpinner(afViewPlatform* host);
    ~afSpinner() override;

    int32_t getFrame() const { return m_frame; }
    afViewTimer& getTimer() { return m_timer; }
    // The icon of the drawn set at the frame; null while no spinner lives.
    static HICON getFrameIcon(int frame);
    static int getLivingCount() { return s_count; }

    const wchar_t* getContextKey() const override { return L"ui.spinner"; }
    // 16 plus the paddings on each axis, under the specs.
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    // The current frame centred in the padded rectangle.
    bool onDraw(afCanvas& canvas, const afRect* area) override;

private:
    bool advance(afViewTimer* timer);

    bool m_visible = true;
    afViewTimer m_timer;
    int32_t m_frame = 0;
    const std::vector<afIcon>* m_frames = nullptr;

    static int s_count;
};
