#pragma once
// Config tests' helpers: a fixture whose "cfg" device is a fresh folder (on a disk whose writes
// can be made to fail), the lines Config logged, and a value described in one line.

#include "service/base/Config.h"
#include "service/base/ValueNodeSupport.h"

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/thread/MainThread.h"
#include "support/FailingDiskDevice.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessel_test {

// The value's type and what a file would hold for it: "INT i5", "STRING '12'", "FLOAT d2.5";
// "none" for no value at all.
inline std::wstring describe(const tessel::ConfigValue* value) {
    static const wchar_t* const TYPES[] = {L"UNTYPED", L"INT", L"UINT", L"BOOL", L"STRING", L"FLOAT", L"LIST", L"TREE"};
    if (!value)
        return L"none";
    tessel::ValueNode node;
    value->writeTo(node);
    return std::wstring(TYPES[value->getType()]) + L" " + describe(node);
}

// Config's lines, each "level text".
inline std::vector<std::wstring> configLines(const LogCapture& capture) {
    std::vector<std::wstring> lines;
    for (const LoggedLine& line : capture.lines())
        if (line.source == tessel::Config::LOG_SOURCE)
            lines.push_back(std::to_wstring(line.level) + L" " + line.text);
    return lines;
}

class ConfigFiles : public testing::Test {
protected:
    ConfigFiles() : disk(folder.path.c_str()) {
        pel::store_main_thread_id(); // the test runner's thread stands in for the entry point
        pel::FileIO::attachDevice(L"__winfs", &native, 0);
        pel::FileIO::attachDevice(L"cfg", &disk, 0);
    }
    ~ConfigFiles() override { pel::FileIO::release(); }

    // The device path of a file of the folder.
    static std::wstring at(const std::wstring& name) { return L"cfg:" + name; }
    // The path the user knows that file by.
    std::wstring full(const std::wstring& name) const { return folder / name; }
    // A file's text, UTF-16 after its byte-order mark.
    std::wstring text(const std::wstring& name) const {
        const std::string bytes = folder.read(name);
        if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0)
            return L"<no byte-order mark>";
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    }
    uint64_t writeTime(const std::wstring& name) const {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ::GetFileAttributesExW((folder / name).c_str(), GetFileExInfoStandard, &data);
        return (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    }

    TempFolder folder;
    pel::FileDeviceWin32 native{nullptr, true};
    FailingDiskDevice disk;
};

} // namespace tessel_test
