// Random disables, enables, reloads and refused installs over 10 bundles of 60 items, checked
// after every step against a model of what must be installed.

#include "bundles/BundleManager.h"

#include "service/bundles/Bundle.h"
#include "service/bundles/BundleItem.h"

#include "ManagerFixture.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace tessel;
using tessel_test::BundleTree;
using tessel_test::uuidText;

namespace {

constexpr int BUNDLES = 10;
constexpr int ITEMS = 60;
constexpr int STEPS = 300;

class BundleManagerModelTest : public tessel_test::ManagerFixture {
protected:
    BundleManagerModelTest() {
        const BundleEntryTraits* types[] = {&BundleEntryTraits::grammar(), &BundleEntryTraits::snippet(),
                                            &BundleEntryTraits::theme(), &BundleEntryTraits::preferences()};
        for (int b = 0; b < BUNDLES; ++b) {
            const std::wstring bundle = uuidText(1, b), name = L"Bundle" + std::to_wstring(b);
            BundleTree::putBundle(1, name, bundle);
            bundles.push_back(pel::UUID::fromString(bundle));
            for (int i = 0; i < ITEMS; ++i) {
                const int n = b * ITEMS + i;
                const std::wstring item = uuidText(2, n);
                // Items in the root layer and the user layer, some with changes over them.
                BundleTree::putEntry(1 + n % 2, name, bundle, *types[n % 4], L"Item" + std::to_wstring(n), item);
                if (n % 7 == 0)
                    BundleTree::putEntry(3, name, bundle, *types[n % 4], L"Item" + std::to_wstring(n), item,
                                         L"{title: 'Changed" + std::to_wstring(n) + L"'}");
                items.push_back(pel::UUID::fromString(item));
                bundleOf[items.back()] = bundles.back();
            }
        }
    }

    // What must be installed now.
    std::set<pel::UUID> expected() const {
        std::set<pel::UUID> installed;
        for (const pel::UUID& bundle : bundles)
            if (!disabled.count(bundle))
                installed.insert(bundle);
        for (const pel::UUID& item : items)
            if (installed.count(bundleOf.at(item)) && !disabled.count(item) && !refused.count(item))
                installed.insert(item);
        return installed;
    }

    void reloadAll() {
        ASSERT_TRUE(manager->reload());
        ASSERT_TRUE(tessel_test::pumpUntil([&] { return !manager->isLoading(); }));
    }

    void check(int step) {
        SCOPED_TRACE(step);
        const std::set<pel::UUID> model = expected();
        std::set<pel::UUID> installed;
        std::map<uint32_t, int> perType;
        for (const BundleEntryPtr& entry : manager->getInstalled()) {
            installed.insert(entry->getUUID());
            ++perType[entry->getTypeId()];
            ASSERT_TRUE(entry->isInstalled());
            const auto byUuid = manager->getEntriesByUuid().equal_range(entry->getUUID());
            ASSERT_EQ(1, std::distance(byUuid.first, byUuid.second));
            ASSERT_EQ(entry.get(), byUuid.first->second);
            if (!entry->isBundle()) {
                ASSERT_EQ(manager->findBundle(bundleOf.at(entry->getUUID())),
                          static_cast<BundleItem&>(*entry).getBundle());
            }
        }
        ASSERT_EQ(model, installed);
        ASSERT_EQ(model.size(), manager->getEntriesByUuid().size());
        ASSERT_EQ(model.size(), manager->getEntriesByType().size());
        size_t attached = 0;
        for (const pel::UUID& bundle : bundles)
            if (const Bundle* installedBundle = manager->findBundle(bundle))
                attached += installedBundle->getItems().size();
        ASSERT_EQ(model.size() - perType[BUNDLE_TYPE_BUNDLE], attached);
        size_t actions = 0;
        for (const auto& type : types) {
            ASSERT_EQ(perType[type.first], type.second->installs - type.second->uninstalls);
            ASSERT_EQ(static_cast<size_t>(perType[type.first]), manager->getEntriesOfType(type.first).size());
            actions += type.second->actions.size();
        }
        // The items' actions, the manager's own two and the bundle editor's save.
        ASSERT_EQ(actions + 3, afApp::getActionRegistry()->getActions().size());
    }

    std::vector<pel::UUID> bundles;
    std::vector<pel::UUID> items;
    std::map<pel::UUID, pel::UUID> bundleOf;
    std::set<pel::UUID> disabled;
    std::set<pel::UUID> refused;
};

TEST_F(BundleManagerModelTest, RandomStepsKeepTheRecordsInStep) {
    const size_t actionsBefore = afApp::getActionRegistry()->getActions().size();
    const int itemsBefore = tessel_test::TreeItem::alive();
    // Every item manager refuses what the model refuses.
    manager->onSetUp.add(&refused, [this] {
        for (const auto& type : types)
            type.second->refuses = [this](BundleEntry& entry) { return refused.count(entry.getUUID()) != 0; };
    });
    setUp();
    loadAll();
    check(-1);

    std::mt19937 random(38);
    for (int step = 0; step < STEPS; ++step) {
        const bool bundle = random() % 4 == 0;
        const pel::UUID picked = bundle ? bundles[random() % BUNDLES] : items[random() % items.size()];
        switch (random() % 6) {
        case 0:
        case 1: // disable: only what is installed gets a record
            if (expected().count(picked))
                disabled.insert(picked);
            ASSERT_TRUE(manager->disableItem(picked));
            break;
        case 2: { // enable something disabled, or what is not
            const pel::UUID target =
                disabled.empty() || random() % 3 == 0 ? picked : *std::next(disabled.begin(), random() % disabled.size());
            const bool wasDisabled = disabled.erase(target) != 0;
            ASSERT_EQ(wasDisabled, manager->enableItem(target));
            if (wasDisabled) {
                ASSERT_TRUE(tessel_test::pumpUntil([&] { return !manager->isLoading(); }));
            }
            break;
        }
        case 3:
            reloadAll();
            break;
        default: // an install refused on the next load, or allowed again
            if (!refused.erase(picked) && !bundle)
                refused.insert(picked);
            reloadAll();
            break;
        }
        check(step);
        if (HasFatalFailure())
            return;
    }

    manager.reset();
    EXPECT_EQ(itemsBefore, tessel_test::TreeItem::alive());
    EXPECT_EQ(actionsBefore - 2, afApp::getActionRegistry()->getActions().size());
}

} // namespace
