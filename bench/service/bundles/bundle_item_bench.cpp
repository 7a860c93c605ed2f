// New entries and bundle menus. initContent of 1 000 new snippet entries (the template
// formatted with the title and made the entry's text), beside a plain Jasmine parse of the same
// formatted texts (target: within 3 times, a ratio of entries per second of at least 0.33).
// Then the generated menu of a bundle with 2 000 grammars and snippets, beside sorting their
// titles with std::sort (target: at most 2 times; the menu also makes each item's UUID text
// and node). Beside each, the share of one step the entry or menu cannot leave out: the parse
// into a token store that a new entry keeps, and the UUID texts of the menu's items.
//   bundle_item_bench [--runs 5]

#include "service/base/error/ErrorList.h"
#include "service/bundles/Bundle.h"
#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/BundleFileStorage.h"
#include "service/bundles/BundleItem.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/Value.h"
#include "support/Bench.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace tessel;

namespace {

constexpr int NEW_ENTRIES = 1000;
constexpr int MENU_ITEMS = 2000;

// A snippet or grammar item as the item types make theirs: filled from its template.
template <const BundleEntryTraits& (*Traits)(), const wchar_t* const* Template>
class BenchItem : public BundleItem {
public:
    const BundleEntryTraits& getTraits() const override { return Traits(); }
    void initContent(const std::wstring& title) override {
        BundleEntryTemplates::fill(*this, *Template, title, L"source.x", PEL_FILE, __LINE__);
    }
};
using Snippet = BenchItem<&BundleEntryTraits::snippet, &BundleEntryTemplates::SNIPPET>;
using Grammar = BenchItem<&BundleEntryTraits::grammar, &BundleEntryTemplates::GRAMMAR>;

std::wstring titleOf(int n) { return L"Entry " + std::to_wstring((n * 7919) % 10007); }

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int runs = static_cast<int>(options.number("--runs", 5));
    BundleFactory factory(std::make_shared<BundleFileStorage>());
    factory.registerFactory(BUNDLE_TYPE_BUNDLE, std::make_shared<TBundleEntryFactory<Bundle>>());
    factory.registerFactory(BUNDLE_TYPE_SNIPPET, std::make_shared<TBundleEntryFactory<Snippet>>());
    factory.registerFactory(BUNDLE_TYPE_GRAMMAR, std::make_shared<TBundleEntryFactory<Grammar>>());

    // New entries: initContent alone is timed; the entries are made before each run.
    std::vector<std::wstring> texts;
    for (int i = 0; i < NEW_ENTRIES; ++i)
        texts.push_back(BundleEntryTemplates::format(BundleEntryTemplates::SNIPPET, titleOf(i)));
    double filled = 1e30;
    for (int run = 0; run < runs; ++run) {
        std::vector<BundleEntryPtr> entries;
        for (int i = 0; i < NEW_ENTRIES; ++i)
            entries.push_back(BundleEntry::create(factory, BUNDLE_TYPE_SNIPPET, pel::UUID::create()));
        filled = std::min(filled, bench::bestOf(1, [&] {
                              for (int i = 0; i < NEW_ENTRIES; ++i)
                                  entries[i]->initContent(titleOf(i));
                          }));
    }
    const double parsed = bench::bestOf(runs, [&] {
        for (const std::wstring& text : texts)
            delete pel::JasmineReaderHelper::read(text);
    });
    // The parse a new entry makes of its text, its token store and value kept as the entry keeps them.
    double tokens = 1e30;
    for (int run = 0; run < runs; ++run) {
        std::vector<std::unique_ptr<pel::TTokenStore<pel::JasmineToken>>> stores;
        std::vector<std::unique_ptr<pel::Value>> values;
        tokens = std::min(tokens, bench::bestOf(1, [&] {
                              for (const std::wstring& text : texts) {
                                  ErrorList errors;
                                  stores.push_back(std::make_unique<pel::TTokenStore<pel::JasmineToken>>());
                                  values.push_back(
                                      BundleEntrySourceHelper::parse(L"new", text, &errors, stores.back().get()));
                              }
                          }));
    }
    bench::figure("new_entries_plain_parse", NEW_ENTRIES / parsed, "entries/s");
    bench::figure("new_entries_kept_tokens_parse", NEW_ENTRIES / tokens, "entries/s");
    bench::figureBeside("new_entries_init_content", NEW_ENTRIES / filled, "entries/s", "plain_parse",
                        NEW_ENTRIES / parsed);

    // The generated menu of a large bundle, made again after each drop of the cached one.
    const boost::intrusive_ptr<Bundle> bundle =
        boost::static_pointer_cast<Bundle>(BundleEntry::create(factory, BUNDLE_TYPE_BUNDLE, pel::UUID::create()));
    std::vector<BundleEntryPtr> items;
    std::vector<std::wstring> titles;
    for (int i = 0; i < MENU_ITEMS; ++i) {
        items.push_back(
            BundleEntry::create(factory, i % 4 ? BUNDLE_TYPE_SNIPPET : BUNDLE_TYPE_GRAMMAR, pel::UUID::create()));
        items.back()->initContent(titleOf(i));
        titles.push_back(items.back()->getTitle());
        bundle->addItem(static_cast<BundleItem&>(*items.back()));
    }
    size_t lines = 0;
    const double menu = bench::bestOf(runs * 4, [&] {
        bundle->setMenu(nullptr);
        lines += bundle->getMenu()->children.size();
    });
    const double sorted = bench::bestOf(runs * 4, [&] {
        std::vector<std::wstring> copy = titles;
        std::sort(copy.begin(), copy.end());
        lines += copy.size();
    });
    const double uuids = bench::bestOf(runs * 4, [&] {
        for (const BundleEntryPtr& item : items)
            lines += item->getUUID().toString().size();
    });
    if (lines == 0)
        std::fprintf(stderr, "empty menu\n");
    bench::figure("menu_titles_sort", sorted * 1e3, "ms");
    bench::figureBeside("menu_generated", menu * 1e3, "ms", "titles_sort", sorted * 1e3);
    bench::figure("menu_uuid_texts", uuids * 1e3, "ms");
    for (const BundleEntryPtr& item : items)
        bundle->removeItem(static_cast<BundleItem&>(*item));
    return 0;
}
