#pragma once
// The body streams of an HTTP exchange: an output stream for the request body and an input
// stream for the response body, both buffered through the session's read and write. A failed
// transfer throws HTTPException from the stream's operations (the streams throw on badbit).
// The stream objects and their 4096-byte buffers come from fixed-size pools.

#include "pel/base/MemoryPool.h"
#include "pel/stream/TBasicBufferedStreamBuf.h"

#include <cstddef>
#include <istream>
#include <ostream>

namespace pel {
namespace net {

class HTTPClientSession;

// The buffers of the HTTP stream buffers: BUFFER_SIZE-byte blocks of a pool that starts with 16.
class HTTPBufferAllocator {
public:
    static constexpr int BUFFER_SIZE = 4096;

    // Another size is soft-asserted and served from the same pool all the same.
    static char* allocate(int size);
    static void deallocate(char* buffer, int size);

private:
    static MemoryPool m_pool;
};

class HTTPStreamBuf : public TBasicBufferedStreamBuf<char, std::char_traits<char>, HTTPBufferAllocator> {
public:
    // mode: std::ios::in for a response body, std::ios::out for a request body.
    HTTPStreamBuf(HTTPClientSession& session, std::ios::openmode mode);
    ~HTTPStreamBuf() override;

    // For a request body: writes out the buffer, then ends the session's request.
    void close();

protected:
    int readFromDevice(char* buffer, int length) override;
    int writeToDevice(const char* buffer, int length) override;

private:
    HTTPClientSession& m_session;
    std::ios::openmode m_mode;
};

class HTTPIOS : public virtual std::ios {
public:
    HTTPIOS(HTTPClientSession& session, std::ios::openmode mode);
    // Flushes and closes; swallows any failure of that.
    ~HTTPIOS() override;
    HTTPStreamBuf* rdbuf() { return &m_buf; }

protected:
    HTTPStreamBuf m_buf;
};

class HTTPInputStream : public HTTPIOS, public std::istream {
public:
    explicit HTTPInputStream(HTTPClientSession& session);
    ~HTTPInputStream() override;

    static void* operator new(std::size_t size);
    static void operator delete(void* object);

private:
    static MemoryPool m_pool;
};

class HTTPOutputStream : public HTTPIOS, public std::ostream {
public:
    explicit HTTPOutputStream(HTTPClientSession& session);
    ~HTTPOutputStream() override;

    static void* operator new(std::size_t size);
    static void operator delete(void* object);

private:
    static MemoryPool m_pool;
};

} // namespace net
} // namespace pel
