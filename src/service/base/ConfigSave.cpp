// Config's saves: a name space's file written with the values this run changed, over the file
// as it is then, and only over that file: a write that lands between the look and the rename
// fails the rename (pel::SafeSave::expect), and the save reads the file again and tries anew.

#include "service/base/Config.h"
#include "service/base/JasmineLoader.h"

#include "pel/base/Exception.h"
#include "pel/files/FileStamp.h"
#include "pel/files/FileUtils.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/text/StringTemplate.h"

#include <cwctype>

namespace tessel {

using Lock = pel::ScopedLock<pel::Mutex_Impl>;

namespace {

// Tries of a save whose file another program keeps writing.
constexpr int SAVE_TRIES = 5;

std::shared_ptr<pel::FileErrorObject> currentError() {
    return std::make_shared<pel::FileErrorObject>(pel::FileErrorObject::ensureRecord());
}

// Adds the file's entries to the tree, its version left out (the save writes its own).
void addEntries(const ValueSections& file, ValueNode& root) {
    for (const ValueSections::Entry& entry : file.root) {
        std::wstring key(entry.key, entry.keyLength);
        if (key == L"version")
            continue;
        ValueNode& node = root.getOrAddKey(std::move(key));
        if (!entry.section) {
            node.assign(entry.value);
            continue;
        }
        node = ValueNode(ValueNode::Dictionary);
        for (uint32_t i = 0; i < entry.count; ++i) {
            const ValueSections::Entry& item = file.entries[entry.first + i];
            node.getOrAddKey(std::wstring(item.key, item.keyLength)).assign(item.value);
        }
    }
}

// The entry of the key in the dictionary, made a dictionary itself (what the file held there
// otherwise was no section Tessel could read).
ValueNode& sectionOf(ValueNode& root, const std::wstring& key) {
    ValueNode& section = root.getOrAddKey(key);
    if (section.kind() != ValueNode::Dictionary && section.kind() != ValueNode::Null)
        section = ValueNode(ValueNode::Dictionary);
    return section;
}

} // namespace

bool Config::saveAll(std::vector<SaveFailure>* o_failures) {
    std::vector<ConfigNameSpace*> order;
    {
        Lock lock(m_lock);
        order = m_name_space_order;
    }
    bool saved = true;
    for (ConfigNameSpace* nameSpace : order) {
        SaveFailure failure;
        if (save(*nameSpace, &failure))
            continue;
        saved = false;
        if (o_failures)
            o_failures->push_back(std::move(failure));
    }
    return saved;
}

bool Config::save(ConfigNameSpace& nameSpace, SaveFailure* o_failure) {
    Lock lock(m_lock);
    if (nameSpace.m_read_only || !nameSpace.hasChanges())
        return true;
    SaveFailure failure;
    failure.path = nameSpace.m_path;
    for (int tried = 0; tried < SAVE_TRIES; ++tried) {
        if (trySave(nameSpace, failure))
            return true;
        if (failure.step != SaveFailure::KEPT_CHANGING)
            break;
    }
    static const wchar_t* const STEPS[] = {L"the file there could not be read", L"its damaged file could not be copied",
                                           L"it could not be written", L"another program kept writing it"};
    std::wstring detail;
    if (failure.error)
        pel::FileErrorObject::getMessage(&failure.error->record(), &detail);
    while (!detail.empty() && std::iswspace(detail.back()))
        detail.pop_back();
    pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: '%s' was not saved: %s (%s)\n", nameSpace.m_path.c_str(),
                    STEPS[failure.step], detail.c_str());
    if (o_failure)
        *o_failure = std::move(failure);
    return false;
}

bool Config::trySave(ConfigNameSpace& nameSpace, SaveFailure& o_failure) {
    const std::wstring& path = nameSpace.m_path;
    pel::FileStamp stamp;
    JasmineLoader::FileBytes bytes;
    const ConfigFileContent now = look(path, stamp, bytes);
    if (now.state == ConfigFileContent::UNKNOWN) {
        // What is there cannot be read, so it cannot be kept: nothing is written over it.
        o_failure.step = SaveFailure::READ;
        o_failure.error = currentError();
        return false;
    }
    ValueSections file;
    const std::wstring refused = now.size > 0 ? parseFile(nameSpace, bytes, file) : std::wstring();
    bytes.data.reset();
    // The version first, as every file Tessel writes has it.
    ValueNode root(ValueNode::Dictionary);
    root.getOrAddKey(L"version").setString(getVersion().getFileText().c_str());
    std::vector<ConfigSection*> changed;
    if (refused.empty()) {
        addEntries(file, root);
        // Another program's write since the last read or save is taken first, as a read again
        // takes it: what this run did not change follows the file.
        if (now != nameSpace.m_content && now.state == ConfigFileContent::BYTES)
            takeAgain(nameSpace, file, changed);
    } else {
        if (!backUpRejected(nameSpace)) {
            o_failure.step = SaveFailure::BACK_UP;
            o_failure.error = currentError();
            return false;
        }
        tellProblem(pel::StringTemplate(L"`{1}` cannot be read: {2}. It is kept as `{1}.bak`, and the settings changed "
                                        L"in Tessel are written in its place.")
                        .arg(1, nameSpace.getFullPath())
                        .arg(2, refused)
                        .render());
    }
    for (const ConfigValue* value : nameSpace.m_values)
        if (value->isChanged() && value->hasValue())
            value->writeTo(sectionOf(root, value->m_section->getText()).getOrAddKey(value->m_name));
    std::wstring text(1, L'\xFEFF'); // the byte-order mark of UTF-16LE
    JasmineLoader::writeValue(root, text, 0);
    pel::SafeSave save(path.c_str());
    save.expect(stamp);
    const bool written = save.isOpen() && save.write(text.data(), text.size() * sizeof(wchar_t)) && save.commit();
    if (written) {
        for (ConfigValue* value : nameSpace.m_values)
            value->clearChanged();
        nameSpace.m_content = ConfigFileContent::ofBytes(text.data(), text.size() * sizeof(wchar_t));
    } else {
        const bool overtaken = pel::FileErrorObject::getErrorCode() == pel::FileErrorCode::TARGET_CHANGED;
        o_failure.step = overtaken ? SaveFailure::KEPT_CHANGING : SaveFailure::WRITE;
        o_failure.error = currentError();
    }
    // What the file brought is told whether or not the write went through: it is taken.
    for (ConfigSection* section : changed)
        notifyLoaded(*section);
    return written;
}

bool Config::backUpRejected(const ConfigNameSpace& nameSpace) {
    const std::wstring& path = nameSpace.m_path;
    const std::wstring backup = path + L".bak";
    try {
        pel::FileUtils::copyFile(path, backup);
    } catch (const pel::Exception& e) {
        pel::log_printf(pel::LOG_ERROR, LOG_SOURCE, L"Config: '%s' is not replaced: its copy '%s' failed: %s\n",
                        path.c_str(), backup.c_str(), e.displayText().c_str());
        return false;
    }
    return true;
}

} // namespace tessel
