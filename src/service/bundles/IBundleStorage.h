#pragma once
// Where bundle entries are read from: one storage, made by the BundleManager and shared by the
// loader, every entry source and the bundle factory, on the loader's thread and the UI thread.

#include "service/bundles/BundleEntryFilePath.h"

#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TTokenStore.h"

#include <memory>
#include <string>

namespace pel {
class Value;
}

namespace tessel {

class ErrorList;

class IBundleStorage {
public:
    // Whether the storage keeps a parsed copy of the entry at path, so that readCached can
    // answer without reading its file.
    virtual bool isCached(const BundleEntryFilePath& path) = 0;
    // The entry file at path parsed into its root dictionary, or none with one more error of
    // severity 4 in o_errors. With a store, the file's tokens are recorded into it. A read
    // failure never throws; a null o_errors is a hard check.
    virtual std::unique_ptr<pel::Value> read(const BundleEntryFilePath& path, ErrorList* o_errors,
                                             pel::TTokenStore<pel::JasmineToken>* store) = 0;
    // The kept copy of the entry at path into o_value; false when there is none.
    virtual bool readCached(const BundleEntryFilePath& path, ErrorList* o_errors,
                            std::unique_ptr<pel::Value>* o_value) = 0;
    // The device path at which the entry file of path is read; entry sources save there too.
    virtual std::wstring getFullPath(const BundleEntryFilePath& path) const = 0;
    virtual ~IBundleStorage() = default;
};

} // namespace tessel
