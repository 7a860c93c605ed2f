#pragma once
// The settings stored in one configuration file ("user:config/preferences.tsConfig"): its path,
// whether it is only read, its values in declaration order and the file as Config last read or
// wrote it. Name spaces belong to Config and live as long as it does.

#include "pel/files/FileDigest.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class Config;
class ConfigValue;

// A settings file as it was read or written: not known, not there, or its bytes, told apart by
// their size and SHA-1 digest (a rewrite that keeps the time is another content).
struct ConfigFileContent {
    enum State { UNKNOWN, ABSENT, BYTES };

    static ConfigFileContent absent() { return ConfigFileContent{ABSENT, 0, {}}; }
    static ConfigFileContent ofBytes(const void* data, size_t size);

    State state = UNKNOWN;
    uint64_t size = 0;
    pel::FileDigest digest; // of BYTES

    // An unknown content equals none, itself included.
    bool operator==(const ConfigFileContent& other) const {
        return state != UNKNOWN && state == other.state &&
               (state == ABSENT || (size == other.size && digest == other.digest));
    }
    bool operator!=(const ConfigFileContent& other) const { return !(*this == other); }
};

class ConfigNameSpace {
public:
    ConfigNameSpace(Config& owner, const std::wstring& path, bool readOnly)
        : m_owner(owner), m_path(path), m_read_only(readOnly) {}
    ConfigNameSpace(const ConfigNameSpace&) = delete;
    ConfigNameSpace& operator=(const ConfigNameSpace&) = delete;

    Config& getOwner() const { return m_owner; }
    const std::wstring& getPath() const { return m_path; }
    // Loaded, never saved.
    bool isReadOnly() const { return m_read_only; }
    const std::vector<ConfigValue*>& getValues() const { return m_values; }
    // The file as Config last read or wrote it.
    const ConfigFileContent& getFileContent() const { return m_content; }
    // The file's path as the user knows it (the system's name where it has one).
    std::wstring getFullPath() const;
    // Whether a setter changed a value since it was read or last saved.
    bool hasChanges() const;

private:
    friend class Config;

    Config& m_owner;
    std::wstring m_path;
    bool m_read_only;
    std::vector<ConfigValue*> m_values;
    ConfigFileContent m_content;
};

} // namespace tessel
