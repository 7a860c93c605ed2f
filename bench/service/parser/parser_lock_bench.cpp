// The Document lock while the real parser pool (one worker) makes its first pass over an
// 800 000-line C document: a character typed at its top every 30 ms, its wait for the lock and
// the whole keystroke (the lock's wait and the edit) timed; then the same over lines on which
// every engine call runs away, its steps cheap at first and dearer later (each line ends at the
// line budget of the parser, 500 ms). Prints:
//   keystroke_lock_wait_p99 <ms> ms  (target: under 20)
//   keystroke_lock_wait_worst <ms> ms
//   keystroke_p99 <ms> ms
//   keystrokes_during_pass <count> keystrokes
//   keystroke_lock_wait_runaway_worst <ms> ms  (target: under 1000, twice the line budget)

#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/KeystrokesDuringPass.h"
#include "support/Bench.h"

#include <algorithm>
#include <cstdio>

using namespace tessel;

int main() {
    pel::store_main_thread_id(); // the benchmark's thread stands in for the entry point
    pel::MessageRegistry registry;
    registry.initRegistry(::GetModuleHandleW(nullptr));
    tessel_test::KeystrokeWaits waits, runaway;
    {
        DocumentManager manager(std::make_shared<DocumentParserServices>());
        manager.getParserPool().setWorkerCount(1);
        waits = tessel_test::typeDuringFirstPass(manager, 800000, 200);
        const std::wstring line = L"<" + std::wstring(1500, L'a') + L"bc>\n";
        const bool smoke = bench::smoke();
        runaway = tessel_test::typeDuringFirstPass(manager, smoke ? 2 : 8, smoke ? 3 : 20,
                                                   {tessel_test::dearerStepsGrammar(), L"source.dearer", line});
    }
    registry.releaseRegistry();
    for (const tessel_test::KeystrokeWaits* pass : {&waits, &runaway})
        if (!pass->passEnded || pass->keystrokes.empty()) {
            std::fprintf(stderr, "parser_lock_bench: the first pass did not end, or ended before any keystroke\n");
            return 1;
        }
    const auto percentile = [](std::vector<double> times, size_t percent) {
        std::sort(times.begin(), times.end());
        return times[std::min(times.size() - 1, times.size() * percent / 100)];
    };
    bench::figureTarget("keystroke_lock_wait_p99", percentile(waits.lockWaits, 99), "ms", "under 20 ms");
    bench::figure("keystroke_lock_wait_worst", percentile(waits.lockWaits, 100), "ms");
    bench::figure("keystroke_p99", percentile(waits.keystrokes, 99), "ms");
    bench::figure("keystrokes_during_pass", static_cast<double>(waits.keystrokes.size()), "keystrokes");
    bench::figureTarget("keystroke_lock_wait_runaway_worst", percentile(runaway.lockWaits, 100), "ms", "under 1000 ms");
    return 0;
}
