// The document scope registry, theme and styler: interning records of depth 6 (and the heap
// each holds with its path, counted through this program's operator new), reading a 300-rule
// theme, styling 2000 records of depth 2 to 12 from an empty cache beside a naive matcher of
// name texts on the same records and rules, and the styler's lookup. Prints:
//   scope_intern <records/s> records/s
//   scope_intern_found <lookups/s> lookups/s
//   scope_record_bytes <bytes> bytes/record          (target: <= 512 at depth 6)
//   scope_record_bytes_deep <bytes> bytes/record     (target: <= 512 in a chain 1000 deep)
//   theme_read <ms> ms                               (target: < 20, the value tree given)
//   theme_styles_naive <ms> ms
//   theme_styles <ms> ms                             (target: < 60 for all 2000)
//   theme_styles_vs_naive <ratio> ratio
//   theme_styled_records <count> records           (the 2000 and their ancestors)
//   style_lookup <ns> ns                             (target: < 20)

#include "NaiveThemeMatch.h"
#include "ScopeNames.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/thread/MainThread.h"
#include "pel/value/Value.h"
#include "service/document/Document.h"
#include "service/parser/DocumentTheme.h"
#include "service/parser/ScopeRegistry.h"
#include "service/parser/ThemeStyler.h"
#include "service/parser/base/ScopeSelectorMatcher.h"
#include "support/Bench.h"
#include "support/CountingHeap.h"

#include <algorithm>
#include <map>
#include <memory>

using namespace tessel;

namespace {

constexpr uint32_t LEAVES = 60000;
constexpr size_t RULES = 300;
constexpr size_t STYLED = 2000;

std::wstring hexColour(bench_scopes::Lcg& random, bool alpha) {
    wchar_t text[16];
    swprintf(text, 16, alpha ? L"#%06x%02x" : L"#%06x", random.below(0x1000000), random.below(256));
    return text;
}

std::wstring themeText(bench_scopes::Lcg& random) {
    const wchar_t* const fonts[] = {L"", L"bold", L"italic", L"bold italic", L"underline", L"reset, italic"};
    std::wstring text = L"{title: \"Bench\" settings: [{settings: {foreground: \"#333333\" background: \"#fdfdfd\"}}";
    for (size_t i = 0; i < RULES; ++i) {
        text += L"\n{title: \"Rule " + std::to_wstring(i) + L"\" scope: \"" + bench_scopes::makeSelector(random, i) +
                L"\" settings: {foreground: \"" + hexColour(random, false) + L"\"";
        if (i % 4 == 0)
            text += L" background: \"" + hexColour(random, true) + L"\"";
        text += std::wstring(L" font_style: \"") + random.pick(fonts) + L"\"}}";
    }
    return text + L"]}";
}

void measureInterning(Document& document) {
    bench_scopes::Lcg random(6106);
    std::vector<std::wstring> names;
    for (uint32_t i = 0; i < LEAVES; ++i)
        names.push_back(bench_scopes::makePath(random, 2).front());
    ScopeRegistry registry(document);
    long long bytes = 0;
    const double made = bench::bestOf(3, [&] {
        registry.clear();
        registry.intern(1, SCOPE_NO_PARENT, L"source.js");
        for (uint16_t depth = 1; depth < 5; ++depth)
            registry.intern(uint16_t(1 + depth), depth - 1, L"meta.block.js");
        const long long before = bench::liveBytes();
        for (uint32_t i = 0; i < LEAVES; ++i)
            registry.intern(static_cast<uint16_t>(10 + i), 4, names[i].c_str());
        bytes = bench::liveBytes() - before;
    });
    const double found = bench::bestOf(3, [&] {
        for (uint32_t i = 0; i < LEAVES; ++i)
            registry.intern(static_cast<uint16_t>(10 + i), 4, names[i].c_str());
    });
    if (registry.get(5)->scopePath().size() != 6) {
        std::fprintf(stderr, "a leaf's path is not of depth 6\n");
        std::exit(1);
    }
    bench::figure("scope_intern", LEAVES / made, "records/s");
    bench::figure("scope_intern_found", LEAVES / found, "lookups/s");
    bench::figure("scope_record_bytes", double(bytes) / LEAVES, "bytes/record");

    // Each record under the one before, as deeply nested text makes them: the bytes must not
    // grow with the depth.
    constexpr uint16_t CHAIN = 1000;
    registry.clear();
    const long long chainBefore = bench::liveBytes();
    registry.intern(1, SCOPE_NO_PARENT, L"source.json");
    for (uint16_t depth = 1; depth < CHAIN; ++depth)
        registry.intern(uint16_t(1 + depth), depth - 1,
                        depth % 2 ? L"meta.structure.array.json" : L"meta.structure.dictionary.json");
    bench::figureTarget("scope_record_bytes_deep", double(bench::liveBytes() - chainBefore) / CHAIN, "bytes/record",
                        "at most 512 bytes/record");
}

// The best score of every record over the theme's rules, through the selector matcher.
std::vector<uint64_t> bestScores(const DocumentTheme& theme, const ScopeRegistry& registry) {
    std::vector<uint64_t> scores;
    for (uint32_t i = 0; i < registry.size(); ++i) {
        uint64_t best = 0;
        for (const ThemeRule& rule : theme.rules()) {
            ScopeRank rank;
            if (rule.selector && ScopeSelectorMatcher(*rule.selector, registry.get(i)->scopePath()).match(&rank, true))
                best = std::max(best, rank.score);
        }
        scores.push_back(best);
    }
    return scores;
}

} // namespace

int main() {
    pel::store_main_thread_id(); // the benchmark's thread stands in for the entry point
    Document document;
    measureInterning(document);

    bench_scopes::Lcg random(6107);
    std::unique_ptr<pel::Value> value(pel::JasmineReaderHelper::read(themeText(random)));
    auto theme = std::make_shared<DocumentTheme>();
    const double read = bench::bestOf(10, [&] { theme->read(value.get()); });
    bench::figure("theme_read", read * 1e3, "ms");

    // 2000 records of depth 2 to 12; shared outer scopes are interned once.
    ScopeRegistry registry(document);
    std::map<std::wstring, uint16_t> ruleNumbers;
    std::vector<const DocumentScope*> styled;
    for (size_t i = 0; i < STYLED; ++i) {
        const std::vector<std::wstring> path = bench_scopes::makePath(random, 2 + i % 11);
        const DocumentScope* record = nullptr;
        for (size_t level = path.size(); level-- > 0;) {
            const uint16_t rule = ruleNumbers.emplace(path[level], uint16_t(ruleNumbers.size() + 1)).first->second;
            record = registry.intern(rule, record ? record->index() : SCOPE_NO_PARENT, path[level].c_str());
        }
        styled.push_back(record);
    }

    ThemeStyler styler;
    const double ours = bench::bestOf(5, [&] {
        styler.setTheme(theme);
        for (const DocumentScope* record : styled)
            styler.getStyle(*record);
    });

    std::vector<std::unique_ptr<bench_naive::Selector>> selectors;
    for (const ThemeRule& rule : theme->rules())
        selectors.push_back(bench_naive::parse(rule.scope));
    std::vector<bench_naive::Path> paths;
    for (uint32_t i = 0; i < registry.size(); ++i) {
        const ScopePath& path = registry.get(i)->scopePath();
        std::vector<std::wstring> names;
        for (size_t s = 0; s < path.size(); ++s)
            names.emplace_back(path.segment(s).text, path.segment(s).length);
        paths.emplace_back(std::move(names));
    }
    std::vector<uint64_t> naiveScores(paths.size());
    std::vector<const std::unique_ptr<bench_naive::Selector>*> winners;
    const double naive = bench::bestOf(5, [&] {
        for (size_t i = 0; i < paths.size(); ++i) {
            uint64_t best = 0;
            winners.clear();
            for (const auto& selector : selectors) {
                const uint64_t score = bench_naive::match(*selector, paths[i], true);
                if (score > best)
                    winners.assign(1, &selector);
                else if (score == best && score)
                    winners.push_back(&selector);
                best = std::max(best, score);
            }
            naiveScores[i] = best;
        }
    });
    if (naiveScores != bestScores(*theme, registry)) {
        std::fprintf(stderr, "the naive matcher ranks the rules differently\n");
        return 1;
    }
    bench::figure("theme_styles_naive", naive * 1e3, "ms");
    bench::figureBeside("theme_styles", ours * 1e3, "ms", "naive", naive * 1e3);
    bench::figure("theme_styled_records", registry.size(), "records");

    constexpr int PASSES = 5000;
    uint32_t sink = 0;
    const double lookups = bench::bestOf(3, [&] {
        for (int pass = 0; pass < PASSES; ++pass)
            for (const DocumentScope* record : styled)
                sink += styler.styleAt(record->index()).foreground;
    });
    bench::figure("style_lookup", lookups / (double(PASSES) * STYLED) * 1e9, "ns");
    return sink == 1 ? 2 : 0; // keeps the lookups from being optimised away
}
