// Forms in both encodings, multipart bodies written and read back, media types, and the limits
// on boundaries that come from outside.

#include "pel/net/base/MediaType.h"
#include "pel/net/base/MultipartReader.h"
#include "pel/net/base/MultipartWriter.h"
#include "pel/net/base/NetException.h"
#include "pel/net/base/PartSource.h"
#include "pel/net/http/HTMLForm.h"
#include "pel/net/http/HTTPRequest.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pel;
using namespace pel::net;

namespace {

class StringSource : public PartSource {
public:
    StringSource(const std::string& content, const std::wstring& filename)
        : PartSource(L"application/octet-stream"), m_stream(content), m_filename(filename) {}
    std::istream& stream() override { return m_stream; }
    const std::wstring& filename() const override { return m_filename; }

private:
    std::istringstream m_stream;
    std::wstring m_filename;
};

// Keeps the file name and content of every part it is given.
class RecordingHandler : public PartHandler {
public:
    void handlePart(const MessageHeader& header, std::istream& stream) override {
        std::ostringstream out;
        out << stream.rdbuf();
        const std::string content = out.str();
        parts += header.get(L"Content-Disposition") + L"|" + std::wstring(content.begin(), content.end()) + L";";
    }
    std::wstring parts;
};

std::wstring fields(const NameValueCollection& form) {
    std::wstring text;
    for (const auto& field : form)
        text += field.first + L"=" + field.second + L";";
    return text;
}

TEST(HtmlForm, UrlFormsWriteAndRead) {
    HTMLForm form;
    form.set(L"b", L"1 2");
    form.set(L"a", L"x&y");
    std::ostringstream out;
    form.write(out);
    EXPECT_EQ("a=x%26y&b=1%202", out.str());

    HTTPRequest post(L"POST", L"/");
    post.setContentType(HTMLForm::ENCODING_URL);
    std::istringstream body("a=1&&b=+2");
    EXPECT_EQ(L"=;a=1;b= 2;", fields(HTMLForm(post, body)));
    HTTPRequest get(L"GET", L"/p?x=1&y=%41");
    EXPECT_EQ(L"x=1;y=A;", fields(HTMLForm(get)));
}

TEST(HtmlForm, PrepareSubmitDescribesTheBody) {
    HTMLForm form;
    form.set(L"key", L"\u00e9");
    HTTPRequest post(L"POST", L"/build/check");
    form.prepareSubmit(post);
    EXPECT_EQ(L"application/x-www-form-urlencoded", post.getContentType());
    EXPECT_EQ(10, post.getContentLength()); // key=%C3%A9
    EXPECT_EQ(L"Close", post.get(L"Connection"));
    EXPECT_FALSE(post.has(L"Transfer-Encoding"));

    HTMLForm multipart(HTMLForm::ENCODING_MULTIPART);
    multipart.set(L"a", L"1");
    multipart.addPart(L"f", new StringSource("content", L"f.txt"));
    HTTPRequest put(L"PUT", L"/", HTTPMessage::HTTP_1_1);
    multipart.prepareSubmit(put);
    std::ostringstream out;
    multipart.write(out);
    EXPECT_EQ(static_cast<int>(out.str().size()), put.getContentLength());
    EXPECT_FALSE(put.has(L"Transfer-Encoding"));
    EXPECT_EQ(L"multipart/form-data; boundary=\"" + multipart.boundary() + L"\"", put.getContentType());

    HTTPRequest query(L"GET", L"/q");
    form.prepareSubmit(query);
    EXPECT_EQ(L"/q?key=%C3%A9", query.getURI());
}

TEST(HtmlForm, MultipartBodiesReadBackWhole) {
    HTMLForm form(HTMLForm::ENCODING_MULTIPART);
    form.set(L"a", L"1");
    form.set(L"b", L"line\r\n--notboundary\r\n");
    form.addPart(L"file", new StringSource("x\r\n--MIME_boundary_ y", L"f.txt"));
    std::stringstream body;
    const std::wstring longest = L"MIME_boundary_" + std::wstring(56, L'Z'); // the most MIME allows
    form.write(body, longest);

    HTTPRequest request(L"POST", L"/");
    request.setContentType(L"multipart/form-data; boundary=\"" + longest + L"\"");
    RecordingHandler handler;
    EXPECT_EQ(L"a=1;b=line\r\n--notboundary\r\n;", fields(HTMLForm(request, body, handler)));
    EXPECT_EQ(L"form-data; name=\"file\"; filename=\"f.txt\"|x\r\n--MIME_boundary_ y;", handler.parts);

    body.clear();
    body.seekg(0);
    MultipartReader reader(body);
    MessageHeader header;
    for (int part = 0; part < 3; ++part) {
        ASSERT_TRUE(reader.hasNextPart());
        reader.nextPart(header);
        std::ostringstream discard;
        discard << reader.stream().rdbuf();
    }
    EXPECT_EQ(longest, reader.boundary());
    EXPECT_FALSE(reader.hasNextPart());
    EXPECT_THROW(reader.nextPart(header), MultipartException);
}

TEST(HtmlForm, OverlongBoundariesAreRefused) {
    const std::wstring longBoundary(1000, L'b');
    std::ostringstream out;
    EXPECT_THROW(MultipartWriter(out, longBoundary), MultipartException);
    EXPECT_NO_THROW(MultipartWriter(out, std::wstring(70, L'b')));
    std::istringstream empty;
    EXPECT_THROW(MultipartReader(empty, longBoundary), MultipartException);

    const std::string body = "--" + std::string(1000, 'b') + "\r\n\r\nx\r\n--" + std::string(1000, 'b') + "--\r\n";
    std::istringstream guessed(body);
    MultipartReader reader(guessed);
    MessageHeader header;
    EXPECT_THROW(reader.nextPart(header), MultipartException);

    HTTPRequest request(L"POST", L"/");
    request.setContentType(L"multipart/form-data; boundary=" + longBoundary);
    std::istringstream loaded(body);
    EXPECT_THROW(HTMLForm(request, loaded), MultipartException);
    std::istringstream noBoundary("");
    request.setContentType(L"multipart/form-data");
    EXPECT_THROW(HTMLForm(request, noBoundary), NotFoundException);

    // A first line of just "--" (guessed, or behind an empty boundary parameter) is outside
    // input without a boundary, not a broken invariant.
    for (const wchar_t* contentType : {L"multipart/form-data; boundary=", L"multipart/form-data; boundary=\"\""}) {
        std::istringstream dashes("--\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nx\r\n----\r\n");
        request.setContentType(contentType);
        EXPECT_EQ(L"No boundary line found",
                  tessel_test::thrown<MultipartException>([&] { HTMLForm form(request, dashes); }));
    }
    std::istringstream dashes("--\r\n\r\nx\r\n----\r\n");
    MultipartReader guessing(dashes);
    EXPECT_THROW(guessing.nextPart(header), MultipartException);

    const std::wstring created = MultipartWriter::createBoundary();
    ASSERT_EQ(30u, created.size());
    EXPECT_EQ(L"MIME_boundary_", created.substr(0, 14));
    EXPECT_EQ(std::wstring::npos, created.find_first_not_of(L"0123456789ABCDEF", 14));
}

TEST(HtmlForm, MediaTypesParseAndMatch) {
    MediaType type(L" text/html; charset=utf-8");
    EXPECT_EQ(L"text", type.getType());
    EXPECT_EQ(L"html", type.getSubType());
    EXPECT_EQ(L"utf-8", type.getParameter(L"charset"));
    std::wstring text;
    type.toString(&text);
    EXPECT_EQ(L"text/html; charset=utf-8", text);
    type.setParameter(L"q", L"a b");
    type.toString(&text);
    EXPECT_EQ(L"text/html; charset=utf-8; q=\"a b\"", text);

    EXPECT_TRUE(type.matches(L"TEXT", L"Html"));
    EXPECT_FALSE(type.matches(L"text", L"plain"));
    EXPECT_TRUE(type.matchesRange(L"text", L"*"));
    EXPECT_TRUE(type.matchesRange(L"*", L"html"));
    EXPECT_FALSE(type.matchesRange(L"*", L"plain"));
    EXPECT_FALSE(type.matchesRange(L"image", L"*"));
    EXPECT_TRUE(MediaType(L"*/*").matchesRange(type));
}

} // namespace
