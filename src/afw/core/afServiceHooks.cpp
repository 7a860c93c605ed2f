#include "afw/core/afServiceHooks.h"

#include "service/base/TesselService.h"

namespace {

// Appends to the exit list of the root when there is one, never creating it.
bool addToServiceRoot(void* object, afExitCallback callback) {
    tessel::TesselService* root = tessel::TesselService::findInstance();
    if (!root)
        return false;
    root->exitDelegates().add(object, [object, callback](int argument) { callback(object, argument); });
    return true;
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
