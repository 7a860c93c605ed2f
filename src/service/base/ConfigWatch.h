#pragma once
// Watches the folders of the writable settings files while the program runs, so that a file
// changed there (by another program, or saved from a tab of Tessel's own) is read again as soon
// as the change has settled (Config::readAgain): what it changed reaches the settings' section
// listeners, as a start's load does. Made, told and destroyed on the main thread; the watcher's
// thread runs only while changes settle.

#include "service/base/Config.h"

#include "pel/files/FileWatcher.h"

#include <string>
#include <vector>

namespace tessel {

class ConfigWatch {
public:
    // Watches the folder of each writable name space of the config that exists now, and once
    // the watches listen, reads each file again that changed since it was read.
    explicit ConfigWatch(Config& config);
    ~ConfigWatch();
    ConfigWatch(const ConfigWatch&) = delete;
    ConfigWatch& operator=(const ConfigWatch&) = delete;

    // Folders watched now.
    size_t folderCount() const { return m_folders.size(); }

private:
    // The watcher's callback: the name spaces the record may concern are read again.
    void onChange(pel::WatchedObject* folder, pel::WatchNotification* record);
    void readAgain(const std::wstring& path);

    Config& m_config;
    pel::FileWatcher m_watcher;
    std::vector<pel::WatchedObject*> m_folders;
};

} // namespace tessel
