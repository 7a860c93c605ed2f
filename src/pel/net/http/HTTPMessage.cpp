#include "pel/net/http/HTTPMessage.h"

#include "pel/base/Ascii.h"
#include "pel/net/base/MediaType.h"
#include "pel/stream/TextReader.h"
#include "pel/text/NumberText.h"

namespace pel {
namespace net {

const std::wstring HTTPMessage::HTTP_1_0 = L"HTTP/1.0";
const std::wstring HTTPMessage::HTTP_1_1 = L"HTTP/1.1";
const std::wstring HTTPMessage::IDENTITY_TRANSFER_ENCODING = L"identity";
const std::wstring HTTPMessage::CHUNKED_TRANSFER_ENCODING = L"chunked";
const int HTTPMessage::UNKNOWN_CONTENT_LENGTH = -1;
const std::wstring HTTPMessage::UNKNOWN_CONTENT_TYPE;
const std::wstring HTTPMessage::CONTENT_LENGTH = L"Content-Length";
const std::wstring HTTPMessage::CONTENT_TYPE = L"Content-Type";
const std::wstring HTTPMessage::TRANSFER_ENCODING = L"Transfer-Encoding";
const std::wstring HTTPMessage::CONNECTION = L"Connection";
const std::wstring HTTPMessage::CONNECTION_KEEP_ALIVE = L"Keep-Alive";
const std::wstring HTTPMessage::CONNECTION_CLOSE = L"Close";
const std::wstring HTTPMessage::EMPTY;

HTTPMessage::HTTPMessage() : m_version(HTTP_1_0) {}

HTTPMessage::HTTPMessage(const std::wstring& version) : m_version(version) {}

void HTTPMessage::setContentLength(int length) {
    if (length == UNKNOWN_CONTENT_LENGTH)
        erase(CONTENT_LENGTH);
    else
        set(CONTENT_LENGTH, std::to_wstring(length));
}

int HTTPMessage::getContentLength() const {
    const std::wstring& length = get(CONTENT_LENGTH, EMPTY);
    if (length.empty())
        return UNKNOWN_CONTENT_LENGTH;
    return parseIntOrThrow(static_cast<int>(length.size()), length.c_str());
}

void HTTPMessage::setTransferEncoding(const std::wstring& transferEncoding) {
    if (icompare(transferEncoding, IDENTITY_TRANSFER_ENCODING) == 0)
        erase(TRANSFER_ENCODING);
    else
        set(TRANSFER_ENCODING, transferEncoding);
}

const std::wstring& HTTPMessage::getTransferEncoding() const {
    return get(TRANSFER_ENCODING, IDENTITY_TRANSFER_ENCODING);
}

void HTTPMessage::setChunkedTransferEncoding(bool chunked) {
    setTransferEncoding(chunked ? CHUNKED_TRANSFER_ENCODING : IDENTITY_TRANSFER_ENCODING);
}

bool HTTPMessage::getChunkedTransferEncoding() const {
    return icompare(getTransferEncoding(), CHUNKED_TRANSFER_ENCODING) == 0;
}

void HTTPMessage::setContentType(const std::wstring& mediaType) {
    if (mediaType.empty())
        erase(CONTENT_TYPE);
    else
        set(CONTENT_TYPE, mediaType);
}

void HTTPMessage::setContentType(const MediaType& mediaType) {
    std::wstring text;
    mediaType.toString(&text);
    setContentType(text);
}

const std::wstring& HTTPMessage::getContentType() const { return get(CONTENT_TYPE, UNKNOWN_CONTENT_TYPE); }

void HTTPMessage::setKeepAlive(bool keepAlive) {
    set(CONNECTION, keepAlive ? CONNECTION_KEEP_ALIVE : CONNECTION_CLOSE);
}

bool HTTPMessage::getKeepAlive() const {
    const std::wstring& connection = get(CONNECTION, EMPTY);
    if (connection.empty())
        return getVersion() == HTTP_1_1;
    return icompare(connection, CONNECTION_CLOSE) != 0;
}

int HTTPMessage::skipWhitespace(TextReader& reader) {
    int ch = reader.peek();
    while (ch != -1 && Ascii::isSpace(ch)) {
        reader.read();
        ch = reader.peek();
    }
    return ch;
}

int HTTPMessage::readWord(TextReader& reader, std::wstring& word, int maxLength) {
    int ch = reader.peek();
    while (ch != -1 && !Ascii::isSpace(ch) && static_cast<int>(word.size()) < maxLength) {
        word += firstLineChar(reader.read());
        ch = reader.peek();
    }
    return ch;
}

void HTTPMessage::skipLine(TextReader& reader) {
    int ch = reader.read();
    while (ch != -1 && ch != '\n')
        ch = reader.read();
}

} // namespace net
} // namespace pel
