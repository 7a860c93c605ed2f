// End-to-end highlighting: TextMate grammars converted into bundles, loaded and compiled, then
// files parsed line by line from line 0 on one thread as a parse job does, beside vscode-textmate
// (run by highlight_peer.js on the same files). Also compares the full scope path of every
// character with the peer's, outside documentation comments.
//
//   grammar_highlight_bench --root LAYER --input FILE --name NAME [--scope SCOPE] [--scopes PEER_SCOPES
//       --diff-out FILE] [--peer-lines N] [--peer-pass-ms N] [--target-ratio N]
//       [--first-pass-only --peer-first-pass-ms N]
// LAYER is the root layer's folder, holding "bundles" with the converted grammars; SCOPE is the
// scope name of the grammar the input is highlighted with, source.js unless given. The target of
// lines per second against the peer's is --target-ratio; of equal scope paths, 99.9% of the
// characters outside what the bundle format cannot carry: a "$n" left in a scope name, and inner
// scopes the peer gives by the patterns of a capture (ours is then a prefix of the peer's path),
// each counted apart. Also the heap bytes the compiled grammars hold, and the re-parse of a
// typed character (the line and those after it whose start state changed): at most 10 ms where
// no line is longer than TYPED_LINE_LONGEST (a typed character in a minified file re-parses its
// whole line).

#include "bundles/BundleManager.h"
#include "bundles/GrammarBundleItemManager.h"

#include "afw/core/afModuleInstance.h"
#include "afw/graphics/afStockResources.h"
#include "service/base/ServiceSetup.h"
#include "service/base/TesselService.h"
#include "service/document/DocumentManager.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/DynamicEndStore.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/LineMatcher.h"
#include "service/parser/ParserRule.h"
#include "service/parser/RuleSetHolder.h"

#include "pel/thread/MainThread.h"
#include "pel/text/TextConversion.h"
#include "service/parser/ParsedDocument.h"
#include "support/Bench.h"
#include "support/LogCapture.h"
#include "support/MessagePump.h"
#include "support/ServiceRootFolders.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace tessel;

namespace {

constexpr double PASS_LIMIT_S = 10.0;
// The longest a typed character's re-parse may take.
constexpr double TYPED_CHAR_LIMIT_MS = 10.0;
// Lines typed into, spread over the input.
constexpr int TYPED_LINES = 40;
constexpr int32_t TYPED_LINE_LONGEST = 10000;

// Bytes in use in the process's heaps.
size_t heapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
    size_t used = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!::HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (::HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                used += entry.cbData;
        ::HeapUnlock(heaps[i]);
    }
    return used;
}

// The root layer of the run: the folder given; the others temporary.
std::wstring& rootFolder() {
    static std::wstring folder;
    return folder;
}
const tessel_test::TempFolder*& tempFolder() {
    static const tessel_test::TempFolder* folder = nullptr;
    return folder;
}
bool setUpOverRoot(Config& config) {
    const tessel_test::TempFolder& temp = *tempFolder();
    return setupFileSystem(config, {rootFolder(), temp / L"user", temp / L"appdata", temp / L"temp"});
}

// Loads the bundles of the root layer through a BundleManager and waits for their grammars'
// rule set; prints the load and the compile time; then stops compiles at several moments and
// prints the slowest stop.
const GrammarRuleSet* loadGrammars(TesselService& service, const std::string& name, bool measureStops,
                                             double* o_compileMs) {
    BundleManager bundles(service);
    const std::shared_ptr<GrammarBundleItemManager> grammars = GrammarBundleItemManager::create(bundles, service);
    int compiled = 0;
    grammars->onCompiled.add(&compiled, [&compiled] { ++compiled; });
    service.runStartup();
    const double start = bench::seconds();
    bundles.load();
    if (!tessel_test::pumpUntil([&] { return !bundles.isLoading(); }, 60000))
        printf("%s_load FAILED\n", name.c_str());
    const double loaded = bench::seconds();
    const size_t heapLoaded = heapBytesInUse();
    if (!tessel_test::pumpUntil([&] { return compiled > 0; }, 60000))
        printf("%s_compile FAILED\n", name.c_str());
    const double done = bench::seconds();
    const double heapCompiled = static_cast<double>(heapBytesInUse()) - static_cast<double>(heapLoaded);
    bench::figure((name + "_bundle_load_ms").c_str(), (loaded - start) * 1000, "ms");
    *o_compileMs = (done - loaded) * 1000;
    bench::figure((name + "_compile_ms").c_str(), *o_compileMs, "ms");
    bench::figure((name + "_compiled_grammars_kib").c_str(), heapCompiled / 1024, "KiB");
    RuleSetHolder& holder = static_cast<RuleSetHolder&>(service.getDocumentManager()->getGrammarRuleSetHolder());
    const GrammarRuleSet* rules = holder.ruleSet();
    if (measureStops) {
        double slowest = 0;
        for (DWORD delay : {0, 5, 20, 50, 100, 200}) {
            grammars->lockCompile(true); // makes a compile due
            grammars->unlockCompile();
            ::Sleep(delay);
            const double stopStart = bench::seconds();
            grammars->stopCompile();
            slowest = std::max(slowest, bench::seconds() - stopStart);
        }
        tessel_test::pumpUntil([&] { return grammars->getRunningCompiles() == 0; });
        bench::figure((name + "_slowest_stop_ms").c_str(), slowest * 1000, "ms");
    }
    grammars->onCompiled.remove(&compiled);
    return rules;
}

std::wstring readText(const std::string& path) {
    const std::vector<unsigned char> bytes = bench::loadFile(path.c_str());
    return std::wstring(bytes.begin(), bytes.end()); // the inputs are ASCII
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The peer's scope path of every character of a line, and whether the line is in a
// documentation comment.
struct PeerLine {
    bool documentation = false;
    std::vector<std::pair<int, std::string>> tokens;
};

std::vector<PeerLine> readPeerScopes(const std::string& file) {
    const std::vector<unsigned char> bytes = bench::loadFile(file.c_str());
    std::vector<PeerLine> lines;
    for (const std::string& text : splitLines(std::string(bytes.begin(), bytes.end()))) {
        PeerLine line;
        line.documentation = !text.empty() && text[0] == 'D';
        std::istringstream fields(text.size() > 1 ? text.substr(2) : std::string());
        for (std::string start, path; std::getline(fields, start, '\t') && std::getline(fields, path, '\t');)
            line.tokens.emplace_back(std::stoi(start), path);
        lines.push_back(line);
    }
    return lines;
}

// The scope paths of a document's scope records, made once each.
class ScopePaths {
public:
    explicit ScopePaths(Document& document) : m_document(document) {}
    const std::string& of(uint32_t scope) {
        auto found = m_paths.find(scope);
        if (found == m_paths.end()) {
            std::string path;
            pel::toAscii(tessel_test::scopeText(m_document, scope), path);
            found = m_paths.emplace(scope, path).first;
        }
        return found->second;
    }

private:
    Document& m_document;
    std::map<uint32_t, std::string> m_paths;
};

} // namespace

int main(int argc, char** argv) {
    pel::store_main_thread_id();
    const bench::Options options(argc, argv);
    const std::string name = options.get("--name", "js");
    tessel_test::ServiceRootFolders folders;
    tempFolder() = &folders.base;
    for (const char* c = options.get("--root", "."); *c; ++c)
        rootFolder() += static_cast<wchar_t>(*c);
    TesselService::setSetupSteps({&setUpOverRoot, nullptr});
    afSetModuleInstance(::GetModuleHandleW(nullptr));
    afCreateStockResources();
    TesselService& service = *TesselService::getInstance();
    service.createDocumentManager(std::make_shared<DocumentParserServices>());
    const bool firstPassOnly = options.get("--first-pass-only") != nullptr;
    double compileMs = 0;
    const GrammarRuleSet* rules = loadGrammars(service, name, !firstPassOnly, &compileMs);
    const std::string scope = options.get("--scope", "source.js");
    const ParserRule* root = rules ? findRule(std::wstring(scope.begin(), scope.end()), *rules) : nullptr;
    if (!root) {
        printf("%s FAILED: no rule for %s\n", name.c_str(), scope.c_str());
        return 1;
    }
    const std::wstring text = readText(options.get("--input", ""));
    tessel_test::ParserOwner owner;
    Document document(&owner);
    tessel_test::insertText(document, 0, text);
    DynamicEndStore store;
    LineMatcher matcher;
    tessel_test::LogCapture log;
    const auto pass = [&] {
        tessel_test::setGrammar(document, root);
        matcher.bind(document, rules, 0, store);
        for (int32_t line = 0; line < document.getLineCount(); ++line)
            matcher.parseLine(line);
        matcher.unbind();
    };
    const double firstStart = bench::seconds();
    pass();
    const double firstMs = (bench::seconds() - firstStart) * 1000;
    bench::figure((name + "_first_pass_ms").c_str(), firstMs, "ms");
    if (firstPassOnly) {
        bench::figure((name + "_compile_first_pass_ms").c_str(), compileMs + firstMs, "ms");
        const double peer = options.number("--peer-first-pass-ms");
        if (peer > 0)
            printf("%s_compile_first_pass_speed_vs_peer %.2f ratio\n", name.c_str(), peer / (compileMs + firstMs));
        return 0;
    }
    std::vector<double> passes;
    for (int i = 0; i < bench::runs(5); ++i) {
        const double start = bench::seconds();
        pass();
        passes.push_back(bench::seconds() - start);
    }
    std::sort(passes.begin(), passes.end());
    const double median = passes[passes.size() / 2];
    size_t stopped = 0;
    for (const tessel_test::LoggedLine& line : log.lines())
        if (line.text.find(L"Parser: Line ") == 0 && line.text.find(L"stopped") != std::wstring::npos) {
            if (++stopped <= 5) // what stopped them, for the reader
                fprintf(stderr, "%s: %ls", name.c_str(), line.text.c_str());
        }
    printf("%s_pass_ms %.1f ms%s\n", name.c_str(), median * 1000, median > PASS_LIMIT_S ? " FAILED" : "");
    if (options.number("--peer-pass-ms") > 0)
        printf("%s_pass_speed_vs_peer %.2f ratio\n", name.c_str(), options.number("--peer-pass-ms") / (median * 1000));
    const double linesPerSecond = document.getLineCount() / median;
    bench::figure((name + "_lines_per_s").c_str(), linesPerSecond, "lines/s");
    const double peerLines = options.number("--peer-lines");
    if (peerLines > 0) {
        const std::string target = options.get("--target-ratio") ? std::string(">=") + options.get("--target-ratio") : "";
        bench::figure((name + "_lines_per_s_vs_peer").c_str(), linesPerSecond / peerLines, "ratio", target);
    }
    bench::figure((name + "_lines_stopped_per_pass").c_str(), stopped / (passes.size() + 1.0), "lines", "<=0");

    // A character typed at the start of lines spread over the text, and taken out again: each
    // edit re-parses its line and those after it whose start state it changed, as a parse job.
    std::vector<double> typed;
    const int32_t lineCount = document.getLineCount();
    for (int k = 0; k < bench::runs(TYPED_LINES); ++k) {
        const int32_t edited = static_cast<int32_t>((static_cast<int64_t>(lineCount) * (2 * k + 1)) / (2 * TYPED_LINES));
        const int32_t offset = document.getLineStart(edited);
        for (int undo = 0; undo < 2; ++undo) {
            if (undo)
                tessel_test::editText(document, offset, 1, L"");
            else
                tessel_test::insertText(document, offset, L"x");
            const double start = bench::seconds();
            matcher.bind(document, rules, 0, store);
            int32_t line = edited;
            matcher.parseLine(line);
            while (++line < lineCount && !matcher.stateMatches(line))
                matcher.parseLine(line);
            matcher.unbind();
            typed.push_back((bench::seconds() - start) * 1000);
        }
    }
    std::sort(typed.begin(), typed.end());
    int32_t longest = 0;
    for (int32_t line = 0; line < lineCount; ++line)
        longest = std::max(longest, document.getLineLength(line));
    const std::string typedTarget =
        longest <= TYPED_LINE_LONGEST ? "<=" + std::to_string(static_cast<int>(TYPED_CHAR_LIMIT_MS)) : "";
    bench::figure((name + "_typed_char_reparse_median_ms").c_str(), typed[typed.size() / 2], "ms", typedTarget);
    bench::figure((name + "_typed_char_reparse_worst_ms").c_str(), typed.back(), "ms", typedTarget);
    pass(); // the records the scopes are compared on, as a pass leaves them

    const std::string scopes = options.get("--scopes", "");
    if (scopes.empty())
        return 0;
    const std::vector<PeerLine> peer = readPeerScopes(scopes);
    // Written only where asked: a run from the source tree leaves no file behind.
    std::ofstream diff;
    if (const char* out = options.get("--diff-out"))
        diff.open(out);
    ScopePaths paths(document);
    const std::string none;
    size_t compared = 0, equal = 0, documentation = 0, differing = 0, placeholders = 0, capturePatterns = 0;
    for (int32_t line = 0; line < document.getLineCount() && line < static_cast<int32_t>(peer.size()); ++line) {
        if (peer[line].documentation) {
            ++documentation;
            continue;
        }
        const void* record = document.getLineHeader(line)->parsedLine;
        const LineRuns runs = record ? lineRecordRuns(record) : LineRuns{};
        const int32_t length = document.getLineLength(line);
        const PeerLine& theirLine = peer[line];
        bool same = true;
        uint32_t run = 0, scope = 0;
        size_t token = 0;
        for (int column = 0; column < length; ++column) {
            for (; run < runs.count && runs.runs[run].column <= column; ++run)
                scope = runs.runs[run].scope;
            while (token + 1 < theirLine.tokens.size() && theirLine.tokens[token + 1].first <= column)
                ++token;
            const std::string& ours = paths.of(scope);
            const std::string& theirs = theirLine.tokens.empty() ? none : theirLine.tokens[token].second;
            ++compared;
            if (ours == theirs) {
                ++equal;
                continue;
            }
            if (ours.find('$') != std::string::npos)
                ++placeholders;
            else if (theirs.size() > ours.size() && theirs.compare(0, ours.size(), ours) == 0 && theirs[ours.size()] == ' ')
                ++capturePatterns;
            if (same) {
                same = false;
                if (++differing <= 200)
                    diff << "line " << line + 1 << " col " << column << "\n  ours:  " << ours << "\n  peer:  " << theirs
                         << "\n";
            }
        }
    }
    bench::figure((name + "_documentation_lines").c_str(), static_cast<double>(documentation), "lines");
    bench::figure((name + "_differing_lines").c_str(), static_cast<double>(differing), "lines");
    bench::figure((name + "_equal_scope_paths").c_str(), compared ? 100.0 * equal / compared : 0, "%");
    bench::figure((name + "_chars_with_name_placeholders").c_str(), static_cast<double>(placeholders), "chars");
    bench::figure((name + "_chars_in_capture_patterns").c_str(), static_cast<double>(capturePatterns), "chars");
    const size_t carried = compared - placeholders - capturePatterns;
    bench::figure((name + "_equal_scope_paths_carried").c_str(), carried ? 100.0 * equal / carried : 0, "%", ">=99.9");
    return 0;
}
