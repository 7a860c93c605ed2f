#include "components/SearchDialog.h"

#include "components/SearchManager.h"

#include "afw/control/afControlButton.h"
#include "afw/control/afControlCheckBox.h"
#include "afw/control/afControlComboBox.h"
#include "afw/control/afControlEdit.h"
#include "afw/control/afLabel.h"
#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afStockResources.h"
#include "afw/layout/afLayoutField.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"

#include <algorithm>
#include <iterator>

SearchDialog::ScopeList SearchDialog::scopesOf(const SearchManager* manager) {
    ScopeList scopes;
    if (!manager)
        return scopes;
    for (const SearchManager::Scope& scope : manager->getScopes()) {
        const bool listed = std::any_of(scopes.begin(), scopes.end(),
                                        [&](const ScopeList::value_type& entry) { return entry.first == scope.id; });
        if (!listed)
            scopes.emplace_back(scope.id, scope.title);
    }
    return scopes;
}

SearchDialog* SearchDialog::create(afViewPlatform* parent, Mode mode, const tessel::SearchParameters& values,
                                   const ScopeList& scopes) {
    return afBuildWidget(new SearchDialog(parent, mode, values, scopes));
}

SearchDialog::SearchDialog(afViewPlatform* parent, Mode mode, const tessel::SearchParameters& values,
                           const ScopeList& scopes)
    : afMessageBox(parent), m_mode(mode), m_scopes(scopes), m_values(values) {
    setTitle(mode == REPLACE ? L"Replace" : L"Find");
}

void SearchDialog::buildContent() {
    afMessageBox::buildContent();
    getTextLabel()->setVisible(false);
    m_find = addEdit(L"Fi&nd what:", m_values.findText);
    if (m_mode == REPLACE)
        m_replace = addEdit(L"Re&place with:", m_values.replaceText);

    auto* options = new afLayoutLinear(this, afLayoutLinear::HORIZONTAL);
    auto* optionsParams = new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    optionsParams->topMargin = afScaled(8);
    getMessageColumn()->addChild(options, optionsParams);
    m_matchCase = addCheckBox(options, L"Match &case", m_values.matchCase);
    m_wholeWord = addCheckBox(options, L"&Whole word", m_values.wholeWord);
    m_regex = addCheckBox(options, L"Regular e&xpression", m_values.regex);

    auto* field = new afLayoutField(this);
    auto* fieldParams = new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    fieldParams->topMargin = afScaled(8);
    getMessageColumn()->addChild(field, fieldParams);
    afLabel* caption = field->setCaption(L"&Search in:");
    // A list to choose from: the kind is the window's style, set before it is built.
    m_scope = new afControlComboBox(this);
    m_scope->setListOnly(true);
    afBuildWidget(m_scope);
    field->addChild(m_scope, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    caption->setBuddy(m_scope);
    int chosen = 0;
    for (size_t i = 0; i < m_scopes.size(); ++i) {
        m_scope->addItem(m_scopes[i].second, -1, m_scopes[i].first);
        if (m_scopes[i].first == m_values.scope.getHash())
            chosen = static_cast<int>(i);
    }
    if (!m_scopes.empty())
        m_scope->setSelection(chosen);
    m_scope->setEnabled(m_scopes.size() > 1);

    addCommandButton(L"&Find Next", SearchCommand::FIND_NEXT, m_mode == FIND);
    if (m_mode == REPLACE) {
        addCommandButton(L"&Replace", SearchCommand::REPLACE, false);
        addCommandButton(L"Replace &All", SearchCommand::REPLACE_ALL, true);
    }
    addButton(L"Cancel", RESULT_CANCEL, false);
    // The text field takes the typing; Enter still reaches the default button.
    m_find->requestFocus();
    m_find->selectAll();
}

void SearchDialog::addCommandButton(const std::wstring& caption, SearchCommand command, bool isDefault) {
    afControlButton* button = addButton(caption, RESULT_OK, isDefault);
    button->setClickHandler(afControlButton::ClickHandler::bind<SearchDialog, &SearchDialog::commandClicked>(this));
    m_commands[static_cast<int>(command)] = button;
}

afControlButton* SearchDialog::getCommandButton(SearchCommand command) const {
    return m_commands[static_cast<int>(command)];
}

void SearchDialog::commandClicked(afControlButton* button) {
    const auto command = static_cast<SearchCommand>(std::find(std::begin(m_commands), std::end(m_commands), button) - m_commands);
    readFields();
    if (!m_runner) {
        close(RESULT_OK);
        return;
    }
    const SearchOutcome outcome = m_runner(command, m_values);
    if (outcome.refused) {
        showMessage(outcome.message);
        m_find->requestFocus();
        m_find->selectAll();
        return;
    }
    if (command == SearchCommand::REPLACE_ALL || m_mode == FIND)
        close(RESULT_OK);
    else
        showMessage(outcome.message);
}

void SearchDialog::showMessage(const std::wstring& message) {
    afLabel* label = getTextLabel();
    if (!label)
        return;
    label->setText(message);
    label->setVisible(!message.empty());
    label->relayout(L"SearchDialog::showMessage");
}

const std::wstring& SearchDialog::getMessage() const {
    static const std::wstring none;
    const afLabel* label = getTextLabel();
    return label && label->isVisible() ? label->getText() : none;
}

afControlEdit* SearchDialog::addEdit(const std::wstring& caption, const std::wstring& text) {
    auto* field = new afLayoutField(this);
    auto* params = new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    params->topMargin = getMessageColumn()->getChildCount() > 1 ? afScaled(6) : 0;
    getMessageColumn()->addChild(field, params);
    afLabel* label = field->setCaption(caption);
    afControlEdit* edit = afControlEdit::createInstance(this);
    // What the user types is read from the window, not the text last set.
    edit->setPaintFlags(edit->getPaintFlags() | PAINT_REREAD_TEXT);
    edit->setText(text.c_str());
    field->addChild(edit, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    label->setBuddy(edit);
    return edit;
}

afControlCheckBox* SearchDialog::addCheckBox(afLayoutLinear* row, const std::wstring& text, bool checked) {
    afControlCheckBox* box = afControlCheckBox::createInstance(this);
    box->setText(text.c_str());
    box->setChecked(checked);
    auto* params = new afLayoutParamsLinear(afLayoutParams::WRAP_CONTENT, afLayoutParams::WRAP_CONTENT);
    params->rightMargin = afScaled(12);
    row->addChild(box, params);
    return box;
}

void SearchDialog::readFields() const {
    if (m_find && m_find->getHandle())
        m_values.findText = m_find->getText();
    if (m_replace && m_replace->getHandle())
        m_values.replaceText = m_replace->getText();
    if (m_matchCase && m_matchCase->getHandle())
        m_values.matchCase = m_matchCase->isChecked();
    if (m_wholeWord && m_wholeWord->getHandle())
        m_values.wholeWord = m_wholeWord->isChecked();
    if (m_regex && m_regex->getHandle())
        m_values.regex = m_regex->isChecked();
    if (m_scope && m_scope->getHandle()) {
        const int chosen = m_scope->getSelection();
        if (chosen >= 0 && chosen < static_cast<int>(m_scopes.size()))
            m_values.scope = pel::Symbol(m_scopes[chosen].first);
    }
}

const tessel::SearchParameters& SearchDialog::getValues() const {
    readFields();
    return m_values;
}

void SearchDialog::endModal() {
    // What tearing the fields down does to them is not the user's.
    readFields();
    afMessageBox::endModal();
}
