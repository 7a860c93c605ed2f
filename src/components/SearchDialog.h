#pragma once
// The find and the replace dialog: what to find (and, replacing, what to put in its place), how
// text compares ("Match case", "Whole word", "Regular expression") and where to search, one of
// the scopes the search manager has registered. Its command buttons run through the runner with
// the values shown: "Find Next" in the find dialog and "Replace All" close it with RESULT_OK;
// the replace dialog's "Find Next" and "Replace" keep it open, saying in it what they did; values
// the runner refuses (a pattern that does not compile) keep it open with the reason. Without a
// runner every command closes it with RESULT_OK. Escape, Cancel or the close box give
// RESULT_CANCEL. The values are read afterwards as search parameters, also once the window is
// gone.

#include "components/SearchCommands.h"

#include "afw/dialog/afMessageBox.h"
#include "service/document/search/SearchParameters.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class afControlButton;
class afControlCheckBox;
class afControlComboBox;
class afControlEdit;
class SearchManager;

class SearchDialog : public afMessageBox {
public:
    enum Mode { FIND, REPLACE };
    // (scope id, title): what the scope chooser lists.
    using ScopeList = std::vector<std::pair<uint32_t, std::wstring>>;

    // The manager's scopes, each id once, in the order first registered; none without a manager.
    static ScopeList scopesOf(const SearchManager* manager);

    // A dialog whose window is built with the values shown: the scope chosen is the values'
    // (the first listed when they name none of the scopes).
    static SearchDialog* create(afViewPlatform* parent, Mode mode, const tessel::SearchParameters& values,
                                const ScopeList& scopes);
    SearchDialog(afViewPlatform* parent, Mode mode, const tessel::SearchParameters& values, const ScopeList& scopes);

    // What the fields hold now while the window lives; afterwards what they held as it closed.
    const tessel::SearchParameters& getValues() const;
    void setRunner(SearchRunner runner) { m_runner = std::move(runner); }
    // What the last command said, shown above the fields; empty when nothing is shown.
    const std::wstring& getMessage() const;

    afControlEdit* getFindEdit() const { return m_find; }
    afControlEdit* getReplaceEdit() const { return m_replace; }
    afControlCheckBox* getMatchCaseBox() const { return m_matchCase; }
    afControlCheckBox* getWholeWordBox() const { return m_wholeWord; }
    afControlCheckBox* getRegexBox() const { return m_regex; }
    afControlComboBox* getScopeBox() const { return m_scope; }
    // The command's button; null for one the mode does not offer.
    afControlButton* getCommandButton(SearchCommand command) const;

    const wchar_t* getContextKey() const override { return L"ui.search_dialog"; }
    void endModal() override;

protected:
    void buildContent() override;

private:
    afControlEdit* addEdit(const std::wstring& caption, const std::wstring& text);
    afControlCheckBox* addCheckBox(afLayoutLinear* row, const std::wstring& text, bool checked);
    // Reads the fields into m_values while their windows live.
    void readFields() const;
    void addCommandButton(const std::wstring& caption, SearchCommand command, bool isDefault);
    void commandClicked(afControlButton* button);
    void showMessage(const std::wstring& message);

    Mode m_mode;
    ScopeList m_scopes;
    mutable tessel::SearchParameters m_values;
    afControlEdit* m_find = nullptr;
    afControlEdit* m_replace = nullptr;
    afControlCheckBox* m_matchCase = nullptr;
    afControlCheckBox* m_wholeWord = nullptr;
    afControlCheckBox* m_regex = nullptr;
    afControlComboBox* m_scope = nullptr;
    SearchRunner m_runner;
    // The command buttons, by SearchCommand.
    afControlButton* m_commands[3] = {};
};
