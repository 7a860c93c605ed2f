// One run of an empty task through a TaskRunner, from runTask to onTaskFinished on the UI
// thread and the join of its thread, beside the bare Win32 path: CreateThread, a thread that
// posts one message to a message-only window, the message dispatched, and the join. Medians
// and 99th percentiles in microseconds.

#include "BgBench.h"
#include "service/base/TaskRunner.h"

#include <memory>
#include <vector>

namespace {

constexpr int kSamples = 1000;

class EmptyTask : public tessel::Task {
public:
    void run() override {}
};

std::vector<int64_t> runnerRuns() {
    std::vector<int64_t> samples;
    tessel::TaskRunner runner(L"BundleLoader");
    int finished = 0;
    runner.onTaskFinished = [&](tessel::TaskRunner&) { ++finished; };
    auto task = std::make_shared<EmptyTask>();
    for (int i = 0; i < kSamples; ++i) {
        const int64_t start = bgbench::ticks();
        runner.runTask(task);
        bgbench::pumpUntil([&] { return finished == i + 1; });
        runner.join();
        samples.push_back(bgbench::ticks() - start);
    }
    return samples;
}

int s_received = 0;
void onPeerMessage(WPARAM, LPARAM) { ++s_received; }

DWORD WINAPI postOnce(void* window) {
    ::PostMessageW(static_cast<HWND>(window), WM_APP + 1, 0, 0);
    return 0;
}

std::vector<int64_t> bareRuns() {
    std::vector<int64_t> samples;
    bgbench::PeerWindow window(&onPeerMessage);
    s_received = 0;
    for (int i = 0; i < kSamples; ++i) {
        const int64_t start = bgbench::ticks();
        HANDLE thread = ::CreateThread(nullptr, 0, &postOnce, window.handle(), 0, nullptr);
        bgbench::pumpUntil([&] { return s_received == i + 1; });
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
        samples.push_back(bgbench::ticks() - start);
    }
    return samples;
}

} // namespace

int main() {
    bgbench::MainThread main;
    const bgbench::Percentiles bare = bgbench::percentiles(bareRuns());
    const bgbench::Percentiles ours = bgbench::percentiles(runnerRuns());
    bgbench::printLatency("task_run_to_finished", ours, "createthread_post_join", &bare);
    return 0;
}
