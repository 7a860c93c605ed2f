#include "app/AppDialogs.h"

#include "components/SearchDialog.h"
#include "components/StringDialog.h"

#include "afw/core/afMainLoop.h"
#include "afw/dialog/afDialogFile.h"
#include "afw/window/afWindow.h"

#include <memory>
#include <utility>

namespace tessel {

namespace {

// One slot per hook type: each hook is its own std::function type.
template <typename Hook> Hook& hookOf() {
    static Hook hook;
    return hook;
}

template <typename Hook> Hook swapHook(Hook hook) {
    std::swap(hookOf<Hook>(), hook);
    return hook;
}

} // namespace

FileDialogHook setFileDialogHook(FileDialogHook hook) {
    return swapHook(std::move(hook));
}

TextHook setTextHook(TextHook hook) {
    return swapHook(std::move(hook));
}

SearchHook setSearchHook(SearchHook hook) {
    return swapHook(std::move(hook));
}

bool askFilePath(afViewPlatform* owner, bool save, std::wstring& io_path, bool* o_readOnly) {
    // A hook answers in place of the dialog's loop, and counts and holds the program as one (so
    // in each of these).
    const afMainLoop::Nested loop;
    bool readOnly = false;
    if (hookOf<FileDialogHook>()) {
        const afMainLoop::Hold hold;
        if (!hookOf<FileDialogHook>()(save, io_path, readOnly))
            return false;
    } else {
        afFileDialogOptions options;
        options.title = save ? L"Save As" : L"Open";
        options.fileName = io_path;
        options.filters.add(1, L"All Files", {L"*"});
        options.mustExist = !save;
        options.overwritePrompt = save;
        std::unique_ptr<afDialogFileBase> dialog;
        if (save)
            dialog.reset(new afDialogFileSave(owner));
        else
            dialog.reset(new afDialogFileOpen(owner));
        if (dialog->run(options) != afWindow::RESULT_OK || options.results.empty())
            return false;
        io_path = options.results.front();
        readOnly = options.readOnly;
    }
    if (o_readOnly)
        *o_readOnly = readOnly && !save;
    return true;
}

bool askText(afViewPlatform* owner, const std::wstring& title, const std::wstring& label, std::wstring& io_text) {
    const afMainLoop::Nested loop;
    if (hookOf<TextHook>()) {
        const afMainLoop::Hold hold;
        return hookOf<TextHook>()(label, io_text);
    }
    std::unique_ptr<StringDialog> dialog(StringDialog::create(owner));
    dialog->setTitle(title.c_str());
    dialog->setLabel(label);
    dialog->setText(io_text);
    if (dialog->showModal() != afWindow::RESULT_OK)
        return false;
    io_text = dialog->getInputText();
    return true;
}

bool askSearch(afViewPlatform* owner, bool replace, const std::vector<std::pair<uint32_t, std::wstring>>& scopes,
               SearchParameters& io_values, const SearchRunner& run) {
    const afMainLoop::Nested loop;
    if (hookOf<SearchHook>()) {
        const afMainLoop::Hold hold;
        return hookOf<SearchHook>()(replace, io_values, run);
    }
    std::unique_ptr<SearchDialog> dialog(
        SearchDialog::create(owner, replace ? SearchDialog::REPLACE : SearchDialog::FIND, io_values, scopes));
    dialog->setRunner(run);
    const bool confirmed = dialog->showModal() == afWindow::RESULT_OK;
    // What was typed is kept for the next time, also when the dialog was cancelled.
    io_values = dialog->getValues();
    return confirmed;
}

} // namespace tessel
