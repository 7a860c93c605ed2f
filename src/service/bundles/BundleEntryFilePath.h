#pragma once
// The address of one bundle entry file, independent of where the layers are kept: the layer,
// the bundle's folder name, the type folder inside the bundle and the entry's file name.
// Plain values, copied and compared field by field.

#include "service/bundles/BundleEntryFileName.h"
#include "service/bundles/BundleEntryRepository.h"

#include <string>

namespace tessel {

struct BundleEntryFilePath {
    BundleEntryRepository::Type storage = BundleEntryRepository::T_Root;
    BundleEntryFileName bundle; // the bundle's folder: Web.<uuid>.tsBundle
    std::wstring folder;        // the type folder ("grammars"); empty for the bundle's own entry
    BundleEntryFileName entry;  // the entry's file: HTML.<uuid>.tsGrammar

    // Without a bundle part the path addresses nothing; the layer does not count.
    bool empty() const { return bundle.empty(); }

    // Parse the text into the bundle or the entry part (BundleEntryFileName::parse, whose
    // exception passes); a parse that matched nothing throws pel::InvalidArgumentException
    // "Not a valid name.".
    void setBundleFileName(const std::wstring& text);
    void setEntryFileName(const std::wstring& text);

    // With storage: the layer's name and ":" (":" alone for an unknown layer); then "/" and,
    // unless the bundle part is empty, the bundle part, "/" and the folder unless it is empty,
    // "/" and the entry part unless it is empty: user:/Web.<u1>.tsBundle/grammars/HTML.<u2>.tsGrammar.
    std::wstring toString(bool withStorage) const;
    // The layer's default device folder followed by the text without storage:
    // user:bundles/Web.<u1>.tsBundle/grammars/HTML.<u2>.tsGrammar.
    std::wstring getDevicePath() const;

    static bool equals(const BundleEntryFilePath& a, const BundleEntryFilePath& b) {
        return a.storage == b.storage && equalsIgnoringStorage(a, b);
    }
    static bool equalsIgnoringStorage(const BundleEntryFilePath& a, const BundleEntryFilePath& b) {
        return a.bundle == b.bundle && a.folder == b.folder && a.entry == b.entry;
    }
};

inline bool operator==(const BundleEntryFilePath& a, const BundleEntryFilePath& b) {
    return BundleEntryFilePath::equals(a, b);
}
inline bool operator!=(const BundleEntryFilePath& a, const BundleEntryFilePath& b) { return !(a == b); }

} // namespace tessel
