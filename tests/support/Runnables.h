#pragma once
// Thread bodies for tests: a Runnable that calls a function.

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

} // namespace tessel_test
