#include "platform/htmlayout/HtmlText.h"

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <cwchar>
#include <cwctype>

namespace htmlayout {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

void appendCodePoint(std::wstring& out, unsigned long code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (code >> 10));
        out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<wchar_t>(code);
    }
}

bool isBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\f';
}

bool startsWithNoCase(std::wstring_view text, size_t at, const wchar_t* prefix) {
    for (; *prefix; ++prefix, ++at)
        if (at >= text.size() || std::towlower(text[at]) != *prefix)
            return false;
    return true;
}

const wchar_t* const kBlockElements[] = {
    L"p", L"div", L"h1", L"h2", L"h3", L"h4", L"h5", L"h6", L"ul", L"ol", L"li", L"dl", L"dt", L"dd",
    L"table", L"tr", L"blockquote", L"pre", L"hr", L"section", L"article", L"header", L"footer", L"nav",
    L"aside", L"main", L"form", L"title", L"address", L"figure", L"body", L"html", L"head"};

// Collects the visible text: blanks collapse into one space, breaks are held until text follows.
class TextBuilder {
public:
    explicit TextBuilder(size_t capacity) { m_out.reserve(capacity); }
    void text(wchar_t ch) {
        if (ch > L' ' && !m_space && m_breaks == 0) {
            m_out.push_back(ch);
            return;
        }
        if (isBlank(ch)) {
            m_space = !m_out.empty();
            return;
        }
        if (!m_out.empty()) {
            if (m_breaks > 0)
                m_out.append(m_breaks, L'\n');
            else if (m_space)
                m_out += L' ';
        }
        m_breaks = 0;
        m_space = false;
        m_out += ch;
    }
    void lineBreak() {
        ++m_breaks;
        m_space = false;
    }
    void paragraphBreak() {
        m_breaks = std::max(m_breaks, 2);
        m_space = false;
    }
    std::wstring take() { return std::move(m_out); }

private:
    std::wstring m_out;
    int m_breaks = 0;
    bool m_space = false;
};

// The character reference at text[at] ('&'); how many characters it takes, 0 when it is none.
size_t decodeReference(std::wstring_view text, size_t at, std::wstring& o_value) {
    // A reference is short: its ';' is looked for only nearby.
    const size_t limit = std::min(text.size(), at + 12);
    size_t semicolon = at + 1;
    while (semicolon < limit && text[semicolon] != L';')
        ++semicolon;
    if (semicolon >= limit || semicolon == at + 1)
        return 0;
    const wchar_t* name = text.data() + at + 1;
    const size_t length = semicolon - at - 1;
    const size_t taken = length + 2;
    if (name[0] == L'#') {
        const bool hex = length > 1 && (name[1] == L'x' || name[1] == L'X');
        const size_t first = hex ? 2 : 1;
        if (first >= length)
            return 0;
        unsigned long code = 0;
        for (size_t i = first; i < length; ++i) {
            const wchar_t ch = name[i];
            int digit = -1;
            if (ch >= L'0' && ch <= L'9')
                digit = ch - L'0';
            else if (hex && ch >= L'a' && ch <= L'f')
                digit = ch - L'a' + 10;
            else if (hex && ch >= L'A' && ch <= L'F')
                digit = ch - L'A' + 10;
            if (digit < 0)
                return 0;
            code = std::min<unsigned long>(code * (hex ? 16 : 10) + digit, 0x110000);
        }
        const bool invalid = code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF);
        o_value.clear();
        appendCodePoint(o_value, invalid ? kReplacement : code);
        return taken;
    }
    static const struct {
        const wchar_t* name;
        wchar_t value;
    } kNamed[] = {{L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}, {L"nbsp", 0xA0}};
    for (const auto& entry : kNamed) {
        if (std::wcslen(entry.name) == length && std::wmemcmp(entry.name, name, length) == 0) {
            o_value.assign(1, entry.value);
            return taken;
        }
    }
    return 0;
}

// The element name of the tag text (after '<' and an optional '/'), lower-cased into the buffer;
// longer names than any this view knows come out cut, and match none.
void tagName(std::wstring_view html, size_t from, size_t end, wchar_t (&o_name)[12]) {
    size_t length = 0;
    for (size_t i = from; i < end && length < 11; ++i) {
        // Element names are ASCII letters and digits.
        const wchar_t ch = html[i];
        const wchar_t lower = ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch + 32) : ch;
        if (!((lower >= L'a' && lower <= L'z') || (lower >= L'0' && lower <= L'9')))
            break;
        o_name[length++] = lower;
    }
    o_name[length] = 0;
}

bool isBlockElement(const wchar_t* name) {
    static const std::unordered_set<std::wstring_view> blocks(std::begin(kBlockElements), std::end(kBlockElements));
    return blocks.count(name) != 0;
}

} // namespace

namespace {

// Decodes into the buffer, which holds at least as many units as there are bytes (never more
// units than bytes come out); the units written.
size_t decodeInto(const unsigned char* bytes, size_t length, wchar_t* o_units) {
    wchar_t* to = o_units;
    size_t i = 0;
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        i = 3;
    while (i < length) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            *to++ = static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        int count = 0;
        unsigned long code = 0, minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            count = 1, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            count = 2, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            count = 3, code = lead & 0x07, minimum = 0x10000;
        }
        size_t next = i + 1;
        bool valid = count > 0;
        for (int k = 0; valid && k < count; ++k, ++next) {
            if (next >= length || (bytes[next] & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (bytes[next] & 0x3F);
        }
        if (valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        if (!valid) {
            // One replacement for the lead and the continuation bytes that followed it.
            *to++ = kReplacement;
            ++i;
            while (i < length && (bytes[i] & 0xC0) == 0x80 && i < next)
                ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            *to++ = static_cast<wchar_t>(0xD800 + (code >> 10));
            *to++ = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            *to++ = static_cast<wchar_t>(code);
        }
        i = next;
    }
    return static_cast<size_t>(to - o_units);
}

} // namespace

std::wstring decodeUtf8(const unsigned char* bytes, size_t length) {
    if (!bytes || !length)
        return std::wstring();
    std::unique_ptr<wchar_t[]> units(new wchar_t[length]);
    return std::wstring(units.get(), decodeInto(bytes, length, units.get()));
}

std::wstring documentText(const unsigned char* bytes, size_t length) {
    if (!bytes || !length)
        return std::wstring();
    std::unique_ptr<wchar_t[]> units(new wchar_t[length]);
    return extractText(std::wstring_view(units.get(), decodeInto(bytes, length, units.get())));
}

std::wstring extractText(std::wstring_view html) {
    TextBuilder builder(html.size());
    size_t i = 0;
    const size_t size = html.size();
    while (i < size) {
        const wchar_t ch = html[i];
        if (ch == L'&') {
            std::wstring value;
            if (const size_t taken = decodeReference(html, i, value)) {
                for (wchar_t decoded : value)
                    builder.text(decoded);
                i += taken;
            } else {
                builder.text(ch);
                ++i;
            }
            continue;
        }
        if (ch != L'<') {
            builder.text(ch);
            ++i;
            continue;
        }
        if (html.compare(i, 4, L"<!--") == 0) {
            const size_t end = html.find(L"-->", i + 4);
            i = end == std::wstring_view::npos ? size : end + 3;
            continue;
        }
        const size_t end = html.find(L'>', i + 1);
        if (end == std::wstring_view::npos)
            break; // an unclosed tag ends the document
        const bool closing = i + 1 < size && html[i + 1] == L'/';
        wchar_t name[12];
        tagName(html, i + (closing ? 2 : 1), end, name);
        i = end + 1;
        const bool script = std::wcscmp(name, L"script") == 0;
        if (!closing && (script || std::wcscmp(name, L"style") == 0)) {
            // Their content is no text: skip to the closing tag.
            const wchar_t* closeTag = script ? L"</script" : L"</style";
            size_t close = i;
            while ((close = html.find(L"</", close)) != std::wstring_view::npos && !startsWithNoCase(html, close, closeTag))
                close += 2;
            if (close == std::wstring_view::npos) {
                i = size;
            } else {
                const size_t closeEnd = html.find(L'>', close);
                i = closeEnd == std::wstring_view::npos ? size : closeEnd + 1;
            }
            continue;
        }
        if (std::wcscmp(name, L"br") == 0)
            builder.lineBreak();
        else if (isBlockElement(name))
            builder.paragraphBreak();
    }
    return builder.take();
}

} // namespace htmlayout
