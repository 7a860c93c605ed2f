// RegEx::search throughput over 16 MiB of English-like UTF-16 text (8 Mi characters), beside
// direct Oniguruma calls on the same data in the same program. Each pass finds every match
// from the start to the end. MB/s counts the UTF-16 bytes searched. Prints per pattern:
//   onig_search_<name> <MB/s> MB/s
//   regex_search_<name> <MB/s> MB/s
//   regex_search_<name>_vs_onig <ratio> ratio (the wrapper's cost shows as the distance below 1)

#include "pel/text/search/RegEx.h"
#include "pel/text/search/RegExLibrary.h"
#include "support/Bench.h"

#include <oniguruma.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring englishLikeText(size_t characters) {
    static const wchar_t* const words[] = {
        L"the", L"of", L"and", L"to", L"in", L"is", L"was", L"that", L"for", L"with", L"as", L"his",
        L"on", L"be", L"at", L"by", L"had", L"not", L"are", L"but", L"from", L"or", L"have", L"an",
        L"they", L"which", L"one", L"were", L"her", L"all", L"there", L"been", L"their", L"inn",
        L"Finn", L"Penn", L"window", L"morning", L"evening", L"remained", L"question", L"distance",
        L"traveller", L"nation", L"beginning", L"spinning", L"Lynn", L"Glenn", L"autumn", L"column"};
    const size_t wordCount = sizeof(words) / sizeof(words[0]);
    std::wstring text;
    text.reserve(characters + 32);
    uint32_t state = 2024;
    size_t sentence = 0;
    while (text.size() < characters) {
        state = state * 1664525u + 1013904223u;
        std::wstring word = words[(state >> 8) % wordCount];
        if (sentence == 0)
            word[0] = static_cast<wchar_t>(towupper(word[0]));
        text += word;
        if (++sentence > 6 + (state >> 28)) {
            text += (state & 0x10) ? L".\n" : L". ";
            sentence = 0;
        } else {
            text += (state & 0xF) == 0 ? L", " : L" ";
        }
    }
    text.resize(characters);
    return text;
}

// Every match of the wrapper from start to end; returns the number of matches.
long countWithWrapper(const pel::RegEx& regex, const std::wstring& text, pel::MatchResultsRegEx& results) {
    const wchar_t* begin = text.data();
    const wchar_t* end = begin + text.size();
    const wchar_t* at = begin;
    long matches = 0;
    while (at < end) {
        regex.search(&results, begin, end, at, end);
        if (!results.found())
            break;
        ++matches;
        const int next = std::max(results.end(0), results.begin(0) + 1);
        at = begin + next;
    }
    return matches;
}

long countWithEngine(OnigRegex regex, const std::wstring& text, OnigRegion* region) {
    const OnigUChar* begin = reinterpret_cast<const OnigUChar*>(text.data());
    const OnigUChar* end = begin + text.size() * 2;
    const OnigUChar* at = begin;
    long matches = 0;
    while (at < end) {
        const int r = onig_search(regex, begin, end, at, end, region, ONIG_OPTION_NONE);
        if (r < 0)
            break;
        ++matches;
        const int next = std::max(region->end[0], region->beg[0] + 2);
        at = begin + next;
    }
    return matches;
}

void measure(const char* name, const wchar_t* pattern, const std::wstring& text) {
    auto regex = pel::RegEx::create(pattern);
    if (!regex->isCompiled()) {
        std::fprintf(stderr, "regex_bench: %ls does not compile\n", pattern);
        std::exit(2);
    }
    OnigRegex direct = nullptr;
    OnigErrorInfo info;
    const OnigUChar* p = reinterpret_cast<const OnigUChar*>(pattern);
    if (onig_new(&direct, p, p + wcslen(pattern) * 2, ONIG_OPTION_CAPTURE_GROUP, ONIG_ENCODING_UTF16_LE,
                 ONIG_SYNTAX_DEFAULT, &info) != ONIG_NORMAL) {
        std::fprintf(stderr, "regex_bench: the engine rejects %ls\n", pattern);
        std::exit(2);
    }
    pel::MatchResultsRegEx results;
    OnigRegion* region = onig_region_new();
    double bestWrapper = 1e30, bestEngine = 1e30;
    long wrapperMatches = 0, engineMatches = 0;
    // Alternate the two so that neither gains from the other's warm caches.
    for (int run = 0; run < 5; ++run) {
        bestWrapper = std::min(bestWrapper, bench::bestOf(1, [&] { wrapperMatches = countWithWrapper(*regex, text, results); }));
        bestEngine = std::min(bestEngine, bench::bestOf(1, [&] { engineMatches = countWithEngine(direct, text, region); }));
    }
    if (wrapperMatches != engineMatches || wrapperMatches == 0) {
        std::fprintf(stderr, "regex_bench: %s found %ld matches, the engine %ld\n", name, wrapperMatches, engineMatches);
        std::exit(1);
    }
    const double bytes = static_cast<double>(text.size()) * 2;
    const double wrapperMbps = bytes / bestWrapper / 1e6;
    const double engineMbps = bytes / bestEngine / 1e6;
    const std::string engineName = std::string("onig_search_") + name;
    bench::figure(engineName.c_str(), engineMbps, "MB/s");
    const std::string wrapperName = std::string("regex_search_") + name;
    bench::figureBeside(wrapperName.c_str(), wrapperMbps, "MB/s", "onig", engineMbps);
    std::fprintf(stderr, "(%s: %ld matches)\n", name, wrapperMatches);
    onig_region_free(region, 1);
    onig_free(direct);
}

} // namespace

int main() {
    pel::initRegExLibrary();
    const std::wstring text = englishLikeText(8u << 20);
    measure("literal", L"traveller", text);
    measure("word_nn", L"\\b\\w+nn\\b", text);
    pel::shutdownRegExLibrary();
    return 0;
}
