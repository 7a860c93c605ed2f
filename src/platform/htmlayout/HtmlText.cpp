#include "platform/htmlayout/HtmlText.h"

#include <algorithm>
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

bool startsWithNoCase(const std::wstring& text, size_t at, const wchar_t* prefix) {
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
    void text(wchar_t ch) {
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
size_t decodeReference(const std::wstring& text, size_t at, std::wstring& o_value) {
    const size_t semicolon = text.find(L';', at + 1);
    if (semicolon == std::wstring::npos || semicolon - at > 12)
        return 0;
    const std::wstring name = text.substr(at + 1, semicolon - at - 1);
    const size_t taken = semicolon - at + 1;
    if (!name.empty() && name[0] == L'#') {
        const bool hex = name.size() > 1 && (name[1] == L'x' || name[1] == L'X');
        const std::wstring digits = name.substr(hex ? 2 : 1);
        if (digits.empty())
            return 0;
        unsigned long code = 0;
        for (wchar_t ch : digits) {
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
        if (name == entry.name) {
            o_value.assign(1, entry.value);
            return taken;
        }
    }
    return 0;
}

// The element name of the tag text (after '<' and an optional '/'), lower-cased.
std::wstring tagName(const std::wstring& html, size_t from, size_t end) {
    std::wstring name;
    for (size_t i = from; i < end && (std::iswalnum(html[i])); ++i)
        name += static_cast<wchar_t>(std::towlower(html[i]));
    return name;
}

} // namespace

std::wstring decodeUtf8(const unsigned char* bytes, size_t length) {
    std::wstring out;
    if (!bytes)
        return out;
    out.reserve(length);
    size_t i = 0;
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        i = 3;
    while (i < length) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
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
            out += kReplacement;
            ++i;
            while (i < length && (bytes[i] & 0xC0) == 0x80 && i < next)
                ++i;
            continue;
        }
        appendCodePoint(out, code);
        i = next;
    }
    return out;
}

std::wstring extractText(const std::wstring& html) {
    TextBuilder builder;
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
            i = end == std::wstring::npos ? size : end + 3;
            continue;
        }
        const size_t end = html.find(L'>', i + 1);
        if (end == std::wstring::npos)
            break; // an unclosed tag ends the document
        const bool closing = i + 1 < size && html[i + 1] == L'/';
        const std::wstring name = tagName(html, i + (closing ? 2 : 1), end);
        i = end + 1;
        if (!closing && (name == L"script" || name == L"style")) {
            // Their content is no text: skip to the closing tag.
            const std::wstring closeTag = L"</" + name;
            size_t close = i;
            while ((close = html.find(L"</", close)) != std::wstring::npos && !startsWithNoCase(html, close, closeTag.c_str()))
                close += 2;
            if (close == std::wstring::npos) {
                i = size;
            } else {
                const size_t closeEnd = html.find(L'>', close);
                i = closeEnd == std::wstring::npos ? size : closeEnd + 1;
            }
            continue;
        }
        if (name == L"br")
            builder.lineBreak();
        else if (std::find_if(std::begin(kBlockElements), std::end(kBlockElements),
                              [&](const wchar_t* block) { return name == block; }) != std::end(kBlockElements))
            builder.paragraphBreak();
    }
    return builder.take();
}

} // namespace htmlayout
