#pragma once
// A DocumentManager's wait for the loader that handles no message, then runs its step once, as
// the application's wait would with what it handles before the waiting caller goes on.

#include "service/document/io/DocumentIOWait.h"

#include <functional>
#include <utility>

namespace tessel_test {

class WaitThen : public tessel::DocumentIOWait {
public:
    explicit WaitThen(std::function<void()> step) : m_step(std::move(step)) {}
    void waitFor(uint32_t, const wchar_t*, HANDLE ready, const std::function<bool()>& finished) override {
        while (!finished())
            ::WaitForSingleObject(ready, INFINITE);
        std::function<void()> step;
        step.swap(m_step);
        if (step)
            step();
    }

private:
    std::function<void()> m_step;
};

} // namespace tessel_test
