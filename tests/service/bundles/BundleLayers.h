#pragma once
// The three bundle layers over temporary folders while a test runs: "root:" over one folder and
// "user:" (user bundles and changes) over another, through a disk device whose writes can be
// made to fail; the bundle storage over them; entry paths of one bundle; files written and read
// as bytes.

#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFileStorage.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "support/FailingDiskDevice.h"
#include "support/TempFolder.h"

#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

class BundleLayers {
public:
    static constexpr const wchar_t* BUNDLE = L"Web.0f8fad5b-d9cb-469f-a165-70867728950e.tsBundle";
    static constexpr const wchar_t* ENTRY_UUID = L"7c9e6679-7425-40de-944b-e07fc1f90ae7";

    BundleLayers() {
        pel::FileIO::attachDevice(L"root", &rootDevice, 0);
        pel::FileIO::attachDevice(L"user", &userDevice, 0);
    }
    ~BundleLayers() {
        pel::FileIO::detachDevice(L"root");
        pel::FileIO::detachDevice(L"user");
    }
    BundleLayers(const BundleLayers&) = delete;
    BundleLayers& operator=(const BundleLayers&) = delete;

    // The grammar `name` of the bundle (or of another bundle folder) in a layer.
    static tessel::BundleEntryFilePath grammar(uint32_t layer, const std::wstring& name = L"HTML",
                                               const std::wstring& bundle = BUNDLE) {
        tessel::BundleEntryFilePath path;
        path.storage = static_cast<tessel::BundleEntryRepository::Type>(layer);
        path.setBundleFileName(bundle);
        path.folder = L"grammars";
        path.setEntryFileName(name + L"." + ENTRY_UUID + L".tsGrammar");
        return path;
    }

    std::wstring full(const tessel::BundleEntryFilePath& path) const { return storage->getFullPath(path); }

    // The text as UTF-8 at the path (its folders made).
    void put(const tessel::BundleEntryFilePath& path, const std::wstring& text) const {
        std::string bytes;
        for (wchar_t c : text) // the tests' texts are ASCII
            bytes += static_cast<char>(c);
        putBytes(full(path), bytes);
    }
    static void putBytes(const std::wstring& devicePath, const std::string& bytes) {
        pel::FileIO::createDirectories(devicePath.substr(0, devicePath.rfind(L'/')).c_str());
        pel::File* file = pel::FileIO::openFile(devicePath.c_str(), pel::FILE_MODE_WRITE);
        file->write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        pel::FileIO::closeFile(file);
    }
    // The file's bytes; "<none>" when there is no file.
    static std::string bytes(const std::wstring& devicePath) {
        pel::File* file = pel::FileIO::openFile(devicePath.c_str(), pel::FILE_MODE_READ);
        if (!file)
            return "<none>";
        std::string bytes(static_cast<size_t>(file->getSize()), '\0');
        file->read(&bytes[0], static_cast<uint32_t>(bytes.size()));
        pel::FileIO::closeFile(file);
        return bytes;
    }
    // A saved changes file's text: UTF-16LE after its byte-order mark; "<no mark>" without one.
    static std::wstring savedText(const std::wstring& devicePath) {
        const std::string data = bytes(devicePath);
        if (data.size() < 2 || data[0] != '\xFF' || data[1] != '\xFE')
            return L"<no mark>";
        std::wstring text;
        for (size_t i = 2; i + 1 < data.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>(data[i]) | static_cast<unsigned char>(data[i + 1]) << 8);
        return text;
    }

    // The names the folder of the path's file holds ("." and ".." left out).
    std::vector<std::wstring> namesBeside(const tessel::BundleEntryFilePath& path) const {
        const std::wstring file = full(path);
        std::vector<std::wstring> names;
        pel::Directory* folder = pel::FileIO::openDirectory(file.substr(0, file.rfind(L'/')).c_str());
        for (const pel::FileInfo* info = folder ? folder->next() : nullptr; info; info = folder->next()) {
            if (std::wstring(info->name) != L"." && std::wstring(info->name) != L"..")
                names.push_back(info->name);
        }
        if (folder)
            pel::FileIO::closeDirectory(folder);
        return names;
    }

    // A grammar source with a path in each layer given (and the type given).
    std::shared_ptr<tessel::BundleEntrySource> source(std::initializer_list<uint32_t> layers,
                                                      const tessel::BundleEntryTraits& type = tessel::BundleEntryTraits::grammar()) const {
        auto made = std::make_shared<tessel::BundleEntrySource>(storage, &type, pel::UUID::fromString(ENTRY_UUID));
        for (uint32_t layer : layers)
            made->setPath(grammar(layer));
        return made;
    }

    TempFolder rootFolder, userFolder;
    pel::FileDeviceWin32 rootDevice{rootFolder.path.c_str(), false};
    FailingDiskDevice userDevice{userFolder.path.c_str()};
    std::shared_ptr<tessel::BundleFileStorage> storage = std::make_shared<tessel::BundleFileStorage>();
};

} // namespace tessel_test
