// The writer of the value-tree text: what JasmineLoader::save and Config write.

#include "service/base/JasmineLoader.h"
#include "service/base/PrintfDouble.h"
#include "service/base/ValueNodeParser.h"
#include "service/base/ValueNodeText.h"

#include "pel/log/Log.h"

#include <charconv>
#include <cmath>
#include <cwchar>

namespace tessel {

using namespace value_node_text;

namespace {

template <class Integer>
void appendInteger(std::wstring& out, Integer value) {
    char digits[16];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// Between single quotes, each quote doubled.
void appendQuoted(std::wstring& out, const wchar_t* text) {
    out += L'\'';
    if (text) {
        for (const wchar_t* quote; (quote = std::wcschr(text, L'\'')) != nullptr; text = quote + 1)
            out.append(text, quote + 1).append(1, L'\'');
        out += text;
    }
    out += L'\'';
}

// The pattern between slashes as the parser reads it back: "/" escaped, backslash pairs kept,
// a leading "*" escaped so that "/*" opens no comment. False for what cannot be read back: an
// empty pattern ("//" opens a comment) or one ending in a lone backslash.
bool appendRegularExpression(std::wstring& out, const RegExSource& source) {
    const std::wstring& pattern = source.pattern;
    size_t trailingBackslashes = 0;
    while (trailingBackslashes < pattern.size() && pattern[pattern.size() - 1 - trailingBackslashes] == L'\\')
        ++trailingBackslashes;
    if (pattern.empty() || trailingBackslashes % 2 != 0)
        return false;
    out += L'/';
    if (pattern[0] == L'*')
        out += L'\\';
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'\\')
            out += pattern[i++]; // the pair goes out as it is
        else if (pattern[i] == L'/')
            out += L'\\';
        out += pattern[i];
    }
    out += L'/';
    for (wchar_t c : source.options)
        if (isSymbolUnit(c))
            out += c;
    return true;
}

class Writer {
public:
    explicit Writer(std::wstring& out) : m_out(out) {}

    void write(const ValueNode& node, int depth, size_t nesting);

private:
    void writeDictionary(const ValueNode& node, int depth, size_t nesting);
    void writeList(const ValueNode& node, int depth, size_t nesting);
    void tabs(int depth) { m_out.append(static_cast<size_t>(depth < 0 ? 0 : depth), L'\t'); }

    std::wstring& m_out;
};

void Writer::write(const ValueNode& node, int depth, size_t nesting) {
    switch (node.kind()) {
    case ValueNode::Dictionary:
    case ValueNode::List:
        if (nesting >= ValueNodeParser::MAX_DEPTH) {
            pel::log_printf(pel::LOG_WARNING, LOG_JASMINE_LOADER_SOURCE,
                            L"JasmineLoader::writeValue(): A container nested deeper than %d levels is written as "
                            L"null.\n",
                            static_cast<int>(ValueNodeParser::MAX_DEPTH));
            break;
        }
        if (node.kind() == ValueNode::Dictionary)
            writeDictionary(node, depth, nesting + 1);
        else
            writeList(node, depth, nesting + 1);
        return;
    case ValueNode::Int:
        appendInteger(m_out, node.getInt(0));
        m_out += L'\n';
        return;
    case ValueNode::UInt:
        appendInteger(m_out, node.getUInt(0));
        m_out += L'\n';
        return;
    case ValueNode::Double: {
        const double value = node.getDouble(0);
        if (!std::isfinite(value)) {
            // "1.#INF" and "1.#QNAN" would stop the parser: readers take their defaults instead.
            pel::log_printf(pel::LOG_WARNING, LOG_JASMINE_LOADER_SOURCE,
                            L"JasmineLoader::writeValue(): A number that is not finite is written as null.\n");
            break;
        }
        appendRoundTripDouble(m_out, value);
        m_out += L'\n';
        return;
    }
    case ValueNode::String:
        appendQuoted(m_out, node.text());
        m_out += L'\n';
        return;
    case ValueNode::Bool:
        m_out += node.getBool(false) ? L"true\n" : L"false\n";
        return;
    case ValueNode::Symbol: {
        // The parser makes a String of every symbol; text that is no bare symbol goes quoted.
        const wchar_t* text = node.text();
        if (text && readsBackAsSymbol(text, std::wcslen(text)))
            m_out += text;
        else
            appendQuoted(m_out, text);
        m_out += L'\n';
        return;
    }
    case ValueNode::RegExp: {
        const size_t mark = m_out.size();
        if (node.regExp() && appendRegularExpression(m_out, *node.regExp())) {
            m_out += L'\n';
            return;
        }
        m_out.resize(mark);
        pel::log_printf(pel::LOG_WARNING, LOG_JASMINE_LOADER_SOURCE,
                        L"JasmineLoader::writeValue(): Regular expression `%s` cannot be written; written as null.\n",
                        node.regExp() ? node.regExp()->pattern.c_str() : L"");
        break;
    }
    default:
        break;
    }
    m_out += L"null\n";
}

void Writer::writeDictionary(const ValueNode& node, int depth, size_t nesting) {
    m_out += L'\n';
    tabs(depth);
    m_out += L"{\n";
    for (const ValueNode::Entry& entry : node.dictionaryBegin()) {
        const std::wstring& key = entry.first;
        if (!readsBackAsKey(key.data(), key.size())) {
            pel::log_printf(pel::LOG_WARNING, LOG_JASMINE_LOADER_SOURCE,
                            L"JasmineLoader::writeValue(): Key `%s` would not read back; its entry is left out.\n",
                            key.c_str());
            continue;
        }
        tabs(depth + 1);
        m_out += key;
        m_out += L" : ";
        write(entry.second, depth + 1, nesting);
    }
    tabs(depth);
    m_out += L"}\n";
}

void Writer::writeList(const ValueNode& node, int depth, size_t nesting) {
    m_out += L'\n';
    tabs(depth);
    m_out += L"[\n";
    for (const ValueNode& item : node.listBegin()) {
        tabs(depth + 1);
        write(item, depth + 1, nesting);
    }
    tabs(depth);
    m_out += L"]\n";
}

} // namespace

void JasmineLoader::writeValue(const ValueNode& node, std::wstring& io_text, int depth) {
    Writer(io_text).write(node, depth, 0);
}

} // namespace tessel
