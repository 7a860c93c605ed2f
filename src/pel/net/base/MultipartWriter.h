#pragma once
// Writes a multipart body: each part's boundary line and header fields, then (by the caller)
// its content; close() writes the closing boundary.

#include <ostream>
#include <string>

namespace pel {
namespace net {

class MessageHeader;

// The longest boundary MIME allows; longer ones are refused when writing and reading.
constexpr int MAX_BOUNDARY_LENGTH = 70;
// MultipartException when the boundary is longer than MAX_BOUNDARY_LENGTH.
void checkBoundaryLength(const std::wstring& boundary);

class MultipartWriter {
public:
    // With a boundary from createBoundary().
    explicit MultipartWriter(std::ostream& out);
    // An empty boundary is replaced by createBoundary(); a longer one than MAX_BOUNDARY_LENGTH
    // throws MultipartException.
    MultipartWriter(std::ostream& out, const std::wstring& boundary);
    MultipartWriter(const MultipartWriter&) = delete;
    MultipartWriter& operator=(const MultipartWriter&) = delete;

    // Ends the previous part, writes the boundary line and the header; the content follows.
    void nextPart(const MessageHeader& header);
    // Writes the closing boundary line.
    void close();
    std::ostream& stream() { return m_ostr; }
    const std::wstring& boundary() const { return m_boundary; }

    // "MIME_boundary_" and 16 random upper-case hexadecimal digits.
    static std::wstring createBoundary();

private:
    void writeText(const std::wstring& text);

    std::ostream& m_ostr;
    std::wstring m_boundary;
    bool m_firstPart = true;
};

} // namespace net
} // namespace pel
