#include "pel/net/http/HTTPClientSession.h"

#include "pel/base/Assert.h"
#include "pel/net/base/NetException.h"
#include "pel/net/http/HTTPErrors.h"
#include "pel/net/http/HTTPRequest.h"
#include "pel/net/http/HTTPResponse.h"
#include "pel/net/http/HTTPStream.h"
#include "pel/net/http/detail/WinHttpApi.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/stream/StreamTextWriter.h"
#include "pel/text/NumberText.h"
#include "pel/text/TextEncoding.h"

#include <algorithm>
#include <cwchar>
#include <sstream>

namespace pel {
namespace net {

namespace {

const int TIMEOUT_MS = 2000;
const int PROXY_TEXT_SIZE = 260;

std::shared_ptr<TextEncoding> utf16le() {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(L"utf-16le");
    PEL_CHECK_PTR(encoding);
    return encoding;
}

void closeHandle(HINTERNET& handle) {
    if (handle) {
        detail::winHttpApi().closeHandle(handle);
        handle = nullptr;
    }
}

// Copies text into a buffer of PROXY_TEXT_SIZE characters, cut to fit.
void copyProxyText(const wchar_t* text, wchar_t* buffer) {
    std::wcsncpy(buffer, text, PROXY_TEXT_SIZE - 1);
    buffer[PROXY_TEXT_SIZE - 1] = 0;
}

} // namespace

class HTTPClientSessionImpl {
public:
    HTTPClientSessionImpl(const std::wstring& i_host, unsigned short i_port) : host(i_host), port(i_port) {}

    ~HTTPClientSessionImpl() {
        closeHandle(request);
        closeHandle(connection);
        closeHandle(session);
    }

    // A call that must succeed failed: HTTPException with the text for the code it left.
    [[noreturn]] static void fail(DWORD code) { throw HTTPException(httpErrorText(code)); }
    [[noreturn]] static void fail() { fail(::GetLastError()); }

    void setRequestProxyByInternetExplorer(const std::wstring& uri);
    void expectBody(const HTTPResponse& response);

    std::wstring host;
    unsigned short port;
    std::wstring userAgent;
    int timeouts[4] = {TIMEOUT_MS, TIMEOUT_MS, TIMEOUT_MS, TIMEOUT_MS}; // resolve, connect, send, receive
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;

    std::wstring method;
    HTTPStreamBuf* pendingOutput = nullptr;
    long long bodyExpected = -1; // the announced length of the response body, -1 when unknown
    long long bodyReceived = 0;
};

// Sets the request's proxy from the user's settings: the proxy an auto-configuration script
// names for the URL, or the configured proxy. With neither configured the session's default
// stays. Only a failing call with a code of the table stops the request.
void HTTPClientSessionImpl::setRequestProxyByInternetExplorer(const std::wstring& uri) {
    const detail::WinHttpApi& api = detail::winHttpApi();
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    DWORD failure = 0;
    if (!api.getIEProxyConfigForCurrentUser(&config)) {
        failure = ::GetLastError();
    } else {
        if (config.lpszAutoConfigUrl) {
            const std::wstring url = (port == 443 ? L"https://" : L"http://") + host + uri;
            WINHTTP_AUTOPROXY_OPTIONS options = {};
            options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT | WINHTTP_AUTOPROXY_CONFIG_URL;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP;
            options.lpszAutoConfigUrl = config.lpszAutoConfigUrl;
            options.fAutoLogonIfChallenged = TRUE;
            WINHTTP_PROXY_INFO info = {};
            // The request goes out once, from sendRequest: here the proxy is only set.
            if (!api.getProxyForUrl(session, url.c_str(), &options, &info) ||
                !api.setOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info))
                failure = ::GetLastError();
            ::GlobalFree(info.lpszProxy);
            ::GlobalFree(info.lpszProxyBypass);
        } else if (config.lpszProxy) {
            wchar_t proxy[PROXY_TEXT_SIZE];
            wchar_t bypass[PROXY_TEXT_SIZE];
            WINHTTP_PROXY_INFO info = {};
            info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
            copyProxyText(config.lpszProxy, proxy);
            info.lpszProxy = proxy;
            if (config.lpszProxyBypass) {
                copyProxyText(config.lpszProxyBypass, bypass);
                info.lpszProxyBypass = bypass;
            }
            if (!api.setOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info))
                failure = ::GetLastError();
        }
        ::GlobalFree(config.lpszAutoConfigUrl);
        ::GlobalFree(config.lpszProxy);
        ::GlobalFree(config.lpszProxyBypass);
    }
    if (httpErrorTableText(failure))
        fail(failure);
}

// Notes how long the body is announced to be, so that read can tell a cut-off body.
void HTTPClientSessionImpl::expectBody(const HTTPResponse& response) {
    bodyExpected = -1;
    bodyReceived = 0;
    const int status = response.getStatus();
    if (method == HTTPRequest::HTTP_HEAD || status < 200 || status == 204 || status == 304 ||
        response.getChunkedTransferEncoding())
        return;
    const std::wstring& length = response.get(HTTPMessage::CONTENT_LENGTH, HTTPMessage::EMPTY);
    int value = 0;
    if (!length.empty() && parseInt(&value, length) && value >= 0)
        bodyExpected = value;
}

HTTPClientSession::HTTPClientSession(const std::wstring& host, unsigned short port)
    : m_impl(new HTTPClientSessionImpl(host, port)) {}

HTTPClientSession::~HTTPClientSession() = default;

void HTTPClientSession::sendRequest(HTTPRequest& request) {
    HTTPClientSessionImpl& d = *m_impl;
    const detail::WinHttpApi& api = detail::winHttpApi();
    if (d.request)
        throw HTTPException(L"Request had already been sent.");
    if (!d.session) {
        d.session = api.open(d.userAgent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0);
        if (!d.session)
            d.fail();
        if (!api.setTimeouts(d.session, d.timeouts[0], d.timeouts[1], d.timeouts[2], d.timeouts[3]))
            d.fail();
    }
    PEL_ASSERT(d.session);
    PEL_ASSERT(!d.connection);
    d.connection = api.connect(d.session, d.host.c_str(), d.port, 0);
    if (!d.connection)
        d.fail();
    try {
        const auto referer = request.find(L"Referer");
        d.request = api.openRequest(d.connection, request.getMethod().c_str(), request.getURI().c_str(),
                                    request.getVersion().c_str(),
                                    referer != request.end() ? referer->second.c_str() : WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
        if (!d.request)
            d.fail();
        std::ostringstream bytes;
        request.MessageHeader::write(std::make_shared<StreamTextWriter>(bytes, utf16le()));
        const std::string headers = bytes.str();
        if (!headers.empty() &&
            !api.addRequestHeaders(d.request, reinterpret_cast<const wchar_t*>(headers.data()),
                                   static_cast<DWORD>(headers.size() / sizeof(wchar_t)),
                                   WINHTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON))
            d.fail();
        d.setRequestProxyByInternetExplorer(request.getURI());
        if (!api.sendRequest(d.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
            !api.sendRequest(d.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
            d.fail();
    } catch (const Exception&) {
        closeHandle(d.request);
        closeHandle(d.connection);
        throw;
    }
    d.method = request.getMethod();
    request.setStream(new HTTPOutputStream(*this));
}

void HTTPClientSession::receiveResponse(HTTPResponse& response) {
    HTTPClientSessionImpl& d = *m_impl;
    const detail::WinHttpApi& api = detail::winHttpApi();
    if (!d.session)
        throw IllegalStateException(L"Session is not open.");
    if (!d.connection)
        throw IllegalStateException(L"Connection is not open.");
    if (!d.request)
        throw IllegalStateException(L"Request is not open.");
    if (d.pendingOutput)
        d.pendingOutput->pubsync();
    if (!api.receiveResponse(d.request, nullptr))
        d.fail();
    DWORD size = 0;
    std::string head;
    if (api.queryHeaders(d.request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                         WINHTTP_NO_OUTPUT_BUFFER, &size, WINHTTP_NO_HEADER_INDEX) ||
        ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        head.resize(size);
        if (size > 0 && !api.queryHeaders(d.request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                                          &head[0], &size, WINHTTP_NO_HEADER_INDEX))
            d.fail();
        head.resize(std::min<size_t>(size, head.size()));
    }
    std::istringstream headStream(head);
    response.read(std::make_shared<StreamTextReader>(headStream, utf16le()));
    d.expectBody(response);
    response.setStream(new HTTPInputStream(*this));
}

int HTTPClientSession::read(char* buffer, int length) {
    HTTPClientSessionImpl& d = *m_impl;
    const detail::WinHttpApi& api = detail::winHttpApi();
    int total = 0;
    int remaining = length;
    for (;;) {
        DWORD available = 0;
        if (!api.queryDataAvailable(d.request, &available))
            d.fail();
        const DWORD n = std::min<DWORD>(available, static_cast<DWORD>(std::max(remaining, 0)));
        DWORD got = 0;
        if (!api.readData(d.request, buffer + total, n, &got))
            d.fail();
        total += static_cast<int>(got);
        remaining -= static_cast<int>(got);
        d.bodyReceived += got;
        if (remaining <= 0)
            return length;
        if (got == 0) {
            if (d.bodyExpected >= 0 && d.bodyReceived < d.bodyExpected)
                throw HTTPException(L"The response ended before the length it announced.");
            return total;
        }
    }
}

int HTTPClientSession::write(const char* buffer, int length) {
    if (!buffer)
        throw NullPointerException(L"buffer");
    DWORD written = 0;
    if (!detail::winHttpApi().writeData(m_impl->request, buffer, static_cast<DWORD>(length), &written))
        m_impl->fail();
    return static_cast<int>(written);
}

void HTTPClientSession::closeRequest() { closeHandle(m_impl->request); }

void HTTPClientSession::setPendingOutput(HTTPStreamBuf* buffer) { m_impl->pendingOutput = buffer; }

void HTTPClientSession::forgetPendingOutput(HTTPStreamBuf* buffer) {
    if (m_impl->pendingOutput == buffer)
        m_impl->pendingOutput = nullptr;
}

} // namespace net
} // namespace pel
