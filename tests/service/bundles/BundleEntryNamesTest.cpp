#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFileStorage.h"

#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/Value.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace tessel;

namespace {

const std::wstring U1 = L"0f8fad5b-d9cb-469f-a165-70867728950e", U2 = L"7c9e6679-7425-40de-944b-e07fc1f90ae7";

std::unique_ptr<pel::Value> jasmine(const wchar_t* text) {
    return std::unique_ptr<pel::Value>(pel::JasmineReaderHelper::read(std::wstring(text)));
}

} // namespace

TEST(BundleEntryTraits, RecordsFollowTheTypeTableAndTheBundleTypeHasItsDefault) {
    std::wstring printed;
    for (const BundleEntryTraits* t : BundleEntryTraits::all()) {
        wchar_t line[160];
        std::swprintf(line, 160, L"%08X %ls %ls %ls %ls %d %d\n", t->id, t->type_name.c_str(), t->title.c_str(),
                      t->extension.c_str(), t->folder.c_str(), t->weight, t->second_id == t->id && t->validator);
        printed += line;
    }
    EXPECT_EQ(L"7A6B6279 grammar Grammar tsGrammar grammars -10 1\n"
              L"CD14D32D preferences Preferences tsPreferences preferences 0 1\n"
              L"961C8CD5 snippet Snippet tsSnippet snippets 0 1\n"
              L"9775E708 theme Theme tsTheme themes -20 1\n"
              L"A57B32FD bundle Bundle tsBundle bundles 0 1\n",
              printed);
    EXPECT_EQ(0xE931A6F5u, pel::crc32Literal("preferences")); // not the preferences code

    const BundleEntryTraits& bundle = BundleEntryTraits::bundle();
    ASSERT_TRUE(bundle.default_value && bundle.default_tokens);
    EXPECT_TRUE(bundle.default_value->equals(*jasmine(L"{title: null, menu: null}")));
    EXPECT_FALSE(bundle.default_tokens->empty());
    BundleEntryTraits made(1, L"T", L"t", L"tsT", L"ts", 1, bundle.validator, 0);
    EXPECT_THROW(made.setDefault(*jasmine(L"[1]")), pel::AssertionViolationException); // no dictionary
}

TEST(BundleEntryFileName, ParsesFromTheStartAndPrintsLowerCase) {
    const struct {
        std::wstring text;
        size_t count; // 0: "File name was invalid."
        std::wstring printed = {}; // a nil UUID is left out, others are lower case
    } rows[] = {
        {L"HTML." + U1 + L".tsGrammar.bak", 51, L"HTML." + U1 + L".tsGrammar"},
        {L"Web.7C9E6679-7425-40DE-944B-E07FC1F90AE7.tsBundle", 49, L"Web." + U2 + L".tsBundle"},
        {L"HTML.zzzzzzzz-zzzz-zzzz-zzzz-zzzzzzzzzzzz.tsGrammar", 51, L"HTML.tsGrammar"},
        {L"a b." + U1 + L".x1", 42, L"a b." + U1 + L".x"},
        {L"HTML.tsGrammar", 0},
        {L"My.HTML." + U1 + L".tsGrammar", 0}, // a name holding "." does not read back
        {L"." + U1 + L".tsGrammar", 0},
        {L"HTML." + U1 + L".", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        BundleEntryFileName name;
        try {
            EXPECT_EQ(row.count, BundleEntryFileName::parse(row.text, &name));
            EXPECT_EQ(row.printed, name.toString());
        } catch (const pel::InvalidArgumentException& e) {
            EXPECT_EQ(0u, row.count);
            EXPECT_EQ(L"File name was invalid.", e.message);
            EXPECT_TRUE(name.empty());
        }
    }
}

TEST(BundleEntryFilePath, TextsDevicePathsAndEquality) {
    BundleEntryFilePath path;
    EXPECT_EQ(L"root:/", path.toString(true));
    path.storage = static_cast<BundleEntryRepository::Type>(7);
    EXPECT_EQ(L":/", path.toString(true));

    path.storage = BundleEntryRepository::T_User;
    path.setBundleFileName(L"Web." + U1 + L".tsBundle");
    path.folder = L"grammars";
    path.setEntryFileName(L"HTML." + U2 + L".tsGrammar");
    const std::wstring rest = L"/Web." + U1 + L".tsBundle/grammars/HTML." + U2 + L".tsGrammar";
    EXPECT_EQ(L"user:" + rest, path.toString(true));
    EXPECT_EQ(rest, path.toString(false));
    EXPECT_EQ(L"user:bundles" + rest, path.getDevicePath());
    BundleFileStorage storage;
    EXPECT_EQ(L"user:bundles" + rest, storage.getFullPath(path));
    storage.setRoot(BundleEntryRepository::T_User, L"user:elsewhere\\");
    EXPECT_EQ(L"user:elsewhere" + rest, storage.getFullPath(path));
    EXPECT_EQ(L"user:bundles/.changes", storage.getRoot(BundleEntryRepository::T_Changes));

    BundleEntryFilePath changes = path;
    changes.storage = BundleEntryRepository::T_Changes;
    EXPECT_FALSE(BundleEntryFilePath::equals(path, changes));
    EXPECT_TRUE(BundleEntryFilePath::equalsIgnoringStorage(path, changes));
    changes.entry.suffix = L"tsTheme";
    EXPECT_FALSE(BundleEntryFilePath::equalsIgnoringStorage(path, changes));
    EXPECT_THROW(path.setEntryFileName(L"HTML"), pel::InvalidArgumentException);
    EXPECT_EQ(L"HTML", path.entry.name); // a refused name leaves the part as it was
}
