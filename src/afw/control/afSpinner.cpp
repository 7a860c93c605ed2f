#include "afw/control/afSpinner.h"

#include "afw/graphics/afCanvas.h"
#include "afw/resources/afIconIds.h"

namespace {

// Set A (light) and set B (dark, the one drawn), process-wide.
std::vector<afIcon>& frameSet(int which) {
    static std::vector<afIcon> sets[2];
    return sets[which];
}

} // namespace

int afSpinner::s_count = 0;

afSpinner::afSpinner(afViewPlatform* host) : afViewVirtual(host) {
    if (s_count == 0) {
        for (int set = 0; set < 2; ++set) {
            const int first = set == 0 ? AF_ICON_SPINNER_A0 : AF_ICON_SPINNER_B0;
            for (int i = 0; i < FRAME_COUNT; ++i)
                frameSet(set).emplace_back(first + i, ICON_SIZE);
        }
    }
    ++s_count;
    m_frames = &frameSet(1);
    m_timer.setInterval(INTERVAL_MS);
    m_timer.setCallback(afViewTimer::Callback::bind<afSpinner, &afSpinner::advance>(this));
    startTimer(m_timer);
}

afSpinner::~afSpinner() {
    stopTimer(m_timer);
    if (m_visible) {
        setVisible(false);
        m_visible = false;
    }
    if (--s_count == 0) {
        frameSet(0).clear();
        frameSet(1).clear();
    }
}

HICON afSpinner::getFrameIcon(int frame) {
    const std::vector<afIcon>& set = frameSet(1);
    return frame >= 0 && frame < static_cast<int>(set.size()) ? set[frame].getHandle() : nullptr;
}

bool afSpinner::advance(afViewTimer* /*timer*/) {
    m_frame = (m_frame + 1) % FRAME_COUNT;
    invalidate();
    return true;
}

void afSpinner::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    const afRect& padding = getPadding();
    setMeasuredDimension(resolveSize(ICON_SIZE + padding.left + padding.right, widthSpec),
                         resolveSize(ICON_SIZE + padding.top + padding.bottom, heightSpec));
}

bool afSpinner::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    if (s_count == 0 || !isVisible())
        return true;
    afRect rect;
    getVisibleRect(&rect);
    const afRect& padding = getPadding();
    rect.inset(padding.left, padding.top, padding.right, padding.bottom);
    if (rect.isEmpty())
        return true;
    const int x = rect.left + (rect.width() - ICON_SIZE) / 2;
    const int y = rect.top + (rect.height() - ICON_SIZE) / 2;
    ::DrawIconEx(canvas.getDC(), x, y, (*m_frames)[m_frame].getHandle(), ICON_SIZE, ICON_SIZE, 0, nullptr, DI_NORMAL);
    return true;
}
