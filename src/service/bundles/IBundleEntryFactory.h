#pragma once
// Makes the entries of one type (bundles, grammars, snippets, themes, preferences); the
// BundleFactory keeps one per type code.

#include <boost/intrusive_ptr.hpp>

namespace tessel {

class BundleEntry;
using BundleEntryPtr = boost::intrusive_ptr<BundleEntry>;

class IBundleEntryFactory {
public:
    virtual ~IBundleEntryFactory() = default;
    // A new entry of the type, without a source yet.
    virtual BundleEntryPtr createEntry() = 0;
};

} // namespace tessel
