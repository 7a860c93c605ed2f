#pragma once
// Shared pieces of the benchmark programs: a monotonic clock, options, input files and the
// one-line figures ("name value unit") that bench/run-all.sh prints.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace bench {

inline double seconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The short mode the test command runs every benchmark in (bench/run-all.sh --smoke): small
// sizes and one run, so that a benchmark that no longer runs fails quickly; its figures mean
// nothing.
inline bool smoke() {
    static const bool on = std::getenv("TESSEL_BENCH_SMOKE") != nullptr;
    return on;
}

// A size of the benchmark's input: n, or a small share of it (at least minimum) in the short mode.
template <class T>
T scaled(T n, T minimum = 1) {
    if (!smoke())
        return n;
    const T share = n / 64;
    return share < minimum ? minimum : share;
}

// Runs of a measurement: n, or one in the short mode.
inline int runs(int n) { return smoke() ? 1 : n; }

// Best of several runs of body, in seconds.
template <class Body>
double bestOf(int runs, Body body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = seconds();
        body();
        const double elapsed = seconds() - start;
        if (elapsed < best)
            best = elapsed;
    }
    return best;
}

// "--name value" options.
class Options {
public:
    Options(int argc, char** argv) : m_args(argv + 1, argv + argc) {}
    const char* get(const char* name, const char* fallback = nullptr) const {
        for (size_t i = 0; i + 1 < m_args.size(); ++i)
            if (m_args[i] == name)
                return m_args[i + 1].c_str();
        return fallback;
    }
    double number(const char* name, double fallback = 0) const {
        const char* text = get(name);
        return text ? std::atof(text) : fallback;
    }
    // A size option: scaled down in the short mode.
    double size(const char* name, double fallback) const { return scaled(number(name, fallback), 1.0); }

private:
    std::vector<std::string> m_args;
};

inline std::vector<unsigned char> loadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path);
        std::exit(2);
    }
    return data;
}

inline void figure(const char* name, double value, const char* unit) {
    std::printf("%s %.*f %s\n", name, value >= 100 ? 0 : 2, value, unit);
}

// A figure with its target beside it, as one word (">=3", "<=10"): "name value unit target".
inline void figure(const char* name, double value, const char* unit, const std::string& target) {
    std::printf("%s %.*f %s %s\n", name, value >= 100 ? 0 : 2, value, unit, target.c_str());
}

// The figure with its target after it, as "(target: under 20 ms)".
inline void figureTarget(const char* name, double value, const char* unit, const char* target) {
    std::printf("%s %.*f %s (target: %s)\n", name, value >= 100 ? 0 : 2, value, unit, target);
}

// The figure and, when the peer's figure on the same data is known, the ratio to it.
inline void figureBeside(const char* name, double value, const char* unit, const char* peer, double peerValue) {
    figure(name, value, unit);
    if (peerValue > 0) {
        const std::string ratioName = std::string(name) + "_vs_" + peer;
        figure(ratioName.c_str(), value / peerValue, "ratio");
    }
}

// A message-only window of a class of its own: what the peers that measure the system's
// message queue post to.
inline HWND messageOnlyWindow(WNDPROC procedure, const wchar_t* className) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    ::RegisterClassExW(&windowClass);
    return ::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance,
                             nullptr);
}

} // namespace bench
