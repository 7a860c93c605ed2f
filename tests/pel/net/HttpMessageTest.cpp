// Header blocks, message properties and first lines, read from hostile text and written back.

#include "pel/net/base/NetException.h"
#include "pel/net/http/HTTPRequest.h"
#include "pel/net/http/HTTPResponse.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/stream/StreamTextWriter.h"
#include "pel/text/TextConversion.h"
#include "pel/text/TextEncoding.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pel;
using namespace pel::net;

namespace {

// Reads text into the message (header block, request or response) through a UTF-8 reader.
template <class Message>
void readText(Message& message, const std::wstring& text) {
    std::string bytes;
    toUtf8(text.data(), text.size(), bytes);
    std::istringstream in(bytes);
    message.read(std::make_shared<StreamTextReader>(in, TextEncoding::create(L"utf-8")));
}

template <class Message>
std::wstring writeText(const Message& message) {
    std::ostringstream out;
    message.write(std::make_shared<StreamTextWriter>(out, TextEncoding::create(L"utf-8")));
    std::wstring text;
    fromUtf8(out.str().data(), out.str().size(), text);
    return text;
}

template <class Message>
std::wstring readFailure(Message& message, const std::wstring& text) {
    try {
        readText(message, text);
    } catch (const NoMessageException&) {
        return L"(no message)";
    } catch (const MessageException& e) {
        return e.message;
    }
    return L"(read)";
}

TEST(HttpMessage, HeaderFieldsKeepNameOrderAndRepeatedNames) {
    MessageHeader header;
    header.add(L"b", L"1");
    header.add(L"A", L"2");
    header.add(L"a", L"3");
    EXPECT_EQ(L"A: 2\r\na: 3\r\nb: 1\r\n", writeText(header));
    EXPECT_EQ(L"2", header.get(L"A"));
    header.set(L"a", L"4");
    EXPECT_EQ(L"4", header.get(L"a"));
    EXPECT_EQ(3, header.size());
    EXPECT_EQ(L"missing", tessel_test::thrown<NotFoundException>([&] { header.get(L"missing"); }));
}

TEST(HttpMessage, HeaderBlocksReadUnderTheirLimits) {
    MessageHeader header;
    readText(header, L"A: 1 \r\nno colon here\nB:\t2\n  folded\r\nC: " + std::wstring(4096, L'v') + L"\r\n\r\nD: after");
    EXPECT_EQ(L"1", header.get(L"A"));
    EXPECT_EQ(L"2  folded", header.get(L"B"));
    EXPECT_EQ(4096u, header.get(L"C").size());
    EXPECT_FALSE(header.has(L"D"));

    const struct {
        std::wstring text;
        const wchar_t* error;
    } failures[] = {
        {L"no colon to the end", L"Field name too long/no colon found"},
        {std::wstring(257, L'n') + L": v\r\n", L"Field name too long/no colon found"},
        {L"C: " + std::wstring(4097, L'v') + L"\r\n", L"Field value too long/no CRLF found"},
        {L"C: v\r\n " + std::wstring(4096, L'v') + L"\r\n", L"Folded field value too long/no CRLF found"},
    };
    for (const auto& failure : failures) {
        MessageHeader block;
        EXPECT_EQ(failure.error, readFailure(block, failure.text));
    }
}

TEST(HttpMessage, StatusLinesReadStrictly) {
    HTTPResponse response;
    readText(response, L"HTTP/1.1 404 Not Found\r\nServer: x\r\n\r\n");
    EXPECT_EQ(L"HTTP/1.1", response.getVersion());
    EXPECT_EQ(404, response.getStatus());
    EXPECT_EQ(L"Not Found", response.getReason());
    readText(response, L"HTTP/1.0 204\r\nDate: today\r\n\r\n");
    EXPECT_EQ(L"", response.getReason());
    EXPECT_EQ(L"today", response.get(L"Date"));

    const struct {
        const wchar_t* text;
        const wchar_t* error;
    } failures[] = {
        {L"", L"(no message)"},
        {L" \r\n", L"No HTTP response header"},
        {L"HTTP/1.10 200 OK\r\n", L"Invalid HTTP version string"},
        {L"HTTP/1.1 2000 OK\r\n", L"Invalid HTTP status code"},
        {L"HTTP/1.1 2x0 OK\r\n\r\n", L"Invalid HTTP status code"},
        {L"HTTP/1.1 200 OK", L"HTTP reason string too long"},
    };
    for (const auto& failure : failures) {
        HTTPResponse fresh;
        EXPECT_EQ(failure.error, readFailure(fresh, failure.text)) << failure.text;
        EXPECT_EQ(200, fresh.getStatus());
    }
}

TEST(HttpMessage, RequestsRoundTrip) {
    HTTPRequest request(L"POST", L"/check?x=1", HTTPMessage::HTTP_1_1);
    request.set(L"Host", L"example");
    const std::wstring text = writeText(request);
    EXPECT_EQ(L"POST /check?x=1 HTTP/1.1\r\nHost: example\r\n\r\n", text);
    HTTPRequest copy;
    readText(copy, text);
    EXPECT_EQ(text, writeText(copy));
    EXPECT_EQ(L"HTTP request method invalid or too long", readFailure(copy, std::wstring(33, L'M') + L" / HTTP/1.0\r\n"));
    EXPECT_EQ(L"POST", copy.getMethod());
}

TEST(HttpMessage, PropertiesFollowTheirFields) {
    HTTPRequest request(L"GET", L"/", HTTPMessage::HTTP_1_1);
    EXPECT_TRUE(request.getKeepAlive());
    request.set(L"Connection", L"close");
    EXPECT_FALSE(request.getKeepAlive());
    request.setVersion(HTTPMessage::HTTP_1_0);
    request.erase(L"Connection");
    EXPECT_FALSE(request.getKeepAlive());

    request.setChunkedTransferEncoding(true);
    request.setTransferEncoding(L"Identity");
    EXPECT_FALSE(request.has(L"Transfer-Encoding"));
    EXPECT_EQ(-1, request.getContentLength());
    request.setContentLength(12);
    request.setContentLength(-1);
    EXPECT_FALSE(request.has(L"Content-Length"));
    request.set(L"Content-Length", L"12a");
    EXPECT_THROW(request.getContentLength(), StringNotAValidInteger);
    EXPECT_EQ(L"???", HTTPResponse::getReasonForStatus(299));
}

TEST(HttpMessage, FieldValuesSplitAndQuote) {
    std::wstring quoted;
    MessageHeader::quote(L"a b", quoted, true);
    MessageHeader::quote(L"a b", quoted, false);
    MessageHeader::quote(L"a/b", quoted, true);
    EXPECT_EQ(L"a b\"a b\"\"a/b\"", quoted);

    std::wstring value;
    NameValueCollection parameters;
    MessageHeader::splitParameters(L" form-data ; name=\"a;b\" ; filename=x\\\"y ; =z", value, parameters);
    EXPECT_EQ(L"form-data", value);
    EXPECT_EQ(L"a;b", parameters.get(L"name"));
    EXPECT_EQ(L"x\"y", parameters.get(L"filename"));
    EXPECT_EQ(2, parameters.size());

    std::vector<std::wstring> elements;
    MessageHeader::splitElements(L" a , \"b,\\\"c\" ,, d", elements, true);
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"\"b,\"c\"", L"d"}), elements);
    MessageHeader::splitElements(L"a,,b", elements, false);
    EXPECT_EQ(3u, elements.size());
}

} // namespace
