#pragma once
// The running application over the bundles it ships: copied into the root layer, loaded, and a
// file opened once its grammar's scope shows in it; the scopes of the active document read back;
// characters typed as a user types them, each once the grammar has parsed the one before (what
// typing does follows the scope at the caret).

#include "ShellFixture.h"

#include "bundles/BundleManager.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/Selection.h"
#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/ParserClient.h"
#include "support/SourceTree.h"

namespace tessel_test {

class ShippedBundlesShell : public ShellFixture {
protected:
    // Starts with the shipped bundles and the file of the name and text open, once `scope`
    // holds at the offset.
    void startWithShippedBundles(const std::wstring& name, const std::string& text, int32_t offset,
                                 const std::wstring& scope) {
        ASSERT_TRUE(TempFolder::copyTree(sourceTreePath(TESSEL_DATA_DIR, "bundles"), base / L"root\\bundles"));
        base.write(L"files\\" + name, text);
        ASSERT_TRUE(start(L"\"" + file(name) + L"\""));
        bundles = app->getBundleManager();
        ASSERT_TRUE(pumpUntil([&] { return !bundles->isLoading(); })) << "the load never ended";
        document = window->getActivePage()->controller;
        ASSERT_TRUE(pumpUntil([&] { return scopeAt(offset).find(scope) != std::wstring::npos; }))
            << narrow(name) << " was never coloured: " << narrow(scopeAt(offset));
    }
    // The scopes of the document at the offset.
    std::wstring scopeAt(int32_t offset) {
        tessel::DocumentController::Lock lock(*document, tessel::DocumentController::LOCK_READ);
        const tessel::DocumentScope* scope = document->getDocument().getScopeAt(offset);
        return scope ? scope->scopePath().toString() : std::wstring();
    }

    // Waits until the controller's document is parsed.
    static void parsed(tessel::DocumentController& controller) {
        EXPECT_TRUE(pumpUntil([&] { return !controller.getDocument().getParserJob()->isBusy(); }))
            << "the parse never ended";
    }
    // Types the characters into the editor's window, each once the parse of the one before is done.
    static void typeCharacters(tessel::DocumentController& controller, HWND editor, const std::wstring& text) {
        for (wchar_t c : text) {
            ::SendMessageW(editor, WM_CHAR, c, 1);
            parsed(controller);
        }
    }
    // The caret to the end of the line, as End puts it, and the characters typed there.
    static void typeAtEndOf(tessel::DocumentController& controller, HWND editor, int32_t line,
                            const std::wstring& text) {
        {
            tessel::DocumentController::Lock lock(controller, tessel::DocumentController::LOCK_READ);
            tessel::DocumentController::SelectionChange bracket(controller);
            controller.getSelection().setCaretPosition(controller.getLineBoundary(line, false, false), 0);
        }
        parsed(controller);
        typeCharacters(controller, editor, text);
    }

    tessel::BundleManager* bundles = nullptr;
    tessel::DocumentController* document = nullptr;
};

} // namespace tessel_test
