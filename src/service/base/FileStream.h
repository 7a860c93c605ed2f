#pragma once
// A Stream over an open pel::File that it does not own (it never closes it): writes go to the
// file as they are, reads come in chunks of at most CHUNK bytes through a buffer of that size and
// end at the first chunk that comes back short.

#include "service/base/Stream.h"

#include "pel/files/file_io/FileDevice.h"

#include <cstdint>

namespace tessel {

class FileStream : public Stream {
public:
    static constexpr uint32_t CHUNK = 8192;

    explicit FileStream(pel::File* file) : m_file(file) {}
    ~FileStream() override = default;

    // The bytes written (0 when the file took none).
    uint32_t write(const void* data, uint32_t size) override;
    // The bytes read; fewer than size at the end of the file or on an error.
    uint32_t read(void* data, uint32_t size) override;

    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

private:
    pel::File* m_file;
    char m_buffer[CHUNK];
};

} // namespace tessel
