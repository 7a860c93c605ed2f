#pragma once
// A file-like part of a multipart form: its bytes as a stream, its media type, an optional file
// name and extra header fields for its part header.

#include "pel/net/http/MessageHeader.h"

#include <istream>
#include <string>

namespace pel {
namespace net {

class PartSource {
public:
    // The bytes to send, read from the current position to the end.
    virtual std::istream& stream() = 0;
    // Empty when the part has no file name.
    virtual const std::wstring& filename() const;
    virtual ~PartSource();
    PartSource(const PartSource&) = delete;
    PartSource& operator=(const PartSource&) = delete;

    MessageHeader& headers() { return m_headers; }
    const MessageHeader& headers() const { return m_headers; }
    const std::wstring& mediaType() const { return m_mediaType; }

protected:
    explicit PartSource(const std::wstring& mediaType) : m_mediaType(mediaType) {}

private:
    std::wstring m_mediaType;
    MessageHeader m_headers;
};

// Receives the parts of a multipart form that carry a file name, one at a time.
class PartHandler {
public:
    // stream ends with the part; what the handler leaves unread is dropped.
    virtual void handlePart(const MessageHeader& header, std::istream& stream) = 0;
    virtual ~PartHandler() = default;
};

// Reads each part to its end and drops it.
class NullPartHandler : public PartHandler {
public:
    void handlePart(const MessageHeader& header, std::istream& stream) override;
};

} // namespace net
} // namespace pel
