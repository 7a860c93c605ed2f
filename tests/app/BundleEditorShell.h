#pragma once
// The bundle editor in the running application, over the shipped bundles and the real managers,
// shown: an entry's text and what a user does to it.

#include "ShippedBundlesShell.h"

#include "app/BundleEntryTextEditor.h"
#include "bundles/ui/BundleEditor.h"
#include "bundles/ui/BundleEntryEditor.h"
#include "editor/Editor.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afKeyCombination.h"

#include <algorithm>
#include <string>

namespace tessel_test {

class BundleEditorShell : public ShippedBundlesShell {
protected:
    // Starts with the shipped bundles in the root layer and a C file open, once its text is
    // coloured.
    void startWithShippedBundles(const std::string& cText) {
        startWithShippedBundles(L"k.c", cText, 0, L"storage.type");
    }
    // The same with a file of another name, coloured once `scope` holds at the offset; the
    // bundle editor shown.
    void startWithShippedBundles(const std::wstring& name, const std::string& text, int32_t offset,
                                 const std::wstring& scope) {
        ASSERT_NO_FATAL_FAILURE(ShippedBundlesShell::startWithShippedBundles(name, text, offset, scope));
        editor = bundles->getEditor();
        run(L"bundles.editor");
        ASSERT_TRUE(editor->isShown());
    }
    // The entry of the tree's path opened in its tab, or null.
    tessel::BundleEntryEditor* openEntry(const wchar_t* path) {
        return editor->activateNode(editor->findNode(path)) ? editor->getActiveEditor() : nullptr;
    }
    static tessel::DocumentController& textOf(tessel::BundleEntryEditor& entryEditor) {
        return *static_cast<tessel::BundleEntryTextEditor*>(entryEditor.getText())->getController();
    }
    static tessel::Editor* viewOf(tessel::BundleEntryEditor& entryEditor) {
        return static_cast<tessel::BundleEntryTextEditor*>(entryEditor.getText())->getEditor();
    }
    // The entry's text given the focus, as a click into it does.
    static testing::AssertionResult focus(tessel::BundleEntryEditor& entryEditor) {
        tessel::Editor* text = viewOf(entryEditor);
        text->requestFocus();
        if (pumpUntil([&] { return ::GetFocus() == text->getHandle(); }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the entry's text never took the focus";
    }
    // The key chord ("Ctrl+H") pressed in the entry's text: whether an action took it.
    static bool press(tessel::BundleEntryEditor& entryEditor, const wchar_t* keys) {
        tessel::Editor* text = viewOf(entryEditor);
        return afInvokeKey(afApp::getKeyInvoker(), text->getContexts(), text, afParseKeyCombination(keys));
    }
    // Puts `to` in place of the first `from` in the entry's text, as selecting it and typing do.
    static void replaceIn(tessel::BundleEntryEditor& entryEditor, const std::wstring& from, const std::wstring& to) {
        tessel::DocumentController& controller = textOf(entryEditor);
        std::wstring whole;
        controller.getText(&whole);
        const size_t at = whole.find(from);
        ASSERT_NE(std::wstring::npos, at) << narrow(from);
        tessel::DocumentController::Lock lock(controller, tessel::DocumentController::LOCK_EDIT);
        controller.removeAt(static_cast<int32_t>(from.size()), static_cast<int32_t>(at));
        controller.insertAt(static_cast<int32_t>(to.size()), static_cast<int32_t>(at), to.c_str());
    }
    // Inserts the text after the first `after` in the entry's text, as typing there does.
    static void typeAfter(tessel::BundleEntryEditor& entryEditor, const std::wstring& after, const std::wstring& text) {
        replaceIn(entryEditor, after, after + text);
    }
    // The line (from 1) of the entry editor's text on which `text` first stands.
    size_t lineOf(tessel::BundleEntryEditor& entry, const std::wstring& text) {
        std::wstring all;
        textOf(entry).getText(&all);
        return std::count(all.begin(), all.begin() + all.find(text), L'\n') + 1;
    }
    // A UTF-16 file of the temporary folders, its byte-order mark left out.
    std::wstring readWide(const std::wstring& name) {
        const std::string bytes = base.read(name);
        std::wstring text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
        return text;
    }

    tessel::BundleEditor* editor = nullptr;
};

} // namespace tessel_test
