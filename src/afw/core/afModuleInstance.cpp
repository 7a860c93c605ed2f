#include "afw/core/afModuleInstance.h"

namespace {
HINSTANCE s_instance = nullptr;
}

HINSTANCE afGetModuleInstance() {
    return s_instance;
}

void afSetModuleInstance(HINSTANCE instance) {
    s_instance = instance;
}
