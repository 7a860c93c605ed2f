#include "service/bundles/Bundle.h"

#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/BundleItem.h"

#include "BundleTree.h"
#include "support/LogCapture.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace tessel;
using tessel_test::BundleLayers;
using tessel_test::LogCapture;
using tessel_test::thrown;

namespace {

using BundlePtr = boost::intrusive_ptr<Bundle>;
using ItemPtr = boost::intrusive_ptr<BundleItem>;

const uint32_t TYPES[] = {BUNDLE_TYPE_BUNDLE, BUNDLE_TYPE_GRAMMAR, BUNDLE_TYPE_SNIPPET, BUNDLE_TYPE_THEME,
                          BUNDLE_TYPE_PREFERENCES};
const wchar_t* const* const TEMPLATES[] = {&BundleEntryTemplates::BUNDLE, &BundleEntryTemplates::GRAMMAR,
                                           &BundleEntryTemplates::SNIPPET, &BundleEntryTemplates::THEME,
                                           &BundleEntryTemplates::PREFERENCES};
// Each template formatted with the title "Plain" and the scope name "source.x".
const wchar_t* const GOLDEN[] = {
#include "BundleTemplatesGolden.txt"
};
const std::wstring BU = L"0f8fad5b-d9cb-469f-a165-70867728950e", IU = BundleLayers::UUID;

// An item of any type, filled from its type's template as the item types fill theirs.
struct TestItem : tessel_test::TreeItem {
    using TreeItem::TreeItem;
    void initContent(const std::wstring& title) override {
        const size_t type = std::find(std::begin(TYPES), std::end(TYPES), traits.id) - std::begin(TYPES);
        BundleEntryTemplates::fill(*this, *TEMPLATES[type], title, L"source.x", PEL_FILE, __LINE__);
    }
};

class BundleTest : public ::testing::Test {
protected:
    ~BundleTest() override { // items go before their bundles can
        for (const ItemPtr& item : items)
            if (item->getBundle())
                item->getBundle()->removeItem(*item);
    }

    // A new entry filled from its template, or (with paths) one read from its stored files as the
    // loader makes it.
    template <class T = BundleItem>
    boost::intrusive_ptr<T> make(uint32_t type, const std::wstring& title,
                                 std::vector<BundleEntryFilePath> paths = {}) {
        const pel::UUID uuid = paths.empty()                ? pel::UUID::create()
                               : type == BUNDLE_TYPE_BUNDLE ? paths[0].bundle.uuid
                                                            : paths[0].entry.uuid;
        const BundleEntryPtr entry = BundleEntry::create(*factory, type, uuid);
        for (const BundleEntryFilePath& path : paths)
            entry->getSource()->setPath(path);
        if (paths.empty())
            entry->initContent(title);
        else
            EXPECT_TRUE(entry->load() && entry->getErrors().empty()) << paths[0].toString(true);
        return boost::static_pointer_cast<T>(entry);
    }
    ItemPtr add(Bundle& bundle, const ItemPtr& item) {
        items.push_back(item);
        bundle.addItem(*item);
        return item;
    }
    ItemPtr add(Bundle& bundle, uint32_t type, const wchar_t* title) { return add(bundle, make(type, title)); }

    // The root layer's bundle "WebTools" (title "Web Tools") with its grammar "HTML", loaded.
    BundlePtr stored() {
        BundleEntryFilePath info;
        info.setBundleFileName(L"WebTools." + BU + L".tsBundle");
        info.setEntryFileName(L"info." + BU + L".tsInfo");
        layers.put(info, L"{title: 'Web Tools' menu: null}");
        layers.put(BundleLayers::grammar(1, info.bundle.toString()), L"{title: 'HTML'}");
        const BundlePtr bundle = make<Bundle>(BUNDLE_TYPE_BUNDLE, L"", {info});
        add(*bundle, make(BUNDLE_TYPE_GRAMMAR, L"", {BundleLayers::grammar(1, info.bundle.toString())}));
        return bundle;
    }
    // The title of the entry read back from its stored files, which must include its target.
    std::wstring reread(const BundleEntry& entry) {
        std::vector<BundleEntryFilePath> paths;
        for (auto layer : {BundleEntryRepository::T_Root, BundleEntryRepository::T_Changes})
            if (!entry.getSource()->getPath(layer).empty())
                paths.push_back(entry.getSource()->getPath(layer));
        EXPECT_EQ(pathOf(entry), paths.back().toString(true));
        return make<BundleEntry>(entry.getTypeId(), L"", paths)->getOwnTitle();
    }
    static std::wstring pathOf(const BundleEntry& entry) {
        BundleEntryFilePath path;
        entry.getFilePath(&path);
        return path.toString(true);
    }

    // "-" a separator, a submenu's title and its lines in brackets, an item's title (else its UUID text).
    std::wstring dump(const MenuDefNode& node) const {
        std::wstring text;
        for (const MenuDefNodePtr& child : node.children) {
            std::wstring line = child->isSeparator ? L"-"
                                : child->isSubmenu ? child->title + L"[" + dump(*child) + L"]"
                                                   : child->item;
            for (const ItemPtr& item : items)
                line = child->isItem && item->getUUID().toString() == child->item ? item->getTitle() : line;
            text += (text.empty() ? L"" : L" ") + line;
        }
        return text;
    }

    tessel_test::BundleTree layers;
    const std::shared_ptr<BundleFactory> factory = layers.makeFactory<TestItem>();
    ErrorList errors;
    std::vector<ItemPtr> items;
};

} // namespace

// Each text in turn, over a bundle with one snippet "a": a generated menu reads "a".
TEST_F(BundleTest, TheMenuFollowsEveryNewValueOfTheInfoText) {
    const BundlePtr bundle = make<Bundle>(BUNDLE_TYPE_BUNDLE, L"Web");
    add(*bundle, BUNDLE_TYPE_SNIPPET, L"a");
    const struct {
        const wchar_t *menu, *lines;
        size_t ignored;
    } rows[] = {
        {L"menu: ['' '---' '-x' 'x' {title: 'T'} {title: 'S' item: 'U' menu: []} {item: 'ABC'} 5]", L"- - - S[] abc",
         1},
        {L"menu: null", L"a", 0},
        {L"menu: [{title: 'O' menu: [{title: 'I' menu: ['-' {item: 'x' title: 'X'}]} {}]}]", L"O[I[- x]]", 1},
        {L"", L"a", 0},
        {L"menu: [{item: 'x'}]", L"x", 0},
        {L"menu: []", L"a", 0},
        {L"menu: {item: 'x'}", L"a", 0},
    };
    for (const auto& row : rows) {
        LogCapture log;
        ASSERT_TRUE(bundle->setSourceText(std::wstring(L"{title: 'Web' ") + row.menu + L"}", &errors)) << row.menu;
        EXPECT_EQ(row.lines, dump(*bundle->getMenu())) << row.menu;
        size_t ignored = 0;
        for (const tessel_test::LoggedLine& line : log.lines())
            ignored += line.text == L"MenuDefReader::read(): Ignoring invalid menu entry\n" &&
                       line.level == pel::LOG_INFO && line.source == pel::LOG_UNKNOWN_SOURCE;
        EXPECT_EQ(row.ignored, ignored) << row.menu;
    }
}

// The generated menu lists grammars, then snippets, each sorted by title; other types have no lines.
TEST_F(BundleTest, ItemsAttachToOneBundleAtATimeAndMakeItsGeneratedMenu) {
    const BundlePtr bundle = make<Bundle>(BUNDLE_TYPE_BUNDLE, L"Web"),
                    other = make<Bundle>(BUNDLE_TYPE_BUNDLE, L"Other");
    std::wstring heard;
    bundle->onItemAdded.add(this,
                            [&](Bundle& b, BundleItem& i) { heard += b.getTitle() + L"+" + i.getTitle() + L" "; });
    bundle->onItemRemoved.add(this,
                              [&](Bundle& b, BundleItem& i) { heard += b.getTitle() + L"-" + i.getTitle() + L" "; });
    add(*bundle, BUNDLE_TYPE_THEME, L"t");
    add(*bundle, BUNDLE_TYPE_PREFERENCES, L"p");
    const MenuDefNodePtr empty = bundle->getMenu();
    EXPECT_TRUE(empty->isSubmenu && empty->children.empty() && empty == bundle->getMenu()); // kept
    for (const wchar_t* title : {L"b", L"a", L"B"})
        add(*bundle, BUNDLE_TYPE_SNIPPET, title);
    const ItemPtr grammar = add(*bundle, BUNDLE_TYPE_GRAMMAR, L"g");
    const MenuDefNodePtr menu = bundle->getMenu();
    EXPECT_TRUE(dump(*menu) == L"g - B a b" && menu->children[0]->item == grammar->getUUID().toString()) << dump(*menu);
    bundle->addItem(*grammar); // already here: nothing changes
    EXPECT_TRUE(menu == bundle->getMenu() && heard == L"Web+t Web+p Web+b Web+a Web+B Web+g ") << heard;

    const std::wstring notHere = L"Bundle item does not belong to this bundle and cannot be removed.";
    EXPECT_EQ(L"Bundle item belongs to another bundle, please remove it first.",
              thrown<pel::InvalidArgumentException>([&] { other->addItem(*grammar); }));
    EXPECT_EQ(notHere, thrown<pel::InvalidArgumentException>([&] { other->removeItem(*grammar); }));
    EXPECT_TRUE(other->getItems().empty() && bundle->getItems().size() == 6 && grammar->getBundle() == bundle.get());
    bundle->removeItem(*grammar);
    EXPECT_TRUE(dump(*bundle->getMenu()) == L"B a b" && !grammar->getBundle() && heard.substr(36) == L"Web-g ")
        << heard;
    EXPECT_EQ(notHere, thrown<pel::InvalidArgumentException>([&] { bundle->removeItem(*grammar); }));
}

// Lines of equal titles keep the order their items were added in (more of them than a sort
// handles by insertion); an item without a title of its own sorts by the one it shows.
TEST_F(BundleTest, TheGeneratedMenuKeepsTheOrderOfEqualTitles) {
    const BundlePtr bundle = make<Bundle>(BUNDLE_TYPE_BUNDLE, L"Web");
    std::vector<ItemPtr> expected;
    for (int i = 0; i < 40; ++i)
        expected.push_back(add(*bundle, BUNDLE_TYPE_SNIPPET, i == 25 ? L"" : i % 3 ? L"b" : L"a"));
    std::stable_sort(expected.begin(), expected.end(),
                     [](const ItemPtr& a, const ItemPtr& b) { return a->getTitle() < b->getTitle(); });
    const MenuDefNodePtr menu = bundle->getMenu();
    ASSERT_EQ(expected.size(), menu->children.size());
    EXPECT_EQ(L"<unset>", expected[0]->getTitle());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(expected[i]->getUUID().toString(), menu->children[i]->item) << i;
}

// Neither side is left pointing at the other when one goes while they are attached.
TEST_F(BundleTest, ABundleOrItemDestroyedWhileAttachedIsForgotten) {
    BundlePtr bundle = make<Bundle>(BUNDLE_TYPE_BUNDLE, L"Web");
    const ItemPtr kept = add(*bundle, BUNDLE_TYPE_SNIPPET, L"kept");
    LogCapture log;
    bundle->addItem(*make(BUNDLE_TYPE_SNIPPET, L"dropped")); // released at once
    EXPECT_TRUE(log.contains(L"m_bundle == nullptr", pel::LOG_ERROR));
    EXPECT_EQ(L"kept", dump(*bundle->getMenu()));
    bundle.reset();
    EXPECT_TRUE(log.contains(L"m_items.empty()", pel::LOG_ERROR) && !kept->getBundle());
}

// Every entry saves into the changes layer under its title's name, or its type's where the title
// gives none (long ones are cut), and reads back with its title.
TEST_F(BundleTest, EveryTitleAndTemplateGivesAnEntryThatSavesAndReadsBack) {
    const std::wstring longTitle(300, L'x');
    const struct {
        uint32_t type;
        std::wstring title, bundleName, itemName;
    } rows[] = {
        {BUNDLE_TYPE_SNIPPET, L"My Snippet", L"my_snippet", L"my_snippet"},
        {BUNDLE_TYPE_SNIPPET, L"", L"bundle", L"snippet"},
        {BUNDLE_TYPE_THEME, L"\u65e5\u672c\u8a9e", L"bundle", L"theme"},
        {BUNDLE_TYPE_PREFERENCES, L"NUL", L"bundle", L"preferences"},
        {BUNDLE_TYPE_GRAMMAR, L"Aux", L"bundle", L"grammar"},
        {BUNDLE_TYPE_SNIPPET, L"Com7", L"com_7", L"com_7"}, // letters and digits are two words
        {BUNDLE_TYPE_GRAMMAR, L"My \"X\"", L"my_x", L"my_x"},
        {BUNDLE_TYPE_SNIPPET, longTitle, longTitle.substr(0, BundleEntryFileName::MAX_LENGTH - 37 - 9),
         longTitle.substr(0, BundleEntryFileName::MAX_LENGTH - 37 - 10)}, // ".<uuid>", ".tsBundle", ".tsSnippet"
    };
    for (const auto& row : rows) {
        const BundlePtr bundle = make<Bundle>(BUNDLE_TYPE_BUNDLE, row.title);
        const ItemPtr item = make(row.type, row.title);
        EXPECT_THROW(pathOf(*item), pel::AssertionViolationException); // not attached
        add(*bundle, item);
        const std::wstring folder = L"changes:/" + row.bundleName + L"." + bundle->getUUID().toString() + L".tsBundle/";
        EXPECT_EQ(folder + L"info." + bundle->getUUID().toString() + L".tsInfo", pathOf(*bundle));
        EXPECT_EQ(folder + item->getTraits().folder + L"/" + row.itemName + L"." + item->getUUID().toString() + L"." +
                      item->getTraits().extension,
                  pathOf(*item));
        ASSERT_TRUE(item->save() && bundle->save()) << pathOf(*item);
        EXPECT_TRUE(reread(*item) == row.title && reread(*bundle) == row.title) << pathOf(*item);
    }
}

// The loader drops a bundle found in two folders of one layer: stored, edited and new entries of
// a stored bundle, and those of a new bundle renamed after its first item was saved, share one.
TEST_F(BundleTest, EachBundleHasOneFolderInTheChangesLayer) {
    const BundlePtr bundle = stored();
    const std::wstring folder = L"changes:/WebTools." + BU + L".tsBundle/"; // stored names are kept
    EXPECT_EQ(folder + L"info." + BU + L".tsInfo", pathOf(*bundle));
    EXPECT_EQ(folder + L"grammars/HTML." + IU + L".tsGrammar", pathOf(*items.back()));
    ASSERT_TRUE(items.back()->setTitle(L"HTML edited") && items.back()->save());
    const ItemPtr added = add(*bundle, BUNDLE_TYPE_SNIPPET, L"Added");
    EXPECT_EQ(folder + L"snippets/added." + added->getUUID().toString() + L".tsSnippet", pathOf(*added));
    ASSERT_TRUE(added->save());
    const BundlePtr fresh = make<Bundle>(BUNDLE_TYPE_BUNDLE, L"Fresh Tools");
    ASSERT_TRUE(add(*fresh, BUNDLE_TYPE_SNIPPET, L"First")->save());
    ASSERT_TRUE(fresh->setTitle(L"Renamed") && fresh->save());
    ASSERT_TRUE(add(*fresh, BUNDLE_TYPE_SNIPPET, L"Second")->save());

    std::map<std::wstring, std::vector<std::wstring>> folders;
    pel::Directory* layer = pel::FileIO::openDirectory(L"user:bundles/.changes");
    while (const pel::FileInfo* info = layer->next()) {
        BundleEntryFileName name;
        if (info->name[0] != L'.' && BundleEntryFileName::parse(info->name, &name) == std::wcslen(info->name))
            folders[name.uuid.toString()].push_back(info->name);
    }
    pel::FileIO::closeDirectory(layer);
    const std::wstring FU = fresh->getUUID().toString();
    EXPECT_EQ((std::map<std::wstring, std::vector<std::wstring>>{{BU, {L"WebTools." + BU + L".tsBundle"}},
                                                                 {FU, {L"fresh_tools." + FU + L".tsBundle"}}}),
              folders);
    EXPECT_EQ(L"Renamed", reread(*fresh));
    for (const ItemPtr& item : items)
        EXPECT_EQ(item->getOwnTitle(), reread(*item));
}

// Titles go in as Jasmine strings: quotes, backslashes, line breaks and placeholders read back;
// each template passes its own type's validator.
TEST_F(BundleTest, TemplatesAreGoldenAndReadBackAnyTitleAndValidate) {
    const std::wstring title = L"My \"X\" \\\n{2}";
    for (size_t i = 0; i < std::size(TYPES); ++i) {
        const BundleEntryTraits& traits =
            **std::find_if(BundleEntryTraits::all().begin(), BundleEntryTraits::all().end(),
                           [&](const BundleEntryTraits* t) { return t->id == TYPES[i]; });
        EXPECT_EQ(std::wstring(GOLDEN[i]), BundleEntryTemplates::format(*TEMPLATES[i], L"Plain", L"source.x"));
        const std::wstring text = BundleEntryTemplates::format(*TEMPLATES[i], title, L"source.x");
        const std::unique_ptr<pel::Value> value = BundleEntrySourceHelper::parse(L"new", text, &errors, nullptr);
        const auto* root = static_cast<const pel::AbstractDictionaryValue*>(value.get());
        std::wstring read, name = L"source.x";
        ASSERT_TRUE(root && root->getString(L"title", &read) && read == title) << text;
        EXPECT_TRUE(TYPES[i] != BUNDLE_TYPE_GRAMMAR || (root->getString(L"name", &name) && name == L"source.x"));
        EXPECT_TRUE(traits.validator->validate(root, &errors) && errors.empty()) << text;
    }
}
