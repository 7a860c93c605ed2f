#pragma once
// The settings of the system: typed values under dotted identifiers ("app.editor.font.size"),
// grouped by prefix into sections and stored per name space in one configuration file. The
// schema declares every name space and value with its type and default at start, then loadAll
// reads the files; values change through their setters, and a save writes into each file only
// the values this run changed, over the file as it is then: a file that is not as Config last
// read or wrote it (by its bytes) is read again first, and every key this run did not change
// keeps the file's value, also one Tessel cannot use. A file changed meanwhile by another
// program (readAgain) is taken as a start takes it. A damaged or hand-edited file never stops a
// load: what cannot be taken is told (tellProblem) and skipped; a file refused whole (syntax,
// version, decoding) leaves its name space as it was and is copied to "<path>.bak" before a
// save replaces it.
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

#include "service/base/Notice.h"

#include "pel/base/Crc.h"
#include "pel/files/file_io/FileError.h"
#include "pel/legacy/MessageListener.h"
#include "pel/thread/Mutex.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace pel {
class FileErrorObject;
class MessageRegistry;
struct FileStamp;
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
    // Every name space, in the order they were added.
    std::vector<ConfigNameSpace*> getNameSpaces() const;

    // Declares the identifier in the name space (a null one is a hard check), adding the value
    // to its list unless it is there already. None for an identifier too long (one ERROR line)
    // or without a dot (silently). An identifier declared before keeps its value and type (a
    // WARNING line when the type asked differs); one that only a file had typed takes the type
    // declared, the file's value converted to it where it can be.
    ConfigValue* declareValue(ConfigNameSpace* nameSpace, const wchar_t* identifier, ConfigValue::Type type);
    // As declareValue with the type of the default, which a new value takes as its value. A
    // default is no change: a save writes it nowhere, and a file read again that lacks the
    // value gives it back its default.
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
    // unreadable, damaged), the others loaded all the same. A value this run changed (not saved
    // yet) keeps its value.
    bool loadAll();

    // How a name space's file was read again.
    enum class ReadAgain {
        SAME,       // as last read or written: nothing to take
        TAKEN,      // taken: the values it changed were told to their sections' listeners
        GONE,       // no file there: the values stay as they are
        UNREADABLE, // there but not read (held, a read error): nothing taken, tried again later
        REFUSED,    // refused whole (syntax, version, decoding): told, the values as they are
    };
    // Reads the name space's file again when it is not as last read or written (by its bytes,
    // not its time) and takes it as a start would: each value this run did not change takes the
    // file's value, or its default where the file has none (one the file typed goes); the
    // sections whose values changed are told (as after a load). The file is never written.
    ReadAgain readAgain(ConfigNameSpace& nameSpace);
    // The writable name space of the device path, or none.
    ConfigNameSpace* findNameSpaceOfFile(const std::wstring& path) const;

    // Why a name space's file was not written; its values stay changed for the next try.
    struct SaveFailure {
        enum Step {
            READ,          // the file as it is now could not be read (held, a read error)
            BACK_UP,       // a file refused whole could not be copied to "<path>.bak"
            WRITE,         // the new file could not be written or could not replace the old
            KEPT_CHANGING, // another program wrote the file again each time it was read
        };
        std::wstring path; // the name space's device path
        Step step = WRITE;
        std::shared_ptr<pel::FileErrorObject> error; // what the step's file call said, if anything
    };
    // Saves every name space that is not read-only and holds a changed value; false when a save
    // failed (each failure to o_failures when given).
    bool saveAll(std::vector<SaveFailure>* o_failures = nullptr);
    // Saves the name space when it holds a changed value (a read-only one never); false, the
    // failure to o_failure when given, when that failed.
    bool save(ConfigNameSpace& nameSpace, SaveFailure* o_failure = nullptr);
    const ApplicationVersion& getVersion() const { return ApplicationVersion::get(); }

    // What cannot be used of the settings (a file refused whole, a value of the wrong kind or
    // out of range, named with its value and what is used instead), in the user's words: a text
    // is logged when it first comes and waits, once per run, until takeProblems. Any thread.
    void tellProblem(const std::wstring& text);
    // A setting of the name space that cannot be used, told in the one sentence every such
    // value is told in: its identifier, what it holds, where, what it must be and what is used.
    void tellUnusable(const ConfigNameSpace* nameSpace, const std::wstring& identifier, const std::wstring& holds,
                      const std::wstring& expected, const std::wstring& used);
    std::vector<std::wstring> takeProblems();
    // Told on the main thread when a problem not told before came there.
    Notice<>& problemsAdded() { return m_problemsAdded; }
    // A file's value in a line of text, as a message names it: white space made single spaces,
    // long texts cut.
    static std::wstring textOf(const ValueNode& node);
    static std::wstring textOf(const ConfigValue& value);

    // The posted delivery of loaded sections.
    void msgOnMessage(pel::MessageData* data) override;

private:
    enum class Call { LOADED, DELIVERED };

    // What a value was declared with: the type, and the default when one was given.
    struct Declaration {
        ConfigValue::Type type = ConfigValue::UNTYPED;
        std::unique_ptr<ConfigValue> defaultValue;
    };

    ConfigValue* defineValue(ConfigNameSpace* nameSpace, const wchar_t* identifier, ConfigValue::Type type,
                             const ConfigValue* defaultValue, bool fromFile);
    void retypeFileValue(ConfigValue& value, ConfigValue::Type type, const ConfigValue* defaultValue,
                         const ConfigNameSpace& nameSpace);
    void declare(const ConfigValue& value, ConfigValue::Type type, const ConfigValue* defaultValue);
    // The value as its declaration makes it: its type and default, or none; unchanged.
    void restoreDefault(ConfigValue& value) const;
    // The value of the identifier, whose hash is given; under the lock.
    ConfigValue* findNamed(const wchar_t* identifier, uint32_t hash) const;
    ConfigSection* findSection(uint32_t hash) const;
    ConfigSection* findOrAddSection(const std::wstring& prefix);

    // ConfigFiles.cpp
    // The file as it is now: its content, with its stamp and (when there and not empty) its
    // bytes; UNKNOWN when it is there but cannot be read.
    static ConfigFileContent look(const std::wstring& path, pel::FileStamp& o_stamp, JasmineLoader::FileBytes& o_bytes);
    // A name space's file as loadAll read it ahead, or not yet.
    struct ReadAhead {
        JasmineLoader::FileBytes bytes;
        bool tried = false;
        bool read = false;
    };
    // Parses the file into file without making its two outer levels into nodes (only the
    // settings' own values are nodes) and takes its settings.
    bool loadNameSpace(ConfigNameSpace& nameSpace, ReadAhead& ahead, ValueSections& file);
    // Parses the bytes into file; why the file is refused whole (syntax, version, decoding), in
    // the user's words, or empty.
    static std::wstring parseFile(const ConfigNameSpace& nameSpace, const JasmineLoader::FileBytes& bytes,
                                  ValueSections& file);
    // Takes the parsed file read again: the values this run did not change start from their
    // defaults; the sections whose values changed are told. Under the lock.
    void takeAgain(ConfigNameSpace& nameSpace, ValueSections& file, std::vector<ConfigSection*>& o_changed);
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

    // ConfigSave.cpp
    // One try of a save over the file as it is now; false with o_failure set, its step
    // KEPT_CHANGING when the file changed between the look and the write.
    bool trySave(ConfigNameSpace& nameSpace, SaveFailure& o_failure);
    // Copies the file to "<path>.bak"; false, logged, when that failed.
    static bool backUpRejected(const ConfigNameSpace& nameSpace);

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
    std::unordered_map<const ConfigValue*, Declaration> m_declarations;
    std::set<std::wstring> m_problems_told;  // every problem told this run
    std::vector<std::wstring> m_problems;    // those not taken yet
    Notice<> m_problemsAdded;
};

} // namespace tessel
