#include "service/base/FileStream.h"

#include "pel/base/Assert.h"

#include <algorithm>
#include <cstring>

namespace tessel {

uint32_t FileStream::write(const void* data, uint32_t size) {
    PEL_CHECK_PTR(m_file);
    const int32_t written = m_file->write(data, size);
    return written > 0 ? static_cast<uint32_t>(written) : 0;
}

uint32_t FileStream::read(void* data, uint32_t size) {
    PEL_CHECK_PTR(m_file);
    char* out = static_cast<char*>(data);
    uint32_t done = 0;
    while (done < size) {
        const uint32_t want = std::min(size - done, CHUNK);
        const int32_t got = m_file->read(m_buffer, want);
        if (got <= 0)
            break;
        const uint32_t taken = std::min(static_cast<uint32_t>(got), want);
        std::memcpy(out + done, m_buffer, taken);
        done += taken;
        if (taken < want)
            break;
    }
    return done;
}

} // namespace tessel
