#pragma once
// The service's minimal byte stream: writing and reading raw bytes, each call answering the
// count it moved. Files read through FileStream and the undo log are such streams.

#include <cstdint>

namespace tessel {

class Stream {
public:
    virtual ~Stream() = default;
    virtual uint32_t write(const void* data, uint32_t size) = 0;
    virtual uint32_t read(void* data, uint32_t size) = 0;
};

} // namespace tessel
