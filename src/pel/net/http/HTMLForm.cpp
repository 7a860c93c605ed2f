#include "pel/net/http/HTMLForm.h"

#include "pel/base/URI.h"
#include "pel/net/base/MultipartReader.h"
#include "pel/net/base/MultipartWriter.h"
#include "pel/net/base/NetException.h"
#include "pel/net/base/PartSource.h"
#include "pel/net/http/HTTPRequest.h"
#include "pel/stream/CountingStream.h"
#include "pel/stream/StreamCopier.h"
#include "pel/stream/StreamTextWriter.h"
#include "pel/text/TextConversion.h"
#include "pel/text/TextEncoding.h"

#include <climits>
#include <sstream>

namespace pel {
namespace net {

const std::wstring HTMLForm::ENCODING_URL = L"application/x-www-form-urlencoded";
const std::wstring HTMLForm::ENCODING_MULTIPART = L"multipart/form-data";

namespace {

const int eof = std::char_traits<char>::eof();
const wchar_t* const URL_RESERVED = L"=&+;";
const wchar_t* const CONTENT_DISPOSITION = L"Content-Disposition";

std::shared_ptr<StreamTextWriter> utf8Writer(std::ostream& out) {
    return std::make_shared<StreamTextWriter>(out, TextEncoding::create(L"utf-8"));
}

// A byte of a form as the character it stands for before percent-decoding.
wchar_t formChar(int ch) { return static_cast<wchar_t>(static_cast<signed char>(ch)); }

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The bytes from the stream's position to its end, the position left as it was; -1 when the
// stream cannot tell.
int64_t remainingLength(std::istream& stream) {
    const std::istream::pos_type start = stream.tellg();
    if (start == std::istream::pos_type(-1) || !stream.seekg(0, std::ios::end))
        return -1;
    const std::istream::pos_type end = stream.tellg();
    stream.seekg(start);
    if (end == std::istream::pos_type(-1) || !stream)
        return -1;
    return static_cast<int64_t>(end - start);
}

} // namespace

HTMLForm::HTMLForm() : m_encoding(ENCODING_URL) {}

HTMLForm::HTMLForm(const std::wstring& encoding) : m_encoding(encoding) {}

HTMLForm::HTMLForm(const HTTPRequest& request) { load(request); }

HTMLForm::HTMLForm(const HTTPRequest& request, std::istream& body) { load(request, body); }

HTMLForm::HTMLForm(const HTTPRequest& request, std::istream& body, PartHandler& handler) {
    load(request, body, handler);
}

HTMLForm::~HTMLForm() = default;

bool HTMLForm::isUrlEncoding() const { return icompare(m_encoding, ENCODING_URL) == 0; }

void HTMLForm::addPart(const std::wstring& name, PartSource* pSource) {
    if (!pSource)
        throw NullPointerException(L"pSource");
    m_parts.push_back({name, std::unique_ptr<PartSource>(pSource)});
}

void HTMLForm::load(const HTTPRequest& request, std::istream& body, PartHandler& handler) {
    clear();
    const std::wstring& method = request.getMethod();
    if (method == HTTPRequest::HTTP_POST || method == HTTPRequest::HTTP_PUT) {
        std::wstring mediaType;
        NameValueCollection parameters;
        MessageHeader::splitParameters(request.getContentType(), mediaType, parameters);
        m_encoding = mediaType;
        if (icompare(mediaType, ENCODING_MULTIPART) == 0) {
            const std::wstring& boundary = parameters.get(L"boundary");
            checkBoundaryLength(boundary);
            m_boundary = boundary;
            readMultipart(body, handler);
        } else {
            readUrl(body);
        }
    } else {
        std::string query;
        toAscii(URI(request.getURI()).getRawQuery(), query);
        std::istringstream in(query);
        readUrl(in);
    }
}

void HTMLForm::load(const HTTPRequest& request, std::istream& body) {
    NullPartHandler handler;
    load(request, body, handler);
}

void HTMLForm::load(const HTTPRequest& request) {
    std::istringstream empty;
    load(request, empty);
}

void HTMLForm::read(std::istream& body, PartHandler& handler) {
    if (isUrlEncoding())
        readUrl(body);
    else
        readMultipart(body, handler);
}

void HTMLForm::prepareSubmit(HTTPRequest& request) {
    const std::wstring& method = request.getMethod();
    if (method == HTTPRequest::HTTP_POST || method == HTTPRequest::HTTP_PUT) {
        CountingOutputStream counter;
        int64_t length = 0;
        if (isUrlEncoding()) {
            request.setContentType(m_encoding);
            request.setTransferEncoding(HTTPMessage::IDENTITY_TRANSFER_ENCODING);
            writeUrl(counter);
        } else {
            m_boundary = MultipartWriter::createBoundary();
            request.setContentType(m_encoding + L"; boundary=" + quoted(m_boundary));
            // The session sends the body as it is written, without chunk framing: the server
            // can only find its end by the length.
            request.setTransferEncoding(HTTPMessage::IDENTITY_TRANSFER_ENCODING);
            length = writeMultipart(counter, false);
        }
        length += counter.chars();
        if (length > INT_MAX)
            throw MessageException(L"Form body too long");
        request.setContentLength(static_cast<int>(length));
        if (request.getVersion() == HTTPMessage::HTTP_1_0) {
            request.setKeepAlive(false);
            request.setTransferEncoding(HTTPMessage::IDENTITY_TRANSFER_ENCODING);
        }
    } else {
        std::ostringstream bytes;
        writeUrl(bytes);
        const std::string query = bytes.str();
        std::wstring uri = request.getURI() + L"?";
        fromUtf8(query.data(), query.size(), uri);
        request.setURI(uri);
    }
}

void HTMLForm::write(std::ostream& out) {
    if (isUrlEncoding())
        writeUrl(out);
    else
        writeMultipart(out, true);
}

void HTMLForm::write(std::ostream& out, const std::wstring& boundary) {
    if (!isUrlEncoding())
        m_boundary = boundary;
    write(out);
}

void HTMLForm::readUrl(std::istream& in) {
    int ch = in.get();
    while (ch != eof) {
        std::wstring name;
        std::wstring value;
        while (ch != eof && ch != '=' && ch != '&') {
            name += ch == '+' ? L' ' : formChar(ch);
            ch = in.get();
        }
        if (ch == '=') {
            ch = in.get();
            while (ch != eof && ch != '&') {
                value += ch == '+' ? L' ' : formChar(ch);
                ch = in.get();
            }
        }
        std::wstring decodedName;
        std::wstring decodedValue;
        URI::decode(name, &decodedName);
        URI::decode(value, &decodedValue);
        add(decodedName, decodedValue);
        if (ch == '&')
            ch = in.get();
    }
}

void HTMLForm::readMultipart(std::istream& in, PartHandler& handler) {
    MultipartReader reader(in, m_boundary);
    while (reader.hasNextPart()) {
        MessageHeader header;
        reader.nextPart(header);
        std::wstring disposition;
        NameValueCollection parameters;
        if (header.has(CONTENT_DISPOSITION))
            MessageHeader::splitParameters(header.get(CONTENT_DISPOSITION), disposition, parameters);
        std::istream& part = reader.stream();
        if (parameters.has(L"filename")) {
            handler.handlePart(header, part);
            char rest[1024];
            while (part.good())
                part.read(rest, sizeof rest);
        } else {
            const std::wstring& name = parameters.get(L"name");
            std::wstring value;
            for (int ch = part.get(); ch != eof; ch = part.get())
                value += formChar(ch);
            add(name, value);
        }
    }
}

void HTMLForm::writeUrl(std::ostream& out) const {
    const std::shared_ptr<StreamTextWriter> writer = utf8Writer(out);
    bool first = true;
    for (const auto& field : *this) {
        std::wstring text;
        if (!first)
            text += L'&';
        first = false;
        URI::encode(field.first, URL_RESERVED, &text);
        text += L'=';
        URI::encode(field.second, URL_RESERVED, &text);
        writer->write(text);
    }
}

int64_t HTMLForm::writeMultipart(std::ostream& out, bool copyContent) {
    MultipartWriter writer(out, m_boundary);
    for (const auto& field : *this) {
        MessageHeader header;
        header.set(CONTENT_DISPOSITION, L"form-data; name=" + quoted(field.first));
        writer.nextPart(header);
        utf8Writer(out)->write(field.second);
    }
    int64_t content = 0;
    for (const Part& part : m_parts) {
        MessageHeader header(part.source->headers());
        std::wstring disposition = L"form-data; name=" + quoted(part.name);
        if (!part.source->filename().empty())
            disposition += L"; filename=" + quoted(part.source->filename());
        header.set(CONTENT_DISPOSITION, disposition);
        header.set(HTTPMessage::CONTENT_TYPE, part.source->mediaType());
        writer.nextPart(header);
        if (copyContent) {
            content += StreamCopier::copyStream(part.source->stream(), out);
        } else {
            const int64_t length = remainingLength(part.source->stream());
            if (length < 0)
                throw MultipartException(L"The length of part \"" + part.name + L"\" cannot be told");
            content += length;
        }
    }
    writer.close();
    m_boundary = writer.boundary();
    return content;
}

} // namespace net
} // namespace pel
