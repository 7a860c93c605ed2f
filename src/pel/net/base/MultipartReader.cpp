#include "pel/net/base/MultipartReader.h"

#include "pel/base/Ascii.h"
#include "pel/base/Assert.h"
#include "pel/net/base/MultipartWriter.h"
#include "pel/net/base/NetException.h"
#include "pel/net/http/MessageHeader.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/text/TextConversion.h"
#include "pel/text/TextEncoding.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace pel {
namespace net {

namespace {

const int eof = std::char_traits<char>::eof();

std::string utf8(const std::wstring& text) {
    std::string bytes;
    toUtf8(text.data(), text.size(), bytes);
    return bytes;
}

} // namespace

MultipartStreamBuf::MultipartStreamBuf(std::istream& in, const std::wstring& boundary)
    : BufferedStreamBuf(STREAM_BUFFER_SIZE, std::ios::in), m_istr(in), m_boundary(utf8(boundary)) {
    PEL_ASSERT(!boundary.empty());
    checkBoundaryLength(boundary);
}

int MultipartStreamBuf::deliver(const std::string& taken, char* buffer, int length) {
    const int n = std::min(static_cast<int>(taken.size()), length);
    std::memcpy(buffer, taken.data(), static_cast<size_t>(n));
    m_pending.assign(taken, static_cast<size_t>(n), std::string::npos);
    return n;
}

int MultipartStreamBuf::readFromDevice(char* buffer, int length) {
    PEL_SOFT_ASSERT(length >= static_cast<int>(m_boundary.size()) + 6);
    if (length <= 0)
        return 0;
    if (!m_pending.empty())
        return deliver(std::string(m_pending), buffer, length);
    if (m_partEnded)
        return 0;
    // What a line break may start is kept aside until it proves not to be the boundary line.
    std::string taken;
    int ch = m_istr.get();
    if (ch == eof)
        return -1;
    taken += static_cast<char>(ch);
    if (ch == '\r' && m_istr.peek() == '\n') {
        taken += static_cast<char>(m_istr.get());
        ch = '\n';
    }
    if (ch == '\n') {
        ch = m_istr.peek();
        if (ch == '\r' || ch == '\n' || ch == eof)
            return deliver(taken, buffer, length);
        taken += static_cast<char>(m_istr.get());
        if (ch == '-' && m_istr.peek() == '-') {
            taken += static_cast<char>(m_istr.get());
            size_t matched = 0;
            while (matched < m_boundary.size() && m_istr.peek() == static_cast<unsigned char>(m_boundary[matched])) {
                taken += static_cast<char>(m_istr.get());
                ++matched;
            }
            if (matched == m_boundary.size()) {
                ch = m_istr.peek();
                if (ch == '\n' || ch == '\r') {
                    m_istr.get();
                    if (ch == '\n' || m_istr.peek() == '\n') {
                        if (ch == '\r')
                            m_istr.get();
                        m_partEnded = true;
                        return 0;
                    }
                    taken += '\r';
                } else if (ch == '-') {
                    m_istr.get();
                    if (m_istr.peek() == '-') {
                        m_istr.get();
                        m_lastPart = m_partEnded = true;
                        return 0;
                    }
                    taken += '-';
                }
            }
        }
    }
    if (static_cast<int>(taken.size()) >= length)
        return deliver(taken, buffer, length);
    int n = deliver(taken, buffer, length);
    while (n < length) {
        ch = m_istr.peek();
        if (ch == eof || ch == '\r' || ch == '\n')
            break;
        buffer[n++] = static_cast<char>(m_istr.get());
    }
    return n;
}

MultipartIOS::MultipartIOS(std::istream& in, const std::wstring& boundary) : m_buf(in, boundary) { init(&m_buf); }

MultipartIOS::~MultipartIOS() {
    try {
        m_buf.pubsync();
    } catch (...) {
        // Nothing is written through a part stream; a destructor throws nothing anyway.
    }
}

MultipartInputStream::MultipartInputStream(std::istream& in, const std::wstring& boundary)
    : MultipartIOS(in, boundary), std::istream(&m_buf) {}

MultipartInputStream::~MultipartInputStream() = default;

MultipartReader::MultipartReader(std::istream& in) : m_istr(in) {}

MultipartReader::MultipartReader(std::istream& in, const std::wstring& boundary) : m_istr(in), m_boundary(boundary) {
    checkBoundaryLength(boundary);
}

MultipartReader::~MultipartReader() = default;

bool MultipartReader::hasNextPart() { return !(m_pMPI && m_pMPI->lastPart()) && m_istr.good(); }

void MultipartReader::nextPart(MessageHeader& header) {
    if (!m_pMPI) {
        if (m_boundary.empty())
            guessBoundary();
        else
            findFirstBoundary();
    } else if (m_pMPI->lastPart()) {
        throw MultipartException(L"No more parts available");
    }
    parseHeader(header);
    m_pMPI.reset();
    m_pMPI.reset(new MultipartInputStream(m_istr, m_boundary));
}

std::istream& MultipartReader::stream() const {
    if (!m_pMPI)
        nullPointerViolation(L"_pMPI", PEL_FILE, __LINE__);
    return *m_pMPI;
}

void MultipartReader::findFirstBoundary() {
    const std::string expected = "--" + utf8(m_boundary);
    std::string line;
    while (readLine(line, expected.size()))
        if (line == expected)
            return;
    throw MultipartException(L"No boundary line found");
}

void MultipartReader::guessBoundary() {
    int ch = m_istr.get();
    while (ch != eof && Ascii::isSpace(ch))
        ch = m_istr.get();
    if (ch != '-' || m_istr.get() != '-')
        throw MultipartException(L"No boundary line found");
    std::wstring boundary;
    ch = m_istr.peek();
    while (ch != eof && ch != '\r' && ch != '\n') {
        boundary += static_cast<wchar_t>(static_cast<signed char>(m_istr.get()));
        checkBoundaryLength(boundary);
        ch = m_istr.peek();
    }
    if (ch == '\r') {
        m_istr.get();
        ch = m_istr.peek();
    }
    if (ch == '\n')
        m_istr.get();
    if (boundary.empty()) // a line of just "--" delimits nothing
        throw MultipartException(L"No boundary line found");
    m_boundary = boundary;
}

bool MultipartReader::readLine(std::string& line, size_t limit) {
    line.clear();
    int ch = m_istr.get();
    if (ch == eof)
        return false;
    while (ch != eof && ch != '\r' && ch != '\n') {
        if (line.size() < limit)
            line += static_cast<char>(ch);
        ch = m_istr.get();
    }
    if (ch == '\r' && m_istr.peek() == '\n')
        m_istr.get();
    return true;
}

void MultipartReader::parseHeader(MessageHeader& header) {
    header.clear();
    // The header is taken off the source up to its empty line first, so that the text reader's
    // read-ahead cannot swallow the content behind it.
    std::string bytes;
    for (;;) {
        const size_t lineStart = bytes.size();
        int ch = m_istr.get();
        while (ch != eof && ch != '\n') {
            bytes += static_cast<char>(ch);
            if (static_cast<int>(bytes.size()) > MAX_PART_HEADER_BYTES)
                throw MessageException(L"Part header too long");
            ch = m_istr.get();
        }
        if (ch == eof)
            break;
        bytes += '\n';
        const size_t lineLength = bytes.size() - lineStart;
        if (lineLength == 1 || (lineLength == 2 && bytes[lineStart] == '\r'))
            break;
    }
    std::istringstream text(bytes);
    header.read(std::make_shared<StreamTextReader>(text, TextEncoding::create(L"utf-8")));
}

} // namespace net
} // namespace pel
