#include "service/bundles/BundleEntry.h"

#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/BundleFactory.h"

#include "BundleLayers.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/StringValue.h"

#include <gtest/gtest.h>

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

struct TestFactory : IBundleEntryFactory {
    BundleEntryPtr createEntry() override { return BundleEntryPtr(new TestEntry, false); }
};

class BundleEntryTest : public ::testing::Test {
protected:
    BundleEntryTest() { factory.registerFactory(BUNDLE_TYPE_GRAMMAR, std::make_shared<TestFactory>()); }

    // An entry of the root grammar with the text given (none: no file), which it announces into
    // `heard`, a word each.
    BundleEntryPtr entry(const wchar_t* root, const pel::UUID& uuid = pel::UUID::fromString(BundleLayers::UUID)) {
        BundleEntryPtr made = BundleEntry::create(factory, BUNDLE_TYPE_GRAMMAR, uuid);
        if (root) {
            layers.put(BundleLayers::grammar(ROOT), root);
            made->getSource()->setPath(BundleLayers::grammar(ROOT));
        }
        made->onBeginUpdate.add(this, [this](BundleEntry&) { heard += L"begin "; });
        made->onEndUpdate.add(this, [this](BundleEntry&, bool changed) { heard += changed ? L"end+ " : L"end "; });
        made->onSaved.add(this, [this](BundleEntry&) { heard += L"saved "; });
        made->onModifiedChanged.add(this, [this](BundleEntry& e) { heard += e.isModified() ? L"mod " : L"unmod "; });
        made->onErrorAdded.add(this, [this](BundleEntry&, const ErrorList::ErrorPtr&) { heard += L"error "; });
        return made;
    }
    std::wstring take() { return std::move(heard); }

    BundleLayers layers;
    BundleFactory factory{layers.storage};
    ErrorList errors;
    std::wstring heard;
};

} // namespace

TEST_F(BundleEntryTest, CreateTitlesValuesAndTexts) {
    EXPECT_THROW(BundleEntry::create(factory, BUNDLE_TYPE_THEME, pel::UUID()), pel::IllegalStateException);
    EXPECT_FALSE(factory.registerFactory(BUNDLE_TYPE_GRAMMAR, std::make_shared<TestFactory>())); // the first wins
    const wchar_t* const rows[][2] = {
        {L"{title: 'Web'}", L"Web"}, {L"{title: ''}", L"HTML"}, {L"{title: [1]}", L"HTML"}, {nullptr, L"<unset>"}};
    for (const auto& row : rows) {
        const BundleEntryPtr made = entry(row[0]);
        EXPECT_TRUE(made->refCount() == 1 && made->isUnsaved() && made->getTypeId() == BUNDLE_TYPE_GRAMMAR);
        EXPECT_EQ(row[0] != nullptr, made->load());
        EXPECT_EQ(row[1], made->getTitle()) << (row[0] ? row[0] : L"no file");
        EXPECT_EQ(row[0] == nullptr, made->isModified());
    }
    const BundleEntryPtr made = entry(L"{title: 'Web' /* c */}");
    EXPECT_THROW(made->setSource(layers.source({}, BundleEntryTraits::theme())), pel::AssertionViolationException);
    ASSERT_TRUE(made->load());
    pel::DictionaryValue value;
    made->writeValue(&value);
    value.setValue(L"scope", pel::StringValue::create(L"source.web"));
    ASSERT_TRUE(made->setValue(&value, &errors));
    EXPECT_EQ(L"{title: 'Web' /* c */\nscope: \"source.web\"}", made->getSourceText());
    EXPECT_FALSE(made->setSourceText(L"{title: ", &errors) || errors.empty());
    ASSERT_TRUE(made->setSourceText(L"{title: ['x']}", &errors));
    EXPECT_TRUE(made->getTitle() == L"Web" && made->isModified()); // a title read before stays
}

TEST_F(BundleEntryTest, UpdatesAreAnnouncedOnlyWhileInstalled) {
    const BundleEntryPtr made = entry(L"{title: 'Web'}");
    made->load();
    EXPECT_EQ(L"unmod ", take());
    made->setInstalled(true);
    made->beginUpdate();
    made->beginUpdate();
    ASSERT_TRUE(made->setTitle(L"Other"));
    made->endUpdate();
    EXPECT_EQ(L"begin mod ", take());
    made->endUpdate();
    EXPECT_TRUE(made->setTitle(L"Other")); // the title it has: nothing
    made->beginUpdate();
    made->endUpdate();
    EXPECT_EQ(L"end+ begin end ", take());
    EXPECT_THROW(made->endUpdate(), pel::IllegalStateException);
    made->setInstalled(false);
    ASSERT_TRUE(made->save());
    EXPECT_EQ(L"unmod saved ", take());
}

TEST_F(BundleEntryTest, AReaderThatThrowsLeavesOneErrorAndTheBracketClosed) {
    const BundleEntryPtr made = entry(L"{title: 'Web'}");
    static_cast<TestEntry&>(*made).throws = true;
    made->setInstalled(true);
    EXPECT_TRUE(made->load());
    EXPECT_EQ(L"begin error unmod end+ ", take());
    ASSERT_EQ(1u, made->getErrors().size());
    const ErrorList::ErrorPtr& error = made->getErrors().getFirst();
    EXPECT_TRUE(error->getSeverity() == 3 && error->hasTag(BundleError::TAG_READ));
    EXPECT_NE(std::wstring::npos, error->getMessage().find(L"the reader gave up"));
    EXPECT_EQ(0, made->getUpdateDepth());
    EXPECT_EQ(L"Web", made->getTitle()); // what it read before it threw
    EXPECT_TRUE(made->canEdit() && made->hasProblems() && !made->hasErrors());
    EXPECT_TRUE(made->setSourceText(L"{title: 'Next'}", &errors));
    EXPECT_TRUE(made->getUpdateDepth() == 0 && made->getErrors().size() == 2);
}

TEST_F(BundleEntryTest, AFailedSaveLeavesTheFileAndTheEntryModifiedAndARetryLeavesNoError) {
    const BundleEntryPtr made = entry(L"{title: 'Web', scope: 'source.web'}");
    made->getSource()->setPath(BundleLayers::grammar(CHANGES));
    layers.put(BundleLayers::grammar(CHANGES), L"{title: 'Mine' // kept\n, scope: inherit}");
    const std::string before = BundleLayers::bytes(layers.full(BundleLayers::grammar(CHANGES)));
    ASSERT_TRUE(made->load() && made->setTitle(L"Edited"));

    layers.userDevice.writeLimit = 10; // the disk is full after 10 bytes
    EXPECT_FALSE(made->save());
    EXPECT_EQ(before, BundleLayers::bytes(layers.full(BundleLayers::grammar(CHANGES))));
    EXPECT_EQ((std::vector<std::wstring>{L".", L"..", BundleLayers::grammar(CHANGES).entry.toString()}),
              layers.namesBeside(BundleLayers::grammar(CHANGES))); // no temporary file
    // The error of that write keeps nobody from trying again: a caller that asks first still saves.
    EXPECT_TRUE(made->isModified() && made->canEdit() && made->hasErrors());
    EXPECT_EQ(1u, made->getErrors().getTagCount(BundleError::TAG_SAVE));
    EXPECT_FALSE(made->save());
    EXPECT_EQ(1u, made->getErrors().getTagCount(BundleError::TAG_SAVE)) << "each save reports its own error only";

    layers.userDevice.writeLimit = SIZE_MAX;
    EXPECT_TRUE(made->save());
    EXPECT_TRUE(made->getErrors().empty() && !made->isModified() && !made->isUnsaved());
    EXPECT_NE(std::wstring::npos, layers.saved(BundleLayers::grammar(CHANGES)).find(L"title: \"Edited\" // kept"));

    // A built-in entry, without a UUID, is never written.
    const BundleEntryPtr builtIn = entry(L"{title: 'None'}", pel::UUID());
    ASSERT_TRUE(builtIn->load() && builtIn->setTitle(L"Nothing"));
    const std::string saved = BundleLayers::bytes(layers.full(BundleLayers::grammar(CHANGES)));
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_TRUE(builtIn->canEdit());
        EXPECT_FALSE(builtIn->save());
        EXPECT_TRUE(builtIn->isModified() && builtIn->getErrors().size() == 1 && builtIn->hasErrors());
        EXPECT_EQ(1u, builtIn->getErrors().getTagCount(BundleError::TAG_SAVE));
    }
    EXPECT_EQ(saved, BundleLayers::bytes(layers.full(BundleLayers::grammar(CHANGES))));

    // An entry whose text could not be read is another matter: it still refuses.
    made->getErrors().add(makeBundleError(BundleError::TAG_LOAD, BundleError::SEVERITY_UNREADABLE, L"unreadable"));
    EXPECT_FALSE(made->canEdit());
}
