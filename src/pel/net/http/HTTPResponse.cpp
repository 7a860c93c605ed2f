#include "pel/net/http/HTTPResponse.h"

#include "pel/base/Ascii.h"
#include "pel/base/Assert.h"
#include "pel/net/base/NetException.h"
#include "pel/net/http/HTTPStream.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/stream/StreamTextWriter.h"
#include "pel/text/NumberText.h"

namespace pel {
namespace net {

const std::wstring HTTPResponse::HTTP_REASON_CONTINUE = L"Continue";
const std::wstring HTTPResponse::HTTP_REASON_SWITCHING_PROTOCOLS = L"Switching Protocols";
const std::wstring HTTPResponse::HTTP_REASON_OK = L"OK";
const std::wstring HTTPResponse::HTTP_REASON_CREATED = L"Created";
const std::wstring HTTPResponse::HTTP_REASON_ACCEPTED = L"Accepted";
const std::wstring HTTPResponse::HTTP_REASON_NONAUTHORITATIVE = L"Non-Authoritative Information";
const std::wstring HTTPResponse::HTTP_REASON_NO_CONTENT = L"No Content";
const std::wstring HTTPResponse::HTTP_REASON_RESET_CONTENT = L"Reset Content";
const std::wstring HTTPResponse::HTTP_REASON_PARTIAL_CONTENT = L"Partial Content";
const std::wstring HTTPResponse::HTTP_REASON_MULTIPLE_CHOICES = L"Multiple Choices";
const std::wstring HTTPResponse::HTTP_REASON_MOVED_PERMANENTLY = L"Moved Permanently";
const std::wstring HTTPResponse::HTTP_REASON_FOUND = L"Found";
const std::wstring HTTPResponse::HTTP_REASON_SEE_OTHER = L"See Other";
const std::wstring HTTPResponse::HTTP_REASON_NOT_MODIFIED = L"Not Modified";
const std::wstring HTTPResponse::HTTP_REASON_USEPROXY = L"Use Proxy";
const std::wstring HTTPResponse::HTTP_REASON_TEMPORARY_REDIRECT = L"Temporary Redirect";
const std::wstring HTTPResponse::HTTP_REASON_BAD_REQUEST = L"Bad Request";
const std::wstring HTTPResponse::HTTP_REASON_UNAUTHORIZED = L"Unauthorized";
const std::wstring HTTPResponse::HTTP_REASON_PAYMENT_REQUIRED = L"Payment Required";
const std::wstring HTTPResponse::HTTP_REASON_FORBIDDEN = L"Forbidden";
const std::wstring HTTPResponse::HTTP_REASON_NOT_FOUND = L"Not Found";
const std::wstring HTTPResponse::HTTP_REASON_METHOD_NOT_ALLOWED = L"Method Not Allowed";
const std::wstring HTTPResponse::HTTP_REASON_NOT_ACCEPTABLE = L"Not Acceptable";
const std::wstring HTTPResponse::HTTP_REASON_PROXY_AUTHENTICATION_REQUIRED = L"Proxy Authentication Required";
const std::wstring HTTPResponse::HTTP_REASON_REQUEST_TIMEOUT = L"Request Time-out";
const std::wstring HTTPResponse::HTTP_REASON_CONFLICT = L"Conflict";
const std::wstring HTTPResponse::HTTP_REASON_GONE = L"Gone";
const std::wstring HTTPResponse::HTTP_REASON_LENGTH_REQUIRED = L"Length Required";
const std::wstring HTTPResponse::HTTP_REASON_PRECONDITION_FAILED = L"Precondition Failed";
const std::wstring HTTPResponse::HTTP_REASON_REQUESTENTITYTOOLARGE = L"Request Entity Too Large";
const std::wstring HTTPResponse::HTTP_REASON_REQUESTURITOOLONG = L"Request-URI Too Large";
const std::wstring HTTPResponse::HTTP_REASON_UNSUPPORTEDMEDIATYPE = L"Unsupported Media Type";
const std::wstring HTTPResponse::HTTP_REASON_REQUESTED_RANGE_NOT_SATISFIABLE = L"Requested Range Not Satisfiable";
const std::wstring HTTPResponse::HTTP_REASON_EXPECTATION_FAILED = L"Expectation Failed";
const std::wstring HTTPResponse::HTTP_REASON_INTERNAL_SERVER_ERROR = L"Internal Server Error";
const std::wstring HTTPResponse::HTTP_REASON_NOT_IMPLEMENTED = L"Not Implemented";
const std::wstring HTTPResponse::HTTP_REASON_BAD_GATEWAY = L"Bad Gateway";
const std::wstring HTTPResponse::HTTP_REASON_SERVICE_UNAVAILABLE = L"Service Unavailable";
const std::wstring HTTPResponse::HTTP_REASON_GATEWAY_TIMEOUT = L"Gateway Time-out";
const std::wstring HTTPResponse::HTTP_REASON_VERSION_NOT_SUPPORTED = L"HTTP Version not supported";
const std::wstring HTTPResponse::HTTP_REASON_UNKNOWN = L"???";

const std::wstring HTTPResponse::DATE = L"Date";
const std::wstring HTTPResponse::SET_COOKIE = L"Set-Cookie";

namespace {

struct Reason {
    int status;
    const std::wstring* text;
};

const Reason kReasons[] = {
        {100, &HTTPResponse::HTTP_REASON_CONTINUE},
        {101, &HTTPResponse::HTTP_REASON_SWITCHING_PROTOCOLS},
        {200, &HTTPResponse::HTTP_REASON_OK},
        {201, &HTTPResponse::HTTP_REASON_CREATED},
        {202, &HTTPResponse::HTTP_REASON_ACCEPTED},
        {203, &HTTPResponse::HTTP_REASON_NONAUTHORITATIVE},
        {204, &HTTPResponse::HTTP_REASON_NO_CONTENT},
        {205, &HTTPResponse::HTTP_REASON_RESET_CONTENT},
        {206, &HTTPResponse::HTTP_REASON_PARTIAL_CONTENT},
        {300, &HTTPResponse::HTTP_REASON_MULTIPLE_CHOICES},
        {301, &HTTPResponse::HTTP_REASON_MOVED_PERMANENTLY},
        {302, &HTTPResponse::HTTP_REASON_FOUND},
        {303, &HTTPResponse::HTTP_REASON_SEE_OTHER},
        {304, &HTTPResponse::HTTP_REASON_NOT_MODIFIED},
        {305, &HTTPResponse::HTTP_REASON_USEPROXY},
        {307, &HTTPResponse::HTTP_REASON_TEMPORARY_REDIRECT},
        {400, &HTTPResponse::HTTP_REASON_BAD_REQUEST},
        {401, &HTTPResponse::HTTP_REASON_UNAUTHORIZED},
        {402, &HTTPResponse::HTTP_REASON_PAYMENT_REQUIRED},
        {403, &HTTPResponse::HTTP_REASON_FORBIDDEN},
        {404, &HTTPResponse::HTTP_REASON_NOT_FOUND},
        {405, &HTTPResponse::HTTP_REASON_METHOD_NOT_ALLOWED},
        {406, &HTTPResponse::HTTP_REASON_NOT_ACCEPTABLE},
        {407, &HTTPResponse::HTTP_REASON_PROXY_AUTHENTICATION_REQUIRED},
        {408, &HTTPResponse::HTTP_REASON_REQUEST_TIMEOUT},
        {409, &HTTPResponse::HTTP_REASON_CONFLICT},
        {410, &HTTPResponse::HTTP_REASON_GONE},
        {411, &HTTPResponse::HTTP_REASON_LENGTH_REQUIRED},
        {412, &HTTPResponse::HTTP_REASON_PRECONDITION_FAILED},
        {413, &HTTPResponse::HTTP_REASON_REQUESTENTITYTOOLARGE},
        {414, &HTTPResponse::HTTP_REASON_REQUESTURITOOLONG},
        {415, &HTTPResponse::HTTP_REASON_UNSUPPORTEDMEDIATYPE},
        {416, &HTTPResponse::HTTP_REASON_REQUESTED_RANGE_NOT_SATISFIABLE},
        {417, &HTTPResponse::HTTP_REASON_EXPECTATION_FAILED},
        {500, &HTTPResponse::HTTP_REASON_INTERNAL_SERVER_ERROR},
        {501, &HTTPResponse::HTTP_REASON_NOT_IMPLEMENTED},
        {502, &HTTPResponse::HTTP_REASON_BAD_GATEWAY},
        {503, &HTTPResponse::HTTP_REASON_SERVICE_UNAVAILABLE},
        {504, &HTTPResponse::HTTP_REASON_GATEWAY_TIMEOUT},
        {505, &HTTPResponse::HTTP_REASON_VERSION_NOT_SUPPORTED},
};

} // namespace

HTTPResponse::HTTPResponse() : m_status(200), m_reason(HTTP_REASON_OK) {}

HTTPResponse::~HTTPResponse() = default;

void HTTPResponse::setStatusAndReason(int status) {
    m_status = status;
    m_reason = getReasonForStatus(status);
}

const std::wstring& HTTPResponse::getReasonForStatus(int status) {
    for (const Reason& reason : kReasons)
        if (reason.status == status)
            return *reason.text;
    return HTTP_REASON_UNKNOWN;
}

void HTTPResponse::write(const std::shared_ptr<StreamTextWriter>& writer) const {
    writer->write(getVersion() + L" " + std::to_wstring(m_status) + L" " + m_reason + L"\r\n");
    MessageHeader::write(writer);
    writer->write(L"\r\n");
}

void HTTPResponse::read(const std::shared_ptr<StreamTextReader>& reader) {
    if (reader->peek() == -1)
        throw NoMessageException();
    if (skipWhitespace(*reader) == -1)
        throw MessageException(L"No HTTP response header");
    std::wstring version;
    std::wstring status;
    std::wstring reason;
    if (!Ascii::isSpace(readWord(*reader, version, MAX_VERSION_LENGTH)))
        throw MessageException(L"Invalid HTTP version string");
    skipWhitespace(*reader);
    int ch = readWord(*reader, status, MAX_STATUS_LENGTH);
    if (!Ascii::isSpace(ch))
        throw MessageException(L"Invalid HTTP status code");
    // Only blanks before the reason: a status line without one must not take the next line.
    while (ch == ' ' || ch == '\t') {
        reader->read();
        ch = reader->peek();
    }
    while (ch != -1 && ch != '\r' && ch != '\n' && static_cast<int>(reason.size()) < MAX_REASON_LENGTH) {
        reason += firstLineChar(reader->read());
        ch = reader->peek();
    }
    if (ch != '\r' && ch != '\n')
        throw MessageException(L"HTTP reason string too long");
    reader->read();
    if (ch == '\r' && reader->peek() == '\n')
        reader->read();
    MessageHeader::read(reader);
    skipLine(*reader);
    unsigned int code = 0;
    if (!parseUnsigned(&code, status))
        throw MessageException(L"Invalid HTTP status code");
    setVersion(version);
    m_status = static_cast<int>(code);
    m_reason = reason;
}

std::istream& HTTPResponse::stream() {
    PEL_CHECK_PTR(m_response_stream);
    return *m_response_stream;
}

StreamTextReader& HTTPResponse::getBodyReader() {
    PEL_CHECK_PTR(m_response_stream);
    if (!m_bodyReader)
        m_bodyReader.reset(new StreamTextReader(*m_response_stream, nullptr));
    return *m_bodyReader;
}

const std::wstring& HTTPResponse::getBodyText() {
    PEL_CHECK_PTR(m_response_stream);
    if (!m_bodyText) {
        std::unique_ptr<std::wstring> text(new std::wstring);
        getBodyReader().readToEnd(*text);
        m_bodyText = std::move(text);
    }
    return *m_bodyText;
}

void HTTPResponse::setStream(HTTPInputStream* stream) {
    m_bodyText.reset();
    m_bodyReader.reset();
    m_response_stream.reset(stream);
}

} // namespace net
} // namespace pel
