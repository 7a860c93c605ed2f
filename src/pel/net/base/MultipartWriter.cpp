#include "pel/net/base/MultipartWriter.h"

#include "pel/base/Random.h"
#include "pel/net/base/NetException.h"
#include "pel/net/http/MessageHeader.h"
#include "pel/stream/StreamTextWriter.h"
#include "pel/text/NumberText.h"
#include "pel/text/TextEncoding.h"

namespace pel {
namespace net {

namespace {

std::shared_ptr<StreamTextWriter> utf8Writer(std::ostream& out) {
    return std::make_shared<StreamTextWriter>(out, TextEncoding::create(L"utf-8"));
}

} // namespace

void checkBoundaryLength(const std::wstring& boundary) {
    if (static_cast<int>(boundary.size()) > MAX_BOUNDARY_LENGTH)
        throw MultipartException(L"Boundary longer than 70 characters");
}

MultipartWriter::MultipartWriter(std::ostream& out) : m_ostr(out), m_boundary(createBoundary()) {}

MultipartWriter::MultipartWriter(std::ostream& out, const std::wstring& boundary)
    : m_ostr(out), m_boundary(boundary.empty() ? createBoundary() : boundary) {
    checkBoundaryLength(m_boundary);
}

void MultipartWriter::writeText(const std::wstring& text) { utf8Writer(m_ostr)->write(text); }

void MultipartWriter::nextPart(const MessageHeader& header) {
    const std::shared_ptr<StreamTextWriter> writer = utf8Writer(m_ostr);
    if (!m_firstPart)
        writer->write(L"\r\n");
    m_firstPart = false;
    writer->write(L"--" + m_boundary + L"\r\n");
    header.write(writer);
    writer->write(L"\r\n");
}

void MultipartWriter::close() { writeText(L"\r\n--" + m_boundary + L"--\r\n"); }

std::wstring MultipartWriter::createBoundary() {
    Random random(256);
    std::wstring boundary = L"MIME_boundary_";
    formatUnsigned(boundary, random.next(), 16, 8);
    formatUnsigned(boundary, random.next(), 16, 8);
    return boundary;
}

} // namespace net
} // namespace pel
