// Tessel with a generated 100 MB C file open; another program touches it (its write time set
// anew, its bytes the same) and then changes one byte of it (the size the same, the write time
// put back). Only the file's bytes tell that the first is no news and the second is: the file is
// read for its digest on the loader's thread while the window goes on answering, until the change
// question shows. A thread of the benchmark sends the window a message after each answer all the
// while; the figure is the longest it waited for an answer, from the touch to the question
// (target: at most 50 ms), beside the same while the window is idle before the touch, with the
// time the question took to show.
//
// app_touch_bench [--megabytes 100] [--runs 3] [--idle-seconds 2]

#include "app/AppBench.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using tessel_test::OtherProcess;

constexpr DWORD LIMIT_MS = 120000;

bool waitFor(const std::function<bool()>& done) { return tessel_test::pollFor(done, LIMIT_MS, 2); }

std::wstring titleOf(HWND window) {
    wchar_t title[128] = {};
    ::GetWindowTextW(window, title, 128);
    return title;
}

// Sends the window a message as soon as it answered the last, and keeps the longest wait.
class Pinger {
public:
    explicit Pinger(HWND window) : m_thread([this, window] {
        while (!m_stop) {
            const double start = bench::seconds();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, LIMIT_MS, &answer);
            const double waited = (bench::seconds() - start) * 1000;
            double longest = m_longest.load();
            while (waited > longest && !m_longest.compare_exchange_weak(longest, waited))
                ;
        }
    }) {}
    ~Pinger() { stop(); }
    // The longest wait so far, in milliseconds, and a new count from now.
    double take() { return m_longest.exchange(0); }
    void stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<double> m_longest{0};
    std::thread m_thread;
};

// The file's write time set to `time`, its bytes left alone (null: now).
void setWriteTime(const std::wstring& path, const FILETIME* time) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const HANDLE file =
        ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetFileTime(file, nullptr, nullptr, time ? time : &now);
    ::CloseHandle(file);
}

// One byte in the middle of the file changed in place (to another byte than it held), its write
// time put back.
void changeOneByte(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &before);
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    const LONG middle = static_cast<LONG>(before.nFileSizeLow / 2);
    char byte = 0;
    DWORD done = 0;
    ::SetFilePointer(file, middle, nullptr, FILE_BEGIN);
    ::ReadFile(file, &byte, 1, &done, nullptr);
    byte = byte == 'x' ? 'y' : 'x';
    ::SetFilePointer(file, middle, nullptr, FILE_BEGIN);
    ::WriteFile(file, &byte, 1, &done, nullptr);
    ::SetFileTime(file, nullptr, nullptr, &before.ftLastWriteTime);
    ::CloseHandle(file);
}

bool changeQuestionShows(DWORD processId) {
    for (HWND box : OtherProcess::findTopLevel(L"afMessageBox", processId))
        for (HWND child = box ? ::GetWindow(box, GW_CHILD) : nullptr; child; child = ::GetWindow(child, GW_HWNDNEXT))
            if (OtherProcess::windowText(child) == L"&Reload")
                return true;
    return false;
}

struct Touch {
    double idleMs = -1;    // longest unanswered while idle
    double judgedMs = -1;  // longest unanswered from the touch to the question
    double questionMs = -1; // from the touch to the question
};

Touch run(tessel_test::TesselCopy& copy, DWORD idleMs) {
    Touch result;
    const std::wstring path = copy.folder / L"large.c";
    copy.freshUserFolder();
    OtherProcess process(copy.program(), L"large.c", copy.folder.path);
    HWND window = nullptr;
    if (!waitFor([&] { return (window = process.findWindow(bench::TESSEL_WINDOW)) && titleOf(window) == L"large.c - Tessel"; })) {
        std::fprintf(stderr, "Tessel never showed large.c\n");
        return result;
    }
    Pinger pinger(window);
    ::Sleep(idleMs);
    result.idleMs = pinger.take();
    const double start = bench::seconds();
    setWriteTime(path, nullptr);
    ::Sleep(300); // the touch is told on its own, before the change
    changeOneByte(path);
    if (waitFor([&] { return changeQuestionShows(process.processId()); })) {
        result.questionMs = (bench::seconds() - start) * 1000;
        result.judgedMs = pinger.take();
    }
    pinger.stop();
    // The question stays open: the process is ended with the run (a fresh user folder each run).
    return result;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const size_t megabytes = static_cast<size_t>(options.size("--megabytes", 100));
    const DWORD idleMs = static_cast<DWORD>(bench::smoke() ? 200 : options.number("--idle-seconds", 2) * 1000);
    tessel_test::TesselCopy copy;
    if (!bench::copied(copy))
        return 2;
    const std::string text = bench::cSource(megabytes << 20);
    std::vector<double> idle, judged, question;
    for (int i = 0; i < bench::runs(static_cast<int>(options.number("--runs", 3))); ++i) {
        copy.folder.write(L"large.c", text);
        const Touch touch = run(copy, idleMs);
        idle.push_back(touch.idleMs);
        judged.push_back(touch.judgedMs);
        question.push_back(touch.questionMs);
    }
    const std::string name = "touch_" + std::to_string(megabytes) + "mb_";
    bench::startFigure(name + "idle_longest_unanswered_ms", *std::max_element(idle.begin(), idle.end()), "ms");
    bench::startFigure(name + "question_ms", bench::median(question), "ms");
    const double longest = *std::min_element(judged.begin(), judged.end()) < 0
                               ? -1
                               : *std::max_element(judged.begin(), judged.end());
    bench::startFigure(name + "judged_longest_unanswered_ms", longest, "ms");
    return longest < 0 ? 1 : 0;
}
