#include "service/bundles/BundleLoader.h"
#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/BundleLoaderTasks.h"
#include "service/bundles/IBundleStorage.h"

#include "service/base/TaskFailure.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/text/StringTemplate.h"

#include <cwchar>
#include <cwctype>

namespace tessel {

namespace {

const wchar_t* const INFO_NAME = L"info";
const wchar_t* const INFO_SUFFIX = L"tsInfo";

// The value came from one layer's file as it is, so its places are places in that file.
bool readFromOneLayer(const BundleEntrySource& source, const pel::AbstractDictionaryValue* value) {
    for (uint32_t layer = BundleEntryRepository::T_Root; layer <= BundleEntryRepository::T_Changes; ++layer) {
        const BundleEntrySource::SourcePtr content = source.getSource(static_cast<BundleEntryRepository::Type>(layer));
        if (content && content->val.get() == value)
            return true;
    }
    return false;
}

} // namespace

BundleLoader::BundleLoader(std::shared_ptr<IBundleStorage> storage) : m_storage(std::move(storage)) {
    PEL_CHECK_PTR(m_storage);
}

BundleLoader::~BundleLoader() = default;

template <class Visit>
bool BundleLoader::listFolder(const std::wstring& fullPath, const Visit& visit) {
    pel::Directory* folder = pel::FileIO::openDirectory(fullPath.c_str());
    if (!folder)
        return false;
    struct Closer {
        pel::Directory* folder;
        ~Closer() { pel::FileIO::closeDirectory(folder); }
    } closer{folder};
    if (!folder->isValid())
        return false;
    while (const pel::FileInfo* info = folder->next()) {
        // ".", "..", the changes layer inside the user layer, and whatever else is hidden so.
        if (info->name[0] == L'.')
            continue;
        visit(std::wstring(info->name), (info->flags & pel::FILEINFO_DIRECTORY) != 0);
    }
    return true;
}

void BundleLoader::scanLayer(BundleEntryRepository::Type layer) {
    BundleEntryFilePath root;
    root.storage = layer;
    listFolder(m_storage->getFullPath(root), [&](const std::wstring& name, bool isFolder) {
        if (!isFolder)
            return;
        try {
            BundleEntryFilePath path;
            path.storage = layer;
            const size_t parsed = BundleEntryFileName::parse(name, &path.bundle);
            if (parsed != name.size()) {
                // A copy such as "Web.<uuid>.tsBundle - Copy" carries its original's UUID: in the
                // same layer, the two would drop each other.
                pel::log_printf(pel::LOG_INFO, LOG_SOURCE,
                                L"BundleLoader::scanLayer(): Skipping `%s`: the folder name goes on after the bundle name.\n",
                                (m_storage->getFullPath(path) + name.substr(parsed)).c_str());
                return;
            }
            if (addItem(*m_types.at(0), path))
                scanBundle(path);
        } catch (const pel::Exception&) {
            // Not a bundle folder, or one that could not be handled: the scan goes on.
        }
    });
}

void BundleLoader::scanBundle(BundleEntryFilePath& path) {
    for (const BundleEntryTraits* traits : m_types) {
        if (traits->id == BUNDLE_TYPE_BUNDLE)
            continue;
        path.folder = traits->folder;
        path.entry = BundleEntryFileName();
        scanTypeFolder(*traits, path);
    }
}

void BundleLoader::scanTypeFolder(const BundleEntryTraits& traits, BundleEntryFilePath& path) {
    BundleEntryFilePath folderPath = path;
    folderPath.entry = BundleEntryFileName();
    const std::wstring folder = m_storage->getFullPath(folderPath);
    listFolder(folder, [&](const std::wstring& name, bool isFolder) {
        if (isFolder)
            return;
        size_t parsed;
        try {
            parsed = BundleEntryFileName::parse(name, &path.entry);
        } catch (const pel::InvalidArgumentException&) {
            return; // not an entry file name
        }
        if (_wcsicmp(path.entry.suffix.c_str(), traits.extension.c_str()) != 0)
            return;
        if (parsed != name.size()) {
            // "X.<uuid>.tsGrammar.bak", which a failed save leaves beside its file: read as an
            // entry it would share the file's UUID in the same layer, and both would be dropped.
            pel::log_printf(pel::LOG_INFO, LOG_SOURCE,
                            L"BundleLoader::scanTypeFolder(): Skipping `%s/%s`: the file name goes on after the extension.\n",
                            folder.c_str(), name.c_str());
            return;
        }
        addItem(traits, path);
    });
    path.entry = BundleEntryFileName();
}

bool BundleLoader::addItem(const BundleEntryTraits& traits, BundleEntryFilePath& path) {
    pel::UUID key;
    if (traits.id == BUNDLE_TYPE_BUNDLE) {
        key = path.bundle.uuid;
        if (m_disabled.count(key))
            return false;
        path.entry = {key, INFO_NAME, INFO_SUFFIX};
    } else {
        key = path.entry.uuid;
        if (m_disabled.count(key))
            return false;
    }
    const auto found = m_items.find(key);
    if (found == m_items.end()) {
        const SourcePtr source = std::make_shared<BundleEntrySource>(m_storage, &traits, key);
        source->setPath(path);
        m_items.emplace(key, source);
        return true;
    }
    const SourcePtr& source = found->second;
    const BundleEntryFilePath* top = source->getTopPath();
    PEL_CHECK_PTR(top);
    if (source->getTraits()->id != traits.id) {
        addConflict(pel::StringTemplate(L"File `{1}` has been ignored, because it was trying to overload an item at "
                                        L"`{2}` with a different type.")
                        .arg(1, m_storage->getFullPath(path))
                        .arg(2, m_storage->getFullPath(*top))
                        .render(),
                    path);
        return false;
    }
    if (top->storage == path.storage) {
        addConflict(pel::StringTemplate(L"Item with id `{1}` has been ignored, because it was incorrectly overriden by "
                                        L"other item with the same id. Item 1: `{2}`, Item 2: `{3}`")
                        .arg(1, key.toString())
                        .arg(2, m_storage->getFullPath(*top))
                        .arg(3, m_storage->getFullPath(path))
                        .render(),
                    path);
        m_items.erase(found);
        return false;
    }
    source->setPath(path);
    return true;
}

void BundleLoader::addConflict(const std::wstring& message, const BundleEntryFilePath& path) {
    const std::shared_ptr<BundleError> error =
        makeBundleError(BundleError::TAG_LOAD, BundleError::SEVERITY_INVALID, message);
    error->setSource(m_storage->getFullPath(path));
    m_errors.add(error);
}

void BundleLoader::takeSources(uint32_t typeCode, Sources* o_sources) {
    PEL_CHECK_PTR(o_sources);
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (it->second->getTraits()->id == typeCode) {
            o_sources->push_back(std::move(it->second));
            it = m_items.erase(it);
        } else {
            ++it;
        }
    }
}

void BundleLoader::loadEntries(const BundleEntryTraits& traits, const Sources& sources, BundleLoaderLoadTask& task) {
    for (auto it = sources.begin(); it != sources.end(); ++it) {
        const BundleEntryFilePath* top = (*it)->getTopPath();
        if (!top)
            pel::assertionViolation(L"(*it)->getTopPath()", PEL_FILE, __LINE__);
        const pel::UUID uid = top->entry.uuid;
        if (uid.isNil()) {
            pel::softAssertion(L"uid != pel::UUID::NIL", PEL_FILE, __LINE__);
            continue;
        }
        BundleEntryPtr entry;
        try {
            entry = BundleEntry::create(*task.getFactory(), traits.id, uid);
            entry->setSource(*it);
            if (entry->load())
                checkEntry(*entry);
            else
                noteUnreadable(*entry, traits);
        } catch (...) {
            // One file must not end the load: every later source and type would be lost.
            const std::wstring text = caughtExceptionText();
            const std::wstring path = m_storage->getFullPath(*top);
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"BundleLoader::loadEntries(): `%s`: %s\n", path.c_str(),
                            text.c_str());
            if (entry) {
                // It stays editable, so that the file can be mended.
                const std::shared_ptr<BundleError> error =
                    makeBundleError(BundleError::TAG_LOAD, BundleError::SEVERITY_INVALID, text);
                error->setSource(path);
                entry->getErrors().add(error);
            }
        }
        if (entry)
            task.result[traits.id].push_back(std::move(entry));
    }
}

void BundleLoader::noteUnreadable(BundleEntry& entry, const BundleEntryTraits& traits) {
    // The first reason the reading gave, and the file it names, by the name the system gives it.
    std::wstring why;
    std::wstring file;
    for (const ErrorList::ErrorPtr& error : entry.getErrors().getErrors()) {
        const auto* bundleError = dynamic_cast<const BundleError*>(error.get());
        if (!bundleError || bundleError->getSeverity() < BundleError::SEVERITY_UNREADABLE)
            continue;
        why = bundleError->getText();
        file = bundleError->hasSource() ? bundleError->getSource() : std::wstring();
        break;
    }
    if (file.empty())
        if (const BundleEntryFilePath* top = entry.getSource()->getTopPath())
            file = m_storage->getFullPath(*top);
    pel::WorkString<> full;
    if (pel::FileIO::getFullPath(file.c_str(), &full))
        file = full.c_str();
    std::wstring kind = traits.title;
    for (wchar_t& unit : kind)
        unit = static_cast<wchar_t>(std::towlower(unit));
    const std::wstring title = entry.getTitle();
    pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Bundles: `%s` cannot be read: %s Tessel leaves the %s `%s` out.\n",
                    file.c_str(), why.c_str(), kind.c_str(), title.c_str());
    // Listed with the entry's problems, where the bundle editor shows them.
    entry.getErrors().add(makeBundleError(
        BundleError::TAG_LOAD, BundleError::SEVERITY_UNREADABLE,
        pel::StringTemplate(L"Tessel leaves the {1} `{2}` out until its file can be read: mend `{3}` and reload the "
                            L"bundles.")
            .arg(1, kind)
            .arg(2, title)
            .arg(3, file)
            .render()));
}

void BundleLoader::checkEntry(BundleEntry& entry) {
    BundleEntrySource& source = *entry.getSource();
    const std::shared_ptr<const pel::AbstractDictionaryValue> value = source.getValue(&entry.getErrors());
    if (!value)
        return;
    ErrorList found;
    entry.getValidator().validate(value.get(), &found);
    // Values merged from several layers keep the places of the files they came from.
    const bool positioned = readFromOneLayer(source, value.get());
    for (const ErrorList::ErrorPtr& error : found.getErrors()) {
        if (!positioned)
            if (BundleError* bundleError = dynamic_cast<BundleError*>(error.get()))
                bundleError->clearPosition();
        entry.getErrors().add(error);
    }
}

} // namespace tessel
