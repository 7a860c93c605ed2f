#include "service/base/ValueNodeParser.h"
#include "service/base/ValueNodeText.h"

#include "pel/base/Ascii.h"

#include <charconv>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace tessel {

using namespace value_node_text;

namespace {

// Escapes that stand for one unit ("\\r" for none); any other escaped unit keeps its backslash.
const wchar_t ESCAPE_LETTERS[] = L"\"/\\bfntr";
const wchar_t ESCAPED_UNITS[] = {L'"', L'/', L'\\', L'\b', L'\f', L'\n', L'\t', L'\0'};

bool isWord(const wchar_t* begin, const wchar_t* end, const wchar_t* word, size_t length) {
    return static_cast<size_t>(end - begin) == length && std::wmemcmp(begin, word, length) == 0;
}

// The longest numeric beginning of the text as a double, as the runtime's "%lf" scan reads it;
// false when the text does not begin with a number.
bool readDouble(const wchar_t* begin, const wchar_t* end, double* o_value) {
    const size_t length = static_cast<size_t>(end - begin);
    char local[64];
    std::string heap;
    char* narrow = local;
    if (length >= sizeof local) {
        heap.resize(length);
        narrow = &heap[0];
    }
    for (size_t i = 0; i < length; ++i)
        narrow[i] = begin[i] < 0x80 ? static_cast<char>(begin[i]) : '?';
    // from_chars takes no leading "+", which a number token never has.
    const std::from_chars_result result = std::from_chars(narrow, narrow + length, *o_value);
    if (result.ec == std::errc::invalid_argument)
        return false;
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond the range: infinity, or zero for a value too small, as the scan gives them.
        *o_value = std::strtod(std::string(narrow, static_cast<size_t>(result.ptr - narrow)).c_str(), nullptr);
    }
    return true;
}

} // namespace

const wchar_t* ValueNodeParser::convertNumber(const wchar_t* begin, const wchar_t* end, ValueNode& o_node) {
    bool asDouble = false;
    for (const wchar_t* p = begin; p < end && !asDouble; ++p)
        asDouble = *p == L'.' || *p == L'e' || *p == L'E' || *p == L'+' || (*p == L'-' && p != begin);
    const bool negative = begin < end && *begin == L'-';
    if (!asDouble) {
        const uint32_t limit = negative ? 2147483648u : 4294967295u;
        uint32_t value = 0;
        for (const wchar_t* p = negative ? begin + 1 : begin; p < end; ++p) {
            if (value >= limit / 10) {
                asDouble = true;
                break;
            }
            if (!isDigit(*p))
                return L"Sequence is not a number.";
            value = value * 10 + static_cast<uint32_t>(*p - L'0');
        }
        if (!asDouble) {
            if (negative)
                o_node.setInt(static_cast<int32_t>(0u - value));
            else if (value < 2147483648u)
                o_node.setInt(static_cast<int32_t>(value));
            else
                o_node.setUInt(value);
            return nullptr;
        }
    }
    double value = 0;
    if (!readDouble(begin, end, &value))
        return L"Sequence is not a number";
    o_node.setDouble(value);
    return nullptr;
}

ValueNodeParser::ValueNodeParser() = default;
ValueNodeParser::~ValueNodeParser() = default;

bool ValueNodeParser::parse(const wchar_t* text, ValueNode& o_node) {
    m_lineMap.reset();
    m_elements.clear();
    m_containers.clear();
    m_root = &o_node;
    m_begin = m_current = text ? text : L"";
    m_end = m_begin + std::wcslen(m_begin);
    nextToken();
    if (m_token.kind == ARRAY_END || m_token.kind == DICTIONARY_END)
        failUnexpected(L".");
    if (!startsValue(m_token.kind))
        return true;
    startValue(o_node);
    try {
        fillContainers();
    } catch (...) {
        closeAll();
        throw;
    }
    return true;
}

void ValueNodeParser::parseSections(const wchar_t* text, ValueSections& o_sections) {
    o_sections.dictionary = false;
    o_sections.root.clear();
    o_sections.entries.clear();
    // A root that is no dictionary goes here, to be dropped.
    ValueNode other;
    m_sections = &o_sections;
    try {
        parse(text, other);
    } catch (...) {
        m_sections = nullptr;
        o_sections.root.clear();
        o_sections.entries.clear();
        throw;
    }
    m_sections = nullptr;
}

bool ValueNodeParser::startsValue(int kind) {
    switch (kind) {
    case DICTIONARY_BEGIN:
    case ARRAY_BEGIN:
    case DOUBLE_QUOTED_STRING:
    case SINGLE_QUOTED_STRING:
    case REGULAR_EXPRESSION:
    case NUMBER:
    case SYMBOL:
        return true;
    default:
        return false;
    }
}

void ValueNodeParser::startValue(ValueNode& node) {
    switch (m_token.kind) {
    case DICTIONARY_BEGIN:
    case ARRAY_BEGIN:
        if (m_containers.size() >= MAX_DEPTH)
            fail(L"Nesting too deep.", m_token.begin, m_token.end);
        m_containers.push_back({m_elements.size(), m_token.kind == DICTIONARY_BEGIN});
        break;
    case DOUBLE_QUOTED_STRING:
    case SINGLE_QUOTED_STRING:
        readString(node);
        break;
    case REGULAR_EXPRESSION:
        readRegularExpression(node);
        break;
    case NUMBER:
        if (const wchar_t* message = convertNumber(m_token.begin, m_token.end, node))
            fail(message, m_token.begin, m_token.end);
        break;
    case SYMBOL:
        readSymbol(node);
        break;
    default:
        break;
    }
}

// Reads the entries and elements of the open containers until the outermost one closes. A
// container's value is the last element of the one around it (or the root), so that element
// stays last while the container fills.
void ValueNodeParser::fillContainers() {
    while (!m_containers.empty()) {
        const bool dictionary = m_containers.back().dictionary;
        nextToken();
        const wchar_t* key = nullptr;
        if (dictionary) {
            if (m_token.kind == DICTIONARY_END) {
                closeContainer();
                continue;
            }
            if (m_token.kind != SYMBOL && m_token.kind != NUMBER)
                failUnexpected(std::wstring(L", expecting ") + tokenName(SYMBOL) + L" or " + tokenName(NUMBER) + L".");
            key = m_token.begin;
            const wchar_t* keyEnd = m_token.end;
            nextToken();
            if (m_token.kind != KEY_SEPARATOR)
                failUnexpected(std::wstring(L", expecting ") + tokenName(KEY_SEPARATOR) + L".");
            nextToken();
            if (!startsValue(m_token.kind))
                failUnexpected(L", expecting value.");
            m_elements.push_back({key, static_cast<uint32_t>(keyEnd - key), false, 0, 0, ValueNode()});
        } else {
            if (m_token.kind == ARRAY_END) {
                closeContainer();
                continue;
            }
            if (!startsValue(m_token.kind))
                failUnexpected(std::wstring(L", expecting value or ") + tokenName(ARRAY_END) + L".");
            m_elements.push_back({nullptr, 0, false, 0, 0, ValueNode()});
        }
        m_startingValue = true;
        startValue(m_elements.back().value);
        m_startingValue = false;
    }
}

void ValueNodeParser::closeContainer() {
    const Container container = m_containers.back();
    if (m_sections && container.dictionary && m_containers.size() <= 2 && m_containers.front().dictionary) {
        closeSection();
        return;
    }
    m_containers.pop_back();
    Element* elements = m_elements.data() + container.first;
    const size_t count = m_elements.size() - container.first;
    ValueNode made;
    if (container.dictionary) {
        // A key given twice keeps its first place and takes its last value.
        made.reserveEntries(count);
        for (size_t i = 0; i < count; ++i) {
            ValueNode& entry = made.entryOf(elements[i].key, elements[i].keyLength);
            entry.clear();
            entry.take(elements[i].value);
        }
    } else {
        ValueNode* items = made.adoptList(count);
        for (size_t i = 0; i < count; ++i)
            items[i].take(elements[i].value);
    }
    m_elements.resize(container.first);
    ValueNode& place = m_containers.empty() ? *m_root : m_elements.back().value;
    place.clear();
    place.take(made);
}

void ValueNodeParser::closeSection() {
    const size_t first = m_containers.back().first;
    m_containers.pop_back();
    const size_t count = keepLastValues(first);
    if (m_containers.empty()) {
        m_sections->dictionary = true;
        m_sections->root.swap(m_elements); // the root's elements are all there are
        m_elements.clear();
        return;
    }
    Element& owner = m_elements[first - 1];
    owner.section = true;
    owner.first = static_cast<uint32_t>(m_sections->entries.size());
    owner.count = static_cast<uint32_t>(count);
    std::vector<Element>& entries = m_sections->entries;
    entries.insert(entries.end(), std::make_move_iterator(m_elements.begin() + first),
                   std::make_move_iterator(m_elements.end()));
    m_elements.resize(first);
}

size_t ValueNodeParser::keepLastValues(size_t first) {
    Element* elements = m_elements.data() + first;
    const size_t count = m_elements.size() - first;
    const bool indexed = count > 8;
    uint32_t mask = 0;
    if (indexed) {
        size_t slots = 16;
        while (slots < 2 * count)
            slots *= 2;
        m_seen.assign(slots, 0);
        mask = static_cast<uint32_t>(slots - 1);
    }
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        Element& element = elements[i];
        Element* earlier = nullptr;
        const auto sameKey = [&](const Element& other) {
            return other.keyLength == element.keyLength && std::wmemcmp(other.key, element.key, element.keyLength) == 0;
        };
        uint32_t at = 0;
        if (indexed) {
            for (at = ValueEntries::hashOf(element.key, element.keyLength) & mask; m_seen[at]; at = (at + 1) & mask)
                if (sameKey(elements[m_seen[at] - 1])) {
                    earlier = &elements[m_seen[at] - 1];
                    break;
                }
        } else {
            for (size_t k = 0; k < kept && !earlier; ++k)
                if (sameKey(elements[k]))
                    earlier = &elements[k];
        }
        if (earlier) {
            earlier->section = element.section;
            earlier->first = element.first;
            earlier->count = element.count;
            earlier->value = std::move(element.value);
            continue;
        }
        if (indexed)
            m_seen[at] = static_cast<uint32_t>(kept + 1);
        if (kept != i)
            elements[kept] = std::move(element);
        ++kept;
    }
    m_elements.resize(first + kept);
    return kept;
}

void ValueNodeParser::closeAll() noexcept {
    if (m_sections) { // a file of settings with an error is taken whole or not at all
        m_containers.clear();
        m_elements.clear();
        m_startingValue = false;
        return;
    }
    if (m_startingValue && !m_containers.empty() && m_containers.back().dictionary &&
        m_elements.size() > m_containers.back().first) {
        // An entry whose value failed is there as null, unless its key was there before: then
        // it keeps the value it had.
        const Element& failed = m_elements.back();
        for (size_t i = m_containers.back().first; i + 1 < m_elements.size(); ++i) {
            const Element& earlier = m_elements[i];
            if (earlier.keyLength == failed.keyLength &&
                std::wmemcmp(earlier.key, failed.key, failed.keyLength) == 0) {
                m_elements.pop_back();
                break;
            }
        }
    }
    m_startingValue = false;
    try {
        while (!m_containers.empty())
            closeContainer();
    } catch (...) {
        // Out of memory while keeping what was read: what is left goes.
        m_containers.clear();
        m_elements.clear();
    }
}

void ValueNodeParser::readString(ValueNode& node) {
    const bool single = m_token.kind == SINGLE_QUOTED_STRING;
    const wchar_t* begin = m_token.begin + 1;
    const wchar_t* end = m_token.end - 1;
    // Most strings hold nothing to undo: their text is taken as it is.
    const wchar_t* special = std::wmemchr(begin, single ? L'\'' : L'\\', static_cast<size_t>(end - begin));
    if (!special) {
        node.setString(begin, static_cast<size_t>(end - begin));
        return;
    }
    m_scratch.assign(begin, special);
    if (single)
        appendUnquoted(special, end);
    else
        appendUnescaped(special, end);
    node.setString(m_scratch.data(), m_scratch.size());
}

void ValueNodeParser::appendUnquoted(const wchar_t* p, const wchar_t* end) {
    for (; p < end; ++p) {
        m_scratch += *p;
        if (*p == L'\'')
            ++p; // the second of a doubled quote
    }
}

void ValueNodeParser::appendUnescaped(const wchar_t* p, const wchar_t* end) {
    for (; p < end; ++p) {
        if (*p != L'\\') {
            m_scratch += *p;
            continue;
        }
        if (p + 1 == end)
            fail(std::wstring(L"Incorrect escape sequence in ") + tokenName(DOUBLE_QUOTED_STRING) + L".", p, end);
        const wchar_t letter = *++p;
        if (letter == L'u') {
            const wchar_t* backslash = p - 1;
            if (end - (p + 1) < 4)
                fail(L"Incorrect unicode escape sequence. Format of uXXXX expected.", backslash, end);
            unsigned unit = 0;
            for (const wchar_t* digit = p + 1; digit <= p + 4; ++digit) {
                if (!pel::Ascii::isHexDigit(*digit))
                    fail(L"Incorrect unicode escape sequence. Not a hexadecimal number.", backslash, p + 5);
                unit = unit * 16 + static_cast<unsigned>(isDigit(*digit) ? *digit - L'0' : (*digit | 0x20) - L'a' + 10);
            }
            m_scratch += static_cast<wchar_t>(unit);
            p += 4;
        } else if (const wchar_t* known = letter ? std::wcschr(ESCAPE_LETTERS, letter) : nullptr) {
            if (const wchar_t unit = ESCAPED_UNITS[known - ESCAPE_LETTERS])
                m_scratch += unit; // "\\r" adds nothing: carriage returns are dropped
        } else {
            m_scratch += L'\\';
            m_scratch += letter;
        }
    }
}

void ValueNodeParser::readRegularExpression(ValueNode& node) {
    const wchar_t* p = m_token.begin + 1;
    const wchar_t* close = p;
    while (*close != L'/')
        close += *close == L'\\' ? 2 : 1;
    RegExSource source;
    source.pattern.reserve(static_cast<size_t>(close - p));
    for (; p < close; ++p) {
        if (*p == L'\\' && p[1] == L'/')
            ++p;
        else if (*p == L'\\')
            source.pattern += *p++;
        source.pattern += *p;
    }
    source.options.assign(close + 1, m_token.end);
    node.setRegExp(source);
}

void ValueNodeParser::readSymbol(ValueNode& node) {
    const wchar_t* begin = m_token.begin;
    const wchar_t* end = m_token.end;
    if (isWord(begin, end, L"true", 4))
        node.setBool(true);
    else if (isWord(begin, end, L"false", 5))
        node.setBool(false);
    else if (isWord(begin, end, L"null", 4))
        node.clear();
    else
        node.setString(begin, static_cast<size_t>(end - begin));
}

pel::TextPosition ValueNodeParser::positionOf(const wchar_t* at) {
    if (!m_lineMap)
        m_lineMap.reset(new pel::LineMap(m_begin, static_cast<uint32_t>(m_end - m_begin)));
    return m_lineMap->getPosition(static_cast<uint32_t>(at - m_begin));
}

void ValueNodeParser::fail(const std::wstring& message, const wchar_t* from, const wchar_t* to) {
    const pel::TextPosition start = positionOf(from);
    throw pel::ParserException(message, start, positionOf(to));
}

void ValueNodeParser::failUnexpected(const std::wstring& tail) {
    fail(std::wstring(L"Unexpected ") + tokenName(m_token.kind) + tail, m_token.begin, m_token.end);
}

} // namespace tessel
