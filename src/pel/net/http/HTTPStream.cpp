#include "pel/net/http/HTTPStream.h"

#include "pel/base/Assert.h"
#include "pel/net/http/HTTPClientSession.h"

namespace pel {
namespace net {

MemoryPool HTTPBufferAllocator::m_pool(HTTPBufferAllocator::BUFFER_SIZE, 16);
MemoryPool HTTPInputStream::m_pool(sizeof(HTTPInputStream));
MemoryPool HTTPOutputStream::m_pool(sizeof(HTTPOutputStream));

char* HTTPBufferAllocator::allocate(int size) {
    if (size != BUFFER_SIZE)
        softAssertion(L"size == BUFFER_SIZE", L"HTTPBufferAllocator", __LINE__);
    return static_cast<char*>(m_pool.get());
}

void HTTPBufferAllocator::deallocate(char* buffer, int size) {
    if (size != BUFFER_SIZE)
        softAssertion(L"size == BUFFER_SIZE", L"HTTPBufferAllocator", __LINE__);
    m_pool.release(buffer);
}

HTTPStreamBuf::HTTPStreamBuf(HTTPClientSession& session, std::ios::openmode mode)
    : TBasicBufferedStreamBuf(HTTPBufferAllocator::BUFFER_SIZE, mode), m_session(session), m_mode(mode) {
    if (m_mode & std::ios::out)
        m_session.setPendingOutput(this);
}

HTTPStreamBuf::~HTTPStreamBuf() { m_session.forgetPendingOutput(this); }

void HTTPStreamBuf::close() {
    if (m_mode & std::ios::out) {
        sync();
        m_session.forgetPendingOutput(this);
        m_session.closeRequest();
    }
}

int HTTPStreamBuf::readFromDevice(char* buffer, int length) { return m_session.read(buffer, length); }

int HTTPStreamBuf::writeToDevice(const char* buffer, int length) { return m_session.write(buffer, length); }

HTTPIOS::HTTPIOS(HTTPClientSession& session, std::ios::openmode mode) : m_buf(session, mode) { init(&m_buf); }

HTTPIOS::~HTTPIOS() {
    try {
        m_buf.close();
    } catch (...) {
        // A destructor throws nothing; a body that could not be sent shows in the response.
    }
}

HTTPInputStream::HTTPInputStream(HTTPClientSession& session)
    : HTTPIOS(session, std::ios::in), std::istream(&m_buf) {
    exceptions(std::ios::badbit);
}

HTTPInputStream::~HTTPInputStream() = default;

void* HTTPInputStream::operator new(std::size_t size) {
    PEL_ASSERT(size <= m_pool.blockSize());
    return m_pool.get();
}

void HTTPInputStream::operator delete(void* object) {
    if (object)
        m_pool.release(object);
}

HTTPOutputStream::HTTPOutputStream(HTTPClientSession& session)
    : HTTPIOS(session, std::ios::out), std::ostream(&m_buf) {
    exceptions(std::ios::badbit);
}

HTTPOutputStream::~HTTPOutputStream() = default;

void* HTTPOutputStream::operator new(std::size_t size) {
    PEL_ASSERT(size <= m_pool.blockSize());
    return m_pool.get();
}

void HTTPOutputStream::operator delete(void* object) {
    if (object)
        m_pool.release(object);
}

} // namespace net
} // namespace pel
