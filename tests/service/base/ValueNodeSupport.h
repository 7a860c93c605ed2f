#pragma once
// Trees for the value-tree tests: parsed from text, or made by a setter, and described in one
// line.

#include "service/base/ValueNode.h"
#include "service/base/ValueNodeParser.h"

#include "pel/text/FormatString.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tessel_test {

inline tessel::ValueNode parse(const std::wstring& text) {
    tessel::ValueNode node;
    tessel::ValueNodeParser().parse(text.c_str(), node);
    return node;
}

inline tessel::ValueNode make(const std::function<void(tessel::ValueNode&)>& set) {
    tessel::ValueNode node;
    set(node);
    return node;
}

// A tree in one line: i5 u5 d1.5 'text' <none> true null [a b] {key:value ...} (keys sorted)
// /pattern/options.
inline std::wstring describe(const tessel::ValueNode& node) {
    switch (node.kind()) {
    case tessel::ValueNode::Int:
        return L"i" + std::to_wstring(node.getInt(0));
    case tessel::ValueNode::UInt:
        return L"u" + std::to_wstring(node.getUInt(0));
    case tessel::ValueNode::Double:
        return std::isinf(node.getDouble(0)) ? L"dinf" : L"d" + pel::formatString(L"%.15g", node.getDouble(0));
    case tessel::ValueNode::String:
        return node.text() ? L"'" + std::wstring(node.text()) + L"'" : L"<none>";
    case tessel::ValueNode::Bool:
        return node.getBool(false) ? L"true" : L"false";
    case tessel::ValueNode::RegExp:
        return L"/" + node.regExp()->pattern + L"/" + node.regExp()->options;
    case tessel::ValueNode::List: {
        std::wstring text;
        for (const tessel::ValueNode& item : node.listBegin())
            text += (text.empty() ? L"" : L" ") + describe(item);
        return L"[" + text + L"]";
    }
    case tessel::ValueNode::Dictionary: {
        std::vector<std::wstring> entries;
        for (const tessel::ValueNode::Entry& entry : node.dictionaryBegin())
            entries.push_back(entry.first + L":" + describe(entry.second));
        std::sort(entries.begin(), entries.end());
        std::wstring text;
        for (const std::wstring& entry : entries)
            text += (text.empty() ? L"" : L" ") + entry;
        return L"{" + text + L"}";
    }
    default:
        return L"null";
    }
}

} // namespace tessel_test
