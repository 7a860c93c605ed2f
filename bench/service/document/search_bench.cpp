// Search and replace over a Document of 100 million characters of English-like text (the gap
// in the middle), each figure beside its peers' on the same file in the same run:
//   - plain text: every match of a rare 11-letter word, case-sensitive, ignoring case and as a
//     whole word (MB/s) beside grep -F -c and rg -F -c (targets: case-sensitive at least 1.0 x
//     grep and 0.5 x ripgrep);
//   - regular expressions led by a literal and by "\b", every match, beside grep -P -c, rg -c and
//     the same Xpressive search over a contiguous copy (targets: each at least 1.0 x grep -P; the
//     document search at most 1.5 x the copy's time);
//   - a backward search from the end for a literal-led pattern that does not occur (under 6 s);
//   - "a.*y" over a line of 1 000 000 "a", forwards and backwards: how long until the search
//     stops with its error (target: under 2 s each);
//   - replace all of a common whole word in one change bracket, then undo and redo, beside sed
//     (targets: within 3 x sed; undo and redo each no slower than the replace).
//   search_bench --text FILE --folder DIR [--expect SED_OUTPUT] [--PEER MB/s ...]

#include "pel/text/Utf16Characters.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/DocumentOwner.h"
#include "service/document/search/FinderBoyerMoore.h"
#include "service/document/search/FinderRegEx.h"
#include "service/document/search/RegExSyntax.h"
#include "service/document/search/UnicodeRegExTraits.h"
#include "service/document/search/Replacer.h"
#include "service/document/undo/UndoContext.h"
#include "service/document/undo/UndoManager.h"
#include "ReplaceAllLoop.h"
#include "support/Bench.h"
#include "support/FileBench.h"
#include "support/TempDevices.h"

#include <boost/xpressive/regex_compiler.hpp>
#include <boost/xpressive/xpressive_dynamic.hpp>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

using tessel::Document;
namespace xp = boost::xpressive;

struct Owner : tessel::DocumentOwner {
    tessel::UndoManager undo;
    tessel::UndoManager* getUndoManager() override { return &undo; }
};

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(2);
}

// The file's characters as a loader hands them over, then the gap moved to the middle.
void load(Document& document, const std::vector<unsigned char>& bytes) {
    const int32_t units = static_cast<int32_t>(bytes.size());
    const int32_t capacity = units + units / 8;
    auto* block = static_cast<wchar_t*>(std::malloc(static_cast<size_t>(capacity) * sizeof(wchar_t)));
    if (!block)
        fail("cannot allocate the text");
    std::vector<int32_t> feeds;
    for (int32_t at = 0; at < units; ++at) {
        block[at] = bytes[at];
        if (bytes[at] == '\n' && at + 1 < units)
            feeds.push_back(at + 1);
    }
    document.setBuffer(tessel::GapBuffer(block, units, capacity), feeds.data(), static_cast<int32_t>(feeds.size()));
    document.beginChange(0, true);
    document.insert(units / 2, L"#");
    document.remove(units / 2, 1);
    document.endChange();
}

// Every match from the start, each search starting behind the last match.
int countMatches(Document& document, tessel::Finder& finder) {
    int count = 0;
    for (int32_t at = 0; document.runFinder(finder, at, document.getLength(), false); ++count)
        at = finder.getResults().end(0);
    return count;
}

// The figure, then its ratio to each peer whose figure is known, each beside its target (none: 0).
void figureBesidePeers(const char* name, double value, const bench::Options& options, const char* grep, const char* rg,
                       double grepTarget = 0, double rgTarget = 0) {
    bench::figure(name, value, "MB/s");
    for (const auto& peer : {std::make_tuple("grep", grep, grepTarget), std::make_tuple("rg", rg, rgTarget)}) {
        if (options.number(std::get<1>(peer)) <= 0)
            continue;
        const std::string ratio = std::string(name) + "_vs_" + std::get<0>(peer);
        bench::figure(ratio.c_str(), value / options.number(std::get<1>(peer)), "ratio");
        if (std::get<2>(peer) > 0)
            bench::figure((ratio + "_target").c_str(), std::get<2>(peer), "ratio");
    }
}

double megabytesPerSecond(const Document& document, double seconds) {
    return document.getLength() / seconds / 1e6;
}

// Every match over a contiguous copy of the characters with the same engine, flags and traits.
int countInCopy(const std::u32string& copy, const std::wstring& pattern) {
    using Iterator = std::u32string::const_iterator;
    const tessel::UnicodeRegExTraits traits;
    const std::u32string characters = tessel::enginePattern(pattern, traits);
    xp::regex_compiler<Iterator, tessel::UnicodeRegExTraits> compiler;
    const xp::basic_regex<Iterator> regex = compiler.compile(characters.begin(), characters.end(), tessel::engineSyntax(false));
    xp::match_results<Iterator> match;
    int count = 0;
    for (Iterator at = copy.begin(); ++count;) {
        const auto flags = xp::regex_constants::match_not_null |
                           (at == copy.begin() ? xp::regex_constants::match_default : xp::regex_constants::match_prev_avail);
        if (!xp::regex_search(at, copy.end(), match, regex, flags))
            break;
        at = match[0].second;
    }
    return count - 1;
}

void plainText(Document& document, const bench::Options& options) {
    const struct {
        const char* name;
        bool ignoreCase, wholeWord;
        const char* grep;
        const char* rg;
        double grepTarget, rgTarget;
    } searches[] = {
        {"search_plain_case_sensitive", false, false, "--grep-F", "--rg-F", 1.0, 0.5},
        {"search_plain_ignore_case", true, false, "--grep-Fi", "--rg-Fi", 0, 0},
        {"search_plain_whole_word", false, true, "--grep-Fw", "--rg-Fw", 0, 0},
    };
    for (const auto& search : searches) {
        tessel::FinderBoyerMoore finder(L"hippopotami", search.ignoreCase, search.wholeWord);
        int count = 0;
        const double seconds = bench::bestOf(3, [&] { count = countMatches(document, finder); });
        bench::figure((std::string(search.name) + "_matches").c_str(), count, "matches");
        figureBesidePeers(search.name, megabytesPerSecond(document, seconds), options, search.grep, search.rg,
                          search.grepTarget, search.rgTarget);
    }
}

void regularExpressions(Document& document, const bench::Options& options) {
    const std::u32string copy = pel::codePointsOf(document.getText(0, document.getLength()));
    const struct {
        const char* name;
        const wchar_t* pattern;
        const char* grep;
        const char* rg;
    } searches[] = {
        {"search_regex_literal_led", L"sel[a-z]+ion", "--grep-P-literal", "--rg-literal"},
        {"search_regex_boundary_led", L"\\bw\\d+7\\b", "--grep-P-boundary", "--rg-boundary"},
    };
    for (const auto& search : searches) {
        tessel::FinderRegEx finder(search.pattern, false);
        int count = 0, copyCount = 0;
        const double seconds = bench::bestOf(3, [&] { count = countMatches(document, finder); });
        const double copySeconds = bench::bestOf(3, [&] { copyCount = countInCopy(copy, search.pattern); });
        if (count != copyCount)
            fail("the document and its copy give different matches");
        const std::string name = search.name;
        bench::figure((name + "_matches").c_str(), count, "matches");
        figureBesidePeers(search.name, megabytesPerSecond(document, seconds), options, search.grep, search.rg, 1.0);
        bench::figure((name + "_copy").c_str(), megabytesPerSecond(document, copySeconds), "MB/s");
        bench::figure((name + "_iterator_cost").c_str(), seconds / copySeconds, "x_copy");
    }
    tessel::FinderRegEx absent(L"selz[a-z]+ion", false);
    bool found = true;
    const double seconds = bench::bestOf(1, [&] { found = document.runFinder(absent, 0, document.getLength(), true); });
    if (found)
        fail("the absent pattern was found");
    bench::figure("search_regex_backward_absent", seconds, "s");
}

// A pattern that reads the rest of the line from every start, over one long line: the time
// until its work runs out and it stops.
void stoppedSearches() {
    Document line;
    line.insert(0, std::wstring(1000000, L'a'));
    tessel::FinderRegEx finder(L"a.*y", false);
    for (const bool backward : {false, true}) {
        bool stopped = false;
        const double seconds = bench::bestOf(1, [&] {
            try {
                line.runFinder(finder, 0, line.getLength(), backward);
            } catch (const tessel::SearchFailed&) {
                stopped = true;
            }
        });
        if (!stopped)
            fail("the search over the long line did not stop");
        const std::string name = backward ? "search_regex_stopped_backward" : "search_regex_stopped_forward";
        bench::figure(name.c_str(), seconds, "s");
        bench::figure((name + "_target").c_str(), 2, "s");
    }
}

// Replace all of a common whole word in one change bracket, then undo and redo it.
void replaceAll(Document& document, const bench::Options& options) {
    tessel::FinderBoyerMoore finder(L"doorway", false, true);
    tessel::ReplacerSimple replacer(L"other");
    double start = bench::seconds();
    const int count = bench::replaceAllLoop(document, finder, replacer);
    const double replaced = bench::seconds() - start;
    if (const char* expected = options.get("--expect")) {
        const std::vector<unsigned char> bytes = bench::loadFile(expected);
        const std::wstring text = document.getText(0, document.getLength());
        if (text.size() != bytes.size() || !std::equal(text.begin(), text.end(), bytes.begin()))
            fail("replace all differs from sed's output");
    }
    const int32_t length = document.getLength();
    start = bench::seconds();
    document.beginChange(0, true);
    document.getUndoContext().undo();
    document.endChange();
    const double undone = bench::seconds() - start;
    const bool wasUndone = document.getLength() != length;
    start = bench::seconds();
    document.beginChange(0, true);
    document.getUndoContext().redo();
    document.endChange();
    const double redone = bench::seconds() - start;
    if (!wasUndone || document.getLength() != length)
        fail("undo and redo did not take the replacements away and back");
    bench::figure("replace_all_whole_word_matches", count, "matches");
    bench::figureBeside("replace_all_whole_word", replaced, "s", "sed", options.number("--sed-seconds"));
    bench::figureBeside("replace_all_undo", undone, "s", "replace", replaced);
    bench::figureBeside("replace_all_redo", redone, "s", "replace", replaced);
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const char* path = options.get("--text");
    if (!path)
        fail("search_bench --text FILE --folder DIR [--expect SED_OUTPUT] [--PEER MB/s ...]");
    pel::store_main_thread_id();
    tessel_test::TempDevices devices(bench::folderOption(options));
    {
        Owner owner;
        Document document(&owner);
        load(document, bench::loadFile(path));
        plainText(document, options);
        regularExpressions(document, options);
        stoppedSearches();
        replaceAll(document, options);
    }
    return 0;
}
