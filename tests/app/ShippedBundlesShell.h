#pragma once
// The running application over the bundles it ships: copied into the root layer, loaded, and a
// file opened once its grammar's scope shows in it; the scopes of the active document read back.

#include "ShellFixture.h"

#include "bundles/BundleManager.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/parser/base/DocumentScope.h"
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

    tessel::BundleManager* bundles = nullptr;
    tessel::DocumentController* document = nullptr;
};

} // namespace tessel_test
