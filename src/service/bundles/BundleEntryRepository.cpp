#include "service/bundles/BundleEntryRepository.h"

namespace tessel {

const wchar_t* BundleEntryRepository::getName(uint32_t repository) {
    static const wchar_t* const NAMES[] = {L"root", L"user", L"changes"};
    return isValid(repository) ? NAMES[repository - 1] : L"";
}

const wchar_t* BundleEntryRepository::getDeviceRoot(uint32_t repository) {
    static const wchar_t* const ROOTS[] = {L"root:bundles", L"user:bundles", L"user:bundles/.changes"};
    return isValid(repository) ? ROOTS[repository - 1] : L"";
}

} // namespace tessel
