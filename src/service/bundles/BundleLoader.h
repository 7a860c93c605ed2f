#pragma once
// The scan of the three storage layers for bundle entries and the load of what it found. The
// scan (root, then user, then changes) decides which files make up each entry, one
// BundleEntrySource per entry UUID, and which files are ignored: disabled bundles and items,
// names outside the entry file-name pattern, and files that clash with another of the same UUID
// (a BundleError in getErrors() for each clash). The load then creates, reads and checks the
// entries type by type. Everything here runs on the "BundleLoader" thread, and no exception of
// one file escapes a load: the other files load on.

#include "service/bundles/BundleEntryFilePath.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Crc.h"
#include "pel/base/UUID.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace tessel {

class BundleEntry;
class BundleEntrySource;
class BundleEntryTraits;
class BundleLoaderLoadTask;
class IBundleStorage;

class BundleLoader {
public:
    using SourcePtr = std::shared_ptr<BundleEntrySource>;
    using Sources = std::vector<SourcePtr>;
    using Items = std::map<pel::UUID, SourcePtr>;

    static constexpr uint32_t LOG_SOURCE = pel::crc32Literal("bundles"); // 0xD8A73A98

    // A null storage is a hard check naming "storage".
    explicit BundleLoader(std::shared_ptr<IBundleStorage> storage);
    virtual ~BundleLoader();
    BundleLoader(const BundleLoader&) = delete;
    BundleLoader& operator=(const BundleLoader&) = delete;

    // The registered types, the bundle type first; the UUIDs of disabled bundles and items.
    void setTypes(const std::vector<const BundleEntryTraits*>& types) { m_types = types; }
    void setDisabled(const std::set<pel::UUID>& disabled) { m_disabled = disabled; }

    // Every bundle folder of the layer, with the entry files of each type folder in it. A layer
    // folder that cannot be listed holds nothing. Names beginning with "." are never scanned;
    // a folder whose name does not read as a bundle folder name, or goes on after it (one log
    // line), is skipped, as is one whose handling throws a library exception.
    void scanLayer(BundleEntryRepository::Type layer);
    // The type folders of the bundle at path (bundle part and layer set), bundle type excepted.
    void scanBundle(BundleEntryFilePath& path);
    // The entry files of the type's folder at path (its folder set): names of the entry
    // file-name pattern whose suffix is the type's extension in any letter case; one whose name
    // goes on after the extension (a ".bak" copy beside its file) is skipped with a log line.
    void scanTypeFolder(const BundleEntryTraits& traits, BundleEntryFilePath& path);
    // Takes the file at path for an entry of the type: true when it became (a layer of) the
    // entry's source. False for a disabled bundle or item; for a UUID that an entry of another
    // type has, and for one that another file of the type has in the same layer: an error for
    // each, and in the second case the other file's entry is dropped too.
    bool addItem(const BundleEntryTraits& traits, BundleEntryFilePath& path);

    // Moves the sources of the type, in key order, to the end of o_sources (a hard check
    // naming "o_sources").
    void takeSources(uint32_t typeCode, Sources* o_sources);
    // Creates, loads and checks an entry for each source, appending them to the task's result
    // under the type's code. A source whose entry has no UUID is skipped (a soft assertion).
    // Whatever a source's creation, load or check throws is logged with the file's path; an
    // entry that exists then carries it as an error and is still delivered. One whose files
    // cannot be read is logged and delivered with its problems and what Tessel does without it.
    void loadEntries(const BundleEntryTraits& traits, const Sources& sources, BundleLoaderLoadTask& task);

    const std::shared_ptr<IBundleStorage>& getStorage() const { return m_storage; }
    const std::vector<const BundleEntryTraits*>& getTypes() const { return m_types; }
    // The clashes of the scan, severity 3, tagged "load", the ignored file's path as source.
    const ErrorList& getErrors() const { return m_errors; }
    const Items& getItems() const { return m_items; }

private:
    // Runs the listing of the folder's entries through visit (name, whether a folder); false
    // when the folder cannot be listed.
    template <class Visit>
    bool listFolder(const std::wstring& fullPath, const Visit& visit);
    void addConflict(const std::wstring& message, const BundleEntryFilePath& path);
    // Reads the entry's value through the validator of its type into its errors.
    static void checkEntry(BundleEntry& entry);
    // An entry whose files could not be read: logged, with what Tessel does without it, and
    // told among its problems, which the bundle editor lists.
    void noteUnreadable(BundleEntry& entry, const BundleEntryTraits& traits);

    std::shared_ptr<IBundleStorage> m_storage;
    std::vector<const BundleEntryTraits*> m_types;
    ErrorList m_errors;
    Items m_items;
    std::set<pel::UUID> m_disabled;
};

} // namespace tessel
