#pragma once
// Installed bundles for the editor's choosers and the status strip without a BundleManager:
// grammars and snippets read from Jasmine text, each with a source of its own, and a registered
// language action per grammar that sets it on the test's controller.

#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/support/TestActions.h"
#include "editor/EditorBundles.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/Value.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFileStorage.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/bundles/snippets/SnippetBundleItem.h"
#include "service/document/controller/DocumentController.h"

#include <cwchar>

namespace tessel_test {

class FakeBundles : public tessel::EditorBundles {
public:
    explicit FakeBundles(tessel::DocumentController*& controller) : m_controller(controller) {
        tessel::setEditorBundles(this);
    }
    ~FakeBundles() override {
        tessel::setEditorBundles(nullptr);
        for (auto& language : m_languages)
            afUnregisterAction(afApp::getActionRegistry(), language.action);
    }
    void addGrammar(const std::wstring& title, const std::wstring& name, bool hidden = false) {
        auto* grammar = static_cast<tessel::GrammarBundleItem*>(
            add(new tessel::GrammarBundleItem, L"{title: '" + title + L"' name: '" + name + L"' patterns: []}"));
        auto* action = new tessel::GrammarBundleItemAction(*grammar, m_handler.getActionContext(),
                                                           [this, name](afActionHandler&, afActionEvent&) {
                                                               m_controller->setGrammar(name);
                                                               return true;
                                                           });
        afRegisterAction(afApp::getActionRegistry(), action);
        m_languages.push_back({title, grammar, action, hidden});
    }
    void addSnippet(const std::wstring& dictionary) { add(new tessel::SnippetBundleItem, dictionary); }
    std::vector<tessel::BundleEntry*> getEntriesOfType(uint32_t type) override {
        std::vector<tessel::BundleEntry*> entries;
        for (const tessel::BundleEntryPtr& entry : m_entries)
            if (entry->getTraits().id == type)
                entries.push_back(entry.get());
        return entries;
    }
    void getLanguageList(std::vector<tessel::GrammarBundleItemManager::Language>& o_list) override {
        o_list.insert(o_list.end(), m_languages.begin(), m_languages.end());
    }

private:
    tessel::BundleEntry* add(tessel::BundleEntry* entry, const std::wstring& dictionary) {
        wchar_t uuid[40];
        std::swprintf(uuid, 40, L"00000000-0000-0000-0000-%012u", static_cast<unsigned>(m_entries.size() + 1));
        entry->setSource(std::make_shared<tessel::BundleEntrySource>(m_storage, &entry->getTraits(),
                                                                      pel::UUID::fromString(uuid)));
        std::unique_ptr<pel::Value> value(pel::JasmineReaderHelper::read(dictionary));
        entry->readValue(static_cast<const pel::AbstractDictionaryValue&>(*value), nullptr);
        m_entries.push_back(tessel::BundleEntryPtr(entry, false));
        return entry;
    }

    tessel::DocumentController*& m_controller;
    CountingHandler m_handler{afApp::getActionRegistry(), L"LanguageTest"};
    std::shared_ptr<tessel::BundleFileStorage> m_storage = std::make_shared<tessel::BundleFileStorage>();
    std::vector<tessel::BundleEntryPtr> m_entries;
    std::vector<tessel::GrammarBundleItemManager::Language> m_languages;
};

} // namespace tessel_test
