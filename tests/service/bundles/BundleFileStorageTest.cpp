#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/BundleFileStorage.h"

#include "service/base/error/ErrorList.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/Value.h"
#include "support/TempFolder.h"

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
    BundleFileStorageTest() {
        pel::FileIO::attachDevice(L"root", &m_root, 0);
        pel::FileIO::attachDevice(L"user", &m_user, 0);
    }
    ~BundleFileStorageTest() override {
        pel::FileIO::detachDevice(L"root");
        pel::FileIO::detachDevice(L"user");
    }

    // The grammar file `name` of one bundle in the layer.
    static BundleEntryFilePath entry(BundleEntryRepository::Type layer, const std::wstring& name) {
        BundleEntryFilePath path;
        path.storage = layer;
        path.setBundleFileName(L"Web.0f8fad5b-d9cb-469f-a165-70867728950e.tsBundle");
        path.folder = L"grammars";
        path.setEntryFileName(name + L".7c9e6679-7425-40de-944b-e07fc1f90ae7.tsGrammar");
        return path;
    }

    // Writes the bytes as the path's file, followed by zero bytes up to `extent`.
    std::wstring put(const BundleEntryFilePath& path, const std::string& bytes, int64_t extent = 0) {
        const std::wstring full = storage.getFullPath(path);
        pel::FileIO::createDirectories(full.substr(0, full.rfind(L'/')).c_str());
        pel::File* file = pel::FileIO::openFile(full.c_str(), pel::FILE_MODE_WRITE);
        EXPECT_EQ(int32_t(bytes.size()), file->write(bytes.data(), uint32_t(bytes.size())));
        const std::string zeros(1 << 20, '\0');
        for (int64_t size = bytes.size(); size < extent; size += file->write(zeros.data(), uint32_t(std::min<int64_t>(extent - size, zeros.size())))) {
        }
        pel::FileIO::closeFile(file);
        return full;
    }

    tessel_test::TempFolder m_rootFolder, m_userFolder;
    pel::FileDeviceWin32 m_root{m_rootFolder.path.c_str(), false};
    pel::FileDeviceWin32 m_user{m_userFolder.path.c_str(), false};
    BundleFileStorage storage;
};

std::wstring listed(const ErrorList& errors) {
    std::wstring text;
    for (const ErrorList::ErrorPtr& error : errors.getErrors())
        text += std::to_wstring(error->getSeverity()) + (error->hasTag(BundleError::TAG_LOAD) ? L" load" : L"") +
                (error->hasTag(BundleError::TAG_READ) ? L" read" : L"") + L" | " + error->getMessage() + L"\n";
    return text;
}

bool sameValue(const pel::Value* value, const wchar_t* text) {
    const std::unique_ptr<pel::Value> expected(pel::JasmineReaderHelper::read(std::wstring(text)));
    return value && value->equals(*expected);
}

} // namespace

TEST_F(BundleFileStorageTest, EveryEncodingReadsToTheSameValueWithLineFeeds) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the ANSI file is written in code page 1252, the system's is " << ::GetACP();
    const std::wstring text = L"{\r\n\ttitle: 'Caf\u00E9' // named\r\n\tn: [1 2]\r\n}\r\n";
    std::string utf16("\xFF\xFE");
    for (wchar_t c : text)
        utf16 += {char(c & 0xFF), char(c >> 8)};
    const std::string utf8 = "{\r\n\ttitle: 'Caf\xC3\xA9' // named\r\n\tn: [1 2]\r\n}\r\n";
    std::string ansi = utf8;
    ansi.replace(ansi.find("\xC3\xA9"), 2, "\xE9");
    for (const std::string& bytes : {utf16, utf8, ansi}) {
        const BundleEntryFilePath path = entry(BundleEntryRepository::T_User, L"E" + std::to_wstring(bytes.size()));
        put(path, bytes);
        ErrorList errors;
        Store store;
        const std::unique_ptr<pel::Value> value = storage.read(path, &errors, &store);
        EXPECT_EQ(L"", listed(errors));
        EXPECT_TRUE(sameValue(value.get(), L"{title: 'Caf\u00E9', n: [1, 2]}"));
        std::wstring tokens;
        store.appendText(0, store.size() - 1, tokens);
        EXPECT_EQ(L"{\n\ttitle: 'Caf\u00E9' // named\n\tn: [1 2]\n}\n", tokens);
    }
}

TEST_F(BundleFileStorageTest, EachFailureIsOneErrorOfSeverityFour) {
    const struct {
        const wchar_t* name;
        std::string bytes;
        const wchar_t* message; // the path follows where the error has it as its source
        bool sourced;
        int64_t extent = 0;
    } rows[] = {
        {L"Empty", "", L"4 load | File is empty.", true},
        {L"List", "\n\n  [1 2]", L"4 read | Root value must be `Dictionary`, but `List` found. (Line 3, Char 3)", false},
        {L"Syntax", "{\n\ta: 1\n\tb: }\n", L"4 read | Expected value token but `}` found.", true},
        {L"Large", "{}", L"4 load | Reading from file failed.", true, BundleFileStorage::MAX_FILE_SIZE + 1},
        {L"Missing", "", L"4 load | Unable to open file for reading.", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const BundleEntryFilePath path = entry(BundleEntryRepository::T_Changes, row.name);
        const std::wstring full = std::wstring(row.name) == L"Missing" ? storage.getFullPath(path)
                                                                        : put(path, row.bytes, row.extent);
        ErrorList errors;
        Store store;
        EXPECT_EQ(nullptr, storage.read(path, &errors, &store));
        std::wstring expected = row.message;
        if (row.sourced)
            expected += L" " + full;
        if (std::wstring(row.name) == L"Syntax")
            expected += L" (Line 3, Char 5)";
        EXPECT_EQ(expected + L"\n", listed(errors));
    }
}

TEST_F(BundleFileStorageTest, AReadThatThrowsReleasesTheLock) {
    BundleEntryFilePath bad = entry(BundleEntryRepository::T_Root, L"Bad");
    bad.storage = static_cast<BundleEntryRepository::Type>(0);
    ErrorList errors;
    EXPECT_THROW(storage.read(bad, &errors, nullptr), pel::AssertionViolationException);
    std::future<bool> next = std::async(std::launch::async, [this] {
        ErrorList more;
        return storage.read(entry(BundleEntryRepository::T_Root, L"Gone"), &more, nullptr) == nullptr &&
               more.size() == 1;
    });
    ASSERT_EQ(std::future_status::ready, next.wait_for(std::chrono::seconds(30))) << "the next read never got the lock";
    EXPECT_TRUE(next.get());
}

TEST_F(BundleFileStorageTest, ThreadsReadingAtOnceGetTheirOwnResults) {
    const wchar_t* texts[] = {L"{title: 'first' list: [1 2 3]}", L"/* c */ {title: 'second' x: {y: /a+/i}}"};
    BundleEntryFilePath paths[2] = {entry(BundleEntryRepository::T_Root, L"A"), entry(BundleEntryRepository::T_User, L"B")};
    for (int i = 0; i < 2; ++i) {
        std::string bytes;
        for (const wchar_t* c = texts[i]; *c; ++c)
            bytes += char(*c);
        put(paths[i], bytes + std::string(4000, ' ')); // long enough to overlap
    }
    std::atomic<int> wrong{0};
    auto reader = [&](int i) {
        for (int n = 0; n < 1000; ++n) {
            ErrorList errors;
            Store store;
            const std::unique_ptr<pel::Value> value = storage.read(paths[i], &errors, n % 2 ? &store : nullptr);
            if (!errors.empty() || !sameValue(value.get(), texts[i]) || (n % 2 && store.size() < 10))
                ++wrong;
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

    const std::wstring samples[] = {
        L"// grammar\n{\n\ttitle: 'HTML'\n\tpatterns: [{match: /<\\/?[a-z]+/i, name: \"tag.\\u0041\"}]\n"
        L"\trepository: {a: {begin: /\"/, end: /\"/}} /* end */\n}\n",
        L"{title: \"Snip\", content: 'if (${1:x}) {\\n}', tab: 'if', scope: 'source.c - comment', n: -1.5e3, t: true}",
    };
    const std::wstring alphabet = L"{}[]:,'\"/\\*\n\t abc019-.e\u00E9";
    std::mt19937 random(35);
    int escaped = 0, bad = 0;
    for (int n = 0; n < 100000; ++n) {
        std::wstring text = samples[n % 2];
        for (int edits = 1 + random() % 3; edits > 0; --edits) {
            const size_t at = random() % (text.size() + 1);
            const wchar_t c = alphabet[random() % alphabet.size()];
            switch (random() % 4) {
            case 0: text.insert(at, 1, c); break;
            case 1: text.erase(at, 1 + random() % 8); break;
            case 2: text.insert(at, text.substr(random() % (text.size() + 1), random() % 20)); break;
            default: text.resize(at); break;
            }
        }
        try {
            ErrorList errors;
            Store store;
            const std::unique_ptr<pel::Value> root = BundleEntrySourceHelper::parse(L"m", text, &errors, n % 3 ? &store : nullptr);
            if (root ? !errors.empty() || root->type != pel::Value::TYPE_DICTIONARY
                     : errors.size() != 1 || errors.getFirst()->getSeverity() != 4)
                ++bad;
        } catch (...) {
            ++escaped;
        }
    }
    EXPECT_EQ(0, escaped);
    EXPECT_EQ(0, bad);
}
