// Config's files: loading every name space from its configuration file and saving those whose
// values changed.

#include "service/base/Config.h"
#include "service/base/JasmineLoader.h"

#include "pel/base/Exception.h"
#include "pel/files/FileUtils.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

namespace {

// Whether the path holds a file with something in it: what a failed load refused, rather than
// found missing or empty.
bool holdsData(const wchar_t* path) {
    pel::FileInfo info{};
    return pel::FileIO::getFileInfo(path, &info) && !(info.flags & pel::FILEINFO_DIRECTORY) && info.size > 0;
}

uint64_t lastWriteTime(const wchar_t* path) {
    pel::FileInfo info{};
    if (!pel::FileIO::getFileInfo(path, &info))
        return 0;
    return (static_cast<uint64_t>(info.lastWriteTime.dwHighDateTime) << 32) | info.lastWriteTime.dwLowDateTime;
}

const wchar_t VERSION_KEY[] = L"version";
constexpr size_t VERSION_LENGTH = sizeof VERSION_KEY / sizeof *VERSION_KEY - 1;

bool isVersion(const ValueSections::Entry& entry) {
    return entry.keyLength == VERSION_LENGTH && std::wmemcmp(entry.key, VERSION_KEY, VERSION_LENGTH) == 0;
}

// The root's entry "version", or none when there is no root dictionary or no such entry.
const ValueSections::Entry* findVersion(const ValueSections& file) {
    for (const ValueSections::Entry& entry : file.root)
        if (isVersion(entry))
            return &entry;
    return nullptr;
}

void logNotTaken(const std::wstring& identifier, const ConfigNameSpace& nameSpace) {
    pel::log_printf(pel::LOG_WARNING, Config::LOG_SOURCE,
                    L"Config: entry '%s' in '%s' cannot be taken, the value stays as it was\n", identifier.c_str(),
                    nameSpace.getPath().c_str());
}

} // namespace

// ---- loading

bool Config::loadAll() {
    std::vector<ConfigNameSpace*> order;
    {
        Lock lock(m_lock);
        order = m_name_space_order;
    }
    // Every file is read before any is parsed, so that the file system is asked in one go
    // rather than between parses (under Wine each request otherwise waits for a server that
    // went idle meanwhile); past READ_AHEAD bytes the rest are read in their turn.
    constexpr size_t READ_AHEAD = 16 << 20;
    std::vector<ReadAhead> files(order.size());
    size_t held = 0;
    for (size_t i = 0; i < order.size() && held < READ_AHEAD; ++i) {
        files[i].tried = true;
        files[i].read = JasmineLoader::read(order[i]->m_path.c_str(), files[i].bytes);
        held += files[i].bytes.size;
    }
    bool loaded = true;
    // One for every file, so that each reuses the room of the one before.
    ValueSections file;
    for (size_t i = 0; i < order.size(); ++i)
        loaded = loadNameSpace(*order[i], files[i], file) && loaded;
    return loaded;
}

bool Config::loadNameSpace(ConfigNameSpace& nameSpace, ReadAhead& ahead, ValueSections& file) {
    const wchar_t* path = nameSpace.m_path.c_str();
    if (!ahead.tried)
        ahead.read = JasmineLoader::read(path, ahead.bytes);
    bool read = false;
    bool rejected = false;
    try {
        read = ahead.read && JasmineLoader::load(path, ahead.bytes, file);
        rejected = !read && holdsData(path);
    } catch (const pel::ParserException& e) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: syntax error in '%s': %s at %d:%d\n", path,
                        e.message.c_str(), e.start.line + 1, e.start.column + 1);
        rejected = true;
    }
    ahead.bytes.data.reset();
    const ValueSections::Entry* version = read ? findVersion(file) : nullptr;
    int major = 0, minor = 0, patch = 0;
    unsigned int hash = 0;
    if (read && !version) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE,
                        L"File '%s' is in deprecated format, 'version' identifier not found.\n", path);
        rejected = true;
    } else if (version &&
               !ApplicationVersion::parseFields(version->value.getString(nullptr), &major, &minor, &patch, &hash)) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"ConfigFile: Version identifier mish mash in file '%s'\n", path);
        rejected = true;
    }
    std::vector<ConfigSection*> loaded;
    {
        Lock lock(m_lock);
        nameSpace.m_rejected = rejected;
        if (!read || rejected)
            return false;
        takeSections(nameSpace, file, loaded);
    }
    for (ConfigSection* section : loaded)
        notifyLoaded(*section);
    return true;
}

void Config::takeSections(ConfigNameSpace& nameSpace, ValueSections& file, std::vector<ConfigSection*>& o_loaded) {
    std::wstring identifier;
    for (const ValueSections::Entry& entry : file.root) {
        if (isVersion(entry))
            continue;
        identifier.assign(entry.key, entry.keyLength);
        if (!entry.section) {
            pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Config: section '%s' in '%s' is no dictionary, skipped\n",
                            identifier.c_str(), nameSpace.m_path.c_str());
            continue;
        }
        const uint32_t sectionHash = hashOf(identifier.c_str());
        identifier += L'.';
        const size_t nameStart = identifier.size();
        // An identifier's hash goes on from its prefix's.
        const uint32_t prefixHash = hashOf(identifier.c_str());
        // A file that saveAll wrote holds a section's settings in the order they were declared:
        // each is found next to the one before, without a search by hash. One found by hash
        // (the first of its name space, or one out of order) sets where the next is looked for.
        const ConfigSection* known = findSection(sectionHash);
        if (known && known->getText().compare(0, std::wstring::npos, entry.key, entry.keyLength) != 0)
            known = nullptr; // another prefix of the same hash
        size_t next = 0;
        for (uint32_t i = 0; i < entry.count; ++i) {
            ValueSections::Entry& item = file.entries[entry.first + i];
            identifier.resize(nameStart);
            identifier.append(item.key, item.keyLength);
            ConfigValue* value = known ? findNear(*known, item.key, item.keyLength, next) : nullptr;
            if (!value) {
                value = findNamed(identifier.c_str(), pel::crc32Update(prefixHash, identifier.c_str() + nameStart));
                if (value && value->m_section == known)
                    next = value->m_sectionIndex + 1; // the next is looked for after it
            }
            takeEntry(nameSpace, identifier, value, item.value);
        }
        ConfigSection* section = findSection(sectionHash);
        if (!section) {
            identifier.resize(nameStart - 1);
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: Name space '%s' not found\n", identifier.c_str());
        } else if (std::find(o_loaded.begin(), o_loaded.end(), section) == o_loaded.end()) {
            o_loaded.push_back(section);
        }
    }
}

ConfigValue* Config::findNear(const ConfigSection& section, const wchar_t* name, size_t length, size_t& io_next) {
    constexpr size_t NEARBY = 4;
    const std::vector<ConfigValue*>& values = section.m_values;
    for (size_t tried = 0; tried < NEARBY && tried < values.size(); ++tried) {
        const size_t at = (io_next + tried) % values.size();
        const std::wstring& candidate = values[at]->m_name;
        if (candidate.size() == length && std::wmemcmp(candidate.data(), name, length) == 0) {
            io_next = at + 1;
            // The settings to come are fetched meanwhile, the values first and their texts
            // once the values are there: loading waits on memory more than on anything else.
            if (at + 4 < values.size()) {
                __builtin_prefetch(values[at + 4]);
                __builtin_prefetch(reinterpret_cast<const char*>(values[at + 4]) + 64);
            }
            if (at + 2 < values.size()) {
                __builtin_prefetch(values[at + 2]->m_name.data());
                __builtin_prefetch(values[at + 2]->m_text.data());
            }
            return values[at];
        }
    }
    return nullptr;
}

void Config::takeEntry(ConfigNameSpace& nameSpace, const std::wstring& identifier, ConfigValue* value,
                       ValueNode& node) {
    if (!value) {
        // Nobody declared it: the file types it, unless it holds nothing a setting can.
        const ValueNode::Kind kind = node.kind();
        if (kind == ValueNode::Null || kind == ValueNode::Symbol || kind == ValueNode::RegExp) {
            if (kind != ValueNode::Null)
                logNotTaken(identifier, nameSpace);
            return;
        }
        value = defineValue(&nameSpace, identifier.c_str(), ConfigValue::UNTYPED, nullptr, true);
        if (!value)
            return;
    }
    if (takeNode(*value, node, identifier, nameSpace))
        value->clearChanged();
}

bool Config::takeNode(ConfigValue& value, ValueNode& node, const std::wstring& identifier,
                      const ConfigNameSpace& nameSpace) {
    const ConfigValue::Taking taking = value.takeNode(node, !value.m_typedByFile);
    // A null entry says only that the value has none: no news worth a line. (A node taken may
    // have been moved out: only one not taken is looked at.)
    if (taking != ConfigValue::Taking::TAKEN && node.kind() != ValueNode::Null)
        logNotTaken(identifier, nameSpace);
    return taking == ConfigValue::Taking::TAKEN;
}

// ---- saving

bool Config::saveAll(std::vector<SaveFailure>* o_failures) {
    Lock lock(m_lock);
    bool saved = true;
    for (ConfigNameSpace* nameSpace : m_name_space_order) {
        if (nameSpace->m_read_only || !nameSpace->hasChanges() || saveNameSpace(*nameSpace))
            continue;
        saved = false;
        if (o_failures)
            o_failures->push_back({nameSpace->m_path, pel::FileErrorObject(pel::FileErrorObject::ensureRecord())});
    }
    return saved;
}

bool Config::saveNameSpace(ConfigNameSpace& nameSpace) {
    const wchar_t* path = nameSpace.m_path.c_str();
    if (nameSpace.m_rejected && !backUpRejected(nameSpace))
        return false;
    ValueNode root(ValueNode::Dictionary);
    root.getOrAddKey(L"version").setString(getVersion().getFileText().c_str());
    for (const ConfigValue* value : nameSpace.m_values)
        if (value->hasValue())
            value->writeTo(root.getOrAddKey(value->m_section->getText()).getOrAddKey(value->m_name));
    if (!JasmineLoader::save(path, root)) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"File '%s' can't open for write\n", path);
        return false;
    }
    for (ConfigValue* value : nameSpace.m_values)
        value->clearChanged();
    nameSpace.m_file_time = lastWriteTime(path);
    return true;
}

bool Config::backUpRejected(ConfigNameSpace& nameSpace) {
    const std::wstring& path = nameSpace.m_path;
    const std::wstring backup = path + L".bak";
    if (pel::FileIO::isFile(path.c_str())) {
        try {
            pel::FileUtils::copyFile(path, backup);
        } catch (const pel::Exception& e) {
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: '%s' is not replaced: its copy '%s' failed: %s\n",
                            path.c_str(), backup.c_str(), e.displayText().c_str());
            return false;
        }
        pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Config: '%s' could not be loaded and is kept as '%s'\n",
                        path.c_str(), backup.c_str());
    }
    nameSpace.m_rejected = false;
    return true;
}

} // namespace tessel
