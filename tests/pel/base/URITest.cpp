#include "pel/base/URI.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace pel;

namespace {

// The message and position of the syntax error parsing text raises.
std::wstring parseError(const std::wstring& text, int* o_position = nullptr) {
    try {
        URI uri(text);
    } catch (const URIParseSyntaxException& e) {
        if (o_position)
            *o_position = e.position;
        return e.message;
    }
    return L"(parsed)";
}

std::wstring decodeError(const std::wstring& text, int* o_position = nullptr) {
    try {
        std::wstring out;
        URI::decode(text, &out);
    } catch (const URIParseSyntaxException& e) {
        if (o_position)
            *o_position = e.position;
        return e.message;
    }
    return L"(decoded)";
}

std::wstring encoded(const std::wstring& text, const std::wstring& reserved) {
    std::wstring out = L">";
    URI::encode(text, reserved, &out);
    return out.substr(1);
}

std::wstring decoded(const std::wstring& text) {
    std::wstring out = L">";
    URI::decode(text, &out);
    return out.substr(1);
}

std::wstring resolved(const wchar_t* base, const wchar_t* relative) {
    URI uri(base);
    uri.resolve(relative);
    return uri.toString();
}

std::wstring normalized(const wchar_t* text) {
    URI uri(text);
    uri.normalize();
    return uri.toString();
}

} // namespace

TEST(URI, ParsesEveryComponent) {
    URI uri(L"http://User@HostA:8080/a/b?x=1#frag");
    EXPECT_EQ(L"http", uri.getScheme());
    EXPECT_EQ(L"User", uri.getUserInfo());
    EXPECT_EQ(L"hosta", uri.getHost());
    EXPECT_EQ(8080, uri.getPort());
    EXPECT_EQ(L"/a/b", uri.getPath());
    EXPECT_EQ(L"x=1", uri.getRawQuery());
    EXPECT_EQ(L"frag", uri.getFragment());
    EXPECT_EQ(L"User@hosta:8080", uri.getAuthority());
    EXPECT_EQ(L"http://User@hosta:8080/a/b?x=1#frag", uri.toString());
    EXPECT_FALSE(uri.isRelative());
    EXPECT_FALSE(uri.empty());

    URI upper(L"HTTPS://WWW.Example.COM");
    EXPECT_EQ(L"https", upper.getScheme());
    EXPECT_EQ(L"www.example.com", upper.getHost());
    EXPECT_EQ(443, upper.getPort());
    EXPECT_EQ(L"", upper.getPath());

    // Only the text between the last two '@' signs is the user info; it is kept encoded.
    URI users(L"ftp://a@b%20c@host/");
    EXPECT_EQ(L"b%20c", users.getUserInfo());
    EXPECT_EQ(L"host", users.getHost());
    EXPECT_EQ(21, users.getPort());

    // Path and fragment are decoded, the query stays raw.
    URI escaped(L"http://h/a%20b?q=%41+b#x%2Fy");
    EXPECT_EQ(L"/a b", escaped.getPath());
    EXPECT_EQ(L"q=%41+b", escaped.getRawQuery());
    EXPECT_EQ(L"q=A+b", escaped.getQuery());
    EXPECT_EQ(L"x/y", escaped.getFragment());
    EXPECT_EQ(L"/a%20b?q=%41+b#x/y", escaped.getPathEtc());
    EXPECT_EQ(L"/a%20b?q=%41+b", escaped.getPathAndQuery());
    EXPECT_EQ(L"http://h/a%20b?q=%41+b#x/y", escaped.toString());
}

TEST(URI, SchemesPathsAndRelativeReferences) {
    URI mail(L"mailto:someone@example.com");
    EXPECT_EQ(L"mailto", mail.getScheme());
    EXPECT_EQ(L"", mail.getHost());
    EXPECT_EQ(L"someone@example.com", mail.getPath());
    EXPECT_EQ(0, mail.getPort());
    EXPECT_EQ(L"mailto:someone@example.com", mail.toString());

    URI hostPort(L"host:8080");
    EXPECT_EQ(L"host", hostPort.getScheme());
    EXPECT_EQ(L"8080", hostPort.getPath());

    URI file(L"file:///c:/dir/x.txt");
    EXPECT_EQ(L"", file.getHost());
    EXPECT_EQ(L"/c:/dir/x.txt", file.getPath());
    EXPECT_EQ(L"file:///c:/dir/x.txt", file.toString());

    URI single(L"urn:/x");
    EXPECT_EQ(L"/x", single.getPath());

    for (const wchar_t* text : {L"/a/b?c#d", L"./a", L"../a", L"?q", L"#f", L"a/b"}) {
        URI relative(text);
        EXPECT_TRUE(relative.isRelative()) << text;
        EXPECT_EQ(text, relative.toString());
    }
    URI query(L"?q#f");
    EXPECT_EQ(L"", query.getPath());
    EXPECT_EQ(L"q", query.getRawQuery());
    EXPECT_EQ(L"f", query.getFragment());

    URI network(L"//Other:81/x");
    EXPECT_TRUE(network.isRelative());
    EXPECT_EQ(L"other", network.getHost());
    EXPECT_EQ(81, network.getPort());
    EXPECT_EQ(L"/x", network.getPath());

    EXPECT_TRUE(URI(L"").empty());
    EXPECT_TRUE(URI().empty());
}

TEST(URI, PortsAndIPv6) {
    URI plain(L"http://hosta");
    EXPECT_EQ(80, plain.getPort());
    EXPECT_EQ(L"http://hosta", plain.toString());
    EXPECT_EQ(L"http://hosta/", URI(L"http://hosta:80/").toString());
    EXPECT_EQ(80, URI(L"http://host:/").getPort());
    EXPECT_EQ(L"https://h:80/", URI(L"https://h:80/").toString());

    URI v6(L"http://[::1]:81/");
    EXPECT_EQ(L"::1", v6.getHost());
    EXPECT_EQ(81, v6.getPort());
    EXPECT_EQ(L"[::1]:81", v6.getAuthority());
    EXPECT_EQ(L"http://[::1]:81/", v6.toString());
    EXPECT_EQ(L"[fe80::1]", URI(L"http://[FE80::1]").getAuthority());

    const struct {
        const wchar_t* port;
        uint16_t wellKnown;
    } schemes[] = {{L"ftp", 21},   {L"ssh", 22},   {L"telnet", 23}, {L"http", 80},
                   {L"nntp", 119}, {L"ldap", 389}, {L"https", 443}, {L"rtsp", 554},
                   {L"sip", 5060}, {L"sips", 5061}, {L"xmpp", 5222}, {L"gopher", 0}};
    for (const auto& row : schemes)
        EXPECT_EQ(row.wellKnown, URI(std::wstring(row.port) + L"://h").getPort()) << row.port;
}

TEST(URI, SyntaxErrors) {
    int position = -1;
    EXPECT_EQ(L"unterminated IPv6 address", parseError(L"http://[::1", &position));
    EXPECT_EQ(11, position);
    EXPECT_EQ(L"unterminated IPv6 address", parseError(L"http://[::1/x]", &position));
    EXPECT_EQ(L"bad or invalid port number", parseError(L"http://host:0/", &position));
    EXPECT_EQ(12, position);
    EXPECT_EQ(L"bad or invalid port number", parseError(L"http://host:70000/"));
    EXPECT_EQ(L"bad or invalid port number", parseError(L"http://host:8a/"));
    EXPECT_EQ(L"bad or invalid port number", parseError(L"http://host:+80/"));
    EXPECT_EQ(L"bad or invalid port number", parseError(L"http://[::1]x/"));
    EXPECT_EQ(L"URI scheme must be followed by authority or path", parseError(L"mailto:", &position));
    EXPECT_EQ(7, position);
    EXPECT_EQ(L"not a hex digit", parseError(L"http://h/a%4g", &position));
    EXPECT_EQ(12, position); // an index into the whole URI text

    URIParseSyntaxException e(L"not a hex digit", 3);
    EXPECT_EQ(L"SyntaxException: not a hex digit at 3", e.displayText());
    std::unique_ptr<Exception> copy(e.clone());
    EXPECT_STREQ(L"SyntaxException", copy->name());
    EXPECT_EQ(3, dynamic_cast<URIParseSyntaxException&>(*copy).position);

    // A failed assignment leaves what was parsed before the error.
    URI uri;
    EXPECT_THROW(uri = L"http://h:99999/x", URIParseSyntaxException);
    EXPECT_EQ(L"http", uri.getScheme());
    EXPECT_EQ(L"h", uri.getHost());
    EXPECT_EQ(L"", uri.getPath());
}

TEST(URI, EncodeAndDecode) {
    EXPECT_EQ(L"a%20b/c%3F", encoded(L"a b/c?", URI::RESERVED_PATH));
    EXPECT_EQ(L"%0A", encoded(L"\n", L""));
    EXPECT_EQ(L"-_.~!$&'()*+,;=:@/?", encoded(L"-_.~!$&'()*+,;=:@/?", URI::RESERVED_FRAGMENT));
    EXPECT_EQ(L"%25%3C%3E%7B%7D%7C%22%5E%60%7F", encoded(L"%<>{}|\"^`\x7f", L""));
    EXPECT_EQ(L"a%23b", encoded(L"a#b", URI::RESERVED_QUERY));
    EXPECT_EQ(L"A/", decoded(L"%41%2f"));
    EXPECT_EQ(L"a+b c", decoded(L"a+b c"));

    int position = -1;
    EXPECT_EQ(L"no hex digit following percent sign", decodeError(L"ab%", &position));
    EXPECT_EQ(2, position);
    EXPECT_EQ(L"two hex digits must follow percent sign", decodeError(L"%4", &position));
    EXPECT_EQ(0, position);
    EXPECT_EQ(L"not a hex digit", decodeError(L"%zz", &position));
    EXPECT_EQ(1, position);
    EXPECT_EQ(L"not a hex digit", decodeError(L"x%4z", &position));
    EXPECT_EQ(3, position);

    EXPECT_THROW(URI::encode(L"x", L"", nullptr), NullPointerException);
    EXPECT_THROW(URI::decode(L"x", nullptr), NullPointerException);
}

TEST(URI, NonAsciiTravelsAsUtf8) {
    const std::wstring japan = L"\x65e5\x672c";
    const std::wstring escapes = encoded(japan, URI::RESERVED_PATH);
    EXPECT_EQ(L"%E6%97%A5%E6%9C%AC", escapes);
    EXPECT_EQ(japan, decoded(escapes));
    EXPECT_EQ(L"%C3%A9", encoded(L"\x00e9", L""));
    EXPECT_EQ(L"%F0%9F%98%80", encoded(L"\xd83d\xde00", L""));
    EXPECT_EQ(L"\xd83d\xde00", decoded(L"%F0%9F%98%80"));
    EXPECT_EQ(L"%EF%BF%BD", encoded(L"\xd800", L"")); // a lone surrogate

    // Escaped bytes that are not UTF-8 stay single characters U+0080-U+00FF.
    EXPECT_EQ(L"\x00e9", decoded(L"%E9"));
    EXPECT_EQ(L"\x00c3x", decoded(L"%C3x"));
    EXPECT_EQ(L"\x00c3\x00e9", decoded(L"%C3%C3%A9"));
    EXPECT_EQ(L"\x00c0\x00af", decoded(L"%C0%AF"));             // overlong
    EXPECT_EQ(L"\x00ed\x00a0\x0080", decoded(L"%ED%A0%80"));    // a surrogate
    EXPECT_EQ(L"\x00e6\x0097", decoded(L"%E6%97"));             // cut off
    EXPECT_EQ(L"\x00e6\x0097" L"A", decoded(L"%E6%97%41"));

    URI uri(L"http", L"h", L"/\x65e5\x672c", L"");
    EXPECT_EQ(L"http://h/%E6%97%A5%E6%9C%AC", uri.toString());
    EXPECT_EQ(L"/\x65e5\x672c", URI(uri.toString()).getPath());
    uri.setQuery(L"q=\x65e5 #");
    EXPECT_EQ(L"q=%E6%97%A5%20%23", uri.getRawQuery());
    EXPECT_EQ(L"q=\x65e5 #", uri.getQuery());
}

TEST(URI, ConstructorsAndSetters) {
    URI a(L"HTTP", L"/p?q#f");
    EXPECT_EQ(L"http", a.getScheme());
    EXPECT_EQ(80, a.getPort());
    EXPECT_EQ(L"/p", a.getPath());
    EXPECT_EQ(L"q", a.getRawQuery());
    EXPECT_EQ(L"f", a.getFragment());

    URI b(L"http", L"u@Host:81", L"/a%20b?c");
    EXPECT_EQ(L"u", b.getUserInfo());
    EXPECT_EQ(L"host", b.getHost());
    EXPECT_EQ(81, b.getPort());
    EXPECT_EQ(L"/a b", b.getPath());
    EXPECT_EQ(L"http://u@host:81/a%20b?c", b.toString());

    URI c(L"http", L"h", L"/a%20b", L"x=%41", L"f%20g");
    EXPECT_EQ(L"/a%20b", c.getPath()); // stored as given
    EXPECT_EQ(L"x=%41", c.getRawQuery());
    EXPECT_EQ(L"f%20g", c.getFragment());

    URI d(URI(L"http://a/b/c"), L"../x");
    EXPECT_EQ(L"http://a/x", d.toString());

    URI e;
    e.setScheme(L"HTTPS");
    EXPECT_EQ(443, e.getPort());
    e.setHost(L"example.org");
    e.setPath(L"/a%2Fb");
    EXPECT_EQ(L"/a/b", e.getPath());
    e.setRawQuery(L"x=%41");
    e.setFragment(L"%41");
    EXPECT_EQ(L"A", e.getFragment());
    EXPECT_EQ(L"https://example.org/a/b?x=%41#A", e.toString());
    e.setPort(8443);
    EXPECT_EQ(L"example.org:8443", e.getAuthority());
    e.setUserInfo(L"me%40home");
    EXPECT_EQ(L"me@home", e.getUserInfo());
    e.setAuthority(L"[::2]");
    EXPECT_EQ(L"", e.getUserInfo());
    EXPECT_EQ(L"::2", e.getHost());
    EXPECT_EQ(443, e.getPort());
    e.setPathEtc(L"/n?m");
    EXPECT_EQ(L"/n", e.getPath());
    EXPECT_EQ(L"m", e.getRawQuery());
    EXPECT_EQ(L"", e.getFragment());
    // A component may be set from itself.
    e.setPathEtc(e.getPath());
    EXPECT_EQ(L"/n", e.getPath());
    e = e.getPath();
    EXPECT_EQ(L"/n", e.toString());

    std::vector<std::wstring> segments{L"first"};
    URI(L"http://h//a/b/").getPathSegments(segments);
    EXPECT_EQ((std::vector<std::wstring>{L"first", L"a", L"b"}), segments);

    URI f(L"http://x/");
    URI g(L"ftp://y");
    f.swap(g);
    EXPECT_EQ(L"ftp://y", f.toString());
    EXPECT_EQ(L"http://x/", g.toString());
    g.clear();
    EXPECT_TRUE(g.empty());
    EXPECT_EQ(0, g.getPort());
}

TEST(URI, Equality) {
    EXPECT_TRUE(URI(L"http://h:80/a") == URI(L"HTTP://H/a"));
    EXPECT_TRUE(URI(L"http://h/a") == std::wstring(L"http://h:80/a"));
    URI zero(L"http://h/a");
    zero.setPort(0);
    EXPECT_TRUE(zero == URI(L"http://h/a"));
    EXPECT_TRUE(URI(L"http://h/a") != URI(L"http://h/a?x"));
    EXPECT_TRUE(URI(L"http://h/a") != URI(L"http://h/a#x"));
    EXPECT_TRUE(URI(L"http://h/a") != URI(L"http://u@h/a"));
    EXPECT_TRUE(URI(L"http://h/a") != std::wstring(L"http://h:81/a"));
}

TEST(URI, Normalize) {
    EXPECT_EQ(L"/a/c", normalized(L"/a/./b/../c"));
    EXPECT_EQ(L"../a", normalized(L"../a"));
    EXPECT_EQ(L"../../a", normalized(L"../../a"));
    EXPECT_EQ(L"http://h/a", normalized(L"http://h/../a"));
    EXPECT_EQ(L"./a:b", normalized(L"./a:b"));
    EXPECT_EQ(L"/a/b/", normalized(L"/a/b/./"));
    EXPECT_EQ(L"", normalized(L"./")); // stays relative
}

TEST(URI, ResolvesAgainstABase) {
    EXPECT_EQ(L"http://a/b/d", resolved(L"http://a/b/c/e", L"../d"));
    EXPECT_EQ(L"http://a/b/c/g/", resolved(L"http://a/b/c/e", L"g/"));
    EXPECT_EQ(L"http://a/b/c/e?y", resolved(L"http://a/b/c/e", L"?y"));
    EXPECT_EQ(L"http://other/x", resolved(L"http://a/b/c/e", L"//other/x"));
    EXPECT_EQ(L"http://a/g", resolved(L"http://a", L"g"));
    EXPECT_EQ(L"http://a/b/g", resolved(L"http://a/b/", L"g"));
}

// RFC 3986, section 5.4, against its base URI.
TEST(URI, ResolvesTheRfcExamples) {
    const wchar_t* const BASE = L"http://a/b/c/d;p?q";
    const struct {
        const wchar_t* relative;
        const wchar_t* target;
    } examples[] = {
        // Normal examples.
        {L"g:h", L"g:h"},
        {L"g", L"http://a/b/c/g"},
        {L"./g", L"http://a/b/c/g"},
        {L"g/", L"http://a/b/c/g/"},
        {L"/g", L"http://a/g"},
        {L"//g", L"http://g"},
        {L"?y", L"http://a/b/c/d;p?y"},
        {L"g?y", L"http://a/b/c/g?y"},
        {L"#s", L"http://a/b/c/d;p?q#s"},
        {L"g#s", L"http://a/b/c/g#s"},
        {L"g?y#s", L"http://a/b/c/g?y#s"},
        {L";x", L"http://a/b/c/;x"},
        {L"g;x", L"http://a/b/c/g;x"},
        {L"g;x?y#s", L"http://a/b/c/g;x?y#s"},
        {L"", L"http://a/b/c/d;p?q"},
        {L".", L"http://a/b/c/"},
        {L"./", L"http://a/b/c/"},
        {L"..", L"http://a/b/"},
        {L"../", L"http://a/b/"},
        {L"../g", L"http://a/b/g"},
        {L"../..", L"http://a/"},
        {L"../../", L"http://a/"},
        {L"../../g", L"http://a/g"},
        // Abnormal examples.
        {L"../../../g", L"http://a/g"},
        {L"../../../../g", L"http://a/g"},
        {L"/./g", L"http://a/g"},
        {L"/../g", L"http://a/g"},
        {L"g.", L"http://a/b/c/g."},
        {L".g", L"http://a/b/c/.g"},
        {L"g..", L"http://a/b/c/g.."},
        {L"..g", L"http://a/b/c/..g"},
        {L"./../g", L"http://a/b/g"},
        {L"./g/.", L"http://a/b/c/g/"},
        {L"g/./h", L"http://a/b/c/g/h"},
        {L"g/../h", L"http://a/b/c/h"},
        {L"g;x=1/./y", L"http://a/b/c/g;x=1/y"},
        {L"g;x=1/../y", L"http://a/b/c/y"},
        {L"g?y/./x", L"http://a/b/c/g?y/./x"},
        {L"g?y/../x", L"http://a/b/c/g?y/../x"},
        {L"g#s/./x", L"http://a/b/c/g#s/./x"},
        {L"g#s/../x", L"http://a/b/c/g#s/../x"},
        {L"http:g", L"http:g"},
    };
    for (const auto& example : examples) {
        EXPECT_EQ(example.target, resolved(BASE, example.relative)) << "\"" << example.relative << "\"";
        EXPECT_EQ(example.target, URI(URI(BASE), example.relative).toString()) << "\"" << example.relative << "\"";
    }
}
