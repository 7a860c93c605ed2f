#pragma once
// An HTTP request: method, target URI and version before the header fields; once the session
// has sent its head, the stream its body is written to.

#include "pel/net/http/HTTPMessage.h"

#include <memory>
#include <ostream>

namespace pel {
namespace net {

class HTTPOutputStream;

class HTTPRequest : public HTTPMessage {
public:
    static const std::wstring HTTP_GET;
    static const std::wstring HTTP_HEAD;
    static const std::wstring HTTP_PUT;
    static const std::wstring HTTP_POST;
    static const std::wstring HTTP_OPTIONS;
    static const std::wstring HTTP_DELETE;
    static const std::wstring HTTP_TRACE;
    static const std::wstring HTTP_CONNECT;
    static const std::wstring HOST;
    static const std::wstring COOKIE;
    static const std::wstring AUTHORIZATION;

    static constexpr int MAX_METHOD_LENGTH = 32;
    static constexpr int MAX_URI_LENGTH = 4096;
    static constexpr int MAX_VERSION_LENGTH = 8;

    // GET "/" HTTP/1.0.
    HTTPRequest();
    HTTPRequest(const std::wstring& method, const std::wstring& uri, const std::wstring& version = HTTP_1_0);
    // Deleting the body stream flushes it and ends the session's request: destroy the request
    // only once its response has been read.
    ~HTTPRequest() override;
    HTTPRequest(const HTTPRequest&) = delete;
    HTTPRequest& operator=(const HTTPRequest&) = delete;

    void setMethod(const std::wstring& method) { m_method = method; }
    const std::wstring& getMethod() const { return m_method; }
    void setURI(const std::wstring& uri) { m_uri = uri; }
    const std::wstring& getURI() const { return m_uri; }

    // Method, URI and version, the header fields and the empty line.
    void write(const std::shared_ptr<StreamTextWriter>& writer) const override;
    // The first line, the header fields and the empty line; MessageException for a malformed
    // one (the first line stays as it was), NoMessageException for an empty input.
    void read(const std::shared_ptr<StreamTextReader>& reader) override;

    // The body stream that HTTPClientSession::sendRequest attached; NullPointerException before.
    std::ostream& stream();
    // Takes ownership; for the session.
    void setStream(HTTPOutputStream* stream);

private:
    std::wstring m_method;
    std::wstring m_uri;
    std::unique_ptr<HTTPOutputStream> m_request_stream;
};

} // namespace net
} // namespace pel
