#include "service/base/ConfigValue.h"
#include "service/base/ConfigSection.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The payload held empty when wanted (an empty list or tree of a value that had one keeps its
// room), else none.
template <class Payload>
void keepEmpty(std::unique_ptr<Payload>& payload, bool wanted) {
    if (!wanted)
        payload.reset();
    else if (payload)
        payload->clear();
    else
        payload.reset(new Payload);
}

} // namespace

ConfigValue::ConfigValue() = default;

ConfigValue::ConfigValue(Type type) { becomeType(type); }

ConfigValue::ConfigValue(const ConfigValue& other)
    : m_flags(other.m_flags), m_scalar(other.m_scalar), m_text(other.m_text),
      m_list(other.m_list ? new List(*other.m_list) : nullptr),
      m_tree(other.m_tree ? new ValueNode(*other.m_tree) : nullptr), m_section(other.m_section),
      m_name(other.m_name), m_typedByFile(other.m_typedByFile) {}

ConfigValue::ConfigValue(ConfigValue&& other) noexcept
    : m_flags(other.m_flags), m_scalar(other.m_scalar), m_text(std::move(other.m_text)), m_list(std::move(other.m_list)),
      m_tree(std::move(other.m_tree)), m_section(other.m_section), m_name(std::move(other.m_name)),
      m_typedByFile(other.m_typedByFile) {
    other.m_flags = UNTYPED; // without its payload it is no list or tree any more
}

ConfigValue& ConfigValue::operator=(const ConfigValue& other) {
    if (this != &other) {
        ConfigValue copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ConfigValue& ConfigValue::operator=(ConfigValue&& other) noexcept {
    if (this != &other) {
        ConfigValue taken(std::move(other)); // other may be an element of this value's list
        m_flags = taken.m_flags;
        m_scalar = taken.m_scalar;
        m_text = std::move(taken.m_text);
        m_list = std::move(taken.m_list);
        m_tree = std::move(taken.m_tree);
        m_section = taken.m_section;
        m_name = std::move(taken.m_name);
        m_typedByFile = taken.m_typedByFile;
    }
    return *this;
}

ConfigValue::~ConfigValue() = default;

namespace {

// A value made by one setter.
template <class Setter, class T>
ConfigValue madeBy(Setter setter, const T& value) {
    ConfigValue made;
    (made.*setter)(value);
    return made;
}

} // namespace

ConfigValue ConfigValue::fromInt(int32_t value) { return madeBy(&ConfigValue::setInt, value); }

ConfigValue ConfigValue::fromUInt(uint32_t value) { return madeBy(&ConfigValue::setUInt, value); }

ConfigValue ConfigValue::fromBool(bool value) { return madeBy(&ConfigValue::setBool, value); }

ConfigValue ConfigValue::fromString(const wchar_t* text) { return madeBy(&ConfigValue::setString, text); }

ConfigValue ConfigValue::fromFloat(float value) { return madeBy(&ConfigValue::setFloat, value); }

ConfigValue ConfigValue::fromList(const List& list) { return madeBy(&ConfigValue::setList, list); }

ConfigValue ConfigValue::fromValueNode(const ValueNode& node) { return madeBy(&ConfigValue::setValueTree, node); }

std::wstring ConfigValue::getIdentifier() const {
    return m_section ? m_section->getText() + L"." + m_name : m_name;
}

bool ConfigValue::isNamed(const wchar_t* identifier) const {
    if (!m_section)
        return m_name == identifier;
    const std::wstring& prefix = m_section->getText();
    return std::wcsncmp(identifier, prefix.c_str(), prefix.size()) == 0 && identifier[prefix.size()] == L'.' &&
           m_name == identifier + prefix.size() + 1;
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

template <class T>
T ConfigValue::readInteger(bool (*scan)(const wchar_t*, T*), T (*fromNumber)(double)) const {
    T value = 0;
    switch (getType()) {
    case INT:
    case UINT:
        return static_cast<T>(m_scalar.u);
    case BOOL:
        return m_scalar.b ? 1 : 0;
    case STRING:
        return scan(m_text.c_str(), &value) ? value : 0;
    case FLOAT:
        return fromNumber(std::round(m_scalar.f));
    default:
        return 0;
    }
}

int32_t ConfigValue::getInt() const { return readInteger<int32_t>(scanInt, toInt); }

uint32_t ConfigValue::getUInt() const { return readInteger<uint32_t>(scanUInt, toUInt); }

const wchar_t* ConfigValue::getString() const { return getType() == STRING && hasValue() ? m_text.c_str() : nullptr; }

std::optional<float> ConfigValue::getFloat() const {
    return getType() == FLOAT ? std::optional<float>(m_scalar.f) : std::nullopt;
}

const ConfigValue::List* ConfigValue::getList() const { return getType() == LIST ? m_list.get() : nullptr; }

const ValueNode* ConfigValue::getValueTree() const { return getType() == VALUE_TREE ? m_tree.get() : nullptr; }

// ---- setting

void ConfigValue::reset() {
    becomeType(UNTYPED);
    m_flags = UNTYPED;
    m_section = nullptr;
    m_name.clear();
    m_typedByFile = false;
}

void ConfigValue::becomeType(Type type) {
    m_scalar = Scalar{};
    m_text.clear();
    keepEmpty(m_list, type == LIST);
    keepEmpty(m_tree, type == VALUE_TREE);
    m_flags = (m_flags & ~TYPE_MASK) | type;
}

void ConfigValue::setInteger(Type untypedBecomes, uint32_t word, int64_t value) {
    if (getType() == UNTYPED)
        becomeType(untypedBecomes);
    switch (getType()) {
    case INT:
    case UINT:
        storeScalar(&Scalar::u, word);
        break;
    case BOOL:
        storeScalar(&Scalar::b, value != 0);
        break;
    case STRING:
        storeText(std::to_wstring(value));
        break;
    case FLOAT:
        storeScalar(&Scalar::f, static_cast<float>(value));
        break;
    default:
        markSet(!hasValue());
        break;
    }
}

void ConfigValue::setInt(int32_t value) { setInteger(INT, static_cast<uint32_t>(value), value); }

void ConfigValue::setUInt(uint32_t value) { setInteger(UINT, value, value); }

void ConfigValue::setBool(bool value) { setInteger(BOOL, value ? 1 : 0, value ? 1 : 0); }

void ConfigValue::setString(const wchar_t* text) {
    if (!text)
        text = L"";
    switch (getType()) {
    case UNTYPED:
        becomeType(STRING);
        [[fallthrough]];
    case STRING:
        storeText(text);
        break;
    case INT: {
        int32_t read = m_scalar.i;
        scanInt(text, &read);
        storeScalar(&Scalar::i, read);
        break;
    }
    case UINT: {
        uint32_t read = m_scalar.u;
        scanUInt(text, &read);
        storeScalar(&Scalar::u, read);
        break;
    }
    case BOOL:
        storeScalar(&Scalar::b, textToBool(text));
        break;
    case FLOAT: {
        float read = m_scalar.f;
        scanFloat(text, &read);
        storeScalar(&Scalar::f, read);
        break;
    }
    default:
        markSet(!hasValue());
        break;
    }
}

void ConfigValue::setFloat(float value) {
    switch (getType()) {
    case UNTYPED:
        becomeType(FLOAT);
        [[fallthrough]];
    case FLOAT:
        storeScalar(&Scalar::f, value);
        break;
    case INT:
        storeScalar(&Scalar::i, toInt(std::trunc(value)));
        break;
    case UINT:
        storeScalar(&Scalar::u, toUInt(std::round(value)));
        break;
    default:
        markSet(!hasValue());
        break;
    }
}

void ConfigValue::setList(const List& list) {
    if (getType() == UNTYPED) {
        List copy(list); // list may be an element's own list
        becomeType(LIST);
        *m_list = std::move(copy);
        markSet(true);
    } else if (getType() == LIST) {
        const bool same = hasValue() && sameElements(*m_list, list);
        if (!same)
            *m_list = list;
        markSet(!same);
    } else {
        markSet(!hasValue());
    }
}

void ConfigValue::setValueTree(const ValueNode& node) {
    if (getType() == UNTYPED)
        becomeType(VALUE_TREE);
    if (getType() != VALUE_TREE) {
        markSet(!hasValue());
        return;
    }
    const bool same = hasValue() && m_tree->equals(node);
    if (!same)
        m_tree->assign(node);
    markSet(!same);
}

template <class T>
void ConfigValue::storeScalar(T Scalar::*member, T value) {
    // Compared as stored, so that a NaN set again is no change.
    const bool same = hasValue() && std::memcmp(&(m_scalar.*member), &value, sizeof value) == 0;
    m_scalar.*member = value;
    markSet(!same);
}

void ConfigValue::storeText(std::wstring text) {
    const bool same = hasValue() && m_text == text;
    m_text = std::move(text);
    markSet(!same);
}

bool ConfigValue::sameElements(const List& a, const List& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!a[i].equals(b[i]))
            return false;
    return true;
}

bool ConfigValue::equals(const ConfigValue& other) const {
    if (getType() != other.getType() || hasValue() != other.hasValue())
        return false;
    if (!hasValue())
        return true;
    switch (getType()) {
    case INT:
    case UINT:
        return m_scalar.u == other.m_scalar.u;
    case BOOL:
        return m_scalar.b == other.m_scalar.b;
    case FLOAT:
        return std::memcmp(&m_scalar.f, &other.m_scalar.f, sizeof m_scalar.f) == 0;
    case STRING:
        return m_text == other.m_text;
    case LIST:
        return sameElements(*m_list, *other.m_list);
    case VALUE_TREE:
        return m_tree->equals(*other.m_tree);
    default:
        return true;
    }
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

ConfigValue::Taking ConfigValue::takeNode(ValueNode& node, bool keepType) {
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
        case VALUE_TREE: {
            const bool same = hasValue() && m_tree->equals(node);
            if (!same)
                *m_tree = std::move(node);
            markSet(!same);
            return Taking::TAKEN;
        }
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

void ConfigValue::retypeFrom(ValueNode& node) {
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
        // A list keeps its elements' room, so that loading the same settings again takes next to
        // no memory; each element starts afresh.
        if (getType() != LIST)
            becomeType(LIST);
        const ValueRange<ValueNode*> items = node.listBegin();
        m_list->resize(items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            ConfigValue& element = (*m_list)[i];
            element.reset();
            element.takeNode(items.begin()[i], false);
        }
        break;
    }
    case ValueNode::Dictionary: {
        ValueNode taken(std::move(node));
        becomeType(VALUE_TREE);
        *m_tree = std::move(taken);
        break;
    }
    default:
        return;
    }
    m_flags |= DECLARED | HAS_VALUE;
}

} // namespace tessel
