#pragma once
// Devices that fail as a full or damaged disk does, for what a failure leaves behind: files opened
// for writing take only `writeLimit` bytes in all before their writes fail ("disk is full"), and
// files give only `readLimit` bytes in all before their reads fail (a read fault). The native disk
// under a root folder counts every byte written; the RAM disk counts only the bytes that grow a
// file, as it fails only when it cannot get memory for a new chunk. With failuresStay, a file whose
// write failed fails every later write (memory that ran out stays short), so that nothing can
// rely on writing after a failure. A hook runs as a file is opened for writing.

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/files/file_io/RamDisk.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <utility>

namespace tessel_test {

template <class Device, bool GROWTH_ONLY>
class FailingDevice : public Device {
public:
    template <class... Arguments>
    explicit FailingDevice(Arguments&&... arguments) : Device(std::forward<Arguments>(arguments)...) {}

    size_t writeLimit = SIZE_MAX; // bytes written before the writes fail
    size_t readLimit = SIZE_MAX;  // bytes read before the reads fail
    bool failuresStay = false;    // a file whose write failed fails every later write
    // Run as a file is opened for writing, before it is: what another program does right then.
    std::function<void()> beforeWriting;

    bool openFile(pel::FileRequest& request) override {
        if (request.mode != pel::FILE_MODE_READ && beforeWriting)
            beforeWriting();
        if (!Device::openFile(request))
            return false;
        if (request.mode != pel::FILE_MODE_READ || readLimit != SIZE_MAX)
            request.file = new LimitedFile(request.file, writeLimit, readLimit, failuresStay);
        return true;
    }

private:
    // Passes everything to the file it wraps, which it closes when it goes.
    class LimitedFile : public pel::File {
    public:
        LimitedFile(pel::File* inner, size_t& left, size_t& readLeft, bool failuresStay)
            : m_inner(inner), m_left(left), m_readLeft(readLeft), m_failuresStay(failuresStay) {}
        bool isValid() const override { return m_inner->isValid(); }
        const wchar_t* path() const override { return m_inner->path(); }
        int64_t getSize() override { return m_inner->getSize(); }
        int64_t tell() override { return m_inner->tell(); }
        bool truncate() override { return m_inner->truncate(); }
        int32_t read(void* buffer, uint32_t count) override {
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(count, m_readLeft));
            if (n == 0 && count > 0) {
                pel::FileErrorObject::setError(ERROR_READ_FAULT).addParam(path());
                return -1;
            }
            const int32_t got = m_inner->read(buffer, n);
            if (got > 0 && m_readLeft != SIZE_MAX)
                m_readLeft -= static_cast<size_t>(got);
            return got;
        }
        int32_t write(const void* buffer, uint32_t count) override {
            // Bytes over what the file holds already cost nothing where only growth counts.
            const size_t free = GROWTH_ONLY ? static_cast<size_t>(std::min<int64_t>(
                                                  std::max<int64_t>(0, m_inner->getSize() - m_inner->tell()), count))
                                            : 0;
            const uint32_t n = m_failed && m_failuresStay
                                   ? 0
                                   : static_cast<uint32_t>(std::min<size_t>(count, std::max(m_left, m_left + free)));
            if (n < count) {
                pel::FileErrorObject::setError(ERROR_DISK_FULL).addParam(path());
                m_failed = true;
            }
            if (n == 0)
                return -1;
            m_left -= n - std::min<size_t>(free, n);
            return m_inner->write(buffer, n);
        }
        int64_t seek(int origin, int64_t offset) override { return m_inner->seek(origin, offset); }
        bool flush() override { return m_inner->flush(); }
        pel::FileDevice* device() const override { return nullptr; }
        bool detach() override { return pel::FileIO::closeFileKeepError(m_inner); }

    private:
        pel::File* m_inner;
        size_t& m_left;
        size_t& m_readLeft;
        const bool m_failuresStay;
        bool m_failed = false;
    };
};

class FailingDiskDevice : public FailingDevice<pel::FileDeviceWin32, false> {
public:
    explicit FailingDiskDevice(const wchar_t* root) : FailingDevice(root, false) {}
};

using FailingRamDisk = FailingDevice<pel::RamDisk, true>;

} // namespace tessel_test
