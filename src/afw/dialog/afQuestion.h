#pragma once
// The program's questions to the user, through one replaceable hook: the program shows the
// framework's message box, tests answer in its place (a question asked inside a test would
// otherwise wait for a user who never comes). The main window and the bundle editor ask theirs
// this way.

#include "pel/base/Crc.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class afViewPlatform;

namespace tessel {

struct QuestionButton {
    std::wstring caption;
    uint32_t result;
    bool isDefault;
};

// (text, buttons) -> the result of the button taken, afWindow::RESULT_CANCEL for Escape.
using QuestionHook = std::function<uint32_t(const std::wstring& text, const std::vector<QuestionButton>& buttons)>;

// Installs the hook (empty: the real message box) and returns the previous one.
QuestionHook setQuestionHook(QuestionHook hook);

uint32_t askQuestion(afViewPlatform* owner, const std::wstring& text, const std::vector<QuestionButton>& buttons);
// A message with one "OK" button.
void showMessage(afViewPlatform* owner, const std::wstring& text);

// The answers of the unsaved-changes question (Cancel: afWindow::RESULT_CANCEL).
constexpr uint32_t ANSWER_SAVE = pel::crc32Literal("save");
constexpr uint32_t ANSWER_DONT_SAVE = pel::crc32Literal("dont_save");
// "Save changes to `name` before closing?" with "&Save" (the default), "Do&n't Save" and "Cancel".
uint32_t askToSaveChanges(afViewPlatform* owner, const std::wstring& name);

// The answers of the question about another program's change of a file.
constexpr uint32_t ANSWER_RELOAD = pel::crc32Literal("reload");
constexpr uint32_t ANSWER_KEEP = pel::crc32Literal("keep");
// "`path` was changed by another program. Reload it?" (", and could not be read" when the last
// read of it failed), with "&Reload" and "&Keep"; an edited text adds that its changes would be
// lost, and makes Keep the default. Whether to reload. The main window's tabs and the bundle
// editor's entries ask in these words.
bool askToReloadChanged(afViewPlatform* owner, const std::wstring& path, bool edited, bool unreadable);
// The same question asked before a save of the text: "`path` was changed by another program.
// Reload it, or save this text over it?", with "&Reload" and "&Keep and Save" (the default for an
// edited text): Keep writes the text over whatever the other program wrote, and Escape
// (afWindow::RESULT_CANCEL) stops the save. The answer's result.
uint32_t askToReloadOrSaveOver(afViewPlatform* owner, const std::wstring& path, bool edited, bool unreadable);
// "`path` was deleted by another program."
void tellDeleted(afViewPlatform* owner, const std::wstring& path);

} // namespace tessel
