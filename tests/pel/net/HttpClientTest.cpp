// The HTTP client against a local server: exchanges, replies of every shape, failures, and the
// proxy step with the user's settings stood in for.

#include "HttpTestServer.h"
#include "support/Thrown.h"

#include "pel/net/base/MultipartReader.h"
#include "pel/net/base/NetException.h"
#include "pel/net/base/PartSource.h"
#include "pel/net/http/HTMLForm.h"
#include "pel/net/http/detail/WinHttpApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace pel;
using namespace pel::net;
using tessel_test::thrown;

namespace {

class StringPartSource : public PartSource {
public:
    StringPartSource(const std::string& content, const std::wstring& filename)
        : PartSource(L"text/plain"), m_stream(content), m_filename(filename) {}
    std::istream& stream() override { return m_stream; }
    const std::wstring& filename() const override { return m_filename; }

private:
    std::istringstream m_stream;
    std::wstring m_filename;
};

struct Reply {
    int status;
    std::wstring reason;
    std::wstring body;
};

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class HttpClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = tessel_test::HttpTestServer::start(&s_error); }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override { ASSERT_TRUE(s_server) << narrow(s_error); }
    void TearDown() override { net::detail::winHttpApi() = net::detail::systemWinHttpApi(); }

    static unsigned short port() { return s_server->port(); }

    // One exchange with the server; writeBody fills the request body.
    static Reply exchange(HTTPRequest& request, const std::function<void(std::ostream&)>& writeBody = nullptr,
                          unsigned short toPort = 0) {
        HTTPClientSession session(L"127.0.0.1", toPort ? toPort : port());
        session.sendRequest(request);
        if (writeBody)
            writeBody(request.stream());
        HTTPResponse response;
        session.receiveResponse(response);
        return {response.getStatus(), response.getReason(), response.getBodyText()};
    }

    static Reply get(const std::wstring& uri) {
        HTTPRequest request(L"GET", uri, HTTPMessage::HTTP_1_1);
        return exchange(request);
    }

    static std::unique_ptr<tessel_test::HttpTestServer> s_server;
    static std::wstring s_error;
};

std::unique_ptr<tessel_test::HttpTestServer> HttpClientTest::s_server;
std::wstring HttpClientTest::s_error;

TEST_F(HttpClientTest, RequestsCarryTheirHeadersAndBody) {
    HTTPRequest getRequest(L"GET", L"/echo?x=1");
    getRequest.set(L"X-Test", L"hello");
    EXPECT_EQ(L"GET /echo?x=1\nX-Test: hello\n", exchange(getRequest).body);

    HTTPRequest postRequest(L"POST", L"/echo", HTTPMessage::HTTP_1_1);
    postRequest.set(L"X-Test", L"again");
    postRequest.setContentLength(7);
    // Left in the stream's buffer: receiving the response writes it out first.
    const Reply posted = exchange(postRequest, [](std::ostream& out) { out << "payload"; });
    EXPECT_EQ(L"POST /echo\nX-Test: again\npayload", posted.body);
}

TEST_F(HttpClientTest, FormsArriveAsTheServerExpectsThem) {
    HTMLForm form;
    form.set(L"key", L"k 1");
    form.set(L"request", L"{\"id\":\"x&y\",\"version\":\"\u00fc\u20ac\"}");
    HTTPRequest urlRequest(L"POST", L"/form");
    form.prepareSubmit(urlRequest);
    EXPECT_EQ(L"Close", urlRequest.get(L"Connection"));
    const Reply urlReply = exchange(urlRequest, [&](std::ostream& out) { form.write(out); });
    EXPECT_EQ(200, urlReply.status);
    EXPECT_EQ(L"key=k 1\nrequest={\"id\":\"x&y\",\"version\":\"\u00fc\u20ac\"}\n", urlReply.body);

    HTMLForm multipart(HTMLForm::ENCODING_MULTIPART);
    multipart.set(L"a", L"1");
    multipart.set(L"b", L"two\r\n--notboundary");
    multipart.addPart(L"file", new StringPartSource("file\r\ncontent", L"f.txt"));
    HTTPRequest multipartRequest(L"POST", L"/multipart", HTTPMessage::HTTP_1_1);
    multipart.prepareSubmit(multipartRequest);
    EXPECT_FALSE(multipartRequest.has(HTTPMessage::TRANSFER_ENCODING));
    const Reply multipartReply = exchange(multipartRequest, [&](std::ostream& out) { multipart.write(out); });
    EXPECT_EQ(L"a||text/plain|1\nb||text/plain|two\r\n--notboundary\nfile|f.txt|text/plain|file\r\ncontent",
              multipartReply.body);
}

TEST_F(HttpClientTest, RepliesOfEveryShapeAreReadWhole) {
    std::wstring sized;
    for (int i = 0; i < 2000; ++i)
        sized += std::wstring(5 - std::to_wstring(i).size(), L'0') + std::to_wstring(i) + L"\n";
    EXPECT_EQ(sized, get(L"/sized").body);
    EXPECT_EQ(L"first " + std::wstring(5000, L'x') + L" last", get(L"/chunked").body);

    const Reply missing = get(L"/status/404"), failed = get(L"/status/500");
    EXPECT_EQ(L"404 Not Found missing", std::to_wstring(missing.status) + L" " + missing.reason + L" " + missing.body);
    EXPECT_EQ(L"500 failed", std::to_wstring(failed.status) + L" " + failed.body);
}

TEST_F(HttpClientTest, FailuresAreReportedNotPassedOver) {
    EXPECT_EQ(L"The response ended before the length it announced.", thrown<HTTPException>([] { get(L"/cut"); }));
    const int closedPort = std::stoi(get(L"/closed-port").body);
    HTTPRequest refused(L"GET", L"/");
    EXPECT_EQ(L"Connection to the server failed.",
              thrown<HTTPException>([&] { exchange(refused, nullptr, static_cast<unsigned short>(closedPort)); }));

    HTTPClientSession session(L"127.0.0.1", port());
    HTTPResponse response;
    EXPECT_THROW(session.receiveResponse(response), IllegalStateException);
    HTTPRequest request(L"GET", L"/echo");
    session.sendRequest(request);
    EXPECT_EQ(L"Request had already been sent.", thrown<HTTPException>([&] { session.sendRequest(request); }));
}

TEST_F(HttpClientTest, AReplyWithAnOverlongBoundaryIsRefused) {
    HTTPClientSession session(L"127.0.0.1", port());
    HTTPRequest request(L"GET", L"/long-boundary");
    session.sendRequest(request);
    HTTPResponse response;
    session.receiveResponse(response);
    MultipartReader reader(response.stream());
    MessageHeader header;
    EXPECT_THROW(reader.nextPart(header), MultipartException);
}

// Stand-ins for the user's proxy settings and for failing calls.
struct Fake {
    static std::wstring configUrl, configProxy, askedUrl, setProxy;
    static DWORD configError, proxyError, receiveError;
    static int sends;

    static wchar_t* globalCopy(const std::wstring& text) {
        if (text.empty())
            return nullptr;
        auto* copy = static_cast<wchar_t*>(::GlobalAlloc(GMEM_FIXED, (text.size() + 1) * sizeof(wchar_t)));
        wcscpy(copy, text.c_str());
        return copy;
    }
    static BOOL WINAPI getConfig(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG* config) {
        *config = {};
        if (configError)
            return ::SetLastError(configError), FALSE;
        config->lpszAutoConfigUrl = globalCopy(configUrl);
        config->lpszProxy = globalCopy(configProxy);
        return TRUE;
    }
    static BOOL WINAPI getProxyForUrl(HINTERNET, LPCWSTR url, WINHTTP_AUTOPROXY_OPTIONS*, WINHTTP_PROXY_INFO* info) {
        askedUrl = url;
        *info = {WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr};
        return proxyError ? (::SetLastError(proxyError), FALSE) : TRUE;
    }
    static BOOL WINAPI setOption(HINTERNET, DWORD, LPVOID buffer, DWORD) {
        const auto* info = static_cast<WINHTTP_PROXY_INFO*>(buffer);
        setProxy = info->lpszProxy ? info->lpszProxy : L"(direct)";
        return TRUE;
    }
    static BOOL WINAPI send(HINTERNET request, LPCWSTR headers, DWORD length, LPVOID data, DWORD dataLength,
                            DWORD total, DWORD_PTR context) {
        ++sends;
        return net::detail::systemWinHttpApi().sendRequest(request, headers, length, data, dataLength, total, context);
    }
    static BOOL WINAPI receive(HINTERNET, LPVOID) { return ::SetLastError(receiveError), FALSE; }

    static void install(const std::wstring& url, const std::wstring& proxy) {
        configUrl = url;
        configProxy = proxy;
        askedUrl = setProxy = L"";
        configError = proxyError = receiveError = 0;
        sends = 0;
        net::detail::WinHttpApi& api = net::detail::winHttpApi();
        api.getIEProxyConfigForCurrentUser = getConfig;
        api.getProxyForUrl = getProxyForUrl;
        api.setOption = setOption;
        api.sendRequest = send;
    }
};
std::wstring Fake::configUrl, Fake::configProxy, Fake::askedUrl, Fake::setProxy;
DWORD Fake::configError, Fake::proxyError, Fake::receiveError;
int Fake::sends;

TEST_F(HttpClientTest, TheProxyStepOnlySetsTheProxy) {
    Fake::install(L"http://127.0.0.1:9/proxy.pac", L"");
    EXPECT_EQ(200, get(L"/echo").status);
    EXPECT_EQ(1, Fake::sends);
    EXPECT_EQ(L"http://127.0.0.1/echo", Fake::askedUrl);
    EXPECT_EQ(L"(direct)", Fake::setProxy);

    Fake::install(L"", L"proxy.invalid:8080");
    EXPECT_EQ(200, get(L"/echo").status);
    EXPECT_EQ(L"proxy.invalid:8080", Fake::setProxy);

    Fake::install(L"", L"");
    Fake::configError = ERROR_FILE_NOT_FOUND; // settings unreadable: the default proxy serves
    EXPECT_EQ(200, get(L"/echo").status);

    // A script that cannot be had stops the request before anything is sent.
    Fake::install(L"http://127.0.0.1:9/proxy.pac", L"");
    Fake::proxyError = ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT;
    HTTPRequest secure(L"GET", L"/x");
    EXPECT_EQ(L"The PAC file cannot be downloaded.", thrown<HTTPException>([&] { exchange(secure, nullptr, 443); }));
    EXPECT_EQ(L"https://127.0.0.1/x", Fake::askedUrl);
    EXPECT_EQ(0, Fake::sends);
}

TEST_F(HttpClientTest, FailuresOutsideTheTableStillThrow) {
    Fake::install(L"", L"");
    net::detail::winHttpApi().receiveResponse = Fake::receive;
    Fake::receiveError = 0;
    EXPECT_EQ(L"The WinHTTP call failed without giving a reason.", thrown<HTTPException>([] { get(L"/echo"); }));
    Fake::receiveError = ERROR_ACCESS_DENIED;
    const std::wstring message = thrown<HTTPException>([] { get(L"/echo"); });
    EXPECT_TRUE(!message.empty() && message != L"(nothing thrown)") << message;
}

} // namespace
