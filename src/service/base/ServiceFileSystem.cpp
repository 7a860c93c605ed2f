// The devices of the virtual file system that the service root's set-up attaches.

#include "service/base/ServiceSetup.h"

#include "pel/base/Environment.h"
#include "pel/base/Exception.h"
#include "pel/files/FileUtils.h"
#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"
#include "pel/files/file_io/TempDevice.h"
#include "pel/log/Log.h"
#include "service/base/JasmineLoader.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

namespace tessel {

namespace {

constexpr wchar_t STARTUP_FILE[] = L"root:config/startup.tsConfig";

struct Devices {
    explicit Devices(const std::wstring& userFolder) : userFolder(userFolder) {}

    pel::FileDeviceWin32 native{nullptr, true};
    std::unique_ptr<pel::FileDeviceWin32> root;
    std::unique_ptr<pel::FileDeviceWin32> rootLayer; // "base:root", read-only
    std::unique_ptr<pel::FileDeviceWin32> user;
    std::unique_ptr<pel::FileDeviceWin32> appdata;
    std::unique_ptr<pel::FileDeviceWin32> tmp;
    pel::RamDisk mem;
    std::unique_ptr<pel::TempDevice> vtmp;
    std::vector<std::wstring> attached; // in attach order
    std::wstring userFolder;
    std::wstring tempFolder; // empty until made

    bool attach(const wchar_t* name, pel::FileDevice* device, uint32_t priority) {
        if (!pel::FileIO::attachDevice(name, device, priority)) {
            pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"setupFileSystem: Cannot attach device '%s'\n",
                            name);
            return false;
        }
        attached.push_back(name);
        return true;
    }

    void detach(const std::wstring& name) {
        for (auto it = attached.begin(); it != attached.end(); ++it)
            if (*it == name) {
                pel::FileIO::detachDevice(name.c_str());
                attached.erase(it);
                return;
            }
    }

    // The temporary files go while "mem" and "tmp" are there, then the folder of this process.
    ~Devices() {
        detach(L"vtmp");
        vtmp.reset();
        if (!tempFolder.empty()) {
            try {
                pel::FileUtils::remove(tempFolder);
            } catch (const pel::Exception& e) {
                pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                                L"setupFileSystem: Cannot remove the temporary folder '%s': %s\n", tempFolder.c_str(),
                                e.displayText().c_str());
            }
        }
        for (auto it = attached.rbegin(); it != attached.rend(); ++it)
            pel::FileIO::detachDevice(it->c_str());
    }
};

std::unique_ptr<Devices> s_devices;

std::wstring withoutSeparator(std::wstring folder) {
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    return folder;
}

std::wstring knownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return withoutSeparator(path) + L"\\Tessel";
}

// The folder "app.startup.user_dir" names in the startup file, else the one given.
std::wstring chooseUserFolder(const FileSystemFolders& folders) {
    ValueNode file;
    try {
        if (!JasmineLoader::load(STARTUP_FILE, file))
            return folders.user;
    } catch (const pel::ParserException& e) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"setupFileSystem: '%s' cannot be read: %s\n",
                        STARTUP_FILE, e.message.c_str());
        return folders.user;
    }
    const wchar_t* named = file.getKey(L"app.startup").getKey(L"user_dir").getString(nullptr);
    if (!named || !*named)
        return folders.user;
    const std::wstring folder = named;
    const bool absolute = (folder.size() > 1 && folder[1] == L':') || folder[0] == L'\\' || folder[0] == L'/';
    pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"setupFileSystem: The user folder is '%s'\n", named);
    return absolute ? folder : withoutSeparator(folders.root) + L"\\" + folder;
}

std::unique_ptr<pel::FileDeviceWin32> folderDevice(const std::wstring& folder) {
    return std::unique_ptr<pel::FileDeviceWin32>(new pel::FileDeviceWin32(folder.c_str(), false));
}

bool makeFolder(const std::wstring& folder) {
    if (pel::FileIO::isDirectory(folder.c_str()) || pel::FileIO::createDirectories(folder.c_str()))
        return true;
    pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"setupFileSystem: Cannot make the folder '%s'\n",
                    folder.c_str());
    return false;
}

bool attachAll(Devices& devices, const FileSystemFolders& folders) {
    if (!devices.attach(L"__winfs", &devices.native, 0))
        return false;
    devices.root = folderDevice(folders.root);
    devices.rootLayer = folderDevice(folders.root);
    devices.rootLayer->setReadOnly(true);
    if (!devices.attach(L"root", devices.root.get(), 0) || !devices.attach(L"base:root", devices.rootLayer.get(), 1))
        return false;
    devices.userFolder = chooseUserFolder(folders);
    const std::wstring processFolder =
        withoutSeparator(folders.temp) + L"\\Tessel-" + std::to_wstring(::GetCurrentProcessId());
    if (!makeFolder(devices.userFolder + L"\\config") || !makeFolder(processFolder))
        return false;
    devices.tempFolder = processFolder;
    devices.user = folderDevice(devices.userFolder);
    devices.user->createRootOnDemand = true;
    devices.appdata = folderDevice(folders.appdata);
    devices.tmp = folderDevice(processFolder);
    devices.vtmp.reset(new pel::TempDevice);
    return devices.attach(L"user", devices.user.get(), 0) && devices.attach(L"base:user", devices.user.get(), 0) &&
           devices.attach(L"appdata", devices.appdata.get(), 0) && devices.attach(L"tmp", devices.tmp.get(), 0) &&
           devices.attach(L"mem", &devices.mem, 0) && devices.attach(L"vtmp", devices.vtmp.get(), 0);
}

} // namespace

FileSystemFolders FileSystemFolders::standard() {
    FileSystemFolders folders;
    std::wstring program;
    pel::EnvironmentImpl::getApplicationPath(&program);
    folders.root = program.substr(0, pel::FileIO::findFileName(program));
    folders.user = knownFolder(CSIDL_APPDATA);
    folders.appdata = knownFolder(CSIDL_COMMON_APPDATA);
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    folders.temp = length > 0 && length < MAX_PATH ? std::wstring(temp, length) : folders.root;
    return folders;
}

bool setupFileSystem(Config& config) { return setupFileSystem(config, FileSystemFolders::standard()); }

bool setupFileSystem(Config&, const FileSystemFolders& folders) {
    releaseFileSystem();
    if (folders.root.empty() || folders.user.empty() || folders.appdata.empty() || folders.temp.empty()) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"setupFileSystem: A system folder is unknown\n");
        return false;
    }
    std::unique_ptr<Devices> devices(new Devices(folders.user));
    if (!attachAll(*devices, folders))
        return false; // the devices go, detached
    s_devices = std::move(devices);
    return true;
}

void releaseFileSystem() { s_devices.reset(); }

std::wstring getUserFolder() { return s_devices ? s_devices->userFolder : std::wstring(); }

} // namespace tessel
