#pragma once
// An HTTP response: version, status and reason before the header fields; once the session has
// received it, the stream its body is read from, and that body as text.

#include "pel/net/http/HTTPMessage.h"

#include <istream>
#include <memory>

namespace pel {
namespace net {

class HTTPInputStream;

class HTTPResponse : public HTTPMessage {
public:
    static const std::wstring HTTP_REASON_CONTINUE;
    static const std::wstring HTTP_REASON_SWITCHING_PROTOCOLS;
    static const std::wstring HTTP_REASON_OK;
    static const std::wstring HTTP_REASON_CREATED;
    static const std::wstring HTTP_REASON_ACCEPTED;
    static const std::wstring HTTP_REASON_NONAUTHORITATIVE;
    static const std::wstring HTTP_REASON_NO_CONTENT;
    static const std::wstring HTTP_REASON_RESET_CONTENT;
    static const std::wstring HTTP_REASON_PARTIAL_CONTENT;
    static const std::wstring HTTP_REASON_MULTIPLE_CHOICES;
    static const std::wstring HTTP_REASON_MOVED_PERMANENTLY;
    static const std::wstring HTTP_REASON_FOUND;
    static const std::wstring HTTP_REASON_SEE_OTHER;
    static const std::wstring HTTP_REASON_NOT_MODIFIED;
    static const std::wstring HTTP_REASON_USEPROXY;
    static const std::wstring HTTP_REASON_TEMPORARY_REDIRECT;
    static const std::wstring HTTP_REASON_BAD_REQUEST;
    static const std::wstring HTTP_REASON_UNAUTHORIZED;
    static const std::wstring HTTP_REASON_PAYMENT_REQUIRED;
    static const std::wstring HTTP_REASON_FORBIDDEN;
    static const std::wstring HTTP_REASON_NOT_FOUND;
    static const std::wstring HTTP_REASON_METHOD_NOT_ALLOWED;
    static const std::wstring HTTP_REASON_NOT_ACCEPTABLE;
    static const std::wstring HTTP_REASON_PROXY_AUTHENTICATION_REQUIRED;
    static const std::wstring HTTP_REASON_REQUEST_TIMEOUT;
    static const std::wstring HTTP_REASON_CONFLICT;
    static const std::wstring HTTP_REASON_GONE;
    static const std::wstring HTTP_REASON_LENGTH_REQUIRED;
    static const std::wstring HTTP_REASON_PRECONDITION_FAILED;
    static const std::wstring HTTP_REASON_REQUESTENTITYTOOLARGE;
    static const std::wstring HTTP_REASON_REQUESTURITOOLONG;
    static const std::wstring HTTP_REASON_UNSUPPORTEDMEDIATYPE;
    static const std::wstring HTTP_REASON_REQUESTED_RANGE_NOT_SATISFIABLE;
    static const std::wstring HTTP_REASON_EXPECTATION_FAILED;
    static const std::wstring HTTP_REASON_INTERNAL_SERVER_ERROR;
    static const std::wstring HTTP_REASON_NOT_IMPLEMENTED;
    static const std::wstring HTTP_REASON_BAD_GATEWAY;
    static const std::wstring HTTP_REASON_SERVICE_UNAVAILABLE;
    static const std::wstring HTTP_REASON_GATEWAY_TIMEOUT;
    static const std::wstring HTTP_REASON_VERSION_NOT_SUPPORTED;
    static const std::wstring HTTP_REASON_UNKNOWN; // "???"

    static const std::wstring DATE;
    static const std::wstring SET_COOKIE;

    static constexpr int MAX_VERSION_LENGTH = 8;
    static constexpr int MAX_STATUS_LENGTH = 3;
    static constexpr int MAX_REASON_LENGTH = 512;

    // HTTP/1.0 200 "OK".
    HTTPResponse();
    ~HTTPResponse() override;
    HTTPResponse(const HTTPResponse&) = delete;
    HTTPResponse& operator=(const HTTPResponse&) = delete;

    void setStatus(int status) { m_status = status; }
    int getStatus() const { return m_status; }
    void setReason(const std::wstring& reason) { m_reason = reason; }
    const std::wstring& getReason() const { return m_reason; }
    // The status and its reason phrase.
    void setStatusAndReason(int status);
    // The reason phrase of an HTTP/1.1 status, HTTP_REASON_UNKNOWN for any other.
    static const std::wstring& getReasonForStatus(int status);

    // Version, status and reason, the header fields and the empty line.
    void write(const std::shared_ptr<StreamTextWriter>& writer) const override;
    // The status line, the header fields and the empty line; MessageException for a malformed
    // one (the status line stays as it was), NoMessageException for an empty input.
    void read(const std::shared_ptr<StreamTextReader>& reader) override;

    // The body stream that HTTPClientSession::receiveResponse attached; NullPointerException
    // before. A failed or cut-off transfer throws HTTPException from the stream's reads.
    std::istream& stream();
    // A reader of the body whose encoding follows the byte-order mark (UTF-8 without one),
    // made on the first call.
    StreamTextReader& getBodyReader();
    // The whole body as text, read on the first call.
    const std::wstring& getBodyText();
    // Takes ownership; for the session.
    void setStream(HTTPInputStream* stream);

private:
    int m_status;
    std::wstring m_reason;
    std::unique_ptr<HTTPInputStream> m_response_stream;
    std::unique_ptr<StreamTextReader> m_bodyReader;
    std::unique_ptr<std::wstring> m_bodyText;
};

} // namespace net
} // namespace pel
