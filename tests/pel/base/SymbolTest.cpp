#include "pel/base/Assert.h"
#include "pel/base/Crc.h"
#include "pel/base/MTRefObject.h"
#include "pel/base/Object.h"
#include "pel/base/Symbol.h"
#include "pel/base/Tags.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace pel;

TEST(Crc, KnownAnswers) {
    EXPECT_EQ(0xCBF43926u, crc32("123456789", 9));
    EXPECT_EQ(0u, crc32("", 0));
    EXPECT_EQ(0x62EC59E3F1A4F00Aull, crc64Continue(0, "123456789", 9));
}

TEST(Crc, SlicedPathAgreesWithByteAtATime) {
    // Lengths around the 16-byte stride and unaligned starts, against the byte-wise literal form.
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += static_cast<char>('!' + (i * 7) % 90);
    for (size_t start = 0; start < 4; ++start)
        for (size_t length : {0u, 1u, 15u, 16u, 17u, 31u, 33u, 64u, 79u, 128u, 200u, 257u}) {
            const std::string piece = data.substr(start, length);
            EXPECT_EQ(crc32Literal(piece.c_str()), crc32(piece.data(), piece.size())) << start << "/" << length;
        }
    // Continuing over a second piece equals hashing both at once.
    EXPECT_EQ(crc32(data.data(), 300), crc32Continue(crc32(data.data(), 123), data.data() + 123, 177));
}

TEST(Crc, WideTextForms) {
    // UTF-16 text hashes both bytes of each unit; the update form only the low byte.
    EXPECT_EQ(crc32("A\0B\0C\0", 6), crc32String(L"ABC"));
    EXPECT_NE(crc32("ABC", 3), crc32String(L"ABC"));
    EXPECT_EQ(crc32String(L"ABC"), crc32Chars(L"ABCDEF", 3));
    EXPECT_EQ(0u, crc32String(L""));

    EXPECT_EQ(crc32("ABCD", 4), crc32Update(crc32Update(0, L"AB"), L"CD"));
    EXPECT_EQ(Symbol::createTSymbol(L"ABCD").getHash(), crc32("ABCD", 4));
    EXPECT_EQ(77u, crc32Update(77, L""));

    EXPECT_EQ(crc32String(L"ABC"), crc32StringNoCase(L"abc"));
    EXPECT_EQ(crc32String(L"A1_Z"), crc32StringNoCase(L"a1_z"));
    EXPECT_NE(crc32StringNoCase(L"\u00e9"), crc32StringNoCase(L"\u00c9")); // only ASCII folds

    EXPECT_EQ(crc64String(L"AB"), crc64(crc64(0, L'A'), L'B'));
    EXPECT_EQ(crc64String(L"ABC"), crc64StringNoCase(L"aBc"));
    EXPECT_EQ(0u, crc64String(L""));
}

TEST(Symbol, NamesOfTheSystemMatchTheirConstants) {
    const struct {
        const char* name;
        uint32_t hash;
    } known[] = {
        {"object", 0xA8ADABEC}, {"assert", 0xB1EF4FAB},  {"Unknown", 0x629B9E5B},  {"LogManager", 0x960DABD4},
        {"ALL", 0xADBF3357},    {"title", 0x2B36786B},   {"ok", 0x79DCDD47},       {"normal", 0x218568E4},
        {"settings", 0xE545A0C5}, {"bundles", 0xD8A73A98}, {"find", 0xC9AE6404},   {"replace", 0x0C9D2445},
        {"read", 0x98574167},   {"load", 0x2506E41D},    {"save", 0x55663ADE},     {"null", 0x25CBFC4F},
        {"none", 0x7F9000CF},   {"cancel", 0x5616C572},  {"tab_trigger", 0x62CD67B8}, {"UI", 0x891542DA},
    };
    for (const auto& k : known) {
        EXPECT_EQ(k.hash, Symbol::createSymbol(k.name).getHash()) << k.name;
        EXPECT_EQ(k.hash, crc32Literal(k.name)) << k.name;
    }
    EXPECT_EQ(Object::TYPE_SYMBOL, Object().getTypeSymbol().getHash());

    EXPECT_TRUE(Symbol::createSymbol("").isNull());
    EXPECT_EQ(Symbol::createSymbol("ALL"), Symbol::createTSymbol(L"ALL"));
    // Only the low byte of a wide character counts: U+0141 hashes like U+0041.
    EXPECT_EQ(Symbol::createTSymbol(L"\u0141"), Symbol::createTSymbol(L"A"));
    EXPECT_NE(crc32String(L"\u0141"), crc32String(L"A"));

    EXPECT_EQ(Symbol(0xA8ADABEC), Symbol::createAndValidateSymbol(0xA8ADABEC, "object"));
    EXPECT_THROW(Symbol::createAndValidateSymbol(0x12345678, "object"), AssertionViolationException);
}

namespace {

struct Counted : RefCountedObject {
    explicit Counted(std::atomic<int>* destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++*m_destroyed; }
    std::atomic<int>* m_destroyed;
};

struct Shared : MTRefObject<Shared> {
    explicit Shared(std::atomic<int>* destroyed) : m_destroyed(destroyed) {}
    ~Shared() { ++*m_destroyed; }
    std::atomic<int>* m_destroyed;
};

template <class T, class Add>
void hammer(T* object, Add add) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 100000; ++i) {
                add(object);
                object->release();
            }
        });
    for (auto& thread : threads)
        thread.join();
}

} // namespace

TEST(RefCounting, CountsSurviveSeveralThreadsAndLastReleaseDeletes) {
    std::atomic<int> destroyed{0};
    auto* counted = new Counted(&destroyed);
    EXPECT_EQ(1, counted->referenceCount());
    hammer(counted, [](Counted* c) { c->duplicate(); });
    EXPECT_EQ(1, counted->referenceCount());
    EXPECT_EQ(0, destroyed.load());
    counted->release();
    EXPECT_EQ(1, destroyed.load());

    auto* shared = new Shared(&destroyed);
    hammer(shared, [](Shared* s) { s->addRef(); });
    EXPECT_EQ(1, shared->refCount());
    shared->release();
    EXPECT_EQ(2, destroyed.load());
}

TEST(Tags, ValidatorFormsAddTheSettingsTags) {
    using T = Tags<unsigned int>;
    const unsigned int settings = crc32Literal("settings");
    EXPECT_EQ((std::set<unsigned int>{5, settings}), T(T::WithSettings{}, 5).values());
    EXPECT_EQ((std::set<unsigned int>{5, settings, 0x29B95B69}), T(T::WithSettingsAndExtra{}, 5).values());
}
