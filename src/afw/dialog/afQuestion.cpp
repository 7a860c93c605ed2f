#include "afw/dialog/afQuestion.h"

#include "afw/core/afLog.h"
#include "afw/core/afMainLoop.h"
#include "afw/dialog/afMessageBox.h"
#include "afw/window/afWindow.h"
#include "pel/log/Log.h"
#include "pel/text/StringTemplate.h"

#include <memory>
#include <utility>

namespace tessel {

namespace {

constexpr uint32_t QUESTION_LOG = pel::crc32Literal("UI");

QuestionHook& questionHook() {
    static QuestionHook hook;
    return hook;
}

} // namespace

QuestionHook setQuestionHook(QuestionHook hook) {
    std::swap(questionHook(), hook);
    return hook;
}

uint32_t askQuestion(afViewPlatform* owner, const std::wstring& text, const std::vector<QuestionButton>& buttons) {
    // The log says what the user was asked or told, in the words shown.
    pel::log_printf(pel::LOG_INFO, AF_LOG_SOURCE, L"Asked: %s\n", text.c_str());
    // A hook answers in place of the box's loop, and counts and holds the program as one.
    const afMainLoop::Nested loop;
    if (questionHook()) {
        const afMainLoop::Hold hold;
        return questionHook()(text, buttons);
    }
    // What the user was asked goes into the log too: a bug report shows it, and a test of the
    // program reads it there (the box draws its text, which no other program can read).
    pel::log_printf(pel::LOG_INFO, QUESTION_LOG, L"Asked: %s", text.c_str());
    std::unique_ptr<afMessageBox> box(afMessageBox::createInstance(owner));
    box->setTitle(L"Tessel");
    box->setText(text);
    for (const QuestionButton& button : buttons)
        box->addButton(button.caption, button.result, button.isDefault);
    return box->showModal();
}

void showMessage(afViewPlatform* owner, const std::wstring& text) {
    askQuestion(owner, text, {{L"OK", afWindow::RESULT_OK, true}});
}

uint32_t askToSaveChanges(afViewPlatform* owner, const std::wstring& name) {
    return askQuestion(owner, pel::StringTemplate(L"Save changes to `{1}` before closing?").arg(1, name).render(),
                       {{L"&Save", ANSWER_SAVE, true},
                        {L"Do&n't Save", ANSWER_DONT_SAVE, false},
                        {L"Cancel", afWindow::RESULT_CANCEL, false}});
}

namespace {

// A reload clears the undo history: unsaved edits would be gone for good, so Enter keeps them.
uint32_t askAboutChange(afViewPlatform* owner, const std::wstring& path, bool edited, bool unreadable,
                        const wchar_t* question, const wchar_t* lost, const wchar_t* keep) {
    std::wstring text = unreadable ? L"`{1}` was changed by another program, and could not be read. "
                                   : L"`{1}` was changed by another program. ";
    text += question;
    if (edited)
        text += lost;
    return askQuestion(owner, pel::StringTemplate(text.c_str()).arg(1, path).render(),
                       {{L"&Reload", ANSWER_RELOAD, !edited}, {keep, ANSWER_KEEP, edited}});
}

} // namespace

bool askToReloadChanged(afViewPlatform* owner, const std::wstring& path, bool edited, bool unreadable) {
    return askAboutChange(owner, path, edited, unreadable, L"Reload it?", L" Its unsaved changes here would be lost.",
                          L"&Keep") == ANSWER_RELOAD;
}

uint32_t askToReloadOrSaveOver(afViewPlatform* owner, const std::wstring& path, bool edited, bool unreadable) {
    return askAboutChange(owner, path, edited, unreadable, L"Reload it, or save this text over it?",
                          L" A reload would lose its unsaved changes here.", L"&Keep and Save");
}

void tellDeleted(afViewPlatform* owner, const std::wstring& path) {
    showMessage(owner, pel::StringTemplate(L"`{1}` was deleted by another program.").arg(1, path).render());
}

} // namespace tessel
