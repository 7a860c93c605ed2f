// Config's files: loading every name space from its configuration file, and reading one again
// as it is now.

#include "service/base/Config.h"
#include "service/base/JasmineLoader.h"

#include "pel/base/Exception.h"
#include "pel/files/FileStamp.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/text/StringTemplate.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace tessel {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

namespace {

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

// What a value of the type must be, in a sentence's words.
const wchar_t* kindOf(ConfigValue::Type type) {
    switch (type) {
    case ConfigValue::INT:
    case ConfigValue::UINT:
        return L"a whole number";
    case ConfigValue::BOOL:
        return L"true or false";
    case ConfigValue::STRING:
        return L"a text";
    case ConfigValue::FLOAT:
        return L"a number";
    case ConfigValue::LIST:
        return L"a list";
    default:
        return L"a value";
    }
}

// A file refused whole, in the user's words: why, and what comes of it.
std::wstring refusedText(const ConfigNameSpace& nameSpace, const std::wstring& why, const wchar_t* outcome) {
    return pel::StringTemplate(L"`{1}` cannot be read: {2}. {3}, and the file stays as it is.")
        .arg(1, nameSpace.getFullPath())
        .arg(2, why)
        .arg(3, outcome)
        .render();
}

} // namespace

ConfigFileContent Config::look(const std::wstring& path, pel::FileStamp& o_stamp, JasmineLoader::FileBytes& o_bytes) {
    constexpr int TRIES = 3;
    for (int tried = 0; tried < TRIES; ++tried) {
        o_stamp = pel::FileStamp::of(path);
        if (!o_stamp.there)
            return ConfigFileContent::absent();
        if (o_stamp.size == 0)
            return ConfigFileContent::ofBytes(nullptr, 0);
        if (JasmineLoader::read(path.c_str(), o_bytes))
            return ConfigFileContent::ofBytes(o_bytes.data.get(), o_bytes.size);
        // A file replaced or removed while it was read is looked at again; one that stays as it
        // was is unreadable.
        if (pel::FileStamp::of(path) == o_stamp)
            break;
    }
    return ConfigFileContent();
}

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
    ConfigFileContent content;
    if (ahead.read) {
        content = ConfigFileContent::ofBytes(ahead.bytes.data.get(), ahead.bytes.size);
    } else {
        // Not read: not there, empty (nothing to read), or there but unreadable (unknown).
        const pel::FileStamp stamp = pel::FileStamp::of(nameSpace.m_path);
        if (!stamp.there)
            content = ConfigFileContent::absent();
        else if (stamp.size == 0)
            content = ConfigFileContent::ofBytes(nullptr, 0);
    }
    const std::wstring refused = ahead.read ? parseFile(nameSpace, ahead.bytes, file) : std::wstring();
    ahead.bytes.data.reset();
    if (!refused.empty())
        tellProblem(refusedText(nameSpace, refused, L"Its settings keep their defaults"));
    std::vector<ConfigSection*> loaded;
    {
        Lock lock(m_lock);
        nameSpace.m_content = content;
        if (!ahead.read || !refused.empty())
            return false;
        takeSections(nameSpace, file, loaded);
    }
    for (ConfigSection* section : loaded)
        notifyLoaded(*section);
    return true;
}

std::wstring Config::parseFile(const ConfigNameSpace& nameSpace, const JasmineLoader::FileBytes& bytes,
                               ValueSections& file) {
    try {
        if (!JasmineLoader::load(nameSpace.m_path.c_str(), bytes, file))
            return L"its text is in no encoding Tessel reads";
    } catch (const pel::ParserException& e) {
        std::wstring message = e.message;
        while (!message.empty() && (message.back() == L'.' || std::iswspace(message.back())))
            message.pop_back(); // the sentence goes on after it
        return pel::StringTemplate(L"a syntax error at line {1}, column {2}: {3}")
            .arg(1, std::to_wstring(e.start.line + 1))
            .arg(2, std::to_wstring(e.start.column + 1))
            .arg(3, message)
            .render();
    }
    const ValueSections::Entry* version = findVersion(file);
    if (!version)
        return L"it names no version (the format of older versions)";
    int major = 0, minor = 0, patch = 0;
    unsigned int hash = 0;
    if (!ApplicationVersion::parseFields(version->value.getString(nullptr), &major, &minor, &patch, &hash))
        return pel::StringTemplate(L"its version {1} is not one Tessel reads").arg(1, textOf(version->value)).render();
    return std::wstring();
}

Config::ReadAgain Config::readAgain(ConfigNameSpace& nameSpace) {
    pel::FileStamp stamp;
    JasmineLoader::FileBytes bytes;
    const ConfigFileContent now = look(nameSpace.m_path, stamp, bytes);
    {
        Lock lock(m_lock);
        if (now == nameSpace.m_content)
            return ReadAgain::SAME;
        if (now.state == ConfigFileContent::ABSENT) {
            nameSpace.m_content = now;
            return ReadAgain::GONE;
        }
    }
    if (now.state == ConfigFileContent::UNKNOWN)
        return ReadAgain::UNREADABLE;
    ValueSections file;
    // An empty file holds nothing: every value back to its default, as at a start.
    const std::wstring refused = now.size > 0 ? parseFile(nameSpace, bytes, file) : std::wstring();
    bytes.data.reset();
    if (!refused.empty())
        tellProblem(refusedText(nameSpace, refused, L"Tessel keeps the settings it read before"));
    std::vector<ConfigSection*> changed;
    {
        Lock lock(m_lock);
        nameSpace.m_content = now;
        if (!refused.empty())
            return ReadAgain::REFUSED;
        takeAgain(nameSpace, file, changed);
    }
    for (ConfigSection* section : changed)
        notifyLoaded(*section);
    return ReadAgain::TAKEN;
}

void Config::takeAgain(ConfigNameSpace& nameSpace, ValueSections& file, std::vector<ConfigSection*>& o_changed) {
    // As a start would take it: from the defaults, but for what this run changed.
    std::vector<ConfigValue> before;
    before.reserve(nameSpace.m_values.size());
    for (ConfigValue* value : nameSpace.m_values) {
        before.push_back(*value);
        if (!value->isChanged())
            restoreDefault(*value);
    }
    std::vector<ConfigSection*> unused;
    takeSections(nameSpace, file, unused);
    const std::vector<ConfigValue*>& values = nameSpace.m_values;
    for (size_t i = 0; i < values.size(); ++i) {
        ConfigSection* section = values[i]->m_section;
        // A value the file brought for the first time is news too.
        if ((i >= before.size() || !before[i].equals(*values[i])) &&
            std::find(o_changed.begin(), o_changed.end(), section) == o_changed.end())
            o_changed.push_back(section);
    }
}

ConfigNameSpace* Config::findNameSpaceOfFile(const std::wstring& path) const {
    Lock lock(m_lock);
    for (ConfigNameSpace* nameSpace : m_name_space_order)
        if (!nameSpace->m_read_only && pel::FileIO::isSamePath(nameSpace->m_path.c_str(), path.c_str()))
            return nameSpace;
    return nullptr;
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
                tellUnusable(&nameSpace, identifier, textOf(node), L"a value a setting holds", L"nothing");
            return;
        }
        value = defineValue(&nameSpace, identifier.c_str(), ConfigValue::UNTYPED, nullptr, true);
        if (!value)
            return;
    }
    // What this run changed stays: the save to come writes it over the file.
    if (value->isChanged())
        return;
    if (takeNode(*value, node, identifier, nameSpace))
        value->clearChanged();
}

bool Config::takeNode(ConfigValue& value, ValueNode& node, const std::wstring& identifier,
                      const ConfigNameSpace& nameSpace) {
    const ConfigValue::Taking taking = value.takeNode(node, !value.m_typedByFile);
    // A null entry says only that the value has none: no news worth a line. (A node taken may
    // have been moved out: only one not taken is looked at.)
    if (taking != ConfigValue::Taking::TAKEN && node.kind() != ValueNode::Null)
        tellUnusable(&nameSpace, identifier, textOf(node), kindOf(value.getType()),
                     value.hasValue() ? textOf(value) : std::wstring(L"nothing"));
    return taking == ConfigValue::Taking::TAKEN;
}

} // namespace tessel
