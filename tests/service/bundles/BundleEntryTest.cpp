#include "service/bundles/BundleEntry.h"

#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/BundleFactory.h"

#include "BundleLayers.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/StringValue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessel;
using tessel_test::BundleLayers;

namespace {

constexpr auto ROOT = BundleEntryRepository::T_Root;
constexpr auto CHANGES = BundleEntryRepository::T_Changes;

// A grammar entry whose reader can be made to throw, as a grammar's or a theme's can.
class TestEntry : public BundleEntry {
public:
    const BundleEntryTraits& getTraits() const override { return BundleEntryTraits::grammar(); }
    void getFilePath(BundleEntryFilePath* o_path) const override { *o_path = BundleLayers::grammar(CHANGES); }
    void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) override {
        BundleEntry::readValue(value, o_errors);
        if (throws)
            throw pel::IllegalStateException(L"the reader gave up");
    }
    bool throws = false;
};

class TestFactory : public IBundleEntryFactory {
public:
    BundleEntryPtr createEntry() override { return BundleEntryPtr(new TestEntry, false); }
};

// What an entry announces, one word each.
struct Heard {
    explicit Heard(BundleEntry& entry) {
        entry.onBeginUpdate.add(this, [this](BundleEntry&) { words.push_back(L"begin"); });
        entry.onEndUpdate.add(this, [this](BundleEntry&, bool changed) { words.push_back(changed ? L"end+" : L"end"); });
        entry.onSaved.add(this, [this](BundleEntry&) { words.push_back(L"saved"); });
        entry.onModifiedChanged.add(this, [this](BundleEntry& e) { words.push_back(e.isModified() ? L"mod" : L"unmod"); });
        entry.onErrorAdded.add(this, [this](BundleEntry&, const ErrorList::ErrorPtr&) { words.push_back(L"error"); });
    }
    std::wstring take() {
        std::wstring all;
        for (const std::wstring& word : words)
            all += (all.empty() ? L"" : L" ") + word;
        words.clear();
        return all;
    }
    std::vector<std::wstring> words;
};

class BundleEntryTest : public ::testing::Test {
protected:
    BundleEntryTest() { factory.registerFactory(BUNDLE_TYPE_GRAMMAR, std::make_shared<TestFactory>()); }

    // An entry of the grammar at the root layer, with the text given (none: no file).
    BundleEntryPtr entry(const wchar_t* root, const pel::UUID& uuid = pel::UUID::fromString(BundleLayers::ENTRY_UUID)) {
        BundleEntryPtr made = BundleEntry::create(factory, BUNDLE_TYPE_GRAMMAR, uuid);
        if (root) {
            layers.put(BundleLayers::grammar(ROOT), root);
            made->getSource()->setPath(BundleLayers::grammar(ROOT));
        }
        return made;
    }

    BundleLayers layers;
    BundleFactory factory{layers.storage};
    ErrorList errors;
};

} // namespace

TEST_F(BundleEntryTest, CreateKnowsOnlyRegisteredTypesAndTheFirstRegistrationWins) {
    EXPECT_THROW(BundleEntry::create(factory, BUNDLE_TYPE_THEME, pel::UUID()), pel::IllegalStateException);
    EXPECT_FALSE(factory.registerFactory(BUNDLE_TYPE_GRAMMAR, std::make_shared<TestFactory>()));
    const BundleEntryPtr made = entry(nullptr);
    EXPECT_EQ(1, made->refCount());
    EXPECT_EQ(BUNDLE_TYPE_GRAMMAR, made->getTypeId());
    EXPECT_TRUE(made->isModified() && made->isUnsaved() && !made->isInstalled());
    EXPECT_EQ(layers.storage, made->getSource()->getStorage());
    EXPECT_TRUE(made->getUUID() == pel::UUID::fromString(BundleLayers::ENTRY_UUID));
    EXPECT_THROW(made->setSource(layers.source({}, BundleEntryTraits::theme())), pel::AssertionViolationException);
}

TEST_F(BundleEntryTest, TitlesFromTheValueThePathOrNothing) {
    const struct {
        const wchar_t* root; // none: no file
        const wchar_t* title;
    } rows[] = {
        {L"{title: 'Web'}", L"Web"},
        {L"{title: ''}", L"HTML"}, // the file's name
        {L"{title: [1]}", L"HTML"},
        {nullptr, L"<unset>"},
    };
    for (const auto& row : rows) {
        const BundleEntryPtr made = entry(row.root);
        EXPECT_EQ(row.root != nullptr, made->load());
        EXPECT_EQ(row.title, made->getTitle()) << (row.root ? row.root : L"no file");
        EXPECT_EQ(row.root == nullptr, made->isModified());
    }
    // A title read before stays when the next value has none to give.
    const BundleEntryPtr made = entry(L"{title: 'Web'}");
    made->load();
    ASSERT_TRUE(made->setSourceText(L"{title: ['x']}", &errors));
    EXPECT_EQ(L"Web", made->getTitle());
}

TEST_F(BundleEntryTest, UpdatesAreAnnouncedOnlyWhileInstalled) {
    const BundleEntryPtr made = entry(L"{title: 'Web'}");
    Heard heard(*made);
    made->load();
    EXPECT_EQ(L"unmod", heard.take()); // not installed: no bracket events
    made->setInstalled(true);

    made->beginUpdate();
    made->beginUpdate();
    ASSERT_TRUE(made->setTitle(L"Other"));
    made->endUpdate();
    EXPECT_EQ(L"begin mod", heard.take());
    made->endUpdate();
    EXPECT_EQ(L"end+", heard.take());
    EXPECT_EQ(0, made->getUpdateDepth());
    EXPECT_THROW(made->endUpdate(), pel::IllegalStateException);

    EXPECT_TRUE(made->setTitle(L"Other")); // the title it has: nothing
    EXPECT_EQ(L"", heard.take());
    made->beginUpdate();
    made->endUpdate();
    EXPECT_EQ(L"begin end", heard.take());

    made->setInstalled(false);
    ASSERT_TRUE(made->save());
    EXPECT_EQ(L"unmod saved", heard.take());
    EXPECT_EQ(L"Other", made->getTitle());
}

TEST_F(BundleEntryTest, AReaderThatThrowsLeavesOneErrorAndTheBracketClosed) {
    const BundleEntryPtr made = entry(L"{title: 'Web'}");
    static_cast<TestEntry&>(*made).throws = true;
    made->setInstalled(true);
    Heard heard(*made);
    EXPECT_TRUE(made->load());
    EXPECT_EQ(L"begin error unmod end+", heard.take());
    ASSERT_EQ(1u, made->getErrors().size());
    const ErrorList::ErrorPtr& error = made->getErrors().getFirst();
    EXPECT_EQ(3u, error->getSeverity());
    EXPECT_TRUE(error->hasTag(BundleError::TAG_READ));
    EXPECT_NE(std::wstring::npos, error->getMessage().find(L"the reader gave up"));
    EXPECT_EQ(0, made->getUpdateDepth());
    EXPECT_EQ(L"Web", made->getTitle()); // what it read before it threw
    EXPECT_TRUE(made->canEdit() && made->hasProblems() && !made->hasErrors());

    EXPECT_TRUE(made->setSourceText(L"{title: 'Next'}", &errors));
    EXPECT_EQ(0, made->getUpdateDepth());
    EXPECT_EQ(2u, made->getErrors().size());
}

TEST_F(BundleEntryTest, AFailedSaveLeavesTheOldFileAndTheEntryModifiedAndARetryLeavesNoError) {
    const BundleEntryPtr made = entry(L"{title: 'Web', scope: 'source.web'}");
    made->getSource()->setPath(BundleLayers::grammar(CHANGES));
    layers.put(BundleLayers::grammar(CHANGES), L"{title: 'Mine' // kept\n, scope: inherit}");
    const std::wstring changesFile = layers.full(BundleLayers::grammar(CHANGES));
    const std::string before = BundleLayers::bytes(changesFile);
    ASSERT_TRUE(made->load());
    ASSERT_TRUE(made->setTitle(L"Edited"));

    layers.userDevice.writeLimit = 10; // the disk fills after 10 bytes
    EXPECT_FALSE(made->save());
    EXPECT_EQ(before, BundleLayers::bytes(changesFile));
    EXPECT_EQ(std::vector<std::wstring>{BundleLayers::grammar(CHANGES).entry.toString()},
              layers.namesBeside(BundleLayers::grammar(CHANGES))); // no temporary file left
    EXPECT_TRUE(made->isModified());
    EXPECT_EQ(1u, made->getErrors().getTagCount(BundleError::TAG_SAVE));
    EXPECT_FALSE(made->canEdit());

    layers.userDevice.writeLimit = SIZE_MAX;
    EXPECT_TRUE(made->save());
    EXPECT_EQ(0u, made->getErrors().getTagCount(BundleError::TAG_SAVE));
    EXPECT_FALSE(made->isModified() || made->isUnsaved());
    EXPECT_NE(std::wstring::npos, BundleLayers::savedText(changesFile).find(L"title: \"Edited\" // kept"));
}

TEST_F(BundleEntryTest, AnEntryWithoutAUUIDIsNeverWritten) {
    const BundleEntryPtr made = entry(L"{title: 'None'}", pel::UUID());
    ASSERT_TRUE(made->load());
    ASSERT_TRUE(made->setTitle(L"Nothing"));
    EXPECT_FALSE(made->save());
    EXPECT_TRUE(made->isModified());
    ASSERT_EQ(1u, made->getErrors().size());
    EXPECT_EQ(4u, made->getErrors().getFirst()->getSeverity());
    EXPECT_TRUE(made->getErrors().getFirst()->hasTag(BundleError::TAG_SAVE));
    EXPECT_EQ("<none>", BundleLayers::bytes(layers.full(BundleLayers::grammar(CHANGES))));
}

TEST_F(BundleEntryTest, ValuesAndTextsGoThroughTheSource) {
    const BundleEntryPtr made = entry(L"{title: 'Web' /* c */}");
    ASSERT_TRUE(made->load());
    pel::DictionaryValue value;
    made->writeValue(&value);
    value.setValue(L"scope", pel::StringValue::create(L"source.web"));
    ASSERT_TRUE(made->setValue(&value, &errors));
    EXPECT_TRUE(made->isModified());
    EXPECT_EQ(L"{title: 'Web' /* c */\nscope: \"source.web\"}", made->getSourceText());
    EXPECT_FALSE(made->setSourceText(L"{title: ", &errors));
    EXPECT_FALSE(errors.empty());
    EXPECT_EQ(L"{title: 'Web' /* c */\nscope: \"source.web\"}", made->getSourceText());
    EXPECT_THROW(made->setValue(nullptr, &errors), pel::NullPointerException);
}
