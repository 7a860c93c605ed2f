#pragma once
// The one-line input dialog (go to line): a label over an edit field whose initial text is
// shown fully selected, with OK and Cancel. Enter or OK give RESULT_OK; Escape, Cancel or the
// close box RESULT_CANCEL. The entered text is read afterwards.

#include "afw/dialog/afMessageBox.h"

#include <string>

class afControlEdit;

class StringDialog : public afMessageBox {
public:
    // A dialog whose window is built, owned by the parent when one is given.
    static StringDialog* create(afViewPlatform* parent);
    explicit StringDialog(afViewPlatform* parent = nullptr) : afMessageBox(parent) {}

    // The edit field's text, selected whole; getInputText follows every change of the field and
    // keeps what it held when the dialog closed (also when its window was destroyed from outside).
    void setText(const std::wstring& text);
    const std::wstring& getInputText() const { return m_text; }
    void setLabel(const std::wstring& label);
    std::wstring getLabel() const;
    // Null sets an empty title.
    void setTitle(const wchar_t* title) override;
    const std::wstring& getTitle() const { return m_title; }

    afControlEdit* getEdit() const { return m_edit; }

    const wchar_t* getContextKey() const override { return L"ui.string_dialog"; }
    // Keeps the text the field holds as the run ends: what tearing the field down does to it
    // is not the user's.
    void endModal() override;

protected:
    void buildContent() override;

private:
    void textChanged(afControlEdit* edit);

    afControlEdit* m_edit = nullptr;
    std::wstring m_text;
    std::wstring m_title;
};
