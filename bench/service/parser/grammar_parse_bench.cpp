// The line matcher and the parse jobs with the tests' in-code JSON grammar: a 20 000-line JSON
// text through the matcher alone and through a job on one worker (lines/s), minified JSON on one
// line of 150 and 75 KB, alone and inside a rule that ends at the line's end (ms), the delay from
// a typed character to its posted range, and the record bytes per line. The peer's figures, on
// the same texts, come in as options and give the ratios.

#include "service/parser/DocumentParserClient.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/DynamicEndStore.h"
#include "service/parser/LineMatcher.h"

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "service/document/DocumentListener.h"
#include "service/document/DocumentManager.h"
#include "service/parser/base/GrammarRuleSetHolder.h"
#include "support/Bench.h"
#include "support/MessagePump.h"
#include "service/parser/ParsedDocument.h"
#include "service/parser/TestGrammars.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace tessel;

namespace {

std::wstring readText(const std::string& path) {
    const std::vector<unsigned char> bytes = bench::loadFile(path.c_str());
    return std::wstring(bytes.begin(), bytes.end()); // the texts are ASCII
}

// The matcher alone over every line of a document; seconds, best of several passes.
double matchAll(const std::shared_ptr<GrammarRuleSet>& rules, const std::wstring& text, int runs, size_t* o_bytes) {
    tessel_test::ParserOwner owner;
    Document document(&owner);
    tessel_test::insertText(document, 0, text);
    DynamicEndStore store;
    LineMatcher matcher;
    const ParserRule* root = rules->rule(1);
    const double best = bench::bestOf(runs, [&] {
        tessel_test::setGrammar(document, root);
        matcher.bind(document, rules.get(), 0, store);
        for (int32_t line = 0; line < document.getLineCount(); ++line)
            matcher.parseLine(line);
        matcher.unbind();
    });
    *o_bytes = 0;
    for (int32_t line = 0; line < document.getLineCount(); ++line)
        *o_bytes += static_cast<const LineRecordHeader*>(document.getLineHeader(line)->parsedLine)->size;
    return best;
}

struct Posted : DocumentListener {
    void onParsed(Document&, int32_t first, int32_t last) override {
        firstSeen = std::min(firstSeen, first);
        lastSeen = std::max(lastSeen, last);
    }
    void reset() {
        firstSeen = INT32_MAX;
        lastSeen = -1;
    }
    int32_t firstSeen = INT32_MAX;
    int32_t lastSeen = -1;
};

// A DocumentManager whose pool has one worker: a full pass of the text, and typed characters.
void measureJobs(const std::wstring& text, double peerLines) {
    pel::MessageRegistry registry;
    registry.initRegistry(::GetModuleHandleW(nullptr));
    {
        DocumentManager manager(std::make_shared<DocumentParserServices>());
        manager.getParserPool().setWorkerCount(1);
        Posted posted;
        manager.addListener(&posted);
        const std::shared_ptr<GrammarRuleSet> rules = tessel_test::jsonGrammar();
        manager.getGrammarRuleSetHolder().replaceGrammarRuleSet(rules);
        Document* document = manager.createDocument(L"source.json");
        tessel_test::insertText(*document, 0, text);
        const int32_t last = document->getLineCount() - 1;
        const auto passOver = [&] { return posted.lastSeen >= last && !document->getParserJob()->isBusy(); };
        tessel_test::pumpUntil(passOver);
        const double pass = bench::bestOf(3, [&] {
            posted.reset();
            manager.onGrammarReady(L"source.json", rules->rule(1)); // starts over: every line again
            tessel_test::pumpUntil(passOver);
        });
        bench::figureBeside("job_json_lines_per_s", document->getLineCount() / pass, "lines/s", "textmate", peerLines);

        // A character typed into a string and taken out again, many times: the delay until the
        // line's range is posted.
        std::vector<double> delays;
        const int32_t offset = document->getLineStart(100) + 4;
        for (int i = 0; i < 40; ++i) {
            posted.reset();
            const double start = bench::seconds();
            if (i % 2 == 0)
                tessel_test::insertText(*document, offset, L"x");
            else
                tessel_test::editText(*document, offset, 1, L"");
            // As the main loop waits: GetMessageW returns when the result's message comes.
            for (MSG message; !(posted.firstSeen <= 100 && posted.lastSeen >= 100) && ::GetMessageW(&message, nullptr, 0, 0);)
                ::DispatchMessageW(&message);
            delays.push_back((bench::seconds() - start) * 1000);
        }
        std::sort(delays.begin(), delays.end());
        bench::figure("typed_char_post_median_ms", delays[delays.size() / 2], "ms");
        bench::figure("typed_char_post_worst_ms", delays.back(), "ms");
        manager.removeListener(&posted);
    }
    registry.releaseRegistry();
}

} // namespace

int main(int argc, char** argv) {
    pel::store_main_thread_id();
    const bench::Options options(argc, argv);
    const std::string data = options.get("--data", ".");
    const std::shared_ptr<GrammarRuleSet> json = tessel_test::jsonGrammar();
    const std::shared_ptr<GrammarRuleSet> jsonLines = tessel_test::jsonLineGrammar();

    const std::wstring lines = readText(data + "/json-lines.json");
    size_t bytes = 0;
    const double matched = matchAll(json, lines, 5, &bytes);
    const double lineCount = static_cast<double>(std::count(lines.begin(), lines.end(), L'\n') + 1);
    const double peerLines = options.number("--peer-lines");
    bench::figureBeside("matcher_json_lines_per_s", lineCount / matched, "lines/s", "textmate", peerLines);
    bench::figure("record_bytes_per_line", bytes / lineCount, "bytes");

    double times[2][2];
    const char* sizes[2] = {"150k", "75k"};
    for (int size = 0; size < 2; ++size) {
        const std::wstring text = readText(data + "/json-min-" + sizes[size] + ".json");
        for (int wrapped = 0; wrapped < 2; ++wrapped) {
            times[size][wrapped] = matchAll(wrapped ? jsonLines : json, text, 9, &bytes) * 1000;
            const std::string name = std::string("json_min_") + sizes[size] + (wrapped ? "_in_line_rule" : "");
            const std::string peer = std::string("--peer-min-") + sizes[size] + (wrapped ? "-line" : "");
            bench::figureBeside((name + "_ms").c_str(), times[size][wrapped], "ms", "textmate",
                                options.number(peer.c_str()));
        }
    }
    bench::figure("json_min_double_length_time_ratio", times[0][0] / times[1][0], "ratio");
    bench::figure("json_min_in_line_rule_double_length_time_ratio", times[0][1] / times[1][1], "ratio");

    measureJobs(lines, peerLines);
    return 0;
}
