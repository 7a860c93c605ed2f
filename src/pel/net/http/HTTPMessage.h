#pragma once
// What requests and responses share: the protocol version and the header fields that describe
// the body and the connection.

#include "pel/net/http/MessageHeader.h"

namespace pel {

class TextReader;

namespace net {

class MediaType;

class HTTPMessage : public MessageHeader {
public:
    static const std::wstring HTTP_1_0;
    static const std::wstring HTTP_1_1;
    static const std::wstring IDENTITY_TRANSFER_ENCODING;
    static const std::wstring CHUNKED_TRANSFER_ENCODING;
    static const int UNKNOWN_CONTENT_LENGTH;
    static const std::wstring UNKNOWN_CONTENT_TYPE;
    static const std::wstring CONTENT_LENGTH;
    static const std::wstring CONTENT_TYPE;
    static const std::wstring TRANSFER_ENCODING;
    static const std::wstring CONNECTION;
    static const std::wstring CONNECTION_KEEP_ALIVE;
    static const std::wstring CONNECTION_CLOSE;
    static const std::wstring EMPTY;

    void setVersion(const std::wstring& version) { m_version = version; }
    const std::wstring& getVersion() const { return m_version; }

    // -1 removes the field.
    void setContentLength(int length);
    // -1 when the field is missing or empty; StringNotAValidInteger when it is no number.
    int getContentLength() const;
    // "identity" (in any case) removes the field.
    void setTransferEncoding(const std::wstring& transferEncoding);
    const std::wstring& getTransferEncoding() const;
    void setChunkedTransferEncoding(bool chunked);
    bool getChunkedTransferEncoding() const;
    // An empty type removes the field.
    void setContentType(const std::wstring& mediaType);
    void setContentType(const MediaType& mediaType);
    const std::wstring& getContentType() const;
    void setKeepAlive(bool keepAlive);
    // Without a "Connection" field, whether the version is HTTP/1.1; else unless it is "Close".
    bool getKeepAlive() const;

protected:
    HTTPMessage();
    explicit HTTPMessage(const std::wstring& version);

    // First-line reading: each returns the next character (-1 at the end) without taking it.
    static int skipWhitespace(TextReader& reader);
    // Appends characters other than ASCII white space, at most maxLength of them.
    static int readWord(TextReader& reader, std::wstring& word, int maxLength);
    // Takes characters up to and including the next LF.
    static void skipLine(TextReader& reader);

private:
    std::wstring m_version;
};

// A character of a first line as it is stored: its low 8 bits, sign-extended.
inline wchar_t firstLineChar(int ch) { return static_cast<wchar_t>(static_cast<signed char>(ch)); }

} // namespace net
} // namespace pel
