#pragma once
// The bundle layers over temporary folders while a test runs ("root:" over one, "user:" over
// another through a disk device whose writes can be made to fail), the storage over them, the
// paths of one grammar, and files written and read as bytes.

#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleFileStorage.h"

#include "support/FailingDiskDevice.h"
#include "support/TempFolder.h"

#include <memory>
#include <string>
#include <vector>

namespace tessel_test {

class BundleLayers {
public:
    static constexpr const wchar_t* BUNDLE = L"Web.0f8fad5b-d9cb-469f-a165-70867728950e.tsBundle";
    static constexpr const wchar_t* UUID = L"7c9e6679-7425-40de-944b-e07fc1f90ae7";

    BundleLayers() {
        pel::FileIO::attachDevice(L"root", &rootDevice, 0);
        pel::FileIO::attachDevice(L"user", &userDevice, 0);
    }
    ~BundleLayers() {
        pel::FileIO::detachDevice(L"root");
        pel::FileIO::detachDevice(L"user");
    }

    static tessel::BundleEntryFilePath grammar(uint32_t layer, const std::wstring& bundle = BUNDLE) {
        tessel::BundleEntryFilePath path;
        path.storage = static_cast<tessel::BundleEntryRepository::Type>(layer);
        path.setBundleFileName(bundle);
        path.folder = L"grammars";
        path.setEntryFileName(std::wstring(L"HTML.") + UUID + L".tsGrammar");
        return path;
    }
    std::wstring full(const tessel::BundleEntryFilePath& path) const { return storage->getFullPath(path); }

    // The (ASCII) text as the file, its folders made.
    static void put(const std::wstring& devicePath, const std::wstring& text) {
        pel::FileIO::createDirectories(devicePath.substr(0, devicePath.rfind(L'/')).c_str());
        pel::File* file = pel::FileIO::openFile(devicePath.c_str(), pel::FILE_MODE_WRITE);
        const std::string bytes(text.begin(), text.end());
        file->write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        pel::FileIO::closeFile(file);
    }
    void put(const tessel::BundleEntryFilePath& path, const std::wstring& text) const { put(full(path), text); }
    static std::string bytes(const std::wstring& devicePath) {
        pel::File* file = pel::FileIO::openFile(devicePath.c_str(), pel::FILE_MODE_READ);
        if (!file)
            return "<none>";
        std::string bytes(static_cast<size_t>(file->getSize()), '\0');
        file->read(&bytes[0], static_cast<uint32_t>(bytes.size()));
        pel::FileIO::closeFile(file);
        return bytes;
    }
    // A saved file's text, UTF-16LE after the byte-order mark ("<no mark>" without one).
    std::wstring saved(const tessel::BundleEntryFilePath& path) const { return savedText(full(path)); }
    static std::wstring savedText(const std::wstring& devicePath) {
        const std::string data = bytes(devicePath);
        if (data.compare(0, 2, "\xFF\xFE") != 0)
            return L"<no mark>";
        std::wstring text;
        for (size_t i = 2; i + 1 < data.size(); i += 2)
            text += static_cast<wchar_t>(uint8_t(data[i]) | uint8_t(data[i + 1]) << 8);
        return text;
    }
    // What the folder of the path's file holds, "." and ".." included.
    std::vector<std::wstring> namesBeside(const tessel::BundleEntryFilePath& path) const {
        const std::wstring file = full(path);
        std::vector<std::wstring> names;
        pel::Directory* folder = pel::FileIO::openDirectory(file.substr(0, file.rfind(L'/')).c_str());
        while (const pel::FileInfo* info = folder->next())
            names.push_back(info->name);
        pel::FileIO::closeDirectory(folder);
        return names;
    }

    // A grammar source (of the type given) with a path in each layer given.
    std::shared_ptr<tessel::BundleEntrySource> source(std::vector<uint32_t> layers,
                                                      const tessel::BundleEntryTraits& type = tessel::BundleEntryTraits::grammar()) const {
        auto made = std::make_shared<tessel::BundleEntrySource>(storage, &type, pel::UUID::fromString(UUID));
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
