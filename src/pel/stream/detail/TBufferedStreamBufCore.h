#pragma once
// The mechanics shared by the two buffered stream-buffer templates: a get area that keeps the
// last PUTBACK characters of the previous fill, and a put area one character short of its
// buffer so that overflow always has a place for its character. The read and write buffers are
// one buffer or two.

#include "pel/base/Assert.h"

#include <algorithm>
#include <cstring>
#include <ios>
#include <streambuf>

namespace pel {
namespace detail {

template <class ch, class tr, class ba>
class TBufferedStreamBufCore : public std::basic_streambuf<ch, tr> {
protected:
    using Base = std::basic_streambuf<ch, tr>;
    using char_type = ch;
    using char_traits = tr;
    using int_type = typename Base::int_type;
    using Allocator = ba;
    using openmode = std::ios_base::openmode;

public:
    static constexpr int PUTBACK = 4;

    ~TBufferedStreamBufCore() override {
        if (m_writeBuffer != m_readBuffer)
            Allocator::deallocate(m_writeBuffer, m_bufferSize);
        Allocator::deallocate(m_readBuffer, m_bufferSize);
    }
    TBufferedStreamBufCore(const TBufferedStreamBufCore&) = delete;
    TBufferedStreamBufCore& operator=(const TBufferedStreamBufCore&) = delete;

protected:
    TBufferedStreamBufCore(int bufferSize, openmode mode, bool separateBuffers)
        : m_bufferSize(checkedSize(bufferSize)), m_readBuffer(Allocator::allocate(bufferSize)),
          m_writeBuffer(separateBuffers ? allocateOrFree(bufferSize, m_readBuffer) : m_readBuffer), m_mode(mode) {
        resetBuffers();
    }

    int_type underflow() override {
        if (!(m_mode & std::ios_base::in))
            return char_traits::eof();
        if (this->gptr() < this->egptr())
            return char_traits::to_int_type(*this->gptr());
        const int putback = static_cast<int>(std::min<std::ptrdiff_t>(this->gptr() - this->eback(), PUTBACK));
        char_type* const start = m_readBuffer + PUTBACK;
        std::memmove(start - putback, this->gptr() - putback, putback * sizeof(char_type));
        // Consistent before the device runs: after a failed read the put-back characters stay usable.
        this->setg(start - putback, start, start);
        const int n = readFromDevice(start, m_bufferSize - PUTBACK);
        if (n <= 0)
            return char_traits::eof();
        this->setg(start - putback, start, start + std::min(n, m_bufferSize - PUTBACK));
        return char_traits::to_int_type(*this->gptr());
    }

    int_type overflow(int_type c) override {
        if (!(m_mode & std::ios_base::out))
            return char_traits::eof();
        const bool hasChar = !char_traits::eq_int_type(c, char_traits::eof());
        if (hasChar) {
            *this->pptr() = char_traits::to_char_type(c); // the place behind the put area
            this->pbump(1);
        }
        if (!writeOut(hasChar ? 1 : 0))
            return char_traits::eof();
        return char_traits::not_eof(c);
    }

    // Writes out the put area: 0, or -1 when the device took less than all of it (what it did
    // not take stays buffered). A derived buffer's close reports a failure from this.
    int sync() override { return writeOut(0) ? 0 : -1; }

    // Supplied by the concrete buffer: the count moved, 0 at the end of input, or -1 on failure.
    virtual int readFromDevice(char_type* buffer, int length) { return 0; }
    virtual int writeToDevice(const char_type* buffer, int length) { return 0; }

    openmode getMode() const { return m_mode; }
    void setMode(openmode mode) { m_mode = mode; }
    int bufferSize() const { return m_bufferSize; }

    // Empties both areas (on open, after setMode, before a seek): buffered input is dropped and
    // buffered output is not written, so sync() first. Without the write mode there is no put
    // area, so that a write cannot touch read-ahead sharing its buffer.
    void resetBuffers() {
        this->setg(m_readBuffer + PUTBACK, m_readBuffer + PUTBACK, m_readBuffer + PUTBACK);
        resetPutArea();
    }

private:
    void resetPutArea() {
        if (m_mode & std::ios_base::out)
            this->setp(m_writeBuffer, m_writeBuffer + m_bufferSize - 1);
        else
            this->setp(nullptr, nullptr);
    }

    static int checkedSize(int bufferSize) {
        PEL_ASSERT(bufferSize > PUTBACK);
        return bufferSize;
    }

    static char_type* allocateOrFree(int bufferSize, char_type* other) {
        try {
            return Allocator::allocate(bufferSize);
        } catch (...) {
            Allocator::deallocate(other, bufferSize);
            throw;
        }
    }

    // Writes the put area. On a short write the bytes the device did not take stay at the front
    // of the put area, except the last `unaccepted` ones (the overflow character), which are
    // dropped because overflow reports them as not written.
    bool writeOut(int unaccepted) {
        const int pending = static_cast<int>(this->pptr() - this->pbase());
        if (pending == 0)
            return true;
        const int written = writeToDevice(this->pbase(), pending);
        if (written == pending) {
            resetPutArea();
            return true;
        }
        const int kept = pending - unaccepted;
        const int taken = std::max(0, std::min(written, kept));
        std::memmove(m_writeBuffer, this->pbase() + taken, (kept - taken) * sizeof(char_type));
        resetPutArea();
        this->pbump(kept - taken);
        return false;
    }

    const int m_bufferSize;
    char_type* const m_readBuffer;
    char_type* const m_writeBuffer;
    openmode m_mode;
};

} // namespace detail
} // namespace pel
