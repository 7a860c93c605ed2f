#include "app/StatusBar.h"

#include "bundles/ToolStripStatus.h"

#include "afw/control/afLabel.h"
#include "afw/control/afSpinner.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutFlow.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"

namespace tessel {

StatusBar::StatusBar(afViewPlatform* host) : afContainer(host) {
    m_row = new afLayoutLinear(this, afLayoutLinear::HORIZONTAL);
    m_row->setGravity(afLayout::GRAVITY_LEFT | afLayout::GRAVITY_CENTER_VERTICAL);
    m_row->setPadding(afScaled(4), afScaled(2), afScaled(4), afScaled(2));
    setContentView(m_row);
    m_activity = afLabel::createInstance(this);
    m_row->addChild(m_activity, new afLayoutParamsLinear(0, afLayoutParams::WRAP_CONTENT, 1.0));
    // In a narrow window the strip's buttons take more rows rather than leaving its edge.
    m_strip = new afLayoutFlow(this);
    m_strip->setGravity(afLayout::GRAVITY_RIGHT);
    m_row->addChild(m_strip, afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
    ToolStripStatus::setListener([this] { update(); });
}

StatusBar::~StatusBar() {
    ToolStripStatus::setListener(nullptr);
}

std::wstring StatusBar::getActivityText() const {
    const auto& activities = ToolStripStatus::getActivities();
    return activities.empty() ? std::wstring() : activities.back().second;
}

void StatusBar::setMessage(const std::wstring& message) {
    m_message = message;
    update();
}

std::wstring StatusBar::getShownText() const {
    const std::wstring activity = getActivityText();
    return activity.empty() ? m_message : activity;
}

void StatusBar::onMeasure(uint32_t widthSpec, uint32_t heightSpec) {
    afContainer::onMeasure(widthSpec, heightSpec);
    const std::unique_ptr<afCanvas> canvas = createMeasuringCanvas();
    canvas->selectFont(afGetStockFont(AF_FONT_MESSAGE));
    const afRect& padding = m_row->getPadding();
    const int32_t line = canvas->lineHeight() + padding.top + padding.bottom;
    if (getMeasuredHeight() < line)
        setMeasuredDimension(getMeasuredWidth(), resolveSize(line, heightSpec));
}

void StatusBar::update() {
    const bool busy = !ToolStripStatus::getActivities().empty();
    if (busy && !m_spinner) {
        m_spinner = new afSpinner(this);
        m_row->addChild(m_spinner, 0, afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
    } else if (!busy && m_spinner) {
        m_row->removeView(m_spinner);
        delete m_spinner;
        m_spinner = nullptr;
    }
    m_activity->setText(getShownText());
    // The window carries what the bar says, as a screen reader or another program reads it.
    setText(m_activity->getText().c_str());
    requestLayout(L"StatusBar::update");
    invalidate();
}

} // namespace tessel
