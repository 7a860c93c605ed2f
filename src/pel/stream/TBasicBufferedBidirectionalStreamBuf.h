#pragma once
// A buffered stream buffer with separate read and write buffers, for devices read and written
// through one object (files); a concrete buffer supplies only readFromDevice and writeToDevice.
// Characters can be put back up to PUTBACK across refills.

#include "pel/stream/TBufferAllocator.h"
#include "pel/stream/detail/TBufferedStreamBufCore.h"

namespace pel {

template <class ch, class tr = std::char_traits<ch>, class ba = TBufferAllocator<ch>>
class TBasicBufferedBidirectionalStreamBuf : public detail::TBufferedStreamBufCore<ch, tr, ba> {
public:
    // mode: std::ios_base::in and/or out; a direction not in it reads end of file or fails.
    TBasicBufferedBidirectionalStreamBuf(int bufferSize, std::ios_base::openmode mode)
        : detail::TBufferedStreamBufCore<ch, tr, ba>(bufferSize, mode, true) {}
};

using BufferedBidirectionalStreamBuf = TBasicBufferedBidirectionalStreamBuf<char>;

} // namespace pel
