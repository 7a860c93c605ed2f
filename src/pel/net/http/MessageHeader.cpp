#include "pel/net/http/MessageHeader.h"

#include "pel/base/Ascii.h"
#include "pel/net/base/NetException.h"
#include "pel/stream/StreamTextReader.h"
#include "pel/stream/StreamTextWriter.h"

namespace pel {
namespace net {

namespace {

const int eof = -1;

using TextIterator = std::wstring::const_iterator;

void skipSpace(TextIterator& it, TextIterator end) {
    while (it != end && Ascii::isSpace(*it))
        ++it;
}

void trimInPlace(std::wstring& text) {
    trimRightInPlace(text);
    size_t start = 0;
    while (start < text.size() && Ascii::isSpace(text[start]))
        ++start;
    text.erase(0, start);
}

// Collects the rest of a line into value under the length limit; then a CR is skipped and an LF
// must follow (or the input end).
void readValueLine(TextReader& reader, std::wstring& value, const wchar_t* error) {
    int ch = reader.peek();
    while (ch != eof && ch != '\r' && ch != '\n' && static_cast<int>(value.size()) < MessageHeader::MAX_VALUE_LENGTH) {
        value += static_cast<wchar_t>(reader.read());
        ch = reader.peek();
    }
    if (ch == '\r') {
        reader.read();
        ch = reader.peek();
    }
    if (ch == '\n')
        reader.read();
    else if (ch != eof)
        throw MessageException(error);
}

} // namespace

void trimRightInPlace(std::wstring& text) {
    size_t end = text.size();
    while (end > 0 && Ascii::isSpace(text[end - 1]))
        --end;
    text.erase(end);
}

void MessageHeader::write(const std::shared_ptr<StreamTextWriter>& writer) const {
    for (const auto& field : *this) {
        writer->write(field.first);
        writer->write(L": ");
        writer->write(field.second);
        writer->write(L"\r\n");
    }
}

void MessageHeader::read(const std::shared_ptr<StreamTextReader>& reader) {
    std::wstring name;
    std::wstring value;
    name.reserve(32);
    value.reserve(64);
    int ch = reader->peek();
    while (ch != eof && ch != '\r' && ch != '\n') {
        name.clear();
        value.clear();
        while (ch != eof && ch != ':' && ch != '\n' && static_cast<int>(name.size()) < MAX_NAME_LENGTH) {
            name += static_cast<wchar_t>(reader->read());
            ch = reader->peek();
        }
        if (ch == '\n') {
            reader->read();
            ch = reader->peek();
            continue;
        }
        if (ch != ':')
            throw MessageException(L"Field name too long/no colon found");
        reader->read();
        ch = reader->peek();
        while (ch != eof && ch != '\r' && ch != '\n' && Ascii::isSpace(ch)) {
            reader->read();
            ch = reader->peek();
        }
        readValueLine(*reader, value, L"Field value too long/no CRLF found");
        ch = reader->peek();
        while (ch == ' ' || ch == '\t') {
            readValueLine(*reader, value, L"Folded field value too long/no CRLF found");
            ch = reader->peek();
        }
        trimRightInPlace(value);
        add(name, value);
    }
}

void MessageHeader::splitElements(const std::wstring& s, std::vector<std::wstring>& elements, bool ignoreEmpty) {
    elements.clear();
    std::wstring element;
    TextIterator it = s.begin();
    const TextIterator end = s.end();
    while (it != end) {
        if (*it == '"') {
            element += *it++;
            while (it != end && *it != '"') {
                if (*it == '\\' && ++it == end)
                    break;
                element += *it++;
            }
            if (it != end)
                element += *it++;
        } else if (*it == ',') {
            trimInPlace(element);
            if (!element.empty() || !ignoreEmpty)
                elements.push_back(element);
            element.clear();
            ++it;
        } else {
            element += *it++;
        }
    }
    if (!element.empty()) {
        trimInPlace(element);
        if (!element.empty() || !ignoreEmpty)
            elements.push_back(element);
    }
}

void MessageHeader::splitParameters(const std::wstring& s, std::wstring& value, NameValueCollection& parameters) {
    value.clear();
    parameters.clear();
    TextIterator it = s.begin();
    const TextIterator end = s.end();
    skipSpace(it, end);
    while (it != end && *it != ';')
        value += *it++;
    trimRightInPlace(value);
    if (it != end)
        ++it;
    splitParameters(it, end, parameters);
}

void MessageHeader::splitParameters(TextIterator begin, TextIterator end, NameValueCollection& parameters) {
    std::wstring name;
    std::wstring value;
    TextIterator it = begin;
    while (it != end) {
        name.clear();
        value.clear();
        skipSpace(it, end);
        while (it != end && *it != '=' && *it != ';')
            name += *it++;
        trimRightInPlace(name);
        if (it != end && *it == '=') {
            ++it;
            skipSpace(it, end);
            while (it != end && *it != ';') {
                if (*it == '"') {
                    ++it;
                    while (it != end && *it != '"') {
                        if (*it == '\\' && ++it == end)
                            break;
                        value += *it++;
                    }
                    if (it != end)
                        ++it;
                } else if (*it == '\\') {
                    if (++it != end)
                        value += *it++;
                } else {
                    value += *it++;
                }
            }
            trimRightInPlace(value);
        }
        if (!name.empty())
            parameters.add(name, value);
        if (it != end)
            ++it;
    }
}

void MessageHeader::quote(const std::wstring& value, std::wstring& result, bool allowSpace) {
    bool mustQuote = false;
    for (wchar_t c : value) {
        if (!Ascii::isAlphaNumeric(c) && c != '.' && c != '_' && c != '-' && !(allowSpace && c == ' ')) {
            mustQuote = true;
            break;
        }
    }
    if (mustQuote)
        result += '"';
    result += value;
    if (mustQuote)
        result += '"';
}

} // namespace net
} // namespace pel
