#pragma once
// Trees for the value-tree tests: parsed from text, or made by a setter.

#include "service/base/ValueNode.h"
#include "service/base/ValueNodeParser.h"

#include <functional>
#include <string>

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

} // namespace tessel_test
