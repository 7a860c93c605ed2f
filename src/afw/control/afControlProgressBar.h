#pragma once
// The platform's progress bar ("msctls_progress32") with a normal (smooth) and an endless
// (marquee) look. The platform paints it.

#include "afw/control/afControl.h"

#include <cstdint>

class afControlProgressBar : public afControl {
public:
    enum Mode : int { MODE_MARQUEE = 0, MODE_NORMAL = 1 };
    static constexpr UINT MARQUEE_INTERVAL_MS = 50;
    static constexpr int32_t DESIRED_SIZE = 24;

    static afControlProgressBar* createInstance(afViewPlatform* parent);
    explicit afControlProgressBar(afViewPlatform* host) : afControl(host) {}

    void setRange(uint32_t maximum);
    void setPosition(uint32_t position);
    uint32_t getMaximum() const { return m_maximum; }
    uint32_t getPosition() const { return m_position; }
    // Other modes do nothing.
    void setMode(int mode);

    const wchar_t* getContextKey() const override { return L"ui.progress_bar"; }
    bool buildSeed(afSeed& seed) override;
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;
    bool onRawMessage(afMessage& msg) override;

private:
    // Sets or clears a style bit; the frame is refreshed only when it changed.
    void changeStyle(DWORD bit, bool on);

    uint32_t m_minimum = 0;
    uint32_t m_maximum = 100;
    uint32_t m_position = 0;
};
