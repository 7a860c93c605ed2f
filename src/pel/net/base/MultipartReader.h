#pragma once
// Reads a multipart body part by part: the header of each part, then its content through a
// stream that ends at the next boundary line. The body comes from outside: boundaries longer
// than MAX_BOUNDARY_LENGTH and overlong part headers are refused.

#include "pel/stream/TBasicBufferedStreamBuf.h"

#include <istream>
#include <memory>
#include <string>

namespace pel {
namespace net {

class MessageHeader;

// The content of one part: input up to the line break before the next boundary line.
class MultipartStreamBuf : public BufferedStreamBuf {
public:
    static constexpr int STREAM_BUFFER_SIZE = 1024;

    // boundary must not be empty; MultipartException when it is too long.
    MultipartStreamBuf(std::istream& in, const std::wstring& boundary);
    // Whether the boundary that ended the part was the closing one.
    bool lastPart() const { return m_lastPart; }

protected:
    int readFromDevice(char* buffer, int length) override;

private:
    // Hands out what was taken from the source, keeping what does not fit for the next call.
    int deliver(const std::string& taken, char* buffer, int length);

    std::istream& m_istr;
    std::string m_boundary; // UTF-8
    bool m_lastPart = false;
    bool m_partEnded = false;
    std::string m_pending;
};

class MultipartIOS : public virtual std::ios {
public:
    MultipartIOS(std::istream& in, const std::wstring& boundary);
    ~MultipartIOS() override;
    MultipartStreamBuf* rdbuf() { return &m_buf; }
    bool lastPart() const { return m_buf.lastPart(); }

protected:
    MultipartStreamBuf m_buf;
};

class MultipartInputStream : public MultipartIOS, public std::istream {
public:
    MultipartInputStream(std::istream& in, const std::wstring& boundary);
    ~MultipartInputStream() override;
};

class MultipartReader {
public:
    // The most bytes a part header may take.
    static constexpr int MAX_PART_HEADER_BYTES = 65536;

    // The boundary is taken from the first line of the body.
    explicit MultipartReader(std::istream& in);
    // MultipartException when the boundary is longer than MAX_BOUNDARY_LENGTH.
    MultipartReader(std::istream& in, const std::wstring& boundary);
    ~MultipartReader();
    MultipartReader(const MultipartReader&) = delete;
    MultipartReader& operator=(const MultipartReader&) = delete;

    // False after the closing boundary, or when the source is no longer good.
    bool hasNextPart();
    // Reads the next part's header into header; its content follows in stream(). The previous
    // part must have been read to its end. MultipartException "No boundary line found" or
    // "No more parts available".
    void nextPart(MessageHeader& header);
    // The current part's content; a null-pointer violation before the first part.
    std::istream& stream() const;
    const std::wstring& boundary() const { return m_boundary; }

private:
    void findFirstBoundary();
    void guessBoundary();
    void parseHeader(MessageHeader& header);
    // Takes a line (ending at CR, LF, CR LF or the end), keeping at most limit bytes of it;
    // false when the input had ended before it.
    bool readLine(std::string& line, size_t limit);

    std::istream& m_istr;
    std::wstring m_boundary;
    std::unique_ptr<MultipartInputStream> m_pMPI;
};

} // namespace net
} // namespace pel
