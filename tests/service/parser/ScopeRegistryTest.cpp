#include "ParserTestSupport.h"
#include "service/document/Document.h"
#include "service/document/DocumentOwner.h"
#include "service/parser/ScopeRegistry.h"
#include "service/parser/ThemeStyler.h"
#include "service/parser/base/DocumentGrammar.h"

#include <malloc.h>

#include <atomic>
#include <string>
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
    const DocumentScope* block = registry.intern(9, 0, L"");
    const DocumentScope* string = registry.intern(12, 1, L"string.quoted");
    EXPECT_EQ(string, registry.intern(12, 1, L"ignored: the name is no part of the key"));
    const DocumentScope* outerString = registry.intern(12, 0, L"string.quoted");
    ASSERT_NE(string, outerString);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}),
              (std::vector<int>{root->index(), block->index(), string->index(), outerString->index()}));
    EXPECT_EQ(7, string->rootRuleNumber());
    EXPECT_EQ(block, string->parent());

    // The nameless block is skipped; each segment's value is the record it names.
    const ScopePath& path = string->scopePath();
    ASSERT_EQ(2u, path.size());
    EXPECT_TRUE(path.isCompiled());
    EXPECT_EQ(L"source.c string.quoted", path.toString());
    EXPECT_EQ(address(string), path.segment(0).value);
    EXPECT_EQ(address(root), path.segment(1).value);
    EXPECT_EQ(address(outerString), outerString->scopePath().segment(0).value);

    EXPECT_EQ(string, registry.get(2));
    EXPECT_EQ(nullptr, registry.get(4));
    // An index out of range is no parent, and keyed so: it never stands for record 5 later.
    const DocumentScope* orphan = registry.intern(20, 5, L"orphan");
    EXPECT_EQ(nullptr, orphan->parent());
    registry.intern(21, 0, L"x");
    EXPECT_NE(orphan, registry.intern(20, 5, L"child of x"));

    registry.clear();
    EXPECT_EQ(0u, registry.size());
    EXPECT_EQ(nullptr, registry.get(0));
    EXPECT_EQ(0, registry.intern(3, SCOPE_NO_PARENT, L"text.plain")->index());
}

TEST_F(ScopeRegistryTest, GrowsTheMapPastFourPerBucketAndRefusesRecordsPastTheLimit) {
    registry.intern(0, SCOPE_NO_PARENT, L"source.big");
    for (uint32_t rule = 1; rule < ScopeRegistry::MAX_RECORDS; ++rule) {
        ASSERT_EQ(rule, registry.intern(static_cast<uint16_t>(rule), 0, L"meta.x")->index());
        if (rule == 31 || rule == 32) {
            EXPECT_EQ(rule == 31 ? 8u : 16u, registry.bucketCount()) << "after " << rule + 1 << " records";
        }
    }
    EXPECT_EQ(65535u, registry.size());
    EXPECT_EQ(nullptr, registry.intern(65535, 0, L"meta.x"));
    EXPECT_EQ(nullptr, registry.intern(1, 65534, L"meta.x"));
    EXPECT_EQ(65535u, registry.size());
    EXPECT_EQ(nullptr, registry.get(65535));
    EXPECT_EQ(65534, registry.get(65534)->index());
    EXPECT_EQ(registry.get(5), registry.intern(5, 0, L"meta.x")) << "known records are still found";
}

TEST_F(ScopeRegistryTest, TheMainThreadReadsWhatAWorkerInternsAsItGoes) {
    constexpr uint32_t RECORDS = 60000;
    // Record i under record i - 1, every eighth under the root: paths of one to eight segments.
    auto parentOf = [](uint32_t i) { return i % 8 == 1 ? 0u : i - 1; };
    auto depthOf = [](uint32_t i) { return i == 0 ? 1u : (i - 1) % 8 + 2; };
    registry.intern(0, SCOPE_NO_PARENT, L"source.test");
    std::atomic<bool> done{false};
    std::wstring workerError;
    std::thread worker([&] {
        try {
            for (uint32_t i = 1; i <= RECORDS; ++i)
                registry.intern(static_cast<uint16_t>(i), static_cast<uint16_t>(parentOf(i)),
                                (L"meta.scope" + std::to_wstring(i)).c_str());
        } catch (const pel::Exception& e) {
            workerError = e.displayText();
        }
        done = true;
    });

    std::vector<const DocumentScope*> seen;
    auto check = [&](uint32_t i) {
        const DocumentScope* record = registry.get(i);
        ASSERT_NE(nullptr, record) << i;
        const ScopePath& path = record->scopePath();
        ASSERT_EQ(i, record->index());
        ASSERT_EQ(i, record->ruleNumber());
        ASSERT_EQ(i == 0 ? nullptr : registry.get(parentOf(i)), record->parent()) << i;
        ASSERT_TRUE(path.isCompiled()) << i;
        ASSERT_EQ(depthOf(i), path.size()) << i;
        ASSERT_EQ(address(record), path.segment(0).value) << i;
        ASSERT_EQ(i == 0 ? L"source.test" : L"meta.scope" + std::to_wstring(i), record->name());
        if (i < seen.size())
            ASSERT_EQ(seen[i], record) << "record " << i << " moved";
        else
            seen.push_back(record);
    };
    for (bool finished = false; !finished;) {
        finished = done; // read before the count, so the last pass sees every record
        for (uint32_t i = static_cast<uint32_t>(seen.size()), count = registry.size(); i < count; ++i)
            check(i);
        for (uint32_t i = 0; i < seen.size(); i += 997)
            check(i);
        if (HasFatalFailure())
            break;
    }
    worker.join();
    EXPECT_EQ(L"", workerError);
    EXPECT_EQ(RECORDS + 1, seen.size());
    EXPECT_EQ(_HEAPOK, _heapchk());
}

namespace {

class ParsingOwner : public DocumentOwner {
public:
    std::unique_ptr<DocumentScopeRegistry> createScopeRegistry(Document& document) override {
        return std::make_unique<ScopeRegistry>(document);
    }
    std::unique_ptr<DocumentStyler> createStyler(Document&) override { return std::make_unique<ThemeStyler>(); }
};

class TestGrammar : public DocumentGrammar {
public:
    uint16_t rootRuleNumber() const override { return 4; }
    const wchar_t* rootScopeName() const override { return L"source.json"; }
};

} // namespace

TEST_F(ScopeRegistryTest, TheDocumentInternsItsRootAndStylesThroughTheseInUnchanged) {
    ParsingOwner owner;
    Document parsed(&owner);
    const DocumentScope* none = parsed.getScopeAt(0);
    ASSERT_NE(nullptr, none);
    EXPECT_EQ(L"none", none->name());
    EXPECT_EQ(0, none->ruleNumber());

    TestGrammar grammar;
    parsed.setGrammarInternal(&grammar);
    const DocumentScope* root = parsed.getScopeRegistry().get(0);
    EXPECT_EQ(root, parsed.getScopeAt(0));
    EXPECT_EQ(L"source.json", root->name());
    EXPECT_EQ(4, root->rootRuleNumber());
    DocumentStyler& styler = parsed.getStyler();
    styler.setTheme(tessel_test::readTheme(
        LR"({settings: [{settings: {foreground: "#102030"}}, {title: "J" scope: "source.json" settings: {font_style: "bold"}}]})"));
    const ScopeStyle& style = styler.styleAt(styler.getStyle(*root));
    EXPECT_EQ(0xFF302010u, style.foreground);
    EXPECT_EQ(FONT_STYLE_BOLD, style.fontStyle);
}
