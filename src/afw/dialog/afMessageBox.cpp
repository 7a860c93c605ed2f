#include "afw/dialog/afMessageBox.h"

#include "afw/control/afControlButton.h"
#include "afw/control/afControlCheckBox.h"
#include "afw/control/afLabel.h"
#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afIcon.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"
#include "afw/view/afLayoutParams.h"
#include "pel/base/Exception.h"

#include <algorithm>

namespace {

constexpr int32_t FILL_PARENT = afLayoutParams::FILL_PARENT;
constexpr int32_t WRAP_CONTENT = afLayoutParams::WRAP_CONTENT;

// The paddings every block of the box has, at 96 DPI.
constexpr int32_t BLOCK_LEFT = 10, BLOCK_TOP = 10, BLOCK_RIGHT = 20, BLOCK_BOTTOM = 10;
// Between the icon and the text, at 96 DPI.
constexpr int32_t ICON_GAP = 10;

// A block of the box: the paddings every block has, as wide as the window.
afLayoutLinear* block(afViewPlatform* host, int32_t orientation) {
    auto* layout = new afLayoutLinear(host, orientation);
    layout->setPadding(afScaled(BLOCK_LEFT), afScaled(BLOCK_TOP), afScaled(BLOCK_RIGHT), afScaled(BLOCK_BOTTOM));
    return layout;
}

} // namespace

afMessageBox* afMessageBox::createInstance(afViewPlatform* owner) {
    return afBuildWidget(new afMessageBox(owner));
}

bool afMessageBox::buildSeed(afSeed& seed) {
    static bool registered = false;
    afTaskWindow::buildSeed(seed);
    return useClass(seed, L"afMessageBox", nullptr, &registered);
}

void afMessageBox::onCreate() {
    afTaskWindow::onCreate();
    // As wide as its buttons, fields and options need, at least the minimum, at most the screen.
    setSizePolicy(SIZE_CONTENT);
    buildContent();
    setMinimumSize(afScaled(MINIMUM_WIDTH), 0);
    limitText();
}

void afMessageBox::limitText() {
    // The message's lines are as long as a box of the minimum width leaves them: a long message
    // takes more lines, not a wider box.
    int32_t width = afScaled(MINIMUM_WIDTH) - afScaled(BLOCK_LEFT) - afScaled(BLOCK_RIGHT);
    if (m_iconLabel->isVisible() && m_iconLabel->getIcon())
        width -= m_iconLabel->getIcon()->getSize() + m_iconLabel->getPadding().right;
    m_textLabel->setLineLimit(std::max(width, 1));
}

void afMessageBox::buildContent() {
    auto* root = new afLayoutLinear(this, afLayoutLinear::VERTICAL);
    setContentView(root);

    afLayoutLinear* message = block(this, afLayoutLinear::HORIZONTAL);
    root->addChild(message, FILL_PARENT, WRAP_CONTENT);
    m_iconLabel = afLabel::createInstance(this);
    m_iconLabel->setPadding(0, 0, afScaled(ICON_GAP), 0);
    m_iconLabel->setVisible(false);
    message->addChild(m_iconLabel, WRAP_CONTENT, WRAP_CONTENT);

    m_messageColumn = new afLayoutLinear(this, afLayoutLinear::VERTICAL);
    m_messageColumn->setGravity(afLayout::GRAVITY_LEFT | afLayout::GRAVITY_CENTER_VERTICAL);
    message->addChild(m_messageColumn, new afLayoutParamsLinear(0, WRAP_CONTENT, 1.0));
    m_textLabel = afLabel::createInstance(this);
    m_textLabel->setWrapMode(afLabel::WRAP_WORDS);
    m_textLabel->setText(PLACEHOLDER_TEXT);
    m_messageColumn->addChild(m_textLabel, FILL_PARENT, WRAP_CONTENT);

    m_checkBox = afControlCheckBox::createInstance(this);
    auto* checkParams = new afLayoutParamsLinear(WRAP_CONTENT, WRAP_CONTENT);
    checkParams->topMargin = afScaled(6);
    checkParams->bottomMargin = afScaled(10);
    m_messageColumn->addChild(m_checkBox, checkParams);
    m_checkBox->setVisible(false);

    m_buttonBlock = block(this, afLayoutLinear::HORIZONTAL);
    m_buttonBlock->setGravity(afLayout::GRAVITY_RIGHT | afLayout::GRAVITY_CENTER_VERTICAL);
    root->addChild(m_buttonBlock, FILL_PARENT, WRAP_CONTENT);
    m_buttonRow = m_buttonBlock;
}

void afMessageBox::setText(const std::wstring& text) {
    m_textLabel->setText(text);
}

void afMessageBox::setIcon(const afIcon* icon) {
    m_iconLabel->setIcon(icon, 0);
    m_iconLabel->setVisible(icon != nullptr);
    limitText();
}

afControlButton* afMessageBox::addButton(const std::wstring& caption, uint32_t resultId, bool isDefault) {
    afControlButton* button = afControlButton::createInstance(this);
    button->setText(caption.c_str());
    button->setResultId(static_cast<int32_t>(resultId));
    button->setClickHandler(afControlButton::ClickHandler::bind<afMessageBox, &afMessageBox::buttonClicked>(this));
    auto* params = new afLayoutParamsLinear(WRAP_CONTENT, WRAP_CONTENT, 0.0, -1);
    params->rightMargin = afScaled(4);
    const int count = m_buttonRow->getChildCount();
    afView* previous = count > 0 ? m_buttonRow->getChildAt(count - 1) : nullptr;
    m_buttonRow->addChild(button, params);
    // Tab follows the row: each button's window right after the one before it.
    if (auto* before = dynamic_cast<afViewPlatform*>(previous))
        ::SetWindowPos(button->getHandle(), before->getHandle(), 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    if (isDefault) {
        button->setDefault();
        button->requestFocus();
    }
    return button;
}

void afMessageBox::buttonClicked(afControlButton* button) {
    close(static_cast<uint32_t>(button->getResultId()));
}

void afMessageBox::setCheckBox(const std::wstring& text) {
    if (text.empty())
        throw pel::InvalidArgumentException(L"Label was not set for visible checkbox.");
    m_checkBox->setText(text.c_str());
    m_checkBox->setChecked(false);
    m_checkBox->setVisible(true);
    m_checkBox->relayout(L"afMessageBox::setCheckBox");
}

bool afMessageBox::isChecked() const {
    if (getHandle() && m_checkBox && m_checkBox->getHandle())
        return m_checkBox->isChecked();
    return m_checked;
}

void afMessageBox::endModal() {
    m_checked = m_checkBox && m_checkBox->getHandle() && m_checkBox->isChecked();
    afTaskWindow::endModal();
}

bool afMessageBox::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    const afRect client = getClientRect();
    // The button block's frame lies in the content view's coordinates.
    const afRect root = getContentView()->getFrame();
    afRect band = m_buttonBlock->getFrame();
    band.offset(root.left, root.top);
    band.left = client.left;
    band.right = client.right;
    canvas.fillRect(band, afGetStockColour(BUTTON_BAND_COLOUR));
    canvas.drawLineHorizontal(band, afGetStockColour(LINE_COLOUR));
    canvas.fillRect(afRect(client.left, client.top, client.right, band.top), afGetStockColour(MESSAGE_BAND_COLOUR));
    return true;
}
