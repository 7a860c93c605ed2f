#pragma once
// A file-system device in memory for tests: files by name, every request counted, writes
// that fail ("disk is full") once the device has taken `writeLimit` bytes, and writes that
// wait (a slow disk) while `writeGate` is shut, reads while `readGate` is.

#include "pel/files/file_io/FileDevice.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIFC.h"
#include "pel/thread/Event.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace tessel_test {

class MemoryFileDevice : public pel::FileDevice {
public:
    MemoryFileDevice() { m_info.deviceId = pel::FileIFC::makeDeviceId(); }

    std::map<std::wstring, std::string> files;
    size_t writeLimit = SIZE_MAX; // bytes the device takes before it is full
    size_t written = 0;
    std::vector<uint32_t> reads; // the count of each read
    int calls = 0;               // requests the core handed over
    int openFiles = 0;
    // While shut, a write signals writeWaiting and waits until the gate opens.
    pel::Event writeGate{false};
    pel::Event writeWaiting{false};
    bool gateShut = false;
    // While shut, a read signals readWaiting and waits until the gate opens.
    pel::Event readGate{false};
    pel::Event readWaiting{false};
    bool readGateShut = false;

    void setFlags(uint32_t flags) { m_info.flags = flags; }

    bool isValid() const override { return true; }
    pel::FileDeviceInfo& getInfo() override { return m_info; }
    bool openFile(pel::FileRequest& request) override;
    bool getFileInfo(pel::FileRequest& request) override {
        ++calls;
        return files.count(request.rest) || notFound(request);
    }
    bool deleteFile(pel::FileRequest& request) override {
        ++calls;
        return files.erase(request.rest) || notFound(request);
    }
    bool fullPath(pel::FileRequest& request) override {
        ++calls;
        if (request.outPath)
            *request.outPath = std::wstring(request.deviceName) + L":" + request.rest;
        return true;
    }
    bool normalizedPath(pel::FileRequest& request) override { return fullPath(request); }
    bool closeFile(pel::File* file) override {
        delete file;
        --openFiles;
        return true;
    }
    bool openDirectory(pel::FileRequest& request) override { return unsupported(request); }
    bool openWatchHandle(pel::FileRequest& request) override { return unsupported(request); }
    bool removeDirectory(pel::FileRequest& request) override { return unsupported(request); }
    bool createDirectory(pel::FileRequest& request) override { return unsupported(request); }
    bool setFileAttributes(pel::FileRequest& request) override { return unsupported(request); }
    bool move(pel::FileRequest& request) override { return unsupported(request); }
    bool closeDirectory(pel::Directory*) override { return false; }
    bool closeWatchHandle(pel::DirObserverHandle*) override { return false; }
    bool control(uint32_t, uint32_t, void*) override { return false; }

private:
    bool notFound(pel::FileRequest& request) {
        pel::FileErrorObject::setError(ERROR_FILE_NOT_FOUND).addParam(request.path);
        return false;
    }
    bool unsupported(pel::FileRequest& request) {
        ++calls;
        pel::FileErrorObject::setError(pel::FileErrorCode::UNSUPPORTED_OPERATION).addParam(request.path);
        return false;
    }

    pel::FileDeviceInfo m_info;
};

class MemoryFile : public pel::File {
public:
    MemoryFile(MemoryFileDevice* device, std::string& content, const wchar_t* path)
        : m_device(device), m_content(content), m_path(path) {}

    bool isValid() const override { return true; }
    const wchar_t* path() const override { return m_path.c_str(); }
    int64_t getSize() override { return static_cast<int64_t>(m_content.size()); }
    int64_t tell() override { return m_pos; }
    bool truncate() override { return m_content.resize(static_cast<size_t>(m_pos)), true; }
    bool flush() override { return true; }
    pel::FileDevice* device() const override { return m_device; }
    int64_t seek(int origin, int64_t offset) override {
        const int64_t base = origin == pel::FILE_SEEK_END ? getSize() : origin == pel::FILE_SEEK_CURRENT ? m_pos : 0;
        return base + offset < 0 ? -1 : (m_pos = base + offset);
    }
    int32_t read(void* buffer, uint32_t count) override {
        if (m_device->readGateShut) {
            m_device->readWaiting.signal();
            m_device->readGate.wait();
        }
        m_device->reads.push_back(count);
        const size_t n = static_cast<size_t>(std::max<int64_t>(0, std::min<int64_t>(count, getSize() - m_pos)));
        std::memcpy(buffer, m_content.data() + m_pos, n);
        m_pos += static_cast<int64_t>(n);
        return static_cast<int32_t>(n);
    }
    int32_t write(const void* buffer, uint32_t count) override {
        if (m_device->gateShut) {
            m_device->writeWaiting.signal();
            m_device->writeGate.wait();
        }
        const size_t n = std::min<size_t>(count, m_device->writeLimit - std::min(m_device->writeLimit, m_device->written));
        if (n < count)
            pel::FileErrorObject::setError(ERROR_DISK_FULL).addParam(m_path.c_str());
        if (n == 0)
            return -1;
        m_content.resize(std::max(m_content.size(), static_cast<size_t>(m_pos) + n));
        std::memcpy(&m_content[static_cast<size_t>(m_pos)], buffer, n);
        m_pos += static_cast<int64_t>(n);
        m_device->written += n;
        return static_cast<int32_t>(n);
    }

private:
    MemoryFileDevice* m_device;
    std::string& m_content;
    std::wstring m_path;
    int64_t m_pos = 0;
};

inline bool MemoryFileDevice::openFile(pel::FileRequest& request) {
    ++calls;
    if (request.mode == pel::FILE_MODE_READ && !files.count(request.rest))
        return notFound(request);
    std::string& content = files[request.rest];
    if (request.mode == pel::FILE_MODE_WRITE || request.mode == pel::FILE_MODE_READ_WRITE_NEW)
        content.clear();
    request.file = new MemoryFile(this, content, request.path);
    ++openFiles;
    return true;
}

} // namespace tessel_test
