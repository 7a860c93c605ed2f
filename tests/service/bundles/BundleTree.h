#pragma once
// Fixture trees of the three bundle layers ("root:" and "user:" over temporary folders): bundle
// folders with their info files and entry files of any type, written by name and UUID; items of
// every type that the loader can make; and a load run to its end on the BundleLoader thread,
// pumping messages meanwhile.

#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/BundleItem.h"
#include "service/bundles/BundleLoaderRunner.h"

#include "pel/thread/MainThread.h"

#include "BundleLayers.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

// An item of any type as the loader makes it; the count of those alive.
struct TreeItem : tessel::BundleItem {
    explicit TreeItem(const tessel::BundleEntryTraits& i_traits) : traits(i_traits) { ++alive(); }
    ~TreeItem() override { --alive(); }
    const tessel::BundleEntryTraits& getTraits() const override { return traits; }
    static std::atomic<int>& alive() {
        static std::atomic<int> count{0};
        return count;
    }
    const tessel::BundleEntryTraits& traits;
};

template <class Item = TreeItem> struct TreeItemFactory : tessel::IBundleEntryFactory {
    explicit TreeItemFactory(const tessel::BundleEntryTraits& i_traits) : traits(i_traits) {}
    tessel::BundleEntryPtr createEntry() override { return tessel::BundleEntryPtr(new Item(traits), false); }
    const tessel::BundleEntryTraits& traits;
};

// The UUID n of a family (bundles 1, items 2), as text.
inline std::wstring uuidText(uint32_t family, uint32_t n) {
    pel::UUID uuid;
    uuid.data1 = 0x10000000u * family + n;
    uuid.data4[7] = 1;
    return uuid.toString();
}

class BundleTree : public BundleLayers {
public:
    // The device path of the bundle folder "<name>.<uuid>.tsBundle" in the layer.
    static std::wstring folder(uint32_t layer, const std::wstring& name, const std::wstring& uuid) {
        return std::wstring(tessel::BundleEntryRepository::getDeviceRoot(layer)) + L"/" + name + L"." + uuid +
               L".tsBundle";
    }
    // The bundle's info file, titled as the bundle unless text is given.
    static std::wstring putBundle(uint32_t layer, const std::wstring& name, const std::wstring& uuid,
                                  const std::wstring& text = std::wstring()) {
        const std::wstring path = folder(layer, name, uuid) + L"/info." + uuid + L".tsInfo";
        put(path, text.empty() ? L"{title: '" + name + L"'}" : text);
        return path;
    }
    // An entry file of the type in the bundle's folder, titled as the entry unless text is given.
    static std::wstring putEntry(uint32_t layer, const std::wstring& bundle, const std::wstring& bundleUuid,
                                 const tessel::BundleEntryTraits& type, const std::wstring& name,
                                 const std::wstring& uuid, const std::wstring& text = std::wstring()) {
        return putFile(layer, bundle, bundleUuid, type, name + L"." + uuid + L"." + type.extension,
                       text.empty() ? L"{title: '" + name + L"'}" : text);
    }
    static std::wstring putFile(uint32_t layer, const std::wstring& bundle, const std::wstring& bundleUuid,
                                const tessel::BundleEntryTraits& type, const std::wstring& fileName,
                                const std::wstring& text) {
        const std::wstring path = folder(layer, bundle, bundleUuid) + L"/" + type.folder + L"/" + fileName;
        put(path, text);
        return path;
    }

    // A factory over the storage that makes Bundles and Items (TreeItems) of the other types;
    // first registers its own factories before those (the first registration of a code wins).
    template <class Item = TreeItem>
    std::shared_ptr<tessel::BundleFactory> makeFactory(
        const std::function<void(tessel::BundleFactory&)>& first = nullptr) const {
        auto made = std::make_shared<tessel::BundleFactory>(storage);
        if (first)
            first(*made);
        made->registerFactory(tessel::BUNDLE_TYPE_BUNDLE, std::make_shared<tessel::TBundleEntryFactory<tessel::Bundle>>());
        for (const tessel::BundleEntryTraits* traits : tessel::BundleEntryTraits::all())
            made->registerFactory(traits->id, std::make_shared<TreeItemFactory<Item>>(*traits));
        return made;
    }
    // The five types, the bundle type first, as the BundleManager lists them.
    static std::vector<const tessel::BundleEntryTraits*> types() {
        using T = tessel::BundleEntryTraits;
        return {&T::bundle(), &T::grammar(), &T::snippet(), &T::theme(), &T::preferences()};
    }
};

// A runner whose ends and results are recorded; each result's entries are taken out of the map.
struct RecordingRunner {
    RecordingRunner() {
        runner.onStart = [this] { ++starts; };
        runner.onFinished = [this](bool cancelled) { finishes.push_back(cancelled); };
        runner.onResult = [this](tessel::BundleLoaderRunner::Result& result) {
            results.emplace_back();
            results.back().swap(result);
        };
    }
    // Pumps until the number of ends is reached.
    void waitForFinishes(size_t count) {
        ASSERT_TRUE(pumpUntil([&] { return finishes.size() >= count; })) << "the load never ended";
    }
    std::vector<tessel::BundleEntryPtr> entries(uint32_t type) const {
        if (results.empty() || !results.back().count(type))
            return {};
        return results.back().at(type);
    }

    const uint32_t mainThread = pel::store_main_thread_id(); // the runner's receiver needs it
    tessel::BundleLoaderRunner runner;
    int starts = 0;
    std::vector<bool> finishes;
    std::vector<tessel::BundleLoaderRunner::Result> results;
};

} // namespace tessel_test
