#include "components/StringDialog.h"

#include "afw/control/afControlButton.h"
#include "afw/control/afControlEdit.h"
#include "afw/control/afLabel.h"
#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"

StringDialog* StringDialog::create(afViewPlatform* parent) {
    return afBuildWidget(new StringDialog(parent));
}

void StringDialog::buildContent() {
    afMessageBox::buildContent();
    m_edit = afControlEdit::createInstance(this);
    // What the user types is read from the window, not the text last set.
    m_edit->setPaintFlags(m_edit->getPaintFlags() | PAINT_REREAD_TEXT);
    m_edit->addListener(afControlEdit::Listener::bind<StringDialog, &StringDialog::textChanged>(this));
    auto* params = new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    params->topMargin = afScaled(6);
    getMessageColumn()->addChild(m_edit, params);
    getTextLabel()->setText(L"");
    addButton(L"OK", RESULT_OK, true);
    addButton(L"Cancel", RESULT_CANCEL, false);
    // The field, not the default button, takes the typing; Enter still reaches the button.
    m_edit->requestFocus();
}

void StringDialog::textChanged(afControlEdit* edit) {
    m_text = edit->getText();
}

void StringDialog::endModal() {
    if (m_edit) {
        if (m_edit->getHandle())
            m_text = m_edit->getText();
        m_edit->removeListener(afControlEdit::Listener::bind<StringDialog, &StringDialog::textChanged>(this));
    }
    afMessageBox::endModal();
}

void StringDialog::setText(const std::wstring& text) {
    m_text = text;
    if (m_edit) {
        m_edit->setText(text.c_str());
        m_edit->selectAll();
    }
}

void StringDialog::setLabel(const std::wstring& label) {
    afMessageBox::setText(label);
}

std::wstring StringDialog::getLabel() const {
    return getTextLabel() ? getTextLabel()->getText() : std::wstring();
}

void StringDialog::setTitle(const wchar_t* title) {
    m_title = title ? title : L"";
    afMessageBox::setTitle(m_title.c_str());
}
