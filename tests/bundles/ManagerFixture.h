#pragma once
// A BundleManager over a service root whose "root:" and "user:" folders are temporary, in an
// application with its action registry and invokers, and type managers for the four item types
// that count what they install and uninstall, register one action per installed item (as snippet
// actions do, a snippet's title its tab trigger) and refuse the items titled "Refused" (as the
// grammar manager refuses a taken name).

#include "bundles/BundleManager.h"
#include "bundles/ui/BundleEditor.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/core/afPanic.h"
#include "service/base/Config.h"
#include "service/base/TesselService.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"

#include "service/bundles/BundleTree.h"
#include "pel/text/TextConversion.h"
#include "support/MessagePump.h"
#include "support/ServiceRootFolders.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

namespace tessel_test {

// The application as far as the managers need it: the action registry with its key invoker,
// and the tab-trigger invoker the program's own application adds.
class ManagerApp : public afApp {
public:
    bool init() override {
        m_tabs.reset(new afActionInvokerTab(getActionRegistry()));
        afRegisterInvoker(m_tabs.get(), getActionRegistry(), AF_ACTION_KIND_TAB_TRIGGER);
        return true;
    }
    void exit() override {
        afRemoveInvoker(getActionRegistry(), m_tabs.get());
        m_tabs.reset();
    }

private:
    std::unique_ptr<afActionInvokerTab> m_tabs;
};

class CountingManager : public tessel::BundleEntryManager, public afActionHandler {
public:
    explicit CountingManager(const tessel::BundleEntryTraits& traits)
        : afActionHandler(afApp::getActionRegistry(), L"CountingManager"), m_traits(traits) {
        attachActionHandler();
    }
    ~CountingManager() override {
        for (auto& action : actions)
            afUnregisterAction(getActionRegistry(), action.second);
    }

    tessel::BundleEntryPtr createEntry() override { return tessel::BundleEntryPtr(new TreeItem(m_traits), false); }
    const tessel::BundleEntryTraits& getEntryTraits() const override { return m_traits; }
    bool install(tessel::BundleEntry& entry) override {
        if (entry.getTitle() == L"Refused" || (refuses && refuses(entry)))
            return false;
        ++installs;
        const std::wstring id = entry.getUUID().toString();
        afAction* action =
            afRegisterAction(getActionRegistry(),
                             new afActionSystem(entry.getTitle().c_str(), getActionContext(), id.c_str(), L"ui.editor",
                                                [](afActionHandler&, afActionEvent&) { return true; }));
        // As the snippet manager binds a snippet's tab trigger: here its title.
        if (m_traits.id == tessel::BUNDLE_TYPE_SNIPPET)
            afAddTabTrigger(entry.getTitle(), afFindTabInvoker(getActionRegistry()), action);
        actions[&entry] = action;
        return true;
    }
    bool uninstall(tessel::BundleEntry& entry) override {
        ++uninstalls;
        order.push_back(&entry);
        const auto found = actions.find(&entry);
        if (found == actions.end())
            return false;
        afUnregisterAction(getActionRegistry(), found->second);
        actions.erase(found);
        return true;
    }
    tessel::BundleEntryEditorFactory getEditorFactory(tessel::BundleEntry&) const override { return editorFactory; }
    void beginEntryChange(tessel::BundleEntry&) override { ++changes; }
    void endEntryChange(tessel::BundleEntry&, bool) override {}

    // What the bundle editor opens the entries in; none unless a test sets it.
    tessel::BundleEntryEditorFactory editorFactory = nullptr;
    // Further entries to refuse.
    std::function<bool(tessel::BundleEntry&)> refuses;
    int installs = 0;
    int uninstalls = 0;
    int changes = 0;
    std::vector<const tessel::BundleEntry*> order;
    std::map<const tessel::BundleEntry*, afAction*> actions;

private:
    const tessel::BundleEntryTraits& m_traits;
};

class ManagerFixture : public ::testing::Test {
protected:
    ManagerFixture() {
        // A panic would show a message box that no one closes: the test fails with its text instead.
        m_panicHandler = afSetPanicHandler([](const wchar_t* text) {
            std::string message;
            pel::toAscii(text, message);
            throw std::runtime_error(message);
        });
        EXPECT_TRUE(afApp::init(new ManagerApp, ::GetModuleHandleW(nullptr)));
        root = tessel::TesselService::getInstance();
        manager.reset(new tessel::BundleManager(*root));
        // The type managers register when the bundle type has: at set-up.
        manager->onSetUp.add(this, [this] {
            for (const tessel::BundleEntryTraits* traits : tessel::BundleEntryTraits::all()) {
                if (traits->id == tessel::BUNDLE_TYPE_BUNDLE || realTypes.count(traits->id))
                    continue;
                const auto made = std::make_shared<CountingManager>(*traits);
                types[traits->id] = made.get();
                manager->registerEntryType(made);
            }
        });
    }
    ~ManagerFixture() override {
        forgetHandlers();
        manager.reset();
        types.clear();
        afApp::shutdown();
        afSetPanicHandler(m_panicHandler);
    }

    void setUp() { root->runStartup(); }
    // Takes the fixture's handlers (and so a test body's, which it adds under the fixture) off
    // the manager's notices. A body's handlers keep references to its locals, which are gone by
    // the time the fixture goes, while the manager, as it goes, still uninstalls everything and
    // clears the disabled items, telling each notice's handlers.
    void forgetHandlers() {
        if (!manager)
            return;
        tessel::BundleManager& m = *manager;
        for (tessel::Notice<>* notice : {&m.onSetUp, &m.onUpdateBegin, &m.onUpdateEnd, &m.onUnload, &m.onLoadStarted,
                                         &m.onUninstallBegin, &m.onUninstallEnd})
            notice->remove(this);
        m.onLoadFinished.remove(this);
        m.onDisabledItemsChanged.remove(this);
        m.onBundleInstalled.remove(this);
        m.onBundleUninstalling.remove(this);
    }
    tessel::Config& config() { return root->getConfig(); }
    // Loads and waits for the load's end.
    void loadAll() {
        ASSERT_TRUE(manager->load());
        ASSERT_TRUE(pumpUntil([&] { return !manager->isLoading(); })) << "the load never ended";
    }
    CountingManager& grammars() { return *types.at(tessel::BUNDLE_TYPE_GRAMMAR); }
    CountingManager& snippets() { return *types.at(tessel::BUNDLE_TYPE_SNIPPET); }

    ServiceRootFolders folders;
    tessel::TesselService* root = nullptr;
    std::unique_ptr<tessel::BundleManager> manager;
    std::map<uint32_t, CountingManager*> types;
    // Types whose real managers a fixture registers in place of counting ones.
    std::set<uint32_t> realTypes;

private:
    afPanicHandler m_panicHandler = nullptr;
};

} // namespace tessel_test
