#include "pel/base/URI.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace pel;

namespace {

struct TextCase {
    const wchar_t* text;
    const wchar_t* expected;
};

// "message @position" of the syntax error run raises.
std::wstring syntaxError(const std::function<void()>& run) {
    try {
        run();
    } catch (const URIParseSyntaxException& e) {
        return e.message + L" @" + std::to_wstring(e.position);
    }
    return L"(no error)";
}

std::wstring components(const URI& uri) {
    return uri.getScheme() + L"|" + uri.getUserInfo() + L"|" + uri.getHost() + L"|" + std::to_wstring(uri.getPort()) +
           L"|" + uri.getPath() + L"|" + uri.getRawQuery() + L"|" + uri.getFragment();
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

} // namespace

TEST(URI, ParsesAndRebuilds) {
    const struct {
        const wchar_t* text;
        const wchar_t* components; // scheme|user info|host|port|path|raw query|fragment
        const wchar_t* rebuilt;
    } rows[] = {
        {L"http://User@HostA:8080/a/b?x=1#frag", L"http|User|hosta|8080|/a/b|x=1|frag",
         L"http://User@hosta:8080/a/b?x=1#frag"},
        // Only the text between the last two '@' signs is the user info; it is kept encoded.
        {L"ftp://a@b%20c@host/", L"ftp|b%20c|host|21|/||", L"ftp://b%20c@host/"},
        {L"HTTPS://WWW.Example.COM", L"https||www.example.com|443|||", L"https://www.example.com"},
        // Path and fragment are decoded, the query stays raw.
        {L"http://h/a%20b?q=%41+b#x%2Fy", L"http||h|80|/a b|q=%41+b|x/y", L"http://h/a%20b?q=%41+b#x/y"},
        {L"mailto:someone@example.com", L"mailto|||0|someone@example.com||", L"mailto:someone@example.com"},
        {L"host:8080", L"host|||0|8080||", L"host:8080"},
        {L"file:///c:/dir/x.txt", L"file|||0|/c:/dir/x.txt||", L"file:///c:/dir/x.txt"},
        {L"urn:/x", L"urn|||0|/x||", L"urn:/x"},
        {L"http://hosta:80/", L"http||hosta|80|/||", L"http://hosta/"}, // the well-known port left out
        {L"http://host:/", L"http||host|80|/||", L"http://host/"},
        {L"https://h:80/", L"https||h|80|/||", L"https://h:80/"},
        {L"http://[::1]:81/", L"http||::1|81|/||", L"http://[::1]:81/"},
        {L"http://[FE80::1]", L"http||fe80::1|80|||", L"http://[fe80::1]"},
        {L"//Other:81/x", L"||other|81|/x||", nullptr},
        {L"/a/b?c#d", L"|||0|/a/b|c|d", L"/a/b?c#d"},
        {L"./a", L"|||0|./a||", L"./a"},
        {L"a/b", L"|||0|a/b||", L"a/b"},
        {L"?q#f", L"|||0||q|f", L"?q#f"},
        {L"", L"|||0|||", L""},
    };
    for (const auto& row : rows) {
        const URI uri(row.text);
        EXPECT_EQ(row.components, components(uri)) << row.text;
        if (row.rebuilt) {
            EXPECT_EQ(row.rebuilt, uri.toString()) << row.text;
        }
    }
    EXPECT_TRUE(URI(L"//h/x").isRelative());
    EXPECT_TRUE(URI().empty());
    EXPECT_FALSE(URI(L"?q").empty());

    const URI escaped(L"http://h/a%20b?q=%41+b#x%2Fy");
    EXPECT_EQ(L"q=A+b", escaped.getQuery());
    EXPECT_EQ(L"/a%20b?q=%41+b#x/y", escaped.getPathEtc());
    EXPECT_EQ(L"/a%20b?q=%41+b", escaped.getPathAndQuery());
    // A raw query set as given, with what a request line cannot hold beside escapes that stay.
    URI raw(L"http://h/p");
    raw.setRawQuery(L"q=a b&x=%41%2f&c=caf\u00E9\u20AC&t=\"<>\t%&u=%zz{|}^`&s=/?:@!$'()*+,;=~");
    EXPECT_EQ(L"/p?q=a%20b&x=%41%2f&c=caf%C3%A9%E2%82%AC&t=%22%3C%3E%09%25&u=%25zz%7B%7C%7D%5E%60&s=/?:@!$'()*+,;=~",
              raw.getPathAndQuery());
    raw.setFragment(L"f g");
    EXPECT_EQ(raw.getPathAndQuery() + L"#f%20g", raw.getPathEtc());
    EXPECT_EQ(L"[::1]:81", URI(L"http://[::1]:81/").getAuthority());
    EXPECT_EQ(5222, URI(L"xmpp://h").getPort());
    EXPECT_EQ(0, URI(L"gopher://h").getPort());
}

TEST(URI, SyntaxErrorsNameTheirPosition) {
    const TextCase parsed[] = {
        {L"http://[::1", L"unterminated IPv6 address @11"},
        {L"http://[::1/x]", L"unterminated IPv6 address @11"},
        {L"http://host:0/", L"bad or invalid port number @12"},
        {L"http://host:70000/", L"bad or invalid port number @12"},
        {L"http://host:8a/", L"bad or invalid port number @12"},
        {L"http://host:+80/", L"bad or invalid port number @12"},
        {L"http://[::1]x/", L"bad or invalid port number @12"},
        {L"mailto:", L"URI scheme must be followed by authority or path @7"},
        {L"http://h/a%4g", L"not a hex digit @12"}, // an index into the whole URI text
    };
    for (const auto& row : parsed)
        EXPECT_EQ(row.expected, syntaxError([&] { URI uri(row.text); })) << row.text;

    const TextCase decodedRows[] = {
        {L"ab%", L"no hex digit following percent sign @2"}, {L"%4", L"two hex digits must follow percent sign @0"},
        {L"%zz", L"not a hex digit @1"},                     {L"x%4z", L"not a hex digit @3"},
    };
    for (const auto& row : decodedRows)
        EXPECT_EQ(row.expected, syntaxError([&] { decoded(row.text); })) << row.text;
    EXPECT_EQ(L"SyntaxException: not a hex digit at 3", URIParseSyntaxException(L"not a hex digit", 3).displayText());

    // A failed assignment leaves what was parsed before the error.
    URI uri;
    EXPECT_THROW(uri = L"http://h:99999/x", URIParseSyntaxException);
    EXPECT_EQ(L"h", uri.getHost());
    EXPECT_EQ(L"", uri.getPath());
}

TEST(URI, EncodesNonAsciiAsUtf8Escapes) {
    const struct {
        const wchar_t* text;
        const wchar_t* reserved;
        const wchar_t* escaped;
    } rows[] = {
        {L"a b/c?", URI::RESERVED_PATH, L"a%20b/c%3F"}, {L"a#b", URI::RESERVED_QUERY, L"a%23b"},
        {L"-_.~!$&'()*+,;=:@/?", URI::RESERVED_FRAGMENT, L"-_.~!$&'()*+,;=:@/?"},
        {L"%<>{}|\"^`\x7f", L"", L"%25%3C%3E%7B%7D%7C%22%5E%60%7F"}, {L"\n", L"", L"%0A"},
        {L"\x65e5\x672c", URI::RESERVED_PATH, L"%E6%97%A5%E6%9C%AC"}, {L"\x00e9", L"", L"%C3%A9"},
        {L"\xd83d\xde00", L"", L"%F0%9F%98%80"}, {L"\xd800", L"", L"%EF%BF%BD"}, // a lone surrogate
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.escaped, encoded(row.text, row.reserved)) << row.text;
}

TEST(URI, DecodesUtf8RunsAndKeepsOtherBytes) {
    // Escaped bytes that are not UTF-8 stay single characters U+0080-U+00FF.
    const TextCase rows[] = {
        {L"%41%2f", L"A/"},       {L"a+b c", L"a+b c"},     {L"%E6%97%A5%E6%9C%AC", L"\x65e5\x672c"},
        {L"%E9", L"\x00e9"},      {L"%C3x", L"\x00c3x"},     {L"%F0%9F%98%80", L"\xd83d\xde00"},
        {L"%C3%C3%A9", L"\x00c3\x00e9"}, {L"%C0%AF", L"\x00c0\x00af"}, // overlong
        {L"%ED%A0%80", L"\x00ed\x00a0\x0080"},                       // a surrogate
        {L"%E6%97", L"\x00e6\x0097"}, {L"%E6%97%41", L"\x00e6\x0097" L"A"}, // cut off
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, decoded(row.text)) << row.text;

    URI uri(L"http", L"h", L"/\x65e5\x672c", L"");
    EXPECT_EQ(L"http://h/%E6%97%A5%E6%9C%AC", uri.toString());
    EXPECT_EQ(L"/\x65e5\x672c", URI(uri.toString()).getPath());
    uri.setQuery(L"q=\x65e5 #");
    EXPECT_EQ(L"q=%E6%97%A5%20%23", uri.getRawQuery());
    EXPECT_EQ(L"q=\x65e5 #", uri.getQuery());
}

TEST(URI, ConstructorsAndSetters) {
    EXPECT_EQ(L"http|||80|/p|q|f", components(URI(L"HTTP", L"/p?q#f")));
    EXPECT_EQ(L"http|u|host|81|/a b|c|", components(URI(L"http", L"u@Host:81", L"/a%20b?c")));
    EXPECT_EQ(L"http||h|80|/a%20b|x=%41|f%20g", components(URI(L"http", L"h", L"/a%20b", L"x=%41", L"f%20g")));
    EXPECT_EQ(L"http://a/x", URI(URI(L"http://a/b/c"), L"../x").toString());

    URI e;
    e.setScheme(L"HTTPS");
    e.setHost(L"example.org");
    e.setPath(L"/a%2Fb"); // user info, path and fragment are given encoded
    e.setRawQuery(L"x=%41");
    e.setFragment(L"%41");
    EXPECT_EQ(L"https||example.org|443|/a/b|x=%41|A", components(e));
    e.setPort(8443);
    e.setUserInfo(L"me%40home");
    EXPECT_EQ(L"me@home@example.org:8443", e.getAuthority());
    e.setAuthority(L"[::2]"); // clears user info and port
    e.setPathEtc(L"/n?m");
    EXPECT_EQ(L"https||::2|443|/n|m|", components(e));
    e.setPathEtc(e.getPath()); // a component may be set from itself
    EXPECT_EQ(L"/n", e.getPath());

    std::vector<std::wstring> segments{L"first"};
    URI(L"http://h//a/b/").getPathSegments(segments);
    EXPECT_EQ((std::vector<std::wstring>{L"first", L"a", L"b"}), segments);
}

TEST(URI, Equality) {
    EXPECT_TRUE(URI(L"http://h:80/a") == URI(L"HTTP://H/a"));
    EXPECT_TRUE(URI(L"http://h/a") == std::wstring(L"http://h:80/a"));
    URI zero(L"http://h/a");
    zero.setPort(0); // counts as the well-known port
    EXPECT_TRUE(zero == URI(L"http://h/a"));
    for (const wchar_t* other : {L"http://h/a?x", L"http://h/a#x", L"http://u@h/a", L"http://h:81/a"})
        EXPECT_TRUE(URI(L"http://h/a") != std::wstring(other)) << other;
}

TEST(URI, Normalize) {
    const TextCase rows[] = {
        {L"/a/./b/../c", L"/a/c"}, {L"../../a", L"../../a"},     {L"http://h/../a", L"http://h/a"},
        {L"./a:b", L"./a:b"},      {L"/a/b/./", L"/a/b/"},       {L"./", L""}, // stays relative
    };
    for (const auto& row : rows) {
        URI uri(row.text);
        uri.normalize();
        EXPECT_EQ(row.expected, uri.toString()) << row.text;
    }
}

// RFC 3986, section 5.4, against its base URI.
TEST(URI, ResolvesTheRfcExamples) {
    const TextCase examples[] = {
        // Normal examples.
        {L"g:h", L"g:h"}, {L"g", L"http://a/b/c/g"}, {L"./g", L"http://a/b/c/g"}, {L"g/", L"http://a/b/c/g/"},
        {L"/g", L"http://a/g"}, {L"//g", L"http://g"}, {L"?y", L"http://a/b/c/d;p?y"}, {L"g?y", L"http://a/b/c/g?y"},
        {L"#s", L"http://a/b/c/d;p?q#s"}, {L"g#s", L"http://a/b/c/g#s"}, {L"g?y#s", L"http://a/b/c/g?y#s"},
        {L";x", L"http://a/b/c/;x"}, {L"g;x", L"http://a/b/c/g;x"}, {L"g;x?y#s", L"http://a/b/c/g;x?y#s"},
        {L"", L"http://a/b/c/d;p?q"}, {L".", L"http://a/b/c/"}, {L"./", L"http://a/b/c/"}, {L"..", L"http://a/b/"},
        {L"../", L"http://a/b/"}, {L"../g", L"http://a/b/g"}, {L"../..", L"http://a/"}, {L"../../", L"http://a/"},
        {L"../../g", L"http://a/g"},
        // Abnormal examples.
        {L"../../../g", L"http://a/g"}, {L"../../../../g", L"http://a/g"}, {L"/./g", L"http://a/g"},
        {L"/../g", L"http://a/g"}, {L"g.", L"http://a/b/c/g."}, {L".g", L"http://a/b/c/.g"},
        {L"g..", L"http://a/b/c/g.."}, {L"..g", L"http://a/b/c/..g"}, {L"./../g", L"http://a/b/g"},
        {L"./g/.", L"http://a/b/c/g/"}, {L"g/./h", L"http://a/b/c/g/h"}, {L"g/../h", L"http://a/b/c/h"},
        {L"g;x=1/./y", L"http://a/b/c/g;x=1/y"}, {L"g;x=1/../y", L"http://a/b/c/y"},
        {L"g?y/./x", L"http://a/b/c/g?y/./x"}, {L"g?y/../x", L"http://a/b/c/g?y/../x"},
        {L"g#s/./x", L"http://a/b/c/g#s/./x"}, {L"g#s/../x", L"http://a/b/c/g#s/../x"}, {L"http:g", L"http:g"},
    };
    for (const auto& example : examples)
        EXPECT_EQ(example.expected, resolved(L"http://a/b/c/d;p?q", example.text)) << "\"" << example.text << "\"";
    EXPECT_EQ(L"http://a/g", resolved(L"http://a", L"g")); // a base without a path
}
