#pragma once
// The native disk device under a root folder, whose files opened for writing take only
// `writeLimit` bytes in all before their writes fail ("disk is full"), for what a failing disk
// leaves behind.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"

#include <algorithm>
#include <climits>

namespace tessel_test {

class FailingDiskDevice : public pel::FileDeviceWin32 {
public:
    explicit FailingDiskDevice(const wchar_t* root) : pel::FileDeviceWin32(root, false) {}

    size_t writeLimit = SIZE_MAX; // bytes written before the writes fail

    bool openFile(pel::FileRequest& request) override {
        if (!pel::FileDeviceWin32::openFile(request))
            return false;
        if (request.mode != pel::FILE_MODE_READ)
            request.file = new LimitedFile(request.file, writeLimit);
        return true;
    }

private:
    // Passes everything to the file it wraps, which it closes when it goes.
    class LimitedFile : public pel::File {
    public:
        LimitedFile(pel::File* inner, size_t& left) : m_inner(inner), m_left(left) {}
        bool isValid() const override { return m_inner->isValid(); }
        const wchar_t* path() const override { return m_inner->path(); }
        int64_t getSize() override { return m_inner->getSize(); }
        int64_t tell() override { return m_inner->tell(); }
        bool truncate() override { return m_inner->truncate(); }
        int32_t read(void* buffer, uint32_t count) override { return m_inner->read(buffer, count); }
        int32_t write(const void* buffer, uint32_t count) override {
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(count, m_left));
            if (n < count)
                pel::FileErrorObject::setError(ERROR_DISK_FULL).addParam(path());
            if (n == 0)
                return -1;
            m_left -= n;
            return m_inner->write(buffer, n);
        }
        int64_t seek(int origin, int64_t offset) override { return m_inner->seek(origin, offset); }
        bool flush() override { return m_inner->flush(); }
        pel::FileDevice* device() const override { return nullptr; }
        bool detach() override { return pel::FileIO::closeFileKeepError(m_inner); }

    private:
        pel::File* m_inner;
        size_t& m_left;
    };
};

} // namespace tessel_test
