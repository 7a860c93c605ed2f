#include "afw/afServiceHooks.h"

namespace {

// The service root is not part of this build yet, so there is never a root to find. Once it
// is, this looks the root up without creating it and appends to its exit list.
bool addToServiceRoot(void* /*object*/, afExitCallback /*callback*/) {
    return false;
}

afServiceExitRegistrar s_registrar = nullptr;

} // namespace

bool afAddServiceExitCallback(void* object, afExitCallback callback) {
    if (!callback)
        return false;
    return s_registrar ? s_registrar(object, callback) : addToServiceRoot(object, callback);
}

void afSetServiceExitRegistrar(afServiceExitRegistrar registrar) {
    s_registrar = registrar;
}
