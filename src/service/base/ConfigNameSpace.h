#pragma once
// The settings stored in one configuration file ("user:config/preferences.tsConfig"): its path,
// whether it is only read, its values in declaration order and the time its file was last
// written by a save. Name spaces belong to Config and live as long as it does.

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class Config;
class ConfigValue;

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
    // The file's last-write time (FILETIME) after the last save; 0 before one, or when the file
    // could not tell it.
    uint64_t getFileTime() const { return m_file_time; }
    // Whether a value changed since the last load or save.
    bool hasChanges() const;

private:
    friend class Config;

    Config& m_owner;
    std::wstring m_path;
    bool m_read_only;
    std::vector<ConfigValue*> m_values;
    uint64_t m_file_time = 0;
    // The file exists but its last load refused it (syntax, version, decoding): the first save
    // copies it to "<path>.bak" before replacing it.
    bool m_rejected = false;
};

} // namespace tessel
