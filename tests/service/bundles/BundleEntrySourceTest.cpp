#include "service/bundles/BundleEntrySource.h"

#include "service/base/error/ErrorList.h"
#include "service/bundles/BundleError.h"

#include "BundleLayers.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/DictionaryValue.h"
#include "pel/value/StringValue.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace tessel;
using tessel_test::BundleLayers;
using Owned = std::unique_ptr<pel::Value>;

namespace {

constexpr auto ROOT = BundleEntryRepository::T_Root;
constexpr auto USER = BundleEntryRepository::T_User;
constexpr auto CHANGES = BundleEntryRepository::T_Changes;

const std::wstring GRAMMAR = L"// A grammar\n{\n\t// shown in menus\n\ttitle: 'A' // the title\n\tscope: \"source.x\"\n"
                             L"\t/* rules */\n\tpatterns: [{match: /x/}] // last\n}\n";

std::wstring replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
    return text.replace(text.find(from), from.size(), to);
}

std::wstring titleOf(const pel::AbstractDictionaryValue* value) {
    std::wstring title = L"<none>";
    if (value)
        value->getString(L"title", &title);
    return title;
}

// The title as the text merge has it: the merged text read on its own.
std::wstring textTitle(BundleEntrySource& source) {
    ErrorList errors;
    const Owned value(pel::JasmineReaderHelper::read(source.getSourceText(&errors)));
    return titleOf(static_cast<const pel::AbstractDictionaryValue*>(value.get()));
}

class BundleEntrySourceTest : public ::testing::Test {
protected:
    BundleLayers layers;
    ErrorList errors;
};

} // namespace

TEST_F(BundleEntrySourceTest, ARootEntryMergesToItsTextAndAValueEditChangesOnlyThatValue) {
    layers.put(BundleLayers::grammar(ROOT), GRAMMAR);
    const std::string rootBytes = BundleLayers::bytes(layers.full(BundleLayers::grammar(ROOT)));
    const auto source = layers.source({ROOT});
    EXPECT_EQ(GRAMMAR, source->getSourceText(&errors));
    EXPECT_EQ(L"A", titleOf(source->getValue(&errors).get()));
    EXPECT_TRUE(source->save(BundleLayers::grammar(CHANGES), &errors)); // unchanged: nothing to write
    EXPECT_EQ("<none>", BundleLayers::bytes(layers.full(BundleLayers::grammar(CHANGES))));

    ASSERT_TRUE(source->setValue(L"title", pel::StringValue(L"B"), &errors));
    const std::wstring edited = replaced(GRAMMAR, L"'A'", L"\"B\"");
    EXPECT_EQ(edited, source->getSourceText(&errors));
    EXPECT_EQ(L"B", titleOf(source->getValue(&errors).get()));

    ASSERT_TRUE(source->save(BundleLayers::grammar(CHANGES), &errors));
    EXPECT_EQ(L"// A grammar\n{\n\t// shown in menus\n\ttitle: \"B\" // the title\n\tscope: inherit\n\t/* rules */\n"
              L"\tpatterns: inherit // last\n}\n",
              BundleLayers::savedText(layers.full(BundleLayers::grammar(CHANGES))));
    EXPECT_EQ(rootBytes, BundleLayers::bytes(layers.full(BundleLayers::grammar(ROOT))));
    ASSERT_NE(nullptr, source->getTopPath());
    EXPECT_EQ(CHANGES, source->getTopPath()->storage);

    // Read back from the files, the merge is the edited text.
    const auto reread = layers.source({ROOT, CHANGES});
    EXPECT_EQ(edited, reread->getSourceText(&errors));
    EXPECT_TRUE(errors.empty());
}

TEST_F(BundleEntrySourceTest, ABundleWithoutAnInfoFileMergesFromTheDefaultDocument) {
    const auto source = layers.source({ROOT, USER}, BundleEntryTraits::bundle());
    const std::shared_ptr<const pel::AbstractDictionaryValue> value = source->getValue(&errors);
    ASSERT_NE(nullptr, value);
    EXPECT_TRUE(value->equals(*BundleEntryTraits::bundle().default_value));
    EXPECT_FALSE(source->getSourceText(&errors).empty());
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(source->isReady());
}

TEST_F(BundleEntrySourceTest, MarkersAreBareWordsInBothMerges) {
    const struct {
        const wchar_t* user;
        const wchar_t* title;
    } rows[] = {
        {L"{title: \"removed\"}", L"removed"},
        {L"{title: 'inherit'}", L"inherit"},
        {L"{title: removed}", L"<none>"},
        {L"{title: inherit}", L"A"},
    };
    layers.put(BundleLayers::grammar(ROOT), GRAMMAR);
    for (const auto& row : rows) {
        layers.put(BundleLayers::grammar(USER), row.user);
        const auto source = layers.source({ROOT, USER});
        EXPECT_EQ(row.title, titleOf(source->getValue(&errors).get())) << row.user;
        EXPECT_EQ(row.title, textTitle(*source)) << row.user;
    }

    // A title edited into a marker word is a string in both merges, and stays one once saved.
    const auto source = layers.source({ROOT, USER});
    ASSERT_TRUE(source->setValue(L"title", pel::StringValue(L"removed"), &errors));
    EXPECT_EQ(L"removed", titleOf(source->getValue(&errors).get()));
    EXPECT_EQ(L"removed", textTitle(*source));
    ASSERT_TRUE(source->save(BundleLayers::grammar(CHANGES), &errors));
    const auto reread = layers.source({ROOT, USER, CHANGES});
    EXPECT_EQ(L"removed", titleOf(reread->getValue(&errors).get()));
    EXPECT_EQ(L"removed", textTitle(*reread));
    EXPECT_TRUE(errors.empty());
}

TEST_F(BundleEntrySourceTest, ANewEntryWithoutPathsSavesItsWholeText) {
    const tessel_test::LogCapture log;
    const std::wstring text = L"// new\n{\n\ttitle: 'N'\n\tscope: removed\n}\n";
    const auto source = layers.source({});
    EXPECT_FALSE(source->hasSource());
    EXPECT_TRUE(source->getSourceText(&errors).empty());
    ASSERT_TRUE(source->setMerged(text, &errors));
    EXPECT_TRUE(source->hasSource());
    EXPECT_EQ(text, source->getSourceText(&errors));
    std::wstring scope;
    EXPECT_TRUE(source->getValue(&errors)->getString(L"scope", &scope) && scope == L"removed");
    ASSERT_TRUE(source->save(BundleLayers::grammar(CHANGES), &errors));
    EXPECT_EQ(text, BundleLayers::savedText(layers.full(BundleLayers::grammar(CHANGES))));
    EXPECT_FALSE(log.contains(L"src_root"));
    EXPECT_TRUE(errors.empty());
}

TEST_F(BundleEntrySourceTest, UnsavedEditsSurviveReadsAndSaveTogether) {
    layers.put(BundleLayers::grammar(ROOT), GRAMMAR);
    layers.put(BundleLayers::grammar(CHANGES), L"{title: 'C' /* mine */, scope: inherit, patterns: inherit}");
    const auto source = layers.source({ROOT, CHANGES});
    EXPECT_EQ(L"C", titleOf(source->getValue(&errors).get())); // the layers read for their values alone
    ASSERT_TRUE(source->setValue(L"title", pel::StringValue(L"D"), &errors));
    EXPECT_EQ(L"D", titleOf(source->getValue(&errors).get()));
    EXPECT_NE(std::wstring::npos, source->getSourceText(&errors).find(L"title: \"D\" /* mine */"));
    ASSERT_TRUE(source->setValue(L"scope", pel::StringValue(L"source.y"), &errors));
    ASSERT_TRUE(source->save(BundleLayers::grammar(CHANGES), &errors));

    const std::shared_ptr<const pel::AbstractDictionaryValue> saved = layers.source({ROOT, CHANGES})->getValue(&errors);
    std::wstring scope;
    EXPECT_EQ(L"D", titleOf(saved.get()));
    EXPECT_TRUE(saved->getString(L"scope", &scope) && scope == L"source.y");
    EXPECT_TRUE(errors.empty());
}

TEST_F(BundleEntrySourceTest, AFormEditKeepsEveryComment) {
    layers.put(BundleLayers::grammar(ROOT), GRAMMAR);
    const auto source = layers.source({ROOT});
    const Owned edited(source->getValue(&errors)->clone());
    auto& dictionary = static_cast<pel::AbstractDictionaryValue&>(*edited);
    dictionary.setValue(L"patterns", pel::JasmineReaderHelper::read(std::wstring(L"[{match: /y/}, {match: /z/}]")));
    dictionary.remove(L"scope", nullptr);
    dictionary.setValue(L"fileTypes", pel::JasmineReaderHelper::read(std::wstring(L"['x']")));
    ASSERT_TRUE(source->setMerged(*edited, &errors));
    const std::wstring text = source->getSourceText(&errors);
    for (const wchar_t* comment : {L"// A grammar", L"// shown in menus", L"// the title", L"/* rules */", L"// last"})
        EXPECT_NE(std::wstring::npos, text.find(comment)) << comment << L" is gone from\n" << text;
    EXPECT_TRUE(source->getValue(&errors)->equals(*edited)) << text;
    EXPECT_TRUE(errors.empty());
}

TEST_F(BundleEntrySourceTest, ASaveIntoAFolderThatCannotBeMadeFailsWithOneSaveError) {
    layers.put(BundleLayers::grammar(ROOT), GRAMMAR);
    BundleEntryFilePath bundleFolder = BundleLayers::grammar(CHANGES);
    bundleFolder.folder.clear();
    bundleFolder.entry = BundleEntryFileName();
    BundleLayers::putBytes(layers.full(bundleFolder), "a file where the bundle's folder would be");
    const auto source = layers.source({ROOT});
    ASSERT_TRUE(source->setValue(L"title", pel::StringValue(L"B"), &errors));
    EXPECT_FALSE(source->save(BundleLayers::grammar(CHANGES), &errors));
    ASSERT_EQ(1u, errors.size());
    const std::wstring message = errors.getFirst()->getMessage(), path = BundleLayers::grammar(CHANGES).toString(false);
    EXPECT_EQ(4u, errors.getFirst()->getSeverity());
    EXPECT_TRUE(errors.getFirst()->hasTag(BundleError::TAG_SAVE));
    EXPECT_EQ(path, message.substr(message.size() - std::min(message.size(), path.size()))) << message;
    EXPECT_EQ(ROOT, source->getTopPath()->storage);
}

// A changes file saved to another path: kept, and its ".bak" copy too, while the new file
// cannot be made; after a successful save both are gone, with the old bundle folder.
TEST_F(BundleEntrySourceTest, ASaveToAnotherPathReplacesTheOldChangesFile) {
    const BundleEntryFilePath before = BundleLayers::grammar(CHANGES, L"HTML", L"Old.0f8fad5b-d9cb-469f-a165-70867728950f.tsBundle"),
                              after = BundleLayers::grammar(CHANGES);
    BundleEntryFilePath oldBundle = before;
    oldBundle.folder.clear();
    oldBundle.entry = BundleEntryFileName();
    layers.put(BundleLayers::grammar(ROOT), GRAMMAR);
    layers.put(before, L"{title: 'C', scope: inherit, patterns: inherit}");
    const auto source = layers.source({ROOT});
    source->setPath(before);
    ASSERT_TRUE(source->setValue(L"title", pel::StringValue(L"D"), &errors));

    pel::FileIO::createDirectories(layers.full(after).c_str()); // a folder where the file goes
    EXPECT_FALSE(source->save(after, &errors));
    EXPECT_EQ(1u, errors.size());
    EXPECT_NE("<none>", BundleLayers::bytes(layers.full(before) + L".bak"));
    EXPECT_NE("<none>", BundleLayers::bytes(layers.full(before)));

    pel::FileIO::removeDirectory(layers.full(after).c_str());
    ASSERT_TRUE(source->save(after, &errors));
    EXPECT_EQ("<none>", BundleLayers::bytes(layers.full(before) + L".bak"));
    EXPECT_EQ("<none>", BundleLayers::bytes(layers.full(before)));
    EXPECT_FALSE(pel::FileIO::isDirectory(layers.full(oldBundle).c_str()));
    EXPECT_EQ(L"D", titleOf(layers.source({ROOT, CHANGES})->getValue(&errors).get()));
    EXPECT_TRUE(BundleEntryFilePath::equals(after, *source->getTopPath()));
}

TEST_F(BundleEntrySourceTest, PathsAndLayers) {
    const auto source = layers.source({USER});
    EXPECT_THROW(source->setPath(BundleEntryFilePath()), pel::InvalidArgumentException);
    EXPECT_EQ(USER, source->getTopPath()->storage);
    EXPECT_TRUE(source->getPath(ROOT).empty());
    EXPECT_FALSE(source->hasSource(static_cast<BundleEntryRepository::Type>(4)));
    layers.put(BundleLayers::grammar(USER), L"{title: 'U'}");
    EXPECT_EQ(L"U", titleOf(source->getValue(&errors).get()));
    EXPECT_TRUE(source->hasSource(USER) && !source->hasSource(ROOT) && !source->getSource(USER)->tokens);
    source->getSourceText(&errors);
    EXPECT_TRUE(source->getSource(USER)->tokens); // read again for its text
}
