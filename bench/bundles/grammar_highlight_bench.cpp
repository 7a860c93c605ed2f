// End-to-end highlighting: TextMate grammars converted into bundles, loaded and compiled, then
// files parsed line by line from line 0 on one thread as a parse job does, beside vscode-textmate
// (run by highlight_peer.js on the same files). Also compares the full scope path of every
// character with the peer's, outside documentation comments.
//
//   grammar_highlight_bench --entry JS.tsGrammar [--entry CSS.tsGrammar] --input FILE --name NAME
//       [--scopes PEER_SCOPES --diff-out FILE] [--peer-lines N] [--peer-pass-ms N]

#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/bundles/grammar/GrammarBundleItemCompiler.h"
#include "service/parser/DynamicEndStore.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/LineMatcher.h"
#include "service/parser/ParserRule.h"

#include "pel/thread/MainThread.h"
#include "pel/text/TextConversion.h"
#include "service/parser/ParsedDocument.h"
#include "support/Bench.h"
#include "support/LogCapture.h"

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
    GrammarMap grammars;
    for (const char* key : {"--entry", "--entry2"}) {
        const std::string entry = options.get(key, "");
        if (entry.empty())
            continue;
        const std::vector<unsigned char> bytes = bench::loadFile(entry.c_str());
        std::wstring text;
        pel::fromUtf8(reinterpret_cast<const char*>(bytes.data()) + 3, bytes.size() - 3, text); // after the BOM
        ErrorList errors;
        const std::unique_ptr<pel::Value> root = BundleEntrySourceHelper::parse(L"entry", text, &errors, nullptr);
        boost::intrusive_ptr<GrammarBundleItem> grammar(new GrammarBundleItem, false);
        grammar->readValue(*static_cast<const pel::AbstractDictionaryValue*>(root.get()), &errors);
        grammars.emplace(grammar->getName(), grammar);
    }
    const double compileStart = bench::seconds();
    const std::shared_ptr<GrammarRuleSet> rules = GrammarBundleItemCompiler(&grammars, nullptr).compile();
    bench::figure((name + "_compile_ms").c_str(), (bench::seconds() - compileStart) * 1000, "ms");
    const ParserRule* root = findRule(L"source.js", *rules);
    const std::wstring text = readText(options.get("--input", ""));
    tessel_test::ParserOwner owner;
    Document document(&owner);
    tessel_test::insertText(document, 0, text);
    DynamicEndStore store;
    LineMatcher matcher;
    tessel_test::LogCapture log;
    const auto pass = [&] {
        tessel_test::setGrammar(document, root);
        matcher.bind(document, rules.get(), 0, store);
        for (int32_t line = 0; line < document.getLineCount(); ++line)
            matcher.parseLine(line);
        matcher.unbind();
    };
    const double firstStart = bench::seconds();
    pass();
    bench::figure((name + "_first_pass_ms").c_str(), (bench::seconds() - firstStart) * 1000, "ms");
    std::vector<double> passes;
    for (int i = 0; i < 5; ++i) {
        const double start = bench::seconds();
        pass();
        passes.push_back(bench::seconds() - start);
    }
    std::sort(passes.begin(), passes.end());
    const double median = passes[2];
    size_t stopped = 0;
    for (const tessel_test::LoggedLine& line : log.lines())
        stopped += line.text.find(L"Parser: Line ") == 0 && line.text.find(L"stopped") != std::wstring::npos;
    printf("%s_pass_ms %.1f ms%s\n", name.c_str(), median * 1000, median > PASS_LIMIT_S ? " FAILED" : "");
    bench::figureBeside((name + "_lines_per_s").c_str(), document.getLineCount() / median, "lines/s", "peer",
                        options.number("--peer-lines"));
    bench::figure((name + "_lines_stopped_per_pass").c_str(), stopped / 7.0, "lines");

    const std::string scopes = options.get("--scopes", "");
    if (scopes.empty())
        return 0;
    const std::vector<PeerLine> peer = readPeerScopes(scopes);
    std::ofstream diff(options.get("--diff-out", "diff.txt"));
    ScopePaths paths(document);
    const std::string none;
    size_t compared = 0, equal = 0, documentation = 0, differing = 0;
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
            } else if (same) {
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
    return 0;
}
