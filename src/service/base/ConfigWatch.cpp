#include "service/base/ConfigWatch.h"

#include "pel/files/file_io/WatchPool.h"
#include "pel/log/Log.h"

#include <windows.h>

#include <algorithm>

namespace tessel {

namespace {

// The folder of a file's device path ("user:config" of "user:config/preferences.tsConfig").
std::wstring folderOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/:");
    if (cut == std::wstring::npos)
        return std::wstring();
    return path.substr(0, path[cut] == L':' ? cut + 1 : cut);
}

std::wstring join(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || folder.back() == L':' || folder.back() == L'\\' || folder.back() == L'/')
        return folder + name;
    return folder + L"/" + name;
}

} // namespace

ConfigWatch::ConfigWatch(Config& config) : m_config(config), m_watcher(L"ConfigWatcher") {
    m_watcher.addClientCallback(this, &ConfigWatch::onChange);
    std::vector<std::wstring> folders;
    for (const ConfigNameSpace* nameSpace : config.getNameSpaces()) {
        const std::wstring folder = folderOf(nameSpace->getPath());
        if (!nameSpace->isReadOnly() && !folder.empty() &&
            std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    for (const std::wstring& folder : folders) {
        if (pel::WatchedObject* watched = m_watcher.openObject(folder.c_str(), 0, 0))
            m_folders.push_back(watched);
        else
            pel::log_printf(pel::LOG_WARNING, Config::LOG_SOURCE,
                            L"Config: '%s' cannot be watched: its settings files are read only at a start\n",
                            folder.c_str());
    }
    // A watch hears only what comes once its first read is issued, on a pool thread: a file
    // written between the start's read and then would go unheard. Once the watches listen (a
    // moment, bounded), every file is looked at as it is.
    constexpr DWORD ARMING_MS = 2000;
    const DWORD start = ::GetTickCount();
    while (pel::WatchPool::pendingStarts() > 0 && ::GetTickCount() - start < ARMING_MS)
        ::Sleep(1);
    for (ConfigNameSpace* nameSpace : config.getNameSpaces())
        if (!nameSpace->isReadOnly())
            m_config.readAgain(*nameSpace);
}

ConfigWatch::~ConfigWatch() {
    for (pel::WatchedObject* folder : m_folders)
        m_watcher.closeObject(folder);
}

void ConfigWatch::onChange(pel::WatchedObject* folder, pel::WatchNotification* record) {
    const std::wstring& watched = folder->path();
    if (record->kind == pel::WATCH_FAILED)
        return; // the watch comes back with its folder (WATCH_REOPENED)
    // What the watch could not name (lost records, a watch back after a failure) may concern
    // any of the folder's files: each is looked at, and only a changed one is taken.
    if (record->overflow || record->kind == pel::WATCH_REOPENED || record->name.empty()) {
        for (ConfigNameSpace* nameSpace : m_config.getNameSpaces())
            if (!nameSpace->isReadOnly() && folderOf(nameSpace->getPath()) == watched)
                m_config.readAgain(*nameSpace);
        return;
    }
    readAgain(join(watched, record->name));
    if (record->kind == pel::WATCH_RENAMED && !record->secondName.empty())
        readAgain(join(watched, record->secondName)); // an editor's save renames its copy over the file
}

void ConfigWatch::readAgain(const std::wstring& path) {
    if (ConfigNameSpace* nameSpace = m_config.findNameSpaceOfFile(path))
        m_config.readAgain(*nameSpace);
}

} // namespace tessel
