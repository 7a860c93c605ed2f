#pragma once
// What the service root's set-up asks of the application: the devices of the virtual file
// system and the settings schema.
//
// Devices: "__winfs" (native paths), "root" (the program's folder), "user" (the per-user folder,
// or the one "app.startup.user_dir" names), "appdata" (the common application-data folder),
// "tmp" (a folder of this process, removed when the file system is released), "mem" (the RAM
// disk), "vtmp" (temporary files over "mem" and "tmp"), and the mappings "base:root" over
// "base:user", through which "base:x" reads the program's copy of a file before the user's and
// writes go to the user's folder only. The user folder is chosen before the "user" device exists,
// so "app.startup.user_dir" is read from "root:config/startup.tsConfig" directly; a relative
// folder there is taken from the program's folder.

#include <string>

namespace tessel {

class Config;

struct FileSystemFolders {
    std::wstring root;    // the program's folder
    std::wstring user;    // the per-user folder, unless the startup file names another
    std::wstring appdata; // the common application-data folder
    std::wstring temp;    // where the folder of this process is made
    // The system's folders: the program's own, "Tessel" in the user's and in the common
    // application-data folder, and the temporary folder.
    static FileSystemFolders standard();
};

// Attaches the devices of the standard folders and makes sure the user folder and its "config"
// folder exist; false (nothing attached) when a device cannot be attached or the folder cannot be
// made. A set-up done before is released first.
bool setupFileSystem(Config& config);
bool setupFileSystem(Config& config, const FileSystemFolders& folders);
// Detaches the devices of the set-up and removes the folder of this process; nothing without a
// set-up.
void releaseFileSystem();
// The native folder behind "user", empty without a set-up.
std::wstring getUserFolder();

// Declares the name spaces (the read-only "root:config/startup.tsConfig" and, in
// "user:config/", the session, preferences, projects, bundles, languages, presets, user and web
// files) and the settings of the service, the document engine and the bundles with their
// defaults, then loads every file. A missing or damaged file leaves its settings at their
// defaults (one log line): the first start has no files at all. True.
bool declareConfigSchema(Config& config);

} // namespace tessel
