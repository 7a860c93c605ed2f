#include "PatternGenerator.h"
#include "PatternReadersCheck.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using tessel_test::GeneratedPattern;
using tessel_test::PATTERN_FORMS;
using tessel_test::PatternForm;
using tessel_test::PatternGenerator;
using tessel_test::PatternReadersCheck;

namespace {

// The faults reported of one run at most: one is enough to act on.
constexpr size_t MOST_FAULTS = 10;

struct GeneratedRun {
    size_t written = 0;
    size_t compiled = 0; // the engine took it
    size_t matched = 0;  // the engine matched it on one of its lines
    std::array<size_t, PATTERN_FORMS> formsCompiled{};
    std::array<size_t, PATTERN_FORMS> formsMatched{};
    std::vector<std::string> faults;
};

// Generated patterns, until `patterns` of them compiled, each tried on its lines.
GeneratedRun run(uint32_t seed, size_t patterns) {
    GeneratedRun run;
    PatternGenerator generator(seed);
    while (run.compiled < patterns) {
        const GeneratedPattern generated = generator.next();
        ++run.written;
        const PatternReadersCheck check(generated.pattern, generated.options);
        if (!check.compiled())
            continue;
        ++run.compiled;
        bool matched = false;
        std::string firstFault;
        for (const std::wstring& line : generator.linesFor(generated, check.literals())) {
            std::string fault;
            matched = check.tryLine(line, &fault) > 0 || matched;
            if (firstFault.empty())
                firstFault = fault;
        }
        if (!firstFault.empty() && run.faults.size() < MOST_FAULTS)
            run.faults.push_back("pattern \"" + tessel_test::printable(generated.pattern) + "\" (options " +
                                 std::to_string(generated.options) + "): " + firstFault);
        run.matched += matched;
        for (size_t form = 0; form < PATTERN_FORMS; ++form) {
            if (!generated.forms[form])
                continue;
            ++run.formsCompiled[form];
            run.formsMatched[form] += matched;
        }
    }
    return run;
}

std::string summary(const GeneratedRun& run) {
    std::string text = std::to_string(run.written) + " written, " + std::to_string(run.compiled) + " compiled, " +
                       std::to_string(run.matched) + " matched on a line;";
    for (size_t form = 0; form < PATTERN_FORMS; ++form)
        text += std::string(" ") + tessel_test::formName(static_cast<PatternForm>(form)) + " " +
                std::to_string(run.formsCompiled[form]) + "/" + std::to_string(run.formsMatched[form]);
    return text;
}

} // namespace

// The same patterns every run, each form of the syntax among them, most matched on a line.
TEST(PatternReadersGenerated, NeverRuleOutWhatTheEngineMatchesOnPatternsOfAFixedSeed) {
    const GeneratedRun result = run(72, 100000);
    for (const std::string& fault : result.faults)
        ADD_FAILURE() << fault;
    for (size_t form = 0; form < PATTERN_FORMS; ++form) {
        const char* name = tessel_test::formName(static_cast<PatternForm>(form));
        EXPECT_GE(result.formsCompiled[form], 1000u) << name;
        EXPECT_GE(result.formsMatched[form], 300u) << name;
    }
    EXPECT_GE(result.compiled * 2, result.written) << "most patterns written are the engine's";
    EXPECT_GE(result.matched * 2, result.compiled) << "most patterns match on a line of their own";
    std::printf("%s\n", summary(result).c_str());
}

// Other patterns each run: the seed (TESSEL_PATTERN_SEED repeats one) is in every fault reported.
TEST(PatternReadersGenerated, NeverRuleOutWhatTheEngineMatchesOnPatternsOfASeedFromTheClock) {
    const char* given = std::getenv("TESSEL_PATTERN_SEED");
    const auto seed = given ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10))
                            : static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const GeneratedRun result = run(seed, 20000);
    for (const std::string& fault : result.faults)
        ADD_FAILURE() << "seed " << seed << " (TESSEL_PATTERN_SEED=" << seed << " repeats it): " << fault;
}
