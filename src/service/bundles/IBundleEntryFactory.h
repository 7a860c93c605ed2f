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

// The factory of an entry class made with no arguments.
template <class T>
class TBundleEntryFactory : public IBundleEntryFactory {
public:
    // The entry's count starts at 1: the pointer adopts it.
    BundleEntryPtr createEntry() override { return BundleEntryPtr(new T, false); }
};

} // namespace tessel
