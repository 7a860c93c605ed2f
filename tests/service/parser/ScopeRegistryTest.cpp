#include "ParserTestSupport.h"
#include "service/document/Document.h"
#include "service/document/DocumentOwner.h"
#include "service/parser/ScopeRegistry.h"
#include "service/parser/ThemeStyler.h"

#include <malloc.h>

#include <atomic>
#include <thread>

using namespace tessel;

namespace {

class ScopeRegistryTest : public tessel_test::MainThreadTest {
protected:
    Document document;
    ScopeRegistry registry{document};
};

uintptr_t address(const DocumentScope* record) { return reinterpret_cast<uintptr_t>(record); }

} // namespace

TEST_F(ScopeRegistryTest, InternsOneRecordPerRuleAndParent) {
    const DocumentScope* root = registry.intern(7, SCOPE_NO_PARENT, L"source.c");
    registry.intern(9, 0, L""); // nameless: skipped in the paths below it
    const DocumentScope* string = registry.intern(12, 1, L"string.quoted");
    const DocumentScope* outer = registry.intern(12, 0, L"string.quoted");
    EXPECT_EQ(string, registry.intern(12, 1, L"another name: not part of the key"));
    EXPECT_EQ((std::vector<int>{2, 3, 7}), (std::vector<int>{string->index(), outer->index(), string->rootRuleNumber()}));
    const ScopePath& path = string->scopePath();
    EXPECT_TRUE(path.isCompiled());
    EXPECT_EQ(L"source.c string.quoted", path.toString());
    EXPECT_EQ((std::vector<uintptr_t>{address(string), address(root), address(outer)}),
              (std::vector<uintptr_t>{path.segment(0).value, path.segment(1).value, outer->scopePath().segment(0).value}));
    EXPECT_EQ(nullptr, registry.get(4));
    // An index out of range is no parent, and keyed so: it never answers for record 5 later.
    const DocumentScope* orphan = registry.intern(20, 5, L"orphan");
    registry.intern(21, 0, L"x");
    EXPECT_TRUE(!orphan->parent() && orphan != registry.intern(20, 5, L"child of x"));
    registry.clear();
    EXPECT_EQ(nullptr, registry.get(0));
    EXPECT_EQ(0, registry.intern(3, SCOPE_NO_PARENT, L"text.plain")->index());
}

TEST_F(ScopeRegistryTest, GrowsItsMapPastFourPerBucketAndRefusesRecordsPastTheLimit) {
    registry.intern(0, SCOPE_NO_PARENT, L"source.big");
    for (uint32_t rule = 1; rule < ScopeRegistry::MAX_RECORDS; ++rule) {
        ASSERT_EQ(rule, registry.intern(static_cast<uint16_t>(rule), 0, L"meta.x")->index());
        if (rule == 31 || rule == 32) {
            EXPECT_EQ(rule == 31 ? 8u : 16u, registry.bucketCount()) << rule + 1 << " records";
        }
    }
    EXPECT_EQ(nullptr, registry.intern(65535, 0, L"meta.x"));
    EXPECT_EQ(nullptr, registry.intern(1, 65534, L"meta.x"));
    EXPECT_EQ(65535u, registry.size());
    EXPECT_EQ(nullptr, registry.get(65535));
    EXPECT_EQ(registry.get(5), registry.intern(5, 0, L"meta.x")) << "known records are still found";
}

TEST_F(ScopeRegistryTest, TheMainThreadReadsWhatAWorkerInternsAsItGoes) {
    constexpr uint32_t RECORDS = 60000;
    // Record i under record i - 1, every eighth under the root: paths of two to nine segments.
    auto parentOf = [](uint32_t i) { return i % 8 == 1 ? 0u : i - 1; };
    registry.intern(0, SCOPE_NO_PARENT, L"source.test");
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (uint32_t i = 1; i <= RECORDS; ++i)
            registry.intern(static_cast<uint16_t>(i), static_cast<uint16_t>(parentOf(i)),
                            (L"meta.scope" + std::to_wstring(i)).c_str());
        done = true;
    });
    std::vector<const DocumentScope*> seen;
    auto check = [&](uint32_t i) {
        const DocumentScope* record = registry.get(i);
        ASSERT_TRUE(record && record->index() == i && record->ruleNumber() == i &&
                    record->parent() == (i ? registry.get(parentOf(i)) : nullptr) && record->scopePath().isCompiled() &&
                    record->scopePath().size() == (i ? (i - 1) % 8 + 2 : 1) &&
                    record->scopePath().segment(0).value == address(record) &&
                    record->name() == (i ? L"meta.scope" + std::to_wstring(i) : L"source.test"))
            << "record " << i << " is torn";
        if (i < seen.size())
            ASSERT_EQ(seen[i], record) << "record " << i << " moved";
        else
            seen.push_back(record);
    };
    for (bool finished = false; !finished && !HasFatalFailure();) {
        finished = done; // read before the count, so the last pass sees every record
        for (uint32_t i = static_cast<uint32_t>(seen.size()), count = registry.size(); i < count; ++i)
            check(i);
        for (uint32_t i = 0; i < seen.size(); i += 997)
            check(i);
    }
    worker.join();
    EXPECT_EQ(RECORDS + 1, seen.size());
    EXPECT_EQ(_HEAPOK, _heapchk());
}

TEST_F(ScopeRegistryTest, TheDocumentUsesThemUnchanged) {
    struct Owner : DocumentOwner {
        std::unique_ptr<DocumentScopeRegistry> createScopeRegistry(Document& d) override {
            return std::make_unique<ScopeRegistry>(d);
        }
        std::unique_ptr<DocumentStyler> createStyler(Document&) override { return std::make_unique<ThemeStyler>(); }
    } owner;
    Document parsed(&owner);
    parsed.getStyler().setTheme(tessel_test::readTheme(LR"([{}, {title: "N" scope: "none" settings: {font_style: "bold"}}])"));
    EXPECT_EQ(FONT_STYLE_BOLD, parsed.getStyler().styleAt(parsed.getStyler().getStyle(*parsed.getScopeAt(0))).fontStyle);
}
