#pragma once
// The three storage layers a bundle entry file can live in: the shipped bundles, the user's own
// bundles, and the user's changes to entries of the other two. Each layer has a name used in
// path texts and a device folder of the virtual file system.

#include <cstdint>

namespace tessel {

struct BundleEntryRepository {
    enum Type : uint32_t {
        T_Root = 1,
        T_User = 2,
        T_Changes = 3,
    };
    static constexpr uint32_t COUNT = 3;

    // True for 1, 2 and 3 only.
    static bool isValid(uint32_t repository) { return repository >= T_Root && repository <= T_Changes; }
    // "root", "user", "changes"; the empty text for anything else.
    static const wchar_t* getName(uint32_t repository);
    // "root:bundles", "user:bundles", "user:bundles/.changes"; the empty text for anything else.
    static const wchar_t* getDeviceRoot(uint32_t repository);
};

} // namespace tessel
