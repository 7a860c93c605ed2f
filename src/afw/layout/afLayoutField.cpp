#include "afw/layout/afLayoutField.h"

#include "afw/control/afLabel.h"
#include "afw/graphics/afStockResources.h"

void afLayoutField::initRow() {
    if (m_row)
        return;
    m_row = new afLayoutLinear(getHost(), HORIZONTAL);
    addChild(m_row, new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT), 0);
}

afLabel* afLayoutField::setCaption(const std::wstring& text) {
    initRow();
    if (!m_caption) {
        m_caption = new afLabel(getHost());
        m_row->addChild(m_caption,
                        new afLayoutParamsLinear(afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT, 0.0,
                                                 GRAVITY_LEFT),
                        0);
        m_caption->setAlignment(afLayout::GRAVITY_LEFT);
        m_caption->setPadding(0, 0, afScaled(10), afScaled(5));
    }
    m_caption->setText(text);
    return m_caption;
}

afLabel* afLayoutField::messageLabel() {
    initRow();
    if (!m_message) {
        m_message = new afLabel(getHost());
        afLayoutParams* params = m_row->generateDefaultLayoutParams();
        params->width = afLayoutParams::FILL_PARENT;
        params->height = afLayoutParams::WRAP_CONTENT;
        m_row->addChild(m_message, params);
    }
    return m_message;
}

afLabel* afLayoutField::setHint(const std::wstring& text, int32_t alignment) {
    afLabel* label = messageLabel();
    label->setAlignment(alignment);
    label->setVisualStyle(afLabel::STYLE_HINT);
    label->setText(text);
    m_hintText = text;
    m_hintAlignment = alignment;
    return label;
}

afLabel* afLayoutField::setMessage(const std::wstring& text) {
    afLabel* label = messageLabel();
    label->setAlignment(afLayout::GRAVITY_LEFT);
    label->setVisualStyle(afLabel::STYLE_ERROR);
    label->setText(text);
    label->invalidate();
    return label;
}

void afLayoutField::restoreHint() {
    setHint(m_hintText, m_hintAlignment);
}
