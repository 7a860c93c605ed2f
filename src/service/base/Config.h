#pragma once
// The settings of the system: typed values under dotted identifiers ("app.editor.font.size"),
// grouped by prefix into sections and stored per name space in one configuration file. The
// schema declares every name space and value with its type and default at start, then loadAll
// reads the files; values change through their setters, and saveAll writes back the files whose
// values changed. A damaged or hand-edited file never stops a load: what cannot be taken is
// logged and skipped; a file refused whole (syntax, version, decoding) leaves its name space
// with its defaults and is copied to "<path>.bak" before the first save replaces it.
//
// The UI thread owns Config. Other threads hold the Config lock (getLock) around their reads and
// writes of values; Config takes it itself around its own maps. Listeners of a section are told
// when a file brought values for it, once at once and once later on the UI thread through the
// message registry (Config is a pel::MessageListener).
//
// Identifiers have at most MAX_IDENTIFIER units and a dot with text on both sides; values,
// name spaces and sections are found by the CRC-32 (pel::crc32Update) of identifier, path and
// prefix.

#include "service/base/ApplicationVersion.h"
#include "service/base/ConfigNameSpace.h"
#include "service/base/ConfigSection.h"
#include "service/base/ConfigValue.h"
#include "service/base/ConfigValueTable.h"
#include "service/base/JasmineLoader.h"

#include "pel/base/Crc.h"
#include "pel/files/file_io/FileError.h"
#include "pel/legacy/MessageListener.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pel {
class MessageRegistry;
}

namespace tessel {

class Config : public pel::MessageListener {
public:
    static constexpr uint32_t LOG_SOURCE = pel::crc32Literal("Config"); // 0xD3262A4A
    static constexpr size_t MAX_IDENTIFIER = 258;
    static const wchar_t PREFERENCES_PATH[]; // "user:config/preferences.tsConfig"

    // Bound to the process's message registry. On the UI thread.
    Config();
    // Bound to the registry given; none posts nothing and delivers at once on the UI thread.
    explicit Config(pel::MessageRegistry* registry);
    // Frees everything and saves nothing; a delivery still in flight is dropped.
    ~Config();
    Config(const Config&) = delete;
    Config& operator=(const Config&) = delete;

    // The Config lock (a critical section, spin count 0x80000000), also the service root's.
    pel::Mutex_Impl& getLock() const { return m_lock; }

    // The name space of the path, made when missing (an existing one keeps its flag).
    ConfigNameSpace* addNameSpace(const wchar_t* path, bool readOnly);
    ConfigNameSpace* findNameSpace(const wchar_t* path) const;
    ConfigNameSpace* getPreferencesNameSpace() const;

    // Declares the identifier in the name space (a null one is a hard check), adding the value
    // to its list unless it is there already. None for an identifier too long (one ERROR line)
    // or without a dot (silently). An identifier declared before keeps its value and type (a
    // WARNING line when the type asked differs); one that only a file had typed takes the type
    // declared, the file's value converted to it where it can be.
    ConfigValue* declareValue(ConfigNameSpace* nameSpace, const wchar_t* identifier, ConfigValue::Type type);
    // As declareValue with the type of the default, which a new value takes as its value (so
    // it counts as changed until a file brings the value).
    ConfigValue* declareValueWithDefault(ConfigNameSpace* nameSpace, const wchar_t* identifier,
                                         const ConfigValue& defaultValue);

    ConfigValue* findValue(const wchar_t* identifier) const;
    ConfigValue* findValue(uint32_t hash) const;
    static uint32_t hashOf(const wchar_t* text) { return pel::crc32Update(0, text); }

    // Listeners of the section of the prefix, which is made when missing. A listener is added
    // once; it removes itself before it goes.
    void addSectionListener(const wchar_t* prefix, IConfigSectionListener* listener);
    void removeSectionListener(const wchar_t* prefix, IConfigSectionListener* listener);

    // Loads every name space in the order they were added; false when any failed (missing,
    // unreadable, damaged), the others loaded all the same.
    bool loadAll();
    // A settings file that could not be written: its path, and the file error record of the
    // failure.
    struct SaveFailure {
        std::wstring path;
        pel::FileErrorObject error;
    };
    // Saves every name space that is not read-only and holds a changed value; false when a save
    // failed, whose values then stay changed for the next try. Each failure is added to
    // o_failures when given.
    bool saveAll(std::vector<SaveFailure>* o_failures = nullptr);
    const ApplicationVersion& getVersion() const { return ApplicationVersion::get(); }

    // The posted delivery of loaded sections.
    void msgOnMessage(pel::MessageData* data) override;

private:
    enum class Call { LOADED, DELIVERED };

    ConfigValue* defineValue(ConfigNameSpace* nameSpace, const wchar_t* identifier, ConfigValue::Type type,
                             const ConfigValue* defaultValue, bool fromFile);
    void retypeFileValue(ConfigValue& value, ConfigValue::Type type, const ConfigValue* defaultValue,
                         const ConfigNameSpace& nameSpace);
    // The value of the identifier, whose hash is given; under the lock.
    ConfigValue* findNamed(const wchar_t* identifier, uint32_t hash) const;
    ConfigSection* findSection(uint32_t hash) const;
    ConfigSection* findOrAddSection(const std::wstring& prefix);

    // ConfigFiles.cpp
    // A name space's file as loadAll read it ahead, or not yet.
    struct ReadAhead {
        JasmineLoader::FileBytes bytes;
        bool tried = false;
        bool read = false;
    };
    // Parses the file into file without making its two outer levels into nodes (only the
    // settings' own values are nodes) and takes its settings.
    bool loadNameSpace(ConfigNameSpace& nameSpace, ReadAhead& ahead, ValueSections& file);
    void takeSections(ConfigNameSpace& nameSpace, ValueSections& file, std::vector<ConfigSection*>& o_loaded);
    // The value of the name in the section, looked for from io_next on (where the last one was
    // found) among a few; none when it is not there.
    static ConfigValue* findNear(const ConfigSection& section, const wchar_t* name, size_t length, size_t& io_next);
    // Takes the node for the identifier's value, or for none (a value the file types).
    void takeEntry(ConfigNameSpace& nameSpace, const std::wstring& identifier, ConfigValue* value, ValueNode& node);
    // Gives the value the node its file holds (whose containers it may move out), logging what
    // it cannot take; true when taken.
    bool takeNode(ConfigValue& value, ValueNode& node, const std::wstring& identifier,
                  const ConfigNameSpace& nameSpace);
    bool saveNameSpace(ConfigNameSpace& nameSpace);
    bool backUpRejected(ConfigNameSpace& nameSpace);

    // ConfigDelivery.cpp
    void notifyLoaded(ConfigSection& section);
    void deliverPending();
    void callListeners(ConfigSection& section, Call call);

    mutable pel::Mutex_Impl m_lock{0x80000000};
    ConfigValueTable m_values;
    std::unordered_map<uint32_t, std::unique_ptr<ConfigNameSpace>> m_name_spaces;
    std::vector<ConfigNameSpace*> m_name_space_order;
    std::unordered_map<uint32_t, std::unique_ptr<ConfigSection>> m_sections;
    std::vector<ConfigSection*> m_pending;
    bool m_post_in_flight = false; // under the lock
};

} // namespace tessel
