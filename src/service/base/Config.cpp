#include "service/base/Config.h"

#include "pel/base/Assert.h"
#include "pel/files/FileDigest.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/log/Log.h"
#include "pel/log/LogManager.h"

#include <algorithm>
#include <cwchar>

namespace tessel {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

const wchar_t Config::PREFERENCES_PATH[] = L"user:config/preferences.tsConfig";

bool ConfigNameSpace::hasChanges() const {
    return std::any_of(m_values.begin(), m_values.end(), [](const ConfigValue* value) { return value->isChanged(); });
}

std::wstring ConfigNameSpace::getFullPath() const {
    pel::WorkString<> full;
    return pel::FileIO::getFullPath(m_path.c_str(), &full) ? std::wstring(full.c_str()) : m_path;
}

ConfigFileContent ConfigFileContent::ofBytes(const void* data, size_t size) {
    pel::FileDigester digester;
    digester.update(data, size);
    return ConfigFileContent{BYTES, size, digester.finish()};
}

Config::Config() { pel::LogManager_Impl::getInstance()->registerSource(L"Config"); }

Config::Config(pel::MessageRegistry* registry) : pel::MessageListener(registry) {
    pel::LogManager_Impl::getInstance()->registerSource(L"Config");
}

Config::~Config() = default;

// ---- name spaces

ConfigNameSpace* Config::addNameSpace(const wchar_t* path, bool readOnly) {
    PEL_CHECK_PTR(path);
    Lock lock(m_lock);
    std::unique_ptr<ConfigNameSpace>& slot = m_name_spaces[hashOf(path)];
    if (!slot) {
        slot.reset(new ConfigNameSpace(*this, path, readOnly));
        m_name_space_order.push_back(slot.get());
    }
    return slot.get();
}

ConfigNameSpace* Config::findNameSpace(const wchar_t* path) const {
    PEL_CHECK_PTR(path);
    Lock lock(m_lock);
    const auto it = m_name_spaces.find(hashOf(path));
    return it == m_name_spaces.end() ? nullptr : it->second.get();
}

ConfigNameSpace* Config::getPreferencesNameSpace() const { return findNameSpace(PREFERENCES_PATH); }

std::vector<ConfigNameSpace*> Config::getNameSpaces() const {
    Lock lock(m_lock);
    return m_name_space_order;
}

// ---- values

ConfigValue* Config::declareValue(ConfigNameSpace* nameSpace, const wchar_t* identifier, ConfigValue::Type type) {
    return defineValue(nameSpace, identifier, type, nullptr, false);
}

ConfigValue* Config::declareValueWithDefault(ConfigNameSpace* nameSpace, const wchar_t* identifier,
                                             const ConfigValue& defaultValue) {
    return defineValue(nameSpace, identifier, defaultValue.getType(), &defaultValue, false);
}

ConfigValue* Config::defineValue(ConfigNameSpace* nameSpace, const wchar_t* identifier, ConfigValue::Type type,
                                 const ConfigValue* defaultValue, bool fromFile) {
    PEL_CHECK_PTR(nameSpace);
    PEL_CHECK_PTR(identifier);
    if (std::wcslen(identifier) > MAX_IDENTIFIER) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: Value identifier is too long\n");
        return nullptr;
    }
    const wchar_t* dot = std::wcsrchr(identifier, L'.');
    if (!dot || dot == identifier || dot[1] == L'\0')
        return nullptr;
    const std::wstring prefix(identifier, dot);
    if (prefix == L"version") { // the key every file's version goes under
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: value '%s' is under the reserved section 'version'\n",
                        identifier);
        return nullptr;
    }

    Lock lock(m_lock);
    const uint32_t hash = hashOf(identifier);
    if (ConfigValue* found = m_values.find(hash)) {
        ConfigValue& value = *found;
        if (!value.isNamed(identifier)) {
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: value '%s' has the hash of '%s' and is refused\n",
                            identifier, value.getIdentifier().c_str());
            return nullptr;
        }
        if (value.m_typedByFile && !fromFile) {
            declare(value, type, defaultValue);
            retypeFileValue(value, type, defaultValue, *nameSpace);
        } else if (type != value.getType())
            pel::log_printf(pel::LOG_WARNING, LOG_SOURCE,
                            L"Config: value '%s' is already defined, but with different type\n", identifier);
        std::vector<ConfigValue*>& values = nameSpace->m_values;
        if (std::find(values.begin(), values.end(), &value) == values.end())
            values.push_back(&value);
        return &value;
    }

    std::unique_ptr<ConfigValue> value(new ConfigValue(type));
    value->m_flags |= ConfigValue::DECLARED;
    value->m_section = findOrAddSection(prefix);
    value->m_name = dot + 1;
    value->m_typedByFile = fromFile;
    if (defaultValue) {
        value->assign(*defaultValue);
        value->clearChanged(); // a default is no change of this run
    }
    ConfigValue* declared = m_values.add(hash, std::move(value));
    declare(*declared, fromFile ? ConfigValue::UNTYPED : type, defaultValue);
    declared->m_sectionIndex = declared->m_section->m_values.size();
    declared->m_section->m_values.push_back(declared);
    nameSpace->m_values.push_back(declared);
    return declared;
}

void Config::retypeFileValue(ConfigValue& value, ConfigValue::Type type, const ConfigValue* defaultValue,
                             const ConfigNameSpace& nameSpace) {
    value.m_typedByFile = false;
    if (type == value.getType() || type == ConfigValue::UNTYPED)
        return;
    ValueNode stored;
    value.writeTo(stored);
    const bool changed = value.isChanged();
    value.becomeType(type);
    value.m_flags &= ~(ConfigValue::HAS_VALUE | ConfigValue::CHANGED);
    if (defaultValue)
        value.assign(*defaultValue);
    takeNode(value, stored, value.getIdentifier(), nameSpace);
    if (!changed)
        value.clearChanged();
}

void Config::declare(const ConfigValue& value, ConfigValue::Type type, const ConfigValue* defaultValue) {
    Declaration& declaration = m_declarations[&value];
    declaration.type = type;
    declaration.defaultValue.reset(defaultValue ? new ConfigValue(*defaultValue) : nullptr);
}

void Config::restoreDefault(ConfigValue& value) const {
    const auto found = m_declarations.find(&value);
    const ConfigValue::Type type = found == m_declarations.end() ? ConfigValue::UNTYPED : found->second.type;
    const bool changed = value.isChanged();
    value.becomeType(type);
    value.m_flags &= ~ConfigValue::HAS_VALUE;
    if (found != m_declarations.end() && found->second.defaultValue)
        value.assign(*found->second.defaultValue);
    if (!changed)
        value.clearChanged();
}

ConfigValue* Config::findValue(const wchar_t* identifier) const {
    PEL_CHECK_PTR(identifier);
    Lock lock(m_lock);
    return findNamed(identifier, hashOf(identifier));
}

ConfigValue* Config::findNamed(const wchar_t* identifier, uint32_t hash) const {
    ConfigValue* value = m_values.find(hash);
    // Another identifier of the same hash is not this one.
    return value && value->isNamed(identifier) ? value : nullptr;
}

ConfigValue* Config::findValue(uint32_t hash) const {
    Lock lock(m_lock);
    return m_values.find(hash);
}

// ---- sections

ConfigSection* Config::findSection(uint32_t hash) const {
    const auto it = m_sections.find(hash);
    return it == m_sections.end() ? nullptr : it->second.get();
}

ConfigSection* Config::findOrAddSection(const std::wstring& prefix) {
    const uint32_t hash = hashOf(prefix.c_str());
    std::unique_ptr<ConfigSection>& slot = m_sections[hash];
    if (!slot)
        slot.reset(new ConfigSection(hash, prefix));
    return slot.get();
}

void Config::addSectionListener(const wchar_t* prefix, IConfigSectionListener* listener) {
    PEL_CHECK_PTR(prefix);
    PEL_CHECK_PTR(listener);
    Lock lock(m_lock);
    std::vector<IConfigSectionListener*>& listeners = findOrAddSection(prefix)->m_listeners;
    if (std::find(listeners.begin(), listeners.end(), listener) == listeners.end())
        listeners.push_back(listener);
}

void Config::removeSectionListener(const wchar_t* prefix, IConfigSectionListener* listener) {
    PEL_CHECK_PTR(prefix);
    Lock lock(m_lock);
    if (ConfigSection* section = findSection(hashOf(prefix))) {
        std::vector<IConfigSectionListener*>& listeners = section->m_listeners;
        listeners.erase(std::remove(listeners.begin(), listeners.end(), listener), listeners.end());
    }
}

} // namespace tessel
