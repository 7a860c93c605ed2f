#pragma once
// Holds the clock of the views' click count still while it lives, so that presses in one place
// count as a double or triple click however slowly a busy machine delivers them.

#include "afw/view/afInput.h"

namespace tessel_test {

class QuickPresses {
public:
    QuickPresses() : m_previous(afSetTickSource([] { return clock_t(100000); })) {}
    ~QuickPresses() { afSetTickSource(m_previous); }
    QuickPresses(const QuickPresses&) = delete;
    QuickPresses& operator=(const QuickPresses&) = delete;

private:
    afTickSource m_previous;
};

} // namespace tessel_test
