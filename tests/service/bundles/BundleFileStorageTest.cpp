#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleFileStorage.h"

#include "service/base/error/ErrorList.h"
#include "service/bundles/BundleError.h"

#include "pel/files/file_io/FileIO.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "BundleLayers.h"
#include "support/TextDamage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <random>
#include <string>
#include <thread>

using namespace tessel;
using Store = pel::TTokenStore<pel::JasmineToken>;

namespace {

// "root:" and "user:" over folders of their own while a test runs.
class BundleFileStorageTest : public ::testing::Test {
protected:
    // The grammar file `name` of one bundle in the layer.
    static BundleEntryFilePath entry(uint32_t layer, const std::wstring& name) {
        BundleEntryFilePath path = tessel_test::BundleLayers::grammar(layer);
        path.setEntryFileName(name + L"." + tessel_test::BundleLayers::UUID + L".tsGrammar");
        return path;
    }

    // Writes the bytes as the path's file, followed by zero bytes up to `extent`; its full path.
    std::wstring put(const BundleEntryFilePath& path, const std::string& bytes, int64_t extent = 0) {
        const std::wstring full = storage.getFullPath(path);
        pel::FileIO::createDirectories(full.substr(0, full.rfind(L'/')).c_str());
        pel::File* file = pel::FileIO::openFile(full.c_str(), pel::FILE_MODE_WRITE);
        const std::string zeros(1 << 20, '\0');
        int64_t size = bytes.empty() ? 0 : file->write(bytes.data(), uint32_t(bytes.size())); // the device refuses 0
        while (size < extent)
            size += file->write(zeros.data(), uint32_t(std::min<int64_t>(extent - size, zeros.size())));
        pel::FileIO::closeFile(file);
        return full;
    }

    tessel_test::BundleLayers layers;
    BundleFileStorage& storage = *layers.storage;
};

std::wstring listed(const ErrorList& errors) {
    std::wstring text;
    for (const ErrorList::ErrorPtr& error : errors.getErrors())
        text += std::to_wstring(error->getSeverity()) + (error->hasTag(BundleError::TAG_LOAD) ? L" load" : L"") +
                (error->hasTag(BundleError::TAG_READ) ? L" read" : L"") + L" | " + error->getMessage() + L"\n";
    return text;
}

bool sameValue(const pel::Value* value, const wchar_t* text) {
    return value && value->equals(*std::unique_ptr<pel::Value>(pel::JasmineReaderHelper::read(std::wstring(text))));
}

} // namespace

TEST_F(BundleFileStorageTest, EveryEncodingReadsToTheSameValueWithLineFeeds) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the ANSI file is written in code page 1252, the system's is " << ::GetACP();
    const std::string utf8 = "{\r\n\ttitle: 'Caf\xC3\xA9' // named\r\n\tn: [1 2]\r\n}\r\n";
    std::string utf16("\xFF\xFE"), ansi = utf8;
    for (wchar_t c : std::wstring(L"{\r\n\ttitle: 'Caf\u00E9' // named\r\n\tn: [1 2]\r\n}\r\n"))
        utf16 += {char(c & 0xFF), char(c >> 8)};
    ansi.replace(ansi.find("\xC3\xA9"), 2, "\xE9");
    for (const std::string& bytes : {utf16, utf8, ansi}) {
        const BundleEntryFilePath path = entry(BundleEntryRepository::T_User, L"E" + std::to_wstring(bytes.size()));
        put(path, bytes);
        ErrorList errors;
        Store store;
        EXPECT_TRUE(sameValue(storage.read(path, &errors, &store).get(), L"{title: 'Caf\u00E9', n: [1, 2]}"));
        EXPECT_TRUE(errors.empty());
        std::wstring tokens;
        store.appendText(0, store.size() - 1, tokens);
        EXPECT_EQ(L"{\n\ttitle: 'Caf\u00E9' // named\n\tn: [1 2]\n}\n", tokens);
    }
}

TEST_F(BundleFileStorageTest, EachFailureIsOneErrorOfSeverityFourAndReleasesTheLock) {
    const struct {
        const wchar_t* name;
        const char* bytes; // none: no file
        const wchar_t* message; // "@" stands for the full path
        int64_t extent = 0;
    } rows[] = {
        {L"Empty", "", L"4 load | File is empty. @"},
        {L"List", "\n\n  [1 2]", L"4 read | Root value must be `Dictionary`, but `List` found. (Line 3, Char 3)"},
        {L"Syntax", "{\n\ta: 1\n\tb: }\n", L"4 read | Expected value token but `}` found. @ (Line 3, Char 5)"},
        {L"Large", "{}", L"4 load | Reading from file failed. @", BundleFileStorage::MAX_FILE_SIZE + 1},
        {L"Missing", nullptr, L"4 load | Unable to open file for reading. @"},
    };
    for (const auto& row : rows) {
        const BundleEntryFilePath path = entry(BundleEntryRepository::T_Changes, row.name);
        const std::wstring full = row.bytes ? put(path, row.bytes, row.extent) : storage.getFullPath(path);
        ErrorList errors;
        Store store;
        EXPECT_EQ(nullptr, storage.read(path, &errors, &store));
        std::wstring expected = row.message;
        if (expected.find(L'@') != std::wstring::npos)
            expected.replace(expected.find(L'@'), 1, full);
        EXPECT_EQ(expected + L"\n", listed(errors));
    }

    ErrorList errors;
    EXPECT_THROW(storage.read(entry(0, L"Bad"), &errors, nullptr), pel::AssertionViolationException);
    std::future<size_t> next = std::async(std::launch::async, [this] {
        ErrorList more;
        storage.read(entry(BundleEntryRepository::T_Root, L"Gone"), &more, nullptr);
        return more.size();
    });
    ASSERT_EQ(std::future_status::ready, next.wait_for(std::chrono::seconds(30))) << "the next read never got the lock";
    EXPECT_EQ(1u, next.get());
}

TEST_F(BundleFileStorageTest, ThreadsReadingAtOnceGetTheirOwnResults) {
    const std::wstring texts[] = {L"{title: 'first' list: [1 2 3]}", L"/* c */ {title: 'second' x: {y: /a+/i}}"};
    const BundleEntryFilePath paths[] = {entry(BundleEntryRepository::T_Root, L"A"), entry(BundleEntryRepository::T_User, L"B")};
    for (int i = 0; i < 2; ++i) // long enough for the reads to overlap
        put(paths[i], std::string(texts[i].begin(), texts[i].end()) + std::string(4000, ' '));
    std::atomic<int> wrong{0};
    auto reader = [&](int i) {
        for (int n = 0; n < 1000; ++n) {
            ErrorList errors;
            Store store;
            const std::unique_ptr<pel::Value> value = storage.read(paths[i], &errors, n % 2 ? &store : nullptr);
            wrong += !errors.empty() || !sameValue(value.get(), texts[i].c_str()) || (n % 2 && store.size() < 10);
        }
    };
    std::thread first(reader, 0), second(reader, 1);
    first.join();
    second.join();
    EXPECT_EQ(0, wrong.load());
}

TEST(BundleEntrySourceHelper, DamagedTextEndsInADictionaryOrOneError) {
    ErrorList deep;
    EXPECT_EQ(nullptr, BundleEntrySourceHelper::parse(L"deep", std::wstring(100000, L'['), &deep, nullptr));
    ASSERT_EQ(1u, deep.size());
    EXPECT_TRUE(static_cast<const BundleError&>(*deep.getFirst()).hasPosition());

    const std::wstring grammar = L"// grammar\n{\n\ttitle: 'HTML'\n\tpatterns: [{match: /<\\/?[a-z]+/i, name: \"t\\u0041\"}]\n"
                                 L"\trepository: {a: {begin: /\"/, end: /\"/}} /* end */\n}\n",
                       snippet = L"{title: \"S\", content: 'if (${1:x}) {\\n}', scope: 'source.c - comment', n: -1.5e3}";
    std::mt19937 random(35);
    int escaped = 0, bad = 0, dictionaries = 0;
    for (int n = 0; n < 100000; ++n) {
        std::wstring text = n % 2 ? grammar : snippet;
        tessel_test::damageText(text, L"{}[]:,'\"/\\*\n\t abc019-.e\u00E9", random);
        if (n % 5 == 0) // cut short
            text.resize(random() % (text.size() + 1));
        try {
            ErrorList errors;
            Store store;
            const std::unique_ptr<pel::Value> root = BundleEntrySourceHelper::parse(L"m", text, &errors, n % 3 ? &store : nullptr);
            bad += root ? !errors.empty() || root->type != pel::Value::TYPE_DICTIONARY
                        : errors.size() != 1 || errors.getFirst()->getSeverity() != 4;
            dictionaries += root != nullptr;
        } catch (...) {
            ++escaped;
        }
    }
    EXPECT_EQ(0, escaped);
    EXPECT_EQ(0, bad);
    EXPECT_TRUE(dictionaries > 1000 && dictionaries < 99000) << dictionaries; // both ends were reached
}
