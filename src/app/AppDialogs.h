#pragma once
// The shell's questions and file dialogs, each through one replaceable hook: the program shows
// the framework's message box and common dialogs, tests answer in their place (a question
// asked inside a test would otherwise wait for a user who never comes).

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class afViewPlatform;

namespace tessel {

struct SearchParameters;

struct QuestionButton {
    std::wstring caption;
    uint32_t result;
    bool isDefault;
};

// (text, buttons) -> the result of the button taken, afWindow::RESULT_CANCEL for Escape.
using QuestionHook = std::function<uint32_t(const std::wstring& text, const std::vector<QuestionButton>& buttons)>;
// (save, io_path: the proposed path in, the chosen one out) -> whether the user confirmed.
using FileDialogHook = std::function<bool(bool save, std::wstring& io_path)>;
// (label, io_text: the proposed text in, the entered one out) -> whether the user confirmed.
using TextHook = std::function<bool(const std::wstring& label, std::wstring& io_text)>;
// (replace, io_values: the values shown in, the chosen ones out) -> whether the user confirmed.
using SearchHook = std::function<bool(bool replace, SearchParameters& io_values)>;

// Each installs a hook (empty: the real window) and returns the previous one.
QuestionHook setQuestionHook(QuestionHook hook);
FileDialogHook setFileDialogHook(FileDialogHook hook);
TextHook setTextHook(TextHook hook);
SearchHook setSearchHook(SearchHook hook);

uint32_t askQuestion(afViewPlatform* owner, const std::wstring& text, const std::vector<QuestionButton>& buttons);
// A message with one "OK" button.
void showMessage(afViewPlatform* owner, const std::wstring& text);
// The open dialog (save false) or the save dialog with its overwrite prompt, "All Files".
bool askFilePath(afViewPlatform* owner, bool save, std::wstring& io_path);
// A line of text in the one-line input dialog, titled and labelled.
bool askText(afViewPlatform* owner, const std::wstring& title, const std::wstring& label, std::wstring& io_text);

// The find (or, with replace, the replace) dialog over the values, offering the scopes (id,
// title); the values come back also when the user cancels.
bool askSearch(afViewPlatform* owner, bool replace, const std::vector<std::pair<uint32_t, std::wstring>>& scopes,
               SearchParameters& io_values);

} // namespace tessel
