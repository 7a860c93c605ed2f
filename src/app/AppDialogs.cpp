#include "app/AppDialogs.h"

#include "components/StringDialog.h"

#include "afw/afDialogFile.h"
#include "afw/afWindow.h"

#include <memory>
#include <utility>

namespace tessel {

namespace {

FileDialogHook& fileDialogHook() {
    static FileDialogHook hook;
    return hook;
}

TextHook& textHook() {
    static TextHook hook;
    return hook;
}

} // namespace

FileDialogHook setFileDialogHook(FileDialogHook hook) {
    std::swap(fileDialogHook(), hook);
    return hook;
}

TextHook setTextHook(TextHook hook) {
    std::swap(textHook(), hook);
    return hook;
}

bool askFilePath(afViewPlatform* owner, bool save, std::wstring& io_path) {
    if (fileDialogHook())
        return fileDialogHook()(save, io_path);
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
    return true;
}

bool askText(afViewPlatform* owner, const std::wstring& title, const std::wstring& label, std::wstring& io_text) {
    if (textHook())
        return textHook()(label, io_text);
    std::unique_ptr<StringDialog> dialog(StringDialog::create(owner));
    dialog->setTitle(title.c_str());
    dialog->setLabel(label);
    dialog->setText(io_text);
    if (dialog->showModal() != afWindow::RESULT_OK)
        return false;
    io_text = dialog->getInputText();
    return true;
}

} // namespace tessel
