#pragma once
// Thread bodies for tests: a Runnable that calls a function, and a call run on a library thread.

#include "pel/thread/Thread.h"

#include <functional>
#include <utility>

namespace tessel_test {

class FunctionRunnable : public pel::Runnable {
public:
    explicit FunctionRunnable(std::function<void()> body) : m_body(std::move(body)) {}
    void run() override { m_body(); }

private:
    std::function<void()> m_body;
};

// Runs body on a library thread and joins it.
inline void onOtherThread(std::function<void()> body) {
    FunctionRunnable runnable(std::move(body));
    pel::Thread thread;
    thread.start(runnable);
    thread.join();
}

} // namespace tessel_test
