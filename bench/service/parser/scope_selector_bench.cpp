// Scope selector matching: 300 theme-style selectors against 2000 paths of depth 6 to 10, a
// matcher made per pair as the theme does, anchored (as the theme) and unanchored (as key
// bindings), beside a naive matcher over the same texts: selectors kept as trees of name
// strings, paths as vectors of strings with their ranking bases, a name matching a segment it
// equals or prefixes before a ".". Both rank alike; every pair is checked to agree. Prints:
//   selector_match_<mode> <matches/s> matches/s
//   selector_match_<mode>_naive <matches/s> matches/s
//   selector_match_<mode>_vs_naive <ratio> ratio   (targets: >= 1.5 unanchored, >= 1 anchored)
//   selector_anchored_table <ms> ms                (target: under 20 ms)

#include "ScopeNames.h"
#include "service/parser/base/ScopePath.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"
#include "support/Bench.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>

using namespace tessel;

namespace {

// The naive side ---------------------------------------------------------------------------

struct NaivePath {
    std::vector<std::wstring> names; // innermost first
    std::vector<uint64_t> bases;
    std::vector<uint32_t> partCounts;
};

NaivePath makeNaivePath(const std::vector<std::wstring>& names) {
    NaivePath path;
    path.names = names;
    path.bases.resize(names.size());
    path.partCounts.resize(names.size());
    uint64_t base = 0;
    for (size_t i = names.size(); i-- > 0;) {
        path.partCounts[i] = 1 + static_cast<uint32_t>(std::count(names[i].begin(), names[i].end(), L'.'));
        path.bases[i] = base;
        base = 2 * base + path.partCounts[i];
    }
    return path;
}

struct NaiveNode {
    wchar_t op = 0;                  // 0 for an atom
    std::vector<std::wstring> names; // outermost first
    std::vector<uint32_t> partCounts;
    std::unique_ptr<NaiveNode> left, right;
};

struct NaiveRank {
    bool matched = false;
    uint64_t score = 0;
};

// Recursive descent over the same grammar: "," loosest, then "&", "|", "-"; right grouping.
class NaiveParser {
public:
    explicit NaiveParser(const std::wstring& text) : m_text(text) {}
    std::unique_ptr<NaiveNode> parse() { return level(0); }

private:
    static constexpr const wchar_t* OPERATORS = L",&|-";

    void skip() {
        while (m_at < m_text.size() && m_text[m_at] == L' ')
            ++m_at;
    }
    std::unique_ptr<NaiveNode> level(int n) {
        if (n == 4)
            return primary();
        std::unique_ptr<NaiveNode> left = level(n + 1);
        skip();
        if (m_at < m_text.size() && m_text[m_at] == OPERATORS[n]) {
            ++m_at;
            auto node = std::make_unique<NaiveNode>();
            node->op = OPERATORS[n];
            node->left = std::move(left);
            node->right = level(n);
            return node;
        }
        return left;
    }
    std::unique_ptr<NaiveNode> primary() {
        skip();
        if (m_text[m_at] == L'(') {
            ++m_at;
            std::unique_ptr<NaiveNode> inner = level(0);
            skip();
            ++m_at; // ")"
            return inner;
        }
        auto atom = std::make_unique<NaiveNode>();
        for (;;) {
            skip();
            const size_t start = m_at;
            while (m_at < m_text.size() && m_text[m_at] != L' ' && !std::wcschr(L",&|-()", m_text[m_at]))
                ++m_at;
            if (m_at == start)
                break;
            atom->names.push_back(m_text.substr(start, m_at - start));
            atom->partCounts.push_back(
                1 + static_cast<uint32_t>(std::count(atom->names.back().begin(), atom->names.back().end(), L'.')));
        }
        return atom;
    }

    const std::wstring& m_text;
    size_t m_at = 0;
};

bool nameMatches(const std::wstring& name, const std::wstring& segment) {
    return segment.compare(0, name.size(), name) == 0 &&
           (segment.size() == name.size() || segment[name.size()] == L'.');
}

NaiveRank naiveAtom(const NaiveNode& atom, const NaivePath& path, bool anchored) {
    NaiveRank rank;
    size_t at = 0;
    for (size_t name = atom.names.size(); name-- > 0;) {
        for (;; ++at) {
            if (path.names.size() - at <= name)
                return NaiveRank();
            if (nameMatches(atom.names[name], path.names[at])) {
                rank.score += path.bases[at] + atom.partCounts[name];
                ++at;
                break;
            }
            if (anchored && at == 0)
                return NaiveRank();
        }
    }
    rank.matched = true;
    return rank;
}

NaiveRank naiveMatch(const NaiveNode& node, const NaivePath& path, bool anchored) {
    if (node.op == 0)
        return naiveAtom(node, path, anchored);
    const NaiveRank l = naiveMatch(*node.left, path, anchored);
    const NaiveRank r = naiveMatch(*node.right, path, anchored);
    const NaiveRank& better = r.score > l.score ? r : l;
    switch (node.op) {
    case L'&': return l.matched && r.matched ? better : NaiveRank();
    case L'-': return l.matched && !r.matched ? l : NaiveRank();
    default: return l.matched && r.matched ? better : l.matched ? l : r;
    }
}

// ------------------------------------------------------------------------------------------

struct Data {
    std::vector<std::unique_ptr<ScopeSelector>> selectors;
    std::vector<std::unique_ptr<NaiveNode>> naiveSelectors;
    std::vector<std::unique_ptr<ScopePath>> paths;
    std::vector<NaivePath> naivePaths;
    std::vector<std::vector<std::wstring>> pathNames; // the texts the paths point into
};

Data makeData() {
    Data data;
    bench_scopes::Lcg random(6102);
    for (size_t i = 0; i < 300; ++i) {
        const std::wstring text = bench_scopes::makeSelector(random, i);
        data.selectors.push_back(std::make_unique<ScopeSelector>(text));
        data.naiveSelectors.push_back(NaiveParser(text).parse());
    }
    for (size_t i = 0; i < 2000; ++i)
        data.pathNames.push_back(bench_scopes::makePath(random, 6 + random.below(5)));
    for (const std::vector<std::wstring>& names : data.pathNames) {
        auto path = std::make_unique<ScopePath>();
        for (const std::wstring& name : names)
            path->push(static_cast<uint32_t>(name.size()), name.c_str(), false, 0);
        path->compile();
        data.paths.push_back(std::move(path));
        data.naivePaths.push_back(makeNaivePath(names));
    }
    return data;
}

long matchAll(Data& data, bool anchored) {
    long matched = 0;
    for (const std::unique_ptr<ScopePath>& path : data.paths)
        for (const std::unique_ptr<ScopeSelector>& selector : data.selectors) {
            ScopeRank rank;
            matched += ScopeSelectorMatcher(*selector, *path).match(&rank, anchored);
        }
    return matched;
}

long matchAllNaive(const Data& data, bool anchored) {
    long matched = 0;
    for (const NaivePath& path : data.naivePaths)
        for (const std::unique_ptr<NaiveNode>& selector : data.naiveSelectors)
            matched += naiveMatch(*selector, path, anchored).matched;
    return matched;
}

long disagreements(Data& data, bool anchored) {
    long wrong = 0;
    for (size_t p = 0; p < data.paths.size(); ++p)
        for (size_t s = 0; s < data.selectors.size(); ++s) {
            ScopeRank rank;
            const bool ours = ScopeSelectorMatcher(*data.selectors[s], *data.paths[p]).match(&rank, anchored);
            const NaiveRank naive = naiveMatch(*data.naiveSelectors[s], data.naivePaths[p], anchored);
            if (ours != naive.matched || (ours && rank.score != naive.score))
                ++wrong;
        }
    return wrong;
}

} // namespace

int main() {
    Data data = makeData();
    const double pairs = double(data.paths.size() * data.selectors.size());
    for (const bool anchored : {false, true}) {
        const char* mode = anchored ? "anchored" : "unanchored";
        const long wrong = disagreements(data, anchored);
        if (wrong) {
            std::fprintf(stderr, "%s: %ld of %.0f pairs disagree with the naive matcher\n", mode, wrong, pairs);
            return 1;
        }
        volatile long sink = 0;
        const double ours = bench::bestOf(5, [&] { sink = sink + matchAll(data, anchored); });
        const double naive = bench::bestOf(5, [&] { sink = sink + matchAllNaive(data, anchored); });
        const std::string name = std::string("selector_match_") + mode;
        bench::figure((name + "_naive").c_str(), pairs / naive, "matches/s");
        bench::figureBeside(name.c_str(), pairs / ours, "matches/s", "naive", pairs / naive);
        if (anchored)
            bench::figure("selector_anchored_table", ours * 1000, "ms");
    }
    return 0;
}
