#pragma once
// A Uniform Resource Identifier held in its components: parsed from text and rebuilt, its
// components percent-encoded and decoded, relative references resolved against it and dot
// segments removed, after RFC 3986. The scheme and host are kept in lower case, the path and
// fragment decoded and the query raw (still encoded). Non-ASCII characters are encoded as the
// percent-escaped octets of their UTF-8 form, so web forms built with encode() send UTF-8.

#include "pel/base/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pel {

// A syntax error in URI text, with the index in the parsed text where it was found. Reports
// itself as a SyntaxException: "SyntaxException: <message> at <position>".
class URIParseSyntaxException : public SyntaxException {
public:
    URIParseSyntaxException(const std::wstring& i_message, int i_position)
        : SyntaxException(i_message), position(i_position) {}

    void displayText(std::wstring& out) const override;
    using Exception::displayText;
    URIParseSyntaxException* clone() const override { return new URIParseSyntaxException(*this); }

    int position;
};

class URI {
public:
    // Characters encode() escapes in each component besides those that are never left as they are.
    static constexpr const wchar_t* RESERVED_PATH = L"?#";
    static constexpr const wchar_t* RESERVED_QUERY = L"#";
    static constexpr const wchar_t* RESERVED_FRAGMENT = L"";
    // Printable ASCII characters that are always escaped.
    static constexpr const wchar_t* ILLEGAL = L"%<>{}|\"^`";

    URI();
    // Parse the text; throw URIParseSyntaxException when it is not a URI.
    explicit URI(const std::wstring& uri);
    explicit URI(const wchar_t* uri);
    // pathEtc: path, query and fragment as text, parsed.
    URI(const std::wstring& scheme, const std::wstring& pathEtc);
    URI(const std::wstring& scheme, const std::wstring& authority, const std::wstring& pathEtc);
    // The path and query as given (neither decoded nor encoded).
    URI(const std::wstring& scheme, const std::wstring& authority, const std::wstring& path,
        const std::wstring& query);
    URI(const std::wstring& scheme, const std::wstring& authority, const std::wstring& path,
        const std::wstring& query, const std::wstring& fragment);
    // The base resolved against the relative reference.
    URI(const URI& base, const std::wstring& relative);
    URI(const URI& other) = default;

    URI& operator=(const URI& other) = default;
    // Clear, then parse.
    URI& operator=(const std::wstring& uri);
    URI& operator=(const wchar_t* uri);
    void swap(URI& other);
    // Every component empty, the port 0.
    void clear();

    const std::wstring& getScheme() const { return m_scheme; }
    const std::wstring& getUserInfo() const { return m_userInfo; }
    const std::wstring& getHost() const { return m_host; }
    // The port, or the scheme's well-known port when none is set.
    uint16_t getPort() const;
    const std::wstring& getPath() const { return m_path; }
    const std::wstring& getRawQuery() const { return m_query; }
    // The query decoded.
    std::wstring getQuery() const;
    const std::wstring& getFragment() const { return m_fragment; }
    // "userInfo@host:port"; the host in brackets when it holds ':', the port only when it is
    // not the scheme's well-known one.
    std::wstring getAuthority() const;
    // Encoded path, "?" and the raw query (with what a query cannot hold escaped: spaces,
    // controls, quotes, angle brackets, non-ASCII characters as UTF-8), "#" and the encoded
    // fragment: what follows the authority in toString().
    std::wstring getPathEtc() const;
    // As getPathEtc() without the fragment: the target of an HTTP request.
    std::wstring getPathAndQuery() const;
    // Appends the non-empty segments of the path.
    void getPathSegments(std::vector<std::wstring>& segments) const;
    // 0 for schemes without one.
    uint16_t getWellKnownPort() const;

    // Lower-cased; a port of 0 becomes the scheme's well-known port.
    void setScheme(const std::wstring& scheme);
    // The user info, path and fragment are given encoded and stored decoded.
    void setUserInfo(const std::wstring& userInfo);
    void setHost(const std::wstring& host);
    void setPort(uint16_t port);
    void setAuthority(const std::wstring& authority);
    void setPath(const std::wstring& path);
    void setRawQuery(const std::wstring& query);
    // Stores the query encoded.
    void setQuery(const std::wstring& query);
    void setFragment(const std::wstring& fragment);
    void setPathEtc(const std::wstring& pathEtc);

    std::wstring toString() const;
    bool isRelative() const { return m_scheme.empty(); }
    // Scheme, host, path, query and fragment all empty.
    bool empty() const;
    // Removes "." and ".." segments from the path; a relative URI keeps its leading "..".
    void normalize();
    void resolve(const std::wstring& relative);
    void resolve(const URI& relative);

    // Equal components; a port of 0 counts as the well-known port.
    bool operator==(const URI& other) const;
    bool operator==(const std::wstring& uri) const;
    bool operator!=(const URI& other) const { return !(*this == other); }
    bool operator!=(const std::wstring& uri) const { return !(*this == uri); }

    // Append text to o_string with every character escaped that is not an ASCII letter or digit,
    // one of "-_.~", or other printable ASCII outside ILLEGAL and reserved.
    static void encode(const std::wstring& text, const std::wstring& reserved, std::wstring* o_string);
    // Append text to o_string with its escapes decoded: a run of escapes that forms one UTF-8
    // character gives that character, any other escaped byte the character U+0000-U+00FF.
    // Throws URIParseSyntaxException for a '%' without two hexadecimal digits.
    static void decode(const std::wstring& text, std::wstring* o_string);

private:
    class Parser;

    // encode(), leaving well-formed escapes ("%" and two hexadecimal digits) as they are
    // when keepEscapes is set.
    static void appendEncoded(const std::wstring& text, const std::wstring& reserved, bool keepEscapes,
                              std::wstring* o_string);
    void removeDotSegments(bool removeLeading);
    void mergePath(const std::wstring& relativePath);
    void buildPath(const std::vector<std::wstring>& segments, bool leadingSlash, bool trailingSlash);
    bool equals(const URI& other) const;

    std::wstring m_scheme;
    std::wstring m_userInfo;
    std::wstring m_host;
    uint16_t m_port;
    std::wstring m_path;
    std::wstring m_query;
    std::wstring m_fragment;
};

} // namespace pel
