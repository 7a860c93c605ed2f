#include "service/base/ConfigValue.h"
#include "service/base/ConfigSection.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <utility>

namespace tessel {

namespace {

// Numbers to integers, NaN giving 0 and the rest kept within the integer's range.
int32_t toInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value <= -2147483648.0)
        return INT32_MIN;
    if (value >= 2147483647.0)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

uint32_t toUInt(double value) {
    if (std::isnan(value) || value <= 0)
        return 0;
    if (value >= 4294967295.0)
        return UINT32_MAX;
    return static_cast<uint32_t>(value);
}

// The first-character rule by which a text reads as a boolean.
bool textToBool(const std::wstring& text) {
    if (text.empty())
        return false;
    switch (text[0]) {
    case L'0':
    case L'f':
    case L'F':
        return false;
    case L'1':
    case L't':
    case L'T':
        return true;
    default:
        return (text[0] & 1) != 0;
    }
}

bool scanInt(const wchar_t* text, int32_t* o_value) {
    int value = 0;
    if (std::swscanf(text, L"%d", &value) != 1)
        return false;
    *o_value = value;
    return true;
}

bool scanUInt(const wchar_t* text, uint32_t* o_value) {
    unsigned int value = 0;
    if (std::swscanf(text, L"%u", &value) != 1)
        return false;
    *o_value = value;
    return true;
}

bool scanFloat(const wchar_t* text, float* o_value) {
    float value = 0;
    if (std::swscanf(text, L"%f", &value) != 1)
        return false;
    *o_value = value;
    return true;
}

// The double of the shortest decimal that reads back as the float, so that a number set to
// 0.1 is written 0.1 rather than as the float's exact binary value. Whole numbers below 2^53
// stay exact.
double shortestDouble(float value) {
    if (!std::isfinite(value) || (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0f))
        return value;
    char text[32];
    for (int digits = 6; digits < 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        const double decimal = std::strtod(text, nullptr);
        if (static_cast<float>(decimal) == value)
            return decimal;
    }
    return value;
}

} // namespace

ConfigValue::ConfigValue() = default;

ConfigValue::ConfigValue(Type type) { becomeType(type); }

ConfigValue::ConfigValue(const ConfigValue& other)
    : m_flags(other.m_flags), m_scalar(other.m_scalar), m_text(other.m_text),
      m_list(other.m_list ? new List(*other.m_list) : nullptr),
      m_tree(other.m_tree ? new ValueNode(*other.m_tree) : nullptr), m_section(other.m_section),
      m_name(other.m_name), m_typedByFile(other.m_typedByFile) {}

ConfigValue::ConfigValue(ConfigValue&& other) noexcept = default;

ConfigValue& ConfigValue::operator=(const ConfigValue& other) {
    if (this != &other) {
        ConfigValue copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ConfigValue& ConfigValue::operator=(ConfigValue&& other) noexcept = default;

ConfigValue::~ConfigValue() = default;

ConfigValue ConfigValue::fromInt(int32_t value) {
    ConfigValue made;
    made.setInt(value);
    return made;
}

ConfigValue ConfigValue::fromUInt(uint32_t value) {
    ConfigValue made;
    made.setUInt(value);
    return made;
}

ConfigValue ConfigValue::fromBool(bool value) {
    ConfigValue made;
    made.setBool(value);
    return made;
}

ConfigValue ConfigValue::fromString(const wchar_t* text) {
    ConfigValue made;
    made.setString(text);
    return made;
}

ConfigValue ConfigValue::fromFloat(float value) {
    ConfigValue made;
    made.setFloat(value);
    return made;
}

ConfigValue ConfigValue::fromList(const List& list) {
    ConfigValue made;
    made.setList(list);
    return made;
}

ConfigValue ConfigValue::fromValueNode(const ValueNode& node) {
    ConfigValue made;
    made.setValueTree(node);
    return made;
}

std::wstring ConfigValue::getIdentifier() const {
    return m_section ? m_section->getText() + L"." + m_name : m_name;
}

// ---- reading

bool ConfigValue::getBool() const {
    switch (getType()) {
    case INT:
    case UINT:
        return m_scalar.u != 0;
    case BOOL:
        return m_scalar.b;
    case STRING:
        return textToBool(m_text);
    case FLOAT:
        return m_scalar.f != 0.0f;
    default:
        return false;
    }
}

int32_t ConfigValue::getInt() const {
    int32_t value = 0;
    switch (getType()) {
    case INT:
    case UINT:
        return m_scalar.i;
    case BOOL:
        return m_scalar.b ? 1 : 0;
    case STRING:
        return scanInt(m_text.c_str(), &value) ? value : 0;
    case FLOAT:
        return toInt(std::round(m_scalar.f));
    default:
        return 0;
    }
}

uint32_t ConfigValue::getUInt() const {
    uint32_t value = 0;
    switch (getType()) {
    case INT:
    case UINT:
        return m_scalar.u;
    case BOOL:
        return m_scalar.b ? 1 : 0;
    case STRING:
        return scanUInt(m_text.c_str(), &value) ? value : 0;
    case FLOAT:
        return toUInt(std::round(m_scalar.f));
    default:
        return 0;
    }
}

const wchar_t* ConfigValue::getString() const { return getType() == STRING && hasValue() ? m_text.c_str() : nullptr; }

std::optional<float> ConfigValue::getFloat() const {
    return getType() == FLOAT ? std::optional<float>(m_scalar.f) : std::nullopt;
}

const ConfigValue::List* ConfigValue::getList() const { return getType() == LIST ? m_list.get() : nullptr; }

const ValueNode* ConfigValue::getValueTree() const { return getType() == VALUE_TREE ? m_tree.get() : nullptr; }

// ---- setting

void ConfigValue::becomeType(Type type) {
    m_scalar = Scalar{};
    m_text.clear();
    m_list.reset(type == LIST ? new List : nullptr);
    m_tree.reset(type == VALUE_TREE ? new ValueNode : nullptr);
    m_flags = (m_flags & ~TYPE_MASK) | type;
}

void ConfigValue::setInt(int32_t value) {
    markSet();
    switch (getType()) {
    case UNTYPED:
        becomeType(INT);
        [[fallthrough]];
    case INT:
    case UINT:
        m_scalar.i = value;
        break;
    case BOOL:
        m_scalar.b = value != 0;
        break;
    case STRING:
        m_text = std::to_wstring(value);
        break;
    case FLOAT:
        m_scalar.f = static_cast<float>(value);
        break;
    default:
        break;
    }
}

void ConfigValue::setUInt(uint32_t value) {
    markSet();
    switch (getType()) {
    case UNTYPED:
        becomeType(UINT);
        [[fallthrough]];
    case INT:
    case UINT:
        m_scalar.u = value;
        break;
    case BOOL:
        m_scalar.b = value != 0;
        break;
    case STRING:
        m_text = std::to_wstring(value);
        break;
    case FLOAT:
        m_scalar.f = static_cast<float>(value);
        break;
    default:
        break;
    }
}

void ConfigValue::setBool(bool value) {
    markSet();
    switch (getType()) {
    case UNTYPED:
        becomeType(BOOL);
        [[fallthrough]];
    case BOOL:
        m_scalar.b = value;
        break;
    case INT:
    case UINT:
        m_scalar.u = value ? 1 : 0;
        break;
    case STRING:
        m_text = value ? L"1" : L"0";
        break;
    case FLOAT:
        m_scalar.f = value ? 1.0f : 0.0f;
        break;
    default:
        break;
    }
}

void ConfigValue::setString(const wchar_t* text) {
    if (!text)
        text = L"";
    markSet();
    switch (getType()) {
    case UNTYPED:
        becomeType(STRING);
        [[fallthrough]];
    case STRING:
        m_text = text;
        break;
    case INT:
        scanInt(text, &m_scalar.i);
        break;
    case UINT:
        scanUInt(text, &m_scalar.u);
        break;
    case BOOL:
        m_scalar.b = textToBool(text);
        break;
    case FLOAT:
        scanFloat(text, &m_scalar.f);
        break;
    default:
        break;
    }
}

void ConfigValue::setFloat(float value) {
    markSet();
    switch (getType()) {
    case UNTYPED:
        becomeType(FLOAT);
        [[fallthrough]];
    case FLOAT:
        m_scalar.f = value;
        break;
    case INT:
        m_scalar.i = toInt(std::trunc(value));
        break;
    case UINT:
        m_scalar.u = toUInt(std::round(value));
        break;
    default:
        break;
    }
}

void ConfigValue::setList(const List& list) {
    markSet();
    if (getType() == UNTYPED) {
        List copy(list); // list may be an element's own list
        becomeType(LIST);
        *m_list = std::move(copy);
    } else if (getType() == LIST) {
        *m_list = list;
    }
}

void ConfigValue::setValueTree(const ValueNode& node) {
    markSet();
    if (getType() == UNTYPED)
        becomeType(VALUE_TREE);
    if (getType() == VALUE_TREE)
        m_tree->assign(node);
}

void ConfigValue::assign(const ConfigValue& other) {
    if (&other == this || !other.hasValue())
        return;
    switch (other.getType()) {
    case INT:
        setInt(other.m_scalar.i);
        break;
    case UINT:
        setUInt(other.m_scalar.u);
        break;
    case BOOL:
        setBool(other.m_scalar.b);
        break;
    case STRING:
        setString(other.m_text.c_str());
        break;
    case FLOAT:
        setFloat(other.m_scalar.f);
        break;
    case LIST:
        setList(*other.m_list);
        break;
    case VALUE_TREE:
        setValueTree(*other.m_tree);
        break;
    default:
        break;
    }
}

// ---- files

void ConfigValue::writeTo(ValueNode& o_node) const {
    if (!hasValue()) {
        o_node.clear();
        return;
    }
    switch (getType()) {
    case INT:
        o_node.setInt(m_scalar.i);
        break;
    case UINT:
        o_node.setUInt(m_scalar.u);
        break;
    case BOOL:
        o_node.setBool(m_scalar.b);
        break;
    case STRING:
        o_node.setString(m_text.c_str());
        break;
    case FLOAT:
        o_node.setDouble(shortestDouble(m_scalar.f));
        break;
    case LIST:
        o_node = ValueNode(ValueNode::List);
        for (const ConfigValue& element : *m_list)
            element.writeTo(*o_node.addListItem());
        break;
    case VALUE_TREE:
        o_node.assign(*m_tree);
        break;
    default:
        o_node.clear();
        break;
    }
}

ConfigValue::Taking ConfigValue::takeNode(const ValueNode& node, bool keepType) {
    const ValueNode::Kind kind = node.kind();
    if (kind == ValueNode::Null || kind == ValueNode::Symbol || kind == ValueNode::RegExp)
        return Taking::NOT_TAKEN;
    if (keepType) {
        switch (getType()) {
        case STRING:
        case FLOAT:
            return takeThroughSetters(node) ? Taking::TAKEN : Taking::REFUSED;
        case LIST:
            if (kind != ValueNode::List)
                return Taking::REFUSED;
            break; // elements are typed from the file, as any list's are
        case VALUE_TREE:
            setValueTree(node);
            return Taking::TAKEN;
        case INT:
        case UINT:
            // Integers beyond the parser's integer range come back as Doubles.
            if (kind == ValueNode::Double && takeWholeNumber(node.getDouble(0)))
                return Taking::TAKEN;
            break;
        default:
            break;
        }
    }
    retypeFrom(node);
    return Taking::TAKEN;
}

bool ConfigValue::takeThroughSetters(const ValueNode& node) {
    switch (node.kind()) {
    case ValueNode::Int:
        setInt(node.getInt(0));
        return true;
    case ValueNode::UInt:
        setUInt(node.getUInt(0));
        return true;
    case ValueNode::Bool:
        setBool(node.getBool(false));
        return true;
    case ValueNode::String: {
        const wchar_t* text = node.text() ? node.text() : L"";
        float unused;
        if (getType() == FLOAT && !scanFloat(text, &unused))
            return false;
        setString(text);
        return true;
    }
    case ValueNode::Double:
        // A text would take a Double's digits as they happen to print; a number takes it.
        if (getType() != FLOAT)
            return false;
        setFloat(static_cast<float>(node.getDouble(0)));
        return true;
    default:
        return false;
    }
}

bool ConfigValue::takeWholeNumber(double value) {
    if (value != std::trunc(value)) // NaN too
        return false;
    if (getType() == INT && value >= -2147483648.0 && value <= 2147483647.0) {
        setInt(static_cast<int32_t>(value));
        return true;
    }
    if (getType() == UINT && value >= 0 && value <= 4294967295.0) {
        setUInt(static_cast<uint32_t>(value));
        return true;
    }
    return false;
}

void ConfigValue::retypeFrom(const ValueNode& node) {
    switch (node.kind()) {
    case ValueNode::Int:
        becomeType(INT);
        m_scalar.i = node.getInt(0);
        break;
    case ValueNode::UInt:
        becomeType(UINT);
        m_scalar.u = node.getUInt(0);
        break;
    case ValueNode::Bool:
        becomeType(BOOL);
        m_scalar.b = node.getBool(false);
        break;
    case ValueNode::String:
        becomeType(STRING);
        m_text = node.text() ? node.text() : L"";
        break;
    case ValueNode::Double:
        becomeType(FLOAT);
        m_scalar.f = static_cast<float>(node.getDouble(0));
        break;
    case ValueNode::List: {
        List elements;
        elements.reserve(node.listBegin().size());
        for (const ValueNode& item : node.listBegin()) {
            elements.emplace_back();
            elements.back().takeNode(item, false);
        }
        becomeType(LIST);
        *m_list = std::move(elements);
        break;
    }
    case ValueNode::Dictionary: {
        ValueNode copy(node);
        becomeType(VALUE_TREE);
        *m_tree = std::move(copy);
        break;
    }
    default:
        return;
    }
    m_flags |= DECLARED | HAS_VALUE;
}

} // namespace tessel
