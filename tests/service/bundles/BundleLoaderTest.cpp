#include "service/bundles/BundleLoader.h"

#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/BundleError.h"

#include "BundleTree.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace tessel;
using tessel_test::BundleTree;
using tessel_test::LogCapture;
using tessel_test::RecordingRunner;
using tessel_test::uuidText;

namespace {

using T = BundleEntryTraits;
const std::wstring B1 = uuidText(1, 1), B2 = uuidText(1, 2), B3 = uuidText(1, 3), B5 = uuidText(1, 5),
                   B9 = uuidText(1, 9);
std::wstring G(uint32_t n) { return uuidText(2, n); }

// The UUID texts of the entries, as a set.
std::set<std::wstring> uuidsOf(const std::vector<BundleEntryPtr>& entries) {
    std::set<std::wstring> uuids;
    for (const BundleEntryPtr& entry : entries)
        uuids.insert(entry->getUUID().toString());
    return uuids;
}

const BundleError* onlyError(const BundleEntry& entry) {
    EXPECT_EQ(1u, entry.getErrors().size()) << entry.getTitle();
    return entry.getErrors().empty() ? nullptr : static_cast<const BundleError*>(entry.getErrors().getFirst().get());
}

class BundleLoaderTest : public ::testing::Test {
protected:
    BundleTree tree;
    RecordingRunner loads;
    LogCapture log;
};

TEST_F(BundleLoaderTest, ScansTheThreeLayersIntoOneSourcePerEntry) {
    const int ROOT = 1, USER = 2, CHANGES = 3;
    tree.putBundle(ROOT, L"Web", B1);
    // Root and changes: one entry, the changes layer on top.
    tree.putEntry(ROOT, L"Web", B1, T::grammar(), L"HTML", G(1));
    tree.putEntry(CHANGES, L"Web", B1, T::grammar(), L"HTML", G(1), L"{title: 'HTML edited'}");
    // One UUID, two types: the later file is ignored.
    const std::wstring grammar = tree.putEntry(ROOT, L"Web", B1, T::grammar(), L"Clash", G(2));
    const std::wstring snippet = tree.putEntry(USER, L"Web", B1, T::snippet(), L"Clash", G(2));
    // One UUID twice in the user layer: neither loads.
    tree.putBundle(USER, L"Lib", B2);
    tree.putBundle(USER, L"Other", B3);
    const std::wstring twin1 = tree.putEntry(USER, L"Lib", B2, T::grammar(), L"Twin", G(3));
    const std::wstring twin2 = tree.putEntry(USER, L"Other", B3, T::grammar(), L"Twin", G(3));
    // Names: an extension in another case is taken; no UUID, a leading ".", text after the
    // extension (a ".bak" beside its file) are not.
    tree.putFile(ROOT, L"Web", B1, T::grammar(), L"Upper." + G(4) + L".TSGRAMMAR", L"{title: 'Upper'}");
    tree.putFile(ROOT, L"Web", B1, T::grammar(), L"HTML.tsGrammar", L"{title: 'No UUID'}");
    tree.putFile(ROOT, L"Web", B1, T::grammar(), L".Hidden." + G(6) + L".tsGrammar", L"{title: 'Hidden'}");
    tree.putEntry(ROOT, L"Web", B1, T::grammar(), L"Bak", G(5));
    tree.putFile(ROOT, L"Web", B1, T::grammar(), L"Bak." + G(5) + L".tsGrammar.bak", L"{title: 'Bak'}");
    // A copied bundle folder in the same layer as its original is skipped, not a clash.
    tree.putEntry(USER, L"Web", B1, T::theme(), L"Dark", G(11));
    tree.put(BundleTree::folder(USER, L"Web", B1) + L" - Copy/themes/Dark." + G(11) + L".tsTheme", L"{title: 'Dark'}");
    // Checked as loaded: read from one layer, the error has a place; merged, it has none.
    tree.putEntry(ROOT, L"Web", B1, T::grammar(), L"Untitled", G(7), L"{name: 'u'}");
    tree.putEntry(ROOT, L"Web", B1, T::grammar(), L"Empty", G(8), L"{title: ''}");
    tree.putEntry(CHANGES, L"Web", B1, T::grammar(), L"Empty", G(8), L"{title: inherit, name: 'e'}");
    // A disabled bundle hides its items; a hidden bundle folder is never scanned, nor is one
    // whose name has no usable UUID.
    tree.putBundle(ROOT, L"Off", B9);
    tree.putEntry(ROOT, L"Off", B9, T::grammar(), L"Hidden", G(9));
    tree.putBundle(ROOT, L".Dot", B5);
    tree.putEntry(ROOT, L".Dot", B5, T::grammar(), L"Dotted", G(12));
    const std::wstring nil = L"zzzzzzzz-zzzz-zzzz-zzzz-zzzzzzzzzzzz";
    tree.putBundle(ROOT, L"Bad", nil);
    tree.putEntry(ROOT, L"Bad", nil, T::grammar(), L"Stray", G(10));

    loads.runner.start(BundleTree::types(), {pel::UUID::fromString(B9)}, tree.makeFactory());
    loads.waitForFinishes(1);

    EXPECT_EQ(1, loads.starts);
    EXPECT_EQ(std::vector<bool>{false}, loads.finishes);
    ASSERT_EQ(1u, loads.results.size());
    EXPECT_EQ((std::set<std::wstring>{B1, B2, B3}), uuidsOf(loads.entries(BUNDLE_TYPE_BUNDLE)));
    EXPECT_EQ((std::set<std::wstring>{G(1), G(2), G(4), G(5), G(7), G(8)}),
              uuidsOf(loads.entries(BUNDLE_TYPE_GRAMMAR)));
    EXPECT_EQ(std::set<std::wstring>{G(11)}, uuidsOf(loads.entries(BUNDLE_TYPE_THEME)));
    EXPECT_TRUE(loads.entries(BUNDLE_TYPE_SNIPPET).empty());
    // Each type's entries come in key order.
    const std::vector<BundleEntryPtr> grammars = loads.entries(BUNDLE_TYPE_GRAMMAR);
    EXPECT_TRUE(std::is_sorted(grammars.begin(), grammars.end(),
                               [](const BundleEntryPtr& a, const BundleEntryPtr& b) { return a->getUUID() < b->getUUID(); }));

    std::map<std::wstring, BundleEntryPtr> byUuid;
    for (const BundleEntryPtr& entry : grammars)
        byUuid[entry->getUUID().toString()] = entry;
    const BundleEntrySource& html = *byUuid[G(1)]->getSource();
    EXPECT_EQ(BundleEntryRepository::T_Changes, html.getTopPath()->storage);
    EXPECT_FALSE(html.getPath(BundleEntryRepository::T_Root).empty());
    EXPECT_EQ(L"HTML edited", byUuid[G(1)]->getTitle());
    EXPECT_TRUE(byUuid[G(1)]->getErrors().empty());
    EXPECT_EQ(L"Bak", byUuid[G(5)]->getTitle());
    const BundleError* untitled = onlyError(*byUuid[G(7)]);
    ASSERT_TRUE(untitled);
    EXPECT_EQ(L"Dictionary key `title` not found.", untitled->getText());
    EXPECT_TRUE(untitled->hasPosition());
    const BundleError* empty = onlyError(*byUuid[G(8)]);
    ASSERT_TRUE(empty);
    EXPECT_EQ(L"Value is empty.", empty->getText());
    EXPECT_FALSE(empty->hasPosition());

    const ErrorList& clashes = loads.runner.getPrepareTask()->getLoader()->getErrors();
    ASSERT_EQ(2u, clashes.size());
    // The user layer's bundle folders come in the order the directory gives them.
    const bool typeFirst = static_cast<const BundleError&>(*clashes.getErrors()[0]).getText().compare(0, 6, L"File `") == 0;
    const auto& different = static_cast<const BundleError&>(*clashes.getErrors()[typeFirst ? 0 : 1]);
    const auto& twice = static_cast<const BundleError&>(*clashes.getErrors()[typeFirst ? 1 : 0]);
    EXPECT_EQ(L"File `" + snippet + L"` has been ignored, because it was trying to overload an item at `" + grammar +
                  L"` with a different type.",
              different.getText());
    EXPECT_EQ(snippet, different.getSource());
    for (const BundleError* error : {&different, &twice}) {
        EXPECT_EQ(BundleError::SEVERITY_INVALID, error->getSeverity());
        EXPECT_TRUE(error->hasTag(BundleError::TAG_LOAD));
    }
    const std::wstring first = twice.getSource() == twin2 ? twin1 : twin2;
    EXPECT_EQ(L"Item with id `" + G(3) + L"` has been ignored, because it was incorrectly overriden by other item with "
                  L"the same id. Item 1: `" + first + L"`, Item 2: `" + twice.getSource() + L"`",
              twice.getText());

    EXPECT_TRUE(log.contains(L"Bak." + G(5) + L".tsGrammar.bak"));
    EXPECT_TRUE(log.contains(L" - Copy"));
    EXPECT_TRUE(log.contains(L"uid != pel::UUID::NIL"));
    EXPECT_FALSE(log.contains(L"Hidden"));
}

TEST_F(BundleLoaderTest, ASecondStartCancelsTheFirstAndDelivers) {
    tree.putBundle(1, L"Web", B1);
    tree.putEntry(1, L"Web", B1, T::snippet(), L"Tag", G(1));
    const std::shared_ptr<BundleFactory> factory = tree.makeFactory();
    loads.runner.start(BundleTree::types(), {}, factory);
    loads.runner.start(BundleTree::types(), {}, factory);
    loads.waitForFinishes(2);
    tessel_test::dispatchPending();

    EXPECT_EQ(2, loads.starts);
    EXPECT_EQ((std::vector<bool>{true, false}), loads.finishes);
    ASSERT_EQ(1u, loads.results.size());
    EXPECT_EQ(std::set<std::wstring>{G(1)}, uuidsOf(loads.entries(BUNDLE_TYPE_SNIPPET)));
}

// Snippets whose first creation throws; themes whose check throws.
struct ThrowingValidator : BundleEntryValidator {
    bool validate(const pel::AbstractDictionaryValue*, ErrorList*) const override {
        throw pel::IllegalStateException(L"The check broke.");
    }
};
struct FaultyTheme : tessel_test::TreeItem {
    FaultyTheme() : TreeItem(T::theme()) {}
    const BundleEntryValidator& getValidator() const override {
        static const ThrowingValidator validator;
        return validator;
    }
};
struct FaultyFactory : IBundleEntryFactory {
    BundleEntryPtr createEntry() override {
        if (!thrown) {
            thrown = true;
            throw pel::IllegalStateException(L"No snippet today.");
        }
        return BundleEntryPtr(new tessel_test::TreeItem(T::snippet()), false);
    }
    bool thrown = false;
};

TEST_F(BundleLoaderTest, AFileThatThrowsLeavesTheOthersLoading) {
    tree.putBundle(1, L"Web", B1);
    tree.putEntry(1, L"Web", B1, T::snippet(), L"First", G(1));
    tree.putEntry(1, L"Web", B1, T::snippet(), L"Second", G(2));
    tree.putEntry(1, L"Web", B1, T::theme(), L"Dark", G(3));
    tree.putEntry(1, L"Web", B1, T::grammar(), L"HTML", G(4));
    loads.runner.start(BundleTree::types(), {}, tree.makeFactory([](BundleFactory& factory) {
        factory.registerFactory(BUNDLE_TYPE_SNIPPET, std::make_shared<FaultyFactory>());
        factory.registerFactory(BUNDLE_TYPE_THEME, std::make_shared<TBundleEntryFactory<FaultyTheme>>());
    }));
    loads.waitForFinishes(1);

    EXPECT_EQ(std::vector<bool>{false}, loads.finishes);
    EXPECT_EQ(1u, loads.entries(BUNDLE_TYPE_SNIPPET).size());
    EXPECT_EQ(std::set<std::wstring>{G(4)}, uuidsOf(loads.entries(BUNDLE_TYPE_GRAMMAR)));
    EXPECT_TRUE(log.contains(L"No snippet today."));
    // The theme is delivered with what broke as its error, and stays editable.
    ASSERT_EQ(1u, loads.entries(BUNDLE_TYPE_THEME).size());
    const BundleEntry& theme = *loads.entries(BUNDLE_TYPE_THEME)[0];
    const BundleError* error = onlyError(theme);
    ASSERT_TRUE(error);
    EXPECT_EQ(L"IllegalStateException: The check broke.", error->getText());
    EXPECT_EQ(BundleError::SEVERITY_INVALID, error->getSeverity());
    EXPECT_TRUE(error->hasTag(BundleError::TAG_LOAD));
    EXPECT_EQ(tree.storage->getFullPath(*theme.getSource()->getTopPath()), error->getSource());
    EXPECT_TRUE(theme.canEdit());
    EXPECT_TRUE(log.contains(error->getSource()));
}

} // namespace
