#pragma once
// A client of one HTTP server over WinHTTP (synchronous), for one exchange: send a request head,
// write its body to the request's stream, receive the response head, read its body from the
// response's stream. The proxy comes from the user's settings. Failed calls throw HTTPException.
// The session must outlive the request and response whose streams it attached; a further
// exchange needs a new session.

#include <memory>
#include <string>

namespace pel {
namespace net {

class HTTPClientSessionImpl;
class HTTPRequest;
class HTTPResponse;
class HTTPStreamBuf;

class HTTPClientSession {
public:
    // Opens nothing yet.
    HTTPClientSession(const std::wstring& host, unsigned short port);
    // Closes the request, the connection and the session handle, those that are open.
    ~HTTPClientSession();
    HTTPClientSession(const HTTPClientSession&) = delete;
    HTTPClientSession& operator=(const HTTPClientSession&) = delete;

    // Connects and sends the request head, then gives the request its body stream.
    // HTTPException "Request had already been sent." while a request is open; on a failure
    // after the connection was made, the request and connection are closed before it goes on.
    void sendRequest(HTTPRequest& request);
    // Writes out what the request's stream still buffers, waits for the response head, fills
    // the response's status line and fields and gives it its body stream. IllegalStateException
    // without a sent request.
    void receiveResponse(HTTPResponse& response);
    // Body transfer for the streams: read returns fewer than length bytes only at the end of the
    // body, and throws HTTPException when the body ends before its announced length.
    int read(char* buffer, int length);
    int write(const char* buffer, int length);

private:
    friend class HTTPStreamBuf;
    void closeRequest();
    void setPendingOutput(HTTPStreamBuf* buffer);
    void forgetPendingOutput(HTTPStreamBuf* buffer);

    std::unique_ptr<HTTPClientSessionImpl> m_impl;
};

} // namespace net
} // namespace pel
