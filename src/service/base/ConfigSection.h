#pragma once
// The settings under one identifier prefix (the text before the last dot: "app.editor.font" of
// "app.editor.font.size"), and the listeners told when a configuration file brought values for
// it. Sections belong to Config and live as long as it does.

#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

class Config;
class ConfigValue;

class IConfigSectionListener {
public:
    virtual ~IConfigSectionListener() = default;
    // At once, on the thread that loads, once a file's values under the prefix are taken.
    virtual void onConfigSectionLoaded(Config& config, const wchar_t* prefix) = 0;
    // Later, on the UI thread: posted through the message registry and called under the Config
    // lock, or at once when the load ran on the UI thread and nothing could be posted.
    virtual void onConfigSectionDelivered(Config& config, const wchar_t* prefix) = 0;
};

class ConfigSection {
public:
    ConfigSection(uint32_t hash, const std::wstring& text) : m_hash(hash), m_text(text) {}
    ConfigSection(const ConfigSection&) = delete;
    ConfigSection& operator=(const ConfigSection&) = delete;

    // CRC-32 of the prefix (pel::crc32Update).
    uint32_t getHash() const { return m_hash; }
    const std::wstring& getText() const { return m_text; }
    const std::vector<IConfigSectionListener*>& getListeners() const { return m_listeners; }

private:
    friend class Config;

    uint32_t m_hash;
    std::wstring m_text;
    std::vector<IConfigSectionListener*> m_listeners;
    std::vector<ConfigValue*> m_values; // under the prefix, in the order they were declared
};

} // namespace tessel
