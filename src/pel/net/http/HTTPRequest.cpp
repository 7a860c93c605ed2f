#include "pel/net/http/HTTPRequest.h"

#include "pel/base/Ascii.h"
#include "pel/base/Assert.h"
#include "pel/net/base/NetException.h"
#include "pel/net/http/HTTPStream.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/stream/StreamTextWriter.h"

namespace pel {
namespace net {

const std::wstring HTTPRequest::HTTP_GET = L"GET";
const std::wstring HTTPRequest::HTTP_HEAD = L"HEAD";
const std::wstring HTTPRequest::HTTP_PUT = L"PUT";
const std::wstring HTTPRequest::HTTP_POST = L"POST";
const std::wstring HTTPRequest::HTTP_OPTIONS = L"OPTIONS";
const std::wstring HTTPRequest::HTTP_DELETE = L"DELETE";
const std::wstring HTTPRequest::HTTP_TRACE = L"TRACE";
const std::wstring HTTPRequest::HTTP_CONNECT = L"CONNECT";
const std::wstring HTTPRequest::HOST = L"Host";
const std::wstring HTTPRequest::COOKIE = L"Cookie";
const std::wstring HTTPRequest::AUTHORIZATION = L"Authorization";

HTTPRequest::HTTPRequest() : m_method(HTTP_GET), m_uri(L"/") {}

HTTPRequest::HTTPRequest(const std::wstring& method, const std::wstring& uri, const std::wstring& version)
    : HTTPMessage(version), m_method(method), m_uri(uri) {}

HTTPRequest::~HTTPRequest() = default;

void HTTPRequest::write(const std::shared_ptr<StreamTextWriter>& writer) const {
    writer->write(m_method + L" " + m_uri + L" " + getVersion() + L"\r\n");
    MessageHeader::write(writer);
    writer->write(L"\r\n");
}

void HTTPRequest::read(const std::shared_ptr<StreamTextReader>& reader) {
    if (reader->peek() == -1)
        throw NoMessageException();
    if (skipWhitespace(*reader) == -1)
        throw MessageException(L"No HTTP request header");
    std::wstring method;
    std::wstring uri;
    std::wstring version;
    if (!Ascii::isSpace(readWord(*reader, method, MAX_METHOD_LENGTH)))
        throw MessageException(L"HTTP request method invalid or too long");
    skipWhitespace(*reader);
    if (!Ascii::isSpace(readWord(*reader, uri, MAX_URI_LENGTH)))
        throw MessageException(L"HTTP request URI invalid or too long");
    skipWhitespace(*reader);
    if (!Ascii::isSpace(readWord(*reader, version, MAX_VERSION_LENGTH)))
        throw MessageException(L"Invalid HTTP version string");
    skipLine(*reader);
    MessageHeader::read(reader);
    skipLine(*reader);
    m_method = method;
    m_uri = uri;
    setVersion(version);
}

std::ostream& HTTPRequest::stream() {
    PEL_CHECK_PTR(m_request_stream);
    return *m_request_stream;
}

void HTTPRequest::setStream(HTTPOutputStream* stream) { m_request_stream.reset(stream); }

} // namespace net
} // namespace pel
