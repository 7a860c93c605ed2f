// The system tests' child process. The first argument picks what it does:
//   hold-mutex NAME READY QUIT   takes the named mutex, sets the named event READY, waits for
//                                QUIT and ends without releasing the mutex
//   main-thread                  prints how the main-thread check behaves before and after
//                                the entry point records the main thread
//   listener-outlives-threads    prints what a listener received from two threads that logged
//                                one after the other while the main thread never logged
//   crash APP LOGFILE            installs the crash reporter, logs to LOGFILE through a listener
//                                that the crash callback closes, and crashes in a library thread
//   overflow APP LOGFILE         the same, but the library thread overflows its stack
//   install-twice APP            installs the crash reporter twice and prints both results
//   echo CODE ...                writes its command line, then its standard input until that
//                                ends, and the count to standard error; ends with CODE
//   await-termination            says "ready" once its termination event exists; ends with 3
//   log-and-hold FOLDER          logs three lines to FOLDER\debug.log through the library's
//                                log file, flushes it, says "flushed" and waits to be ended

#include "pel/CrashReporter.h"
#include "pel/base/Exception.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/LogFile.h"
#include "pel/log/LogManager.h"
#include "pel/process/Process.h"
#include "pel/thread/MainThread.h"
#include "pel/thread/NamedEvent.h"
#include "pel/thread/NamedMutex.h"
#include "pel/thread/Thread.h"
#include "support/Runnables.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string>

using namespace pel;
using tessel_test::FunctionRunnable;

namespace {

int holdMutex(const wchar_t* name, const wchar_t* ready, const wchar_t* quit) {
    NamedMutex mutex(name);
    NamedEvent readyEvent(ready);
    NamedEvent quitEvent(quit);
    mutex.lock();
    readyEvent.set();
    quitEvent.wait();
    return 0; // the mutex is abandoned when this thread ends
}

std::string checkText() {
    try {
        check_main_thread();
        return "ok";
    } catch (const IllegalStateException& e) {
        return std::string(e.message.begin(), e.message.end());
    }
}

int mainThread() {
    std::string before = checkText();
    const uint32_t stored = store_main_thread_id();
    std::string after = checkText();
    uint32_t workerStore = 0;
    std::string workerCheck;
    bool workerIsMain = true;
    FunctionRunnable body([&] {
        workerStore = store_main_thread_id();
        workerIsMain = is_main_thread();
        workerCheck = checkText();
    });
    Thread worker;
    worker.start(body);
    worker.join();
    std::printf("before=%s\nstored=%s\nafter=%s\nworker_store=%s\nworker_is_main=%d\nworker_check=%s\n",
                before.c_str(), stored == ::GetCurrentThreadId() ? "self" : "other", after.c_str(),
                workerStore == stored ? "ignored" : "taken", workerIsMain ? 1 : 0, workerCheck.c_str());
    return 0;
}

class CollectingListener final : public LogListener {
public:
    void onMessage(LogMessage* message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_text.empty())
            m_text += L"|";
        m_text += message->getText();
    }
    std::wstring text() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_text;
    }

private:
    std::mutex m_mutex;
    std::wstring m_text;
};

int listenerOutlivesThreads() {
    CollectingListener listener;
    LogManager_Impl::getInstance()->addListener(&listener, false);
    for (const wchar_t* line : {L"first", L"second"}) {
        FunctionRunnable body([line] { log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"%s", line); });
        Thread worker;
        worker.start(body);
        worker.join(); // the worker's log context ends with it
    }
    std::printf("%ls\n", listener.text().c_str());
    LogManager_Impl::getInstance()->removeListener(&listener);
    return 0;
}

// Stands in for the application's debug-log file: fully buffered, so its lines reach the
// disk only when the crash callback closes it.
class BufferedFileListener final : public LogListener {
public:
    explicit BufferedFileListener(const wchar_t* path) : m_file(_wfopen(path, L"wb")) {
        if (m_file)
            std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
    }
    bool isOpen() const { return m_file != nullptr; }
    void onMessage(LogMessage* message) override {
        if (!m_file)
            return;
        for (const wchar_t* c = message->getText(); *c; ++c)
            std::fputc(static_cast<char>(*c), m_file);
        std::fputc('\n', m_file);
    }
    void close() {
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
    }

private:
    FILE* m_file;
};

BufferedFileListener* s_logFile = nullptr;

BOOL CALLBACK crashCallback(void*) {
    if (s_logFile) {
        LogManager_Impl::getInstance()->removeListener(s_logFile);
        s_logFile->close();
        delete s_logFile;
        s_logFile = nullptr;
    }
    return TRUE;
}

void setUpReporter(const wchar_t* appName) {
    CrashReporter_Impl& reporter = CrashReporter_Impl::getInstance();
    reporter.setAppName(appName);
    reporter.setAppVersion(L"1.0-test");
    reporter.setUrl(L"http://localhost/crash-reports");
    reporter.setCrashCallback(&crashCallback);
}

// Calls itself until the stack is gone. The guard keeps the compiler from seeing an endless
// recursion, and the frame used after the call keeps it from turning the calls into a loop.
int recurse(volatile int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth < 0)
        return frame[0];
    frame[recurse(depth + 1) & 1] = 1;
    return frame[1];
}

int crash(const wchar_t* appName, const wchar_t* logPath, bool overflow) {
    store_main_thread_id();
    s_logFile = new BufferedFileListener(logPath);
    if (!s_logFile->isOpen())
        return 2;
    LogManager_Impl::getInstance()->addListener(s_logFile, true);
    setUpReporter(appName);
    if (!CrashReporter_Impl::getInstance().install())
        return 3;
    log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"before the crash");

    FunctionRunnable body([overflow] {
        std::printf("crash-thread %lu\n", ::GetCurrentThreadId());
        std::fflush(stdout);
        log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"crashing now");
        if (overflow)
            recurse(0);
        *static_cast<volatile int*>(nullptr) = 1;
    });
    Thread worker(L"Crasher");
    worker.start(body);
    worker.join();
    return 4; // not reached: the crash ends the process
}

int installTwice(const wchar_t* appName) {
    setUpReporter(appName);
    const bool first = CrashReporter_Impl::getInstance().install();
    const bool second = CrashReporter_Impl::getInstance().install();
    std::printf("first=%d second=%d\n", first ? 1 : 0, second ? 1 : 0);
    return 0;
}

int echo(int code) {
    for (FILE* stream : {stdin, stdout, stderr})
        _setmode(_fileno(stream), _O_BINARY);
    std::printf("%ls\n", ::GetCommandLineW());
    char buffer[4096];
    size_t total = 0;
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0; total += n)
        std::fwrite(buffer, 1, n, stdout);
    std::fflush(stdout);
    std::fprintf(stderr, "%u bytes\n", static_cast<unsigned>(total));
    return code;
}

int awaitTermination() {
    NamedEvent request(Process::terminationEventName(Process::id()));
    _setmode(_fileno(stdout), _O_BINARY);
    std::printf("ready\n");
    std::fflush(stdout);
    request.wait();
    return 3;
}

int logAndHold(const wchar_t* folder) {
    FileDeviceWin32 device(folder, false);
    FileIO::attachDevice(L"held", &device, 0);
    LogFile file(L"held:debug.log", LogFile::F_LEVEL_PREFIX); // written at once, no writer thread
    LogManager_Impl::getInstance()->addListener(&file, false);
    for (int i = 1; i <= 3; ++i)
        log_printf(LOG_INFO, LOG_UNKNOWN_SOURCE, L"line %d", i);
    if (!file.flush())
        return 2;
    std::printf("flushed\n");
    std::fflush(stdout);
    ::Sleep(INFINITE); // the test ends the process, as a crash would
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    try {
        if (mode == L"hold-mutex" && argc == 5)
            return holdMutex(argv[2], argv[3], argv[4]);
        if (mode == L"main-thread")
            return mainThread();
        if (mode == L"listener-outlives-threads")
            return listenerOutlivesThreads();
        if ((mode == L"crash" || mode == L"overflow") && argc == 4)
            return crash(argv[2], argv[3], mode == L"overflow");
        if (mode == L"install-twice" && argc == 3)
            return installTwice(argv[2]);
        if (mode == L"echo" && argc >= 3)
            return echo(std::stoi(argv[2]));
        if (mode == L"await-termination")
            return awaitTermination();
        if (mode == L"log-and-hold" && argc == 3)
            return logAndHold(argv[2]);
    } catch (const Exception& e) {
        std::printf("exception: %ls\n", e.displayText().c_str());
        return 10;
    }
    std::printf("unknown mode\n");
    return 9;
}
