#pragma once
// Allocates the buffers of the buffered stream-buffer templates: array new and array delete.

#include <ios>

namespace pel {

template <class ch>
class TBufferAllocator {
public:
    using char_type = ch;

    static char_type* allocate(std::streamsize size) { return new char_type[static_cast<size_t>(size)]; }
    static void deallocate(char_type* buffer, std::streamsize /*size*/) noexcept { delete[] buffer; }
};

} // namespace pel
