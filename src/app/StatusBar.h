#pragma once
// The main window's status bar: at the left the activity area (a spinner and the newest
// background activity's text, "Loading bundles...", while any runs, else the last message, such
// as what a search did), at the right the room for the editor's status strip, which takes more
// rows where the window is too narrow for one. It is as tall as its font's lines. It follows the
// activity list through its listener for its life.

#include "afw/control/afContainer.h"

#include <string>

class afLabel;
class afLayoutFlow;
class afLayoutLinear;
class afSpinner;

namespace tessel {

class StatusBar : public afContainer {
public:
    explicit StatusBar(afViewPlatform* host);
    ~StatusBar() override;

    const wchar_t* getContextKey() const override { return L"ui.status_bar"; }
    // The newest activity's text, empty when none runs.
    std::wstring getActivityText() const;
    // A message shown while no activity runs, until the next one (empty: none).
    void setMessage(const std::wstring& message);
    const std::wstring& getMessage() const { return m_message; }
    // What the activity area shows now.
    std::wstring getShownText() const;
    bool isSpinning() const { return m_spinner != nullptr; }
    // Where the editor's status strip goes.
    afLayoutFlow* getStripArea() const { return m_strip; }
    // Shows the activity list as it is now.
    void update();
    // At least a line of its font tall, with nothing to show too.
    void onMeasure(uint32_t widthSpec, uint32_t heightSpec) override;

private:
    afLayoutLinear* m_row;
    afSpinner* m_spinner = nullptr;
    afLabel* m_activity;
    afLayoutFlow* m_strip;
    std::wstring m_message;
};

} // namespace tessel
