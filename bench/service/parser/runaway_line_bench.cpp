// A line on which every engine call of its rule runs away: "<", then 3 000 or 30 000 "a" and
// "bc", then ">", under a rule `a*a*c`, whose every call backtracks and scans the rest of the
// line at each step. However long the line, it ends within the parser's line budget, its state
// kept. Prints, best of the runs:
//   runaway_line_3000_ms <ms> ms    (target: under 500)
//   runaway_line_30000_ms <ms> ms   (target: under 500)

#include "pel/thread/MainThread.h"
#include "service/parser/DynamicEndStore.h"
#include "service/parser/LineMatcher.h"
#include "service/parser/ParsedDocument.h"
#include "service/parser/TestGrammars.h"
#include "support/Bench.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace tessel;

namespace {

double parseMs(const std::shared_ptr<GrammarRuleSet>& rules, int length) {
    tessel_test::ParserOwner owner;
    Document document(&owner);
    tessel_test::insertText(document, 0, L"<" + std::wstring(static_cast<size_t>(length), L'a') + L"bc\n>\n");
    tessel_test::setGrammar(document, findRule(L"source.slow", *rules));
    DynamicEndStore store;
    LineMatcher matcher;
    matcher.bind(document, rules.get(), 0, store);
    const double start = bench::seconds();
    const bool parsed = matcher.parseLine(0);
    const double took = (bench::seconds() - start) * 1000;
    matcher.unbind();
    if (!parsed)
        std::fprintf(stderr, "runaway_line_bench: line 0 of %d was not parsed\n", length);
    return took;
}

} // namespace

int main() {
    pel::store_main_thread_id();
    const std::shared_ptr<GrammarRuleSet> rules = tessel_test::slowGrammar();
    for (int length : {3000, 30000}) {
        if (bench::smoke() && length > 3000)
            break;
        double best = 1e9;
        for (int run = 0; run < bench::runs(3); ++run)
            best = std::min(best, parseMs(rules, length));
        const std::string name = "runaway_line_" + std::to_string(length) + "_ms";
        bench::figureTarget(name.c_str(), best, "ms", "under 500 ms");
    }
    return 0;
}
