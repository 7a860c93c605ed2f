#include "service/bundles/BundleEntrySource.h"

#include "service/base/error/ErrorList.h"
#include "service/bundles/BundleError.h"

#include "BundleLayers.h"
#include "pel/files/FileFailure.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/StringValue.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace tessel;
using tessel_test::BundleLayers;

namespace {

constexpr auto ROOT = BundleEntryRepository::T_Root, USER = BundleEntryRepository::T_User,
               CHANGES = BundleEntryRepository::T_Changes;

const std::wstring GRAMMAR = L"// A grammar\n{\n\t// shown in menus\n\ttitle: 'A' // the title\n\tscope: \"source.x\"\n"
                             L"\t/* rules */\n\tpatterns: [{match: /x/}] // last\n}\n";

class BundleEntrySourceTest : public ::testing::Test {
protected:
    // The title in the merged value (read first), then in the merged text read on its own.
    std::wstring titles(BundleEntrySource& source) {
        std::wstring value = L"-", text = L"-";
        source.getValue(&errors)->getString(L"title", &value);
        const std::unique_ptr<pel::Value> read(pel::JasmineReaderHelper::read(source.getSourceText(&errors)));
        static_cast<pel::AbstractDictionaryValue&>(*read).getString(L"title", &text);
        return value + L" " + text;
    }
    bool edit(BundleEntrySource& source, const wchar_t* key, const wchar_t* text) {
        return source.setValue(key, pel::StringValue(text), &errors);
    }

    BundleLayers layers;
    const BundleEntryFilePath root = BundleLayers::grammar(ROOT), changes = BundleLayers::grammar(CHANGES);
    ErrorList errors;
};

} // namespace

TEST_F(BundleEntrySourceTest, ARootEntryMergesToItsTextAndAnEditSavesAsChangesOfThatValue) {
    layers.put(root, GRAMMAR);
    const std::string rootBytes = BundleLayers::bytes(layers.full(root));
    const auto source = layers.source({ROOT});
    EXPECT_EQ(GRAMMAR, source->getSourceText(&errors));
    EXPECT_TRUE(source->save(changes, &errors)); // unchanged: nothing written
    EXPECT_EQ("<none>", BundleLayers::bytes(layers.full(changes)));

    ASSERT_TRUE(edit(*source, L"title", L"B"));
    const std::wstring edited = std::wstring(GRAMMAR).replace(GRAMMAR.find(L"'A'"), 3, L"\"B\"");
    EXPECT_EQ(edited, source->getSourceText(&errors));
    ASSERT_TRUE(source->save(changes, &errors));
    EXPECT_EQ(L"// A grammar\n{\n\t// shown in menus\n\ttitle: \"B\" // the title\n\tscope: inherit\n\t/* rules */\n"
              L"\tpatterns: inherit // last\n}\n",
              layers.saved(changes));
    EXPECT_EQ(rootBytes, BundleLayers::bytes(layers.full(root)));
    EXPECT_EQ(CHANGES, source->getTopPath()->storage);
    EXPECT_EQ(edited, layers.source({ROOT, CHANGES})->getSourceText(&errors)); // read back from the files
    EXPECT_TRUE(errors.empty());
}

// A title edited into a marker word is a string in both merges, also once saved; an unsaved
// edit stays through reads of the value and of the text, and a second edit joins it.
TEST_F(BundleEntrySourceTest, EditsStayStringsAndSurviveReads) {
    layers.put(root, GRAMMAR);
    layers.put(BundleLayers::grammar(USER), L"{title: 'inherit'}");
    layers.put(changes, L"{scope: 'source.c' /* mine */}");
    const auto source = layers.source({ROOT, USER, CHANGES});
    EXPECT_EQ(L"inherit inherit", titles(*source));
    ASSERT_TRUE(edit(*source, L"title", L"removed"));
    EXPECT_EQ(L"removed removed", titles(*source));
    ASSERT_TRUE(edit(*source, L"scope", L"source.y"));
    const std::wstring text = source->getSourceText(&errors);
    EXPECT_TRUE(text.find(L"scope: \"source.y\"") != text.npos && text.find(L"/* mine */") != text.npos) << text;
    ASSERT_TRUE(source->save(changes, &errors));
    const auto saved = layers.source({ROOT, USER, CHANGES});
    EXPECT_EQ(L"removed removed", titles(*saved));
    EXPECT_EQ(text, saved->getSourceText(&errors));
    EXPECT_TRUE(errors.empty());
}

TEST_F(BundleEntrySourceTest, ANewEntryWithoutPathsSavesItsWholeText) {
    const tessel_test::LogCapture log;
    const std::wstring text = L"// new\n{\n\ttitle: 'N'\n\tscope: removed\n}\n";
    const auto source = layers.source({});
    EXPECT_TRUE(source->getSourceText(&errors).empty());
    ASSERT_TRUE(source->setMerged(text, &errors));
    EXPECT_EQ(text, source->getSourceText(&errors));
    ASSERT_TRUE(source->save(changes, &errors));
    EXPECT_EQ(text, layers.saved(changes));
    EXPECT_FALSE(log.contains(L"src_root"));
    EXPECT_TRUE(errors.empty());
}

TEST_F(BundleEntrySourceTest, AFormEditKeepsEveryComment) {
    layers.put(root, GRAMMAR);
    const auto source = layers.source({ROOT});
    const std::unique_ptr<pel::Value> form(source->getValue(&errors)->clone());
    auto& members = static_cast<pel::AbstractDictionaryValue&>(*form);
    members.setValue(L"patterns", pel::JasmineReaderHelper::read(std::wstring(L"[{match: /y/}, {match: /z/}]")));
    members.remove(L"scope", nullptr);
    members.setValue(L"fileTypes", pel::JasmineReaderHelper::read(std::wstring(L"['x']")));
    ASSERT_TRUE(source->setMerged(*form, &errors));
    const std::wstring text = source->getSourceText(&errors);
    for (const wchar_t* comment : {L"// A grammar", L"// shown in menus", L"// the title", L"/* rules */", L"// last"})
        EXPECT_NE(std::wstring::npos, text.find(comment)) << comment << L" is gone from\n" << text;
    EXPECT_TRUE(source->getValue(&errors)->equals(*form) && errors.empty()) << text;
}

// A save into a folder that cannot be made fails with one error, which names the entry's file by
// the system's path in the user's words (no exception's name). A changes file saved to
// another path is kept while the new file cannot be made, and while it cannot be removed the
// save fails; after a successful save it is gone, and the old bundle folder with it. A ".bak"
// file the user keeps beside it is never touched.
TEST_F(BundleEntrySourceTest, FailedSavesLeaveTheFilesAndASaveElsewhereReplacesThem) {
    const BundleEntryFilePath before = BundleLayers::grammar(CHANGES, L"Old.0f8fad5b-d9cb-469f-a165-70867728950f.tsBundle");
    const std::wstring oldFile = layers.full(before), newFile = layers.full(changes);
    const std::wstring bundleFolder = newFile.substr(0, newFile.find(L"/grammars"));
    layers.put(root, GRAMMAR);
    layers.put(before, L"{title: 'C', scope: inherit, patterns: inherit}");
    BundleLayers::put(bundleFolder, L"a file where the bundle's folder goes");
    const auto source = layers.source({ROOT});
    source->setPath(before);
    ASSERT_TRUE(edit(*source, L"title", L"D"));
    EXPECT_FALSE(source->save(changes, &errors));
    ASSERT_EQ(1u, errors.size());
    const std::wstring message = errors.getFirst()->getMessage();
    EXPECT_TRUE(errors.getFirst()->getSeverity() == 4 && errors.getFirst()->hasTag(BundleError::TAG_SAVE));
    EXPECT_EQ(0u, message.find(L"Cannot save `" + pel::systemPathOf(newFile) + L"`: ")) << message;
    EXPECT_EQ(std::wstring::npos, message.find(L"Exception")) << message;

    pel::FileIO::deleteFile(bundleFolder.c_str());
    BundleLayers::put(oldFile + L".bak", L"the user's own copy");
    pel::FileIO::createDirectories(newFile.c_str()); // a folder where the file goes
    EXPECT_FALSE(source->save(changes, &errors));
    EXPECT_TRUE(BundleLayers::bytes(oldFile) != "<none>");
    EXPECT_TRUE(BundleEntryFilePath::equals(before, *source->getTopPath()));

    // The old file held open (without delete sharing) cannot be removed: the save reports it.
    pel::FileIO::removeDirectory(newFile.c_str());
    errors.clear();
    pel::File* held = pel::FileIO::openFile(oldFile.c_str(), pel::FILE_MODE_READ);
    ASSERT_NE(nullptr, held);
    EXPECT_FALSE(source->save(changes, &errors));
    pel::FileIO::closeFile(held);
    EXPECT_EQ(1u, errors.size());
    EXPECT_TRUE(BundleLayers::bytes(oldFile) != "<none>");
    EXPECT_TRUE(BundleEntryFilePath::equals(before, *source->getTopPath()));
    EXPECT_EQ("the user's own copy", BundleLayers::bytes(oldFile + L".bak"));
    EXPECT_TRUE(BundleLayers::bytes(newFile + L".bak") == "<none>");

    pel::FileIO::deleteFile((oldFile + L".bak").c_str());
    errors.clear();
    ASSERT_TRUE(source->save(changes, &errors));
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(BundleLayers::bytes(oldFile) == "<none>");
    EXPECT_FALSE(pel::FileIO::isDirectory(oldFile.substr(0, oldFile.find(L"/grammars")).c_str()));
    EXPECT_EQ(L"D D", titles(*layers.source({ROOT, CHANGES})));
    EXPECT_TRUE(BundleEntryFilePath::equals(changes, *source->getTopPath()));
}

TEST_F(BundleEntrySourceTest, ABundleWithoutAnInfoFileMergesFromTheDefaultDocument) {
    const auto bundle = layers.source({ROOT}, BundleEntryTraits::bundle());
    EXPECT_THROW(bundle->setPath(BundleEntryFilePath()), pel::InvalidArgumentException);
    ASSERT_NE(nullptr, bundle->getValue(&errors));
    EXPECT_TRUE(bundle->getValue(&errors)->equals(*BundleEntryTraits::bundle().default_value));
    EXPECT_TRUE(!bundle->getSourceText(&errors).empty() && bundle->isReady() && errors.empty());
}
