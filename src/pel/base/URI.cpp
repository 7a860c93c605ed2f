#include "pel/base/URI.h"

#include "pel/base/Ascii.h"
#include "pel/base/Assert.h"
#include "pel/text/Inflector.h"
#include "pel/text/NumberText.h"
#include "pel/text/TextConversion.h"

#include <cwchar>
#include <utility>

namespace pel {

namespace {

const wchar_t HEX_DIGITS[] = L"0123456789ABCDEF";

bool contains(const wchar_t* set, wchar_t c) {
    return c != 0 && std::wcschr(set, c) != nullptr;
}

void appendEscape(unsigned char byte, std::wstring* o_string) {
    *o_string += L'%';
    *o_string += HEX_DIGITS[byte >> 4];
    *o_string += HEX_DIGITS[byte & 0x0F];
}


// The byte of the escape at text[i] == '%'; throws for a malformed escape, its position an
// index into text.
unsigned char readEscape(const std::wstring& text, size_t i, size_t end) {
    if (i + 1 >= end)
        throw URIParseSyntaxException(L"no hex digit following percent sign", static_cast<int>(i));
    if (i + 2 >= end)
        throw URIParseSyntaxException(L"two hex digits must follow percent sign", static_cast<int>(i));
    const int high = pel::Ascii::hexDigitValue(text[i + 1]);
    if (high < 0)
        throw URIParseSyntaxException(L"not a hex digit", static_cast<int>(i + 1));
    const int low = pel::Ascii::hexDigitValue(text[i + 2]);
    if (low < 0)
        throw URIParseSyntaxException(L"not a hex digit", static_cast<int>(i + 2));
    return static_cast<unsigned char>(high * 16 + low);
}

// The byte of a well-formed escape at text[i], or -1; never throws.
int peekEscape(const std::wstring& text, size_t i, size_t end) {
    if (i + 2 >= end || text[i] != L'%')
        return -1;
    const int high = pel::Ascii::hexDigitValue(text[i + 1]);
    const int low = pel::Ascii::hexDigitValue(text[i + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot start one.
int sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether byte may follow lead at the given place of a well-formed sequence (no overlong
// forms, no surrogates, nothing above U+10FFFF).
bool isContinuation(unsigned char lead, int place, int byte) {
    int low = 0x80;
    int high = 0xBF;
    if (place == 1) {
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
        else if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    }
    return byte >= low && byte <= high;
}

// Decodes text[begin, end) into o_string; error positions are indexes into text.
void decodeRange(const std::wstring& text, size_t begin, size_t end, std::wstring* o_string) {
    for (size_t i = begin; i < end; ++i) {
        const wchar_t c = text[i];
        if (c != L'%') {
            *o_string += c;
            continue;
        }
        const unsigned char lead = readEscape(text, i, end);
        const int length = sequenceLength(lead);
        char bytes[4] = {static_cast<char>(lead)};
        int place = 1;
        for (; place < length; ++place) {
            const int byte = peekEscape(text, i + 3 * place, end);
            if (!isContinuation(lead, place, byte))
                break;
            bytes[place] = static_cast<char>(byte);
        }
        if (length > 0 && place == length) {
            fromUtf8(bytes, static_cast<size_t>(length), *o_string);
            i += 3 * length - 1;
        } else {
            *o_string += static_cast<wchar_t>(lead);
            i += 2;
        }
    }
}

void appendSegments(const std::wstring& path, std::vector<std::wstring>& segments) {
    size_t start = 0;
    while (start <= path.length()) {
        size_t slash = path.find(L'/', start);
        if (slash == std::wstring::npos)
            slash = path.length();
        if (slash > start)
            segments.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
}

std::wstring lowerCase(const std::wstring& text) {
    std::wstring lower = text;
    Inflector::toLower(&lower);
    return lower;
}

} // namespace

void URIParseSyntaxException::displayText(std::wstring& out) const {
    Exception::displayText(out);
    out += L" at ";
    formatInteger(out, position, 10, 0);
}

// Reads URI text into the components of a URI, left to right.
class URI::Parser {
public:
    Parser(URI& uri, const std::wstring& text) : m_uri(uri), m_text(text), m_pos(0) {}

    void parseURI() {
        if (m_text.empty())
            return;
        const wchar_t first = m_text[0];
        if (first == L'/' && m_text.compare(0, 2, L"//") == 0) {
            // A network-path reference: an authority without a scheme.
            m_pos = 2;
            parseAuthority();
            parsePathEtc();
            return;
        }
        if (first == L'/' || first == L'.' || first == L'?' || first == L'#') {
            parsePathEtc();
            return;
        }
        const size_t stop = m_text.find_first_of(L":?#/");
        if (stop == std::wstring::npos || m_text[stop] != L':') {
            parsePathEtc();
            return;
        }
        if (stop + 1 == m_text.length())
            throw URIParseSyntaxException(L"URI scheme must be followed by authority or path",
                                          static_cast<int>(m_text.length()));
        m_uri.setScheme(m_text.substr(0, stop));
        m_pos = stop + 1;
        if (m_text.compare(m_pos, 2, L"//") == 0) {
            m_pos += 2;
            parseAuthority();
        }
        parsePathEtc();
    }

    // Up to the next '/', '?', '#' or the end. Only the text between the last two '@' signs is
    // kept as user info.
    void parseAuthority() {
        size_t end = m_text.find_first_of(L"/?#", m_pos);
        if (end == std::wstring::npos)
            end = m_text.length();
        size_t hostStart = m_pos;
        for (size_t i = m_pos; i < end; ++i) {
            if (m_text[i] == L'@') {
                m_uri.m_userInfo = m_text.substr(hostStart, i - hostStart);
                hostStart = i + 1;
            }
        }
        parseHostAndPort(hostStart, end);
        m_pos = end;
    }

    void parsePathEtc() {
        const size_t length = m_text.length();
        if (m_pos >= length)
            return;
        if (m_text[m_pos] != L'?' && m_text[m_pos] != L'#') {
            size_t end = m_text.find_first_of(L"?#", m_pos);
            if (end == std::wstring::npos)
                end = length;
            m_uri.m_path.clear();
            decodeRange(m_text, m_pos, end, &m_uri.m_path);
            m_pos = end;
        }
        if (m_pos < length && m_text[m_pos] == L'?') {
            size_t end = m_text.find(L'#', m_pos + 1);
            if (end == std::wstring::npos)
                end = length;
            m_uri.m_query = m_text.substr(m_pos + 1, end - m_pos - 1);
            m_pos = end;
        }
        if (m_pos < length && m_text[m_pos] == L'#') {
            m_uri.m_fragment.clear();
            decodeRange(m_text, m_pos + 1, length, &m_uri.m_fragment);
            m_pos = length;
        }
    }

private:
    void parseHostAndPort(size_t begin, size_t end) {
        size_t i = begin;
        std::wstring host;
        if (i < end && m_text[i] == L'[') {
            const size_t close = m_text.find(L']', i + 1);
            if (close == std::wstring::npos || close >= end)
                throw URIParseSyntaxException(L"unterminated IPv6 address", static_cast<int>(end));
            host = m_text.substr(i + 1, close - i - 1);
            i = close + 1;
            if (i < end && m_text[i] != L':')
                throw URIParseSyntaxException(L"bad or invalid port number", static_cast<int>(i));
        } else {
            size_t colon = m_text.find(L':', i);
            if (colon == std::wstring::npos || colon > end)
                colon = end;
            host = m_text.substr(i, colon - i);
            i = colon;
        }
        m_uri.m_host = lowerCase(host);
        if (i + 1 < end) // a ':' and a port text
            m_uri.m_port = parsePort(i + 1, end);
        else
            m_uri.m_port = m_uri.getWellKnownPort();
    }

    uint16_t parsePort(size_t begin, size_t end) {
        const std::wstring text = m_text.substr(begin, end - begin);
        unsigned int port = 0;
        bool valid = text.length() <= 5;
        for (wchar_t c : text)
            valid = valid && Ascii::isDigit(c);
        valid = valid && parseUnsigned(&port, text) && port >= 1 && port <= 65535;
        if (!valid)
            throw URIParseSyntaxException(L"bad or invalid port number", static_cast<int>(begin));
        return static_cast<uint16_t>(port);
    }

    URI& m_uri;
    const std::wstring& m_text;
    size_t m_pos;
};

URI::URI() : m_port(0) {}

URI::URI(const std::wstring& uri) : m_port(0) {
    Parser(*this, uri).parseURI();
}

URI::URI(const wchar_t* uri) : m_port(0) {
    PEL_CHECK_PTR(uri);
    const std::wstring text(uri);
    Parser(*this, text).parseURI();
}

URI::URI(const std::wstring& scheme, const std::wstring& pathEtc) : m_scheme(lowerCase(scheme)), m_port(0) {
    m_port = getWellKnownPort();
    Parser(*this, pathEtc).parsePathEtc();
}

URI::URI(const std::wstring& scheme, const std::wstring& authority, const std::wstring& pathEtc)
    : m_scheme(lowerCase(scheme)), m_port(0) {
    Parser(*this, authority).parseAuthority();
    Parser(*this, pathEtc).parsePathEtc();
}

URI::URI(const std::wstring& scheme, const std::wstring& authority, const std::wstring& path,
         const std::wstring& query)
    : m_scheme(lowerCase(scheme)), m_port(0), m_path(path), m_query(query) {
    Parser(*this, authority).parseAuthority();
}

URI::URI(const std::wstring& scheme, const std::wstring& authority, const std::wstring& path,
         const std::wstring& query, const std::wstring& fragment)
    : m_scheme(lowerCase(scheme)), m_port(0), m_path(path), m_query(query), m_fragment(fragment) {
    Parser(*this, authority).parseAuthority();
}

URI::URI(const URI& base, const std::wstring& relative) : URI(base) {
    resolve(relative);
}

URI& URI::operator=(const std::wstring& uri) {
    const std::wstring text(uri); // uri may be one of the components cleared here
    clear();
    Parser(*this, text).parseURI();
    return *this;
}

URI& URI::operator=(const wchar_t* uri) {
    PEL_CHECK_PTR(uri);
    return operator=(std::wstring(uri));
}

void URI::swap(URI& other) {
    m_scheme.swap(other.m_scheme);
    m_userInfo.swap(other.m_userInfo);
    m_host.swap(other.m_host);
    std::swap(m_port, other.m_port);
    m_path.swap(other.m_path);
    m_query.swap(other.m_query);
    m_fragment.swap(other.m_fragment);
}

void URI::clear() {
    m_scheme.clear();
    m_userInfo.clear();
    m_host.clear();
    m_port = 0;
    m_path.clear();
    m_query.clear();
    m_fragment.clear();
}

uint16_t URI::getPort() const {
    return m_port == 0 ? getWellKnownPort() : m_port;
}

std::wstring URI::getQuery() const {
    std::wstring query;
    decode(m_query, &query);
    return query;
}

std::wstring URI::getAuthority() const {
    std::wstring authority;
    if (!m_userInfo.empty()) {
        authority += m_userInfo;
        authority += L'@';
    }
    if (m_host.find(L':') != std::wstring::npos) {
        authority += L'[';
        authority += m_host;
        authority += L']';
    } else {
        authority += m_host;
    }
    if (m_port != 0 && m_port != getWellKnownPort()) {
        authority += L':';
        formatInteger(authority, m_port, 10, 0);
    }
    return authority;
}

std::wstring URI::getPathEtc() const {
    std::wstring pathEtc = getPathAndQuery();
    if (!m_fragment.empty()) {
        pathEtc += L'#';
        encode(m_fragment, RESERVED_FRAGMENT, &pathEtc);
    }
    return pathEtc;
}

std::wstring URI::getPathAndQuery() const {
    std::wstring pathAndQuery;
    encode(m_path, RESERVED_PATH, &pathAndQuery);
    if (!m_query.empty()) {
        // The raw query is encoded already, but perhaps not wholly (set as given): what a
        // request line cannot hold is escaped, and its escapes stay as they are ("%41" must
        // not become "%2541").
        pathAndQuery += L'?';
        appendEncoded(m_query, RESERVED_QUERY, true, &pathAndQuery);
    }
    return pathAndQuery;
}

void URI::getPathSegments(std::vector<std::wstring>& segments) const {
    appendSegments(m_path, segments);
}

uint16_t URI::getWellKnownPort() const {
    static const struct {
        const wchar_t* scheme;
        uint16_t port;
    } PORTS[] = {
        {L"ftp", 21},    {L"ssh", 22},    {L"telnet", 23}, {L"http", 80},   {L"nntp", 119}, {L"ldap", 389},
        {L"https", 443}, {L"rtsp", 554},  {L"sip", 5060},  {L"sips", 5061}, {L"xmpp", 5222},
    };
    for (const auto& entry : PORTS) {
        if (m_scheme == entry.scheme)
            return entry.port;
    }
    return 0;
}

void URI::setScheme(const std::wstring& scheme) {
    m_scheme = lowerCase(scheme);
    if (m_port == 0)
        m_port = getWellKnownPort();
}

void URI::setUserInfo(const std::wstring& userInfo) {
    std::wstring decoded;
    decode(userInfo, &decoded);
    m_userInfo.swap(decoded);
}

void URI::setHost(const std::wstring& host) {
    m_host = host;
}

void URI::setPort(uint16_t port) {
    m_port = port;
}

void URI::setAuthority(const std::wstring& authority) {
    const std::wstring text(authority); // may be one of the components cleared here
    m_userInfo.clear();
    m_host.clear();
    m_port = 0;
    Parser(*this, text).parseAuthority();
}

void URI::setPath(const std::wstring& path) {
    std::wstring decoded;
    decode(path, &decoded);
    m_path.swap(decoded);
}

void URI::setRawQuery(const std::wstring& query) {
    m_query = query;
}

void URI::setQuery(const std::wstring& query) {
    std::wstring encoded;
    encode(query, RESERVED_QUERY, &encoded);
    m_query.swap(encoded);
}

void URI::setFragment(const std::wstring& fragment) {
    std::wstring decoded;
    decode(fragment, &decoded);
    m_fragment.swap(decoded);
}

void URI::setPathEtc(const std::wstring& pathEtc) {
    const std::wstring text(pathEtc); // may be one of the components cleared here
    m_path.clear();
    m_query.clear();
    m_fragment.clear();
    Parser(*this, text).parsePathEtc();
}

std::wstring URI::toString() const {
    std::wstring uri;
    if (isRelative()) {
        encode(m_path, RESERVED_PATH, &uri);
    } else {
        uri += m_scheme;
        uri += L':';
        const std::wstring authority = getAuthority();
        if (!authority.empty() || m_scheme == L"file") {
            uri += L"//";
            uri += authority;
        }
        if (!m_path.empty()) {
            if (!authority.empty() && m_path[0] != L'/')
                uri += L'/';
            encode(m_path, RESERVED_PATH, &uri);
        }
    }
    if (!m_query.empty()) {
        uri += L'?';
        uri += m_query;
    }
    if (!m_fragment.empty()) {
        uri += L'#';
        encode(m_fragment, RESERVED_FRAGMENT, &uri);
    }
    return uri;
}

bool URI::empty() const {
    return m_scheme.empty() && m_host.empty() && m_path.empty() && m_query.empty() && m_fragment.empty();
}

void URI::normalize() {
    removeDotSegments(!isRelative());
}

void URI::resolve(const std::wstring& relative) {
    resolve(URI(relative));
}

void URI::resolve(const URI& relative) {
    if (!relative.m_scheme.empty()) {
        m_scheme = relative.m_scheme;
        m_userInfo = relative.m_userInfo;
        m_host = relative.m_host;
        m_port = relative.m_port;
        m_path = relative.m_path;
        m_query = relative.m_query;
        removeDotSegments(true);
    } else if (!relative.m_host.empty()) {
        m_userInfo = relative.m_userInfo;
        m_host = relative.m_host;
        m_port = relative.m_port;
        m_path = relative.m_path;
        m_query = relative.m_query;
        removeDotSegments(true);
    } else if (relative.m_path.empty()) {
        if (!relative.m_query.empty())
            m_query = relative.m_query;
    } else {
        if (relative.m_path[0] == L'/') {
            m_path = relative.m_path;
            removeDotSegments(true);
        } else {
            mergePath(relative.m_path);
        }
        m_query = relative.m_query;
    }
    m_fragment = relative.m_fragment;
}

bool URI::operator==(const URI& other) const {
    return equals(other);
}

bool URI::operator==(const std::wstring& uri) const {
    return equals(URI(uri));
}

bool URI::equals(const URI& other) const {
    return m_scheme == other.m_scheme && m_userInfo == other.m_userInfo && m_host == other.m_host &&
           getPort() == other.getPort() && m_path == other.m_path && m_query == other.m_query &&
           m_fragment == other.m_fragment;
}

void URI::encode(const std::wstring& text, const std::wstring& reserved, std::wstring* o_string) {
    if (!o_string)
        nullPointerViolation(L"o_string", PEL_FILE, __LINE__);
    appendEncoded(text, reserved, false, o_string);
}

void URI::appendEncoded(const std::wstring& text, const std::wstring& reserved, bool keepEscapes,
                        std::wstring* o_string) {
    std::string bytes;
    for (size_t i = 0; i < text.length();) {
        const wchar_t c = text[i];
        if (keepEscapes && peekEscape(text, i, text.length()) >= 0) {
            o_string->append(text, i, 3);
            i += 3;
            continue;
        }
        if (c >= 0x80) {
            // A run of non-ASCII characters goes out as the escaped octets of its UTF-8 form.
            size_t end = i;
            while (end < text.length() && text[end] >= 0x80)
                ++end;
            bytes.clear();
            toUtf8(text.data() + i, end - i, bytes);
            for (char byte : bytes)
                appendEscape(static_cast<unsigned char>(byte), o_string);
            i = end;
            continue;
        }
        const bool unreserved = Ascii::isAlphaNumeric(c) || c == L'-' || c == L'_' || c == L'.' || c == L'~';
        if (unreserved || (c >= L'!' && c <= L'~' && !contains(ILLEGAL, c) &&
                           reserved.find(c) == std::wstring::npos))
            *o_string += c;
        else
            appendEscape(static_cast<unsigned char>(c), o_string);
        ++i;
    }
}

void URI::decode(const std::wstring& text, std::wstring* o_string) {
    if (!o_string)
        nullPointerViolation(L"o_string", PEL_FILE, __LINE__);
    decodeRange(text, 0, text.length(), o_string);
}

void URI::removeDotSegments(bool removeLeading) {
    if (m_path.empty())
        return;
    const bool leadingSlash = m_path.front() == L'/';
    const bool trailingSlash = m_path.back() == L'/';
    std::vector<std::wstring> segments;
    getPathSegments(segments);
    std::vector<std::wstring> kept;
    for (const std::wstring& segment : segments) {
        if (segment == L"..") {
            if (!kept.empty()) {
                if (kept.back() == L"..")
                    kept.push_back(segment);
                else
                    kept.pop_back();
            } else if (!removeLeading) {
                kept.push_back(segment);
            }
        } else if (segment != L".") {
            kept.push_back(segment);
        }
    }
    buildPath(kept, leadingSlash, trailingSlash);
}

void URI::mergePath(const std::wstring& relativePath) {
    std::vector<std::wstring> segments;
    bool leadingSlash = false;
    if (!m_path.empty()) {
        getPathSegments(segments);
        if (m_path.back() != L'/' && !segments.empty())
            segments.pop_back();
        leadingSlash = m_path.front() == L'/';
    }
    appendSegments(relativePath, segments);
    leadingSlash = leadingSlash || (!relativePath.empty() && relativePath.front() == L'/');
    const bool relativeTrailingSlash = !relativePath.empty() && relativePath.back() == L'/';
    bool askTrailingSlash = false;
    std::vector<std::wstring> kept;
    for (const std::wstring& segment : segments) {
        if (segment == L"..") {
            if (!kept.empty())
                kept.pop_back();
            askTrailingSlash = true;
        } else if (segment == L".") {
            askTrailingSlash = true;
        } else {
            kept.push_back(segment);
            askTrailingSlash = false;
        }
    }
    buildPath(kept, leadingSlash, relativeTrailingSlash || askTrailingSlash);
}

void URI::buildPath(const std::vector<std::wstring>& segments, bool leadingSlash, bool trailingSlash) {
    m_path.clear();
    for (size_t i = 0; i < segments.size(); ++i) {
        const std::wstring& segment = segments[i];
        if (i > 0 || leadingSlash)
            m_path += L'/';
        else if (m_scheme.empty() && segment.find(L':') != std::wstring::npos)
            m_path += L"./"; // else the segment would read as a scheme
        m_path += segment;
    }
    // A relative path of dot segments alone ("./") stays relative: empty, not "/".
    if (trailingSlash && (leadingSlash || !segments.empty()))
        m_path += L'/';
}

} // namespace pel
