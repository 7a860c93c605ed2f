#include "service/base/ValueNode.h"

#include "pel/base/Assert.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <utility>

namespace tessel {

namespace {

const wchar_t VERSION_KEY[] = L"version";

// Buckets a new dictionary starts with: the entries of a typical one go in without rehashing.
constexpr size_t INITIAL_BUCKETS = 8;

wchar_t* copyText(const wchar_t* text, size_t length) {
    wchar_t* copy = new wchar_t[length + 1];
    std::wmemcpy(copy, text, length);
    copy[length] = L'\0';
    return copy;
}

// The low 32 bits of the double truncated toward zero to 64 bits.
uint32_t truncatedWord(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 9223372036854775807.0)
        return 0xFFFFFFFFu;
    if (value <= -9223372036854775808.0)
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value)));
}

bool sameText(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

} // namespace

const ValueNode& ValueNode::null() {
    static const ValueNode shared;
    return shared;
}

ValueNode::ValueNode(Kind kind) : ValueNode() {
    switch (kind) {
    case Int:
    case UInt:
    case Double:
    case Bool:
    case String:
    case Symbol:
    case RegExp:
        break; // the zeroed payload is the default
    case List:
        m_payload.items = new Items();
        break;
    case Dictionary:
        m_payload.entries = new Entries(INITIAL_BUCKETS);
        break;
    default:
        return;
    }
    m_kind = kind;
}

ValueNode::ValueNode(const RegExSource& source) : ValueNode() { setRegExp(source); }

ValueNode::ValueNode(const ValueNode& other) : ValueNode() {
    switch (other.m_kind) {
    case String:
    case Symbol:
        if (other.m_payload.text)
            m_payload.text = copyText(other.m_payload.text, std::wcslen(other.m_payload.text));
        break;
    case List:
        m_payload.items = new Items(*other.m_payload.items);
        break;
    case Dictionary:
        m_payload.entries = new Entries(*other.m_payload.entries);
        break;
    case RegExp:
        if (other.m_payload.regExp)
            m_payload.regExp = new RegExSource(*other.m_payload.regExp);
        break;
    default:
        m_payload = other.m_payload;
        break;
    }
    m_kind = other.m_kind;
}

ValueNode::ValueNode(ValueNode&& other) noexcept : ValueNode() { take(other); }

ValueNode& ValueNode::operator=(const ValueNode& other) {
    assign(other);
    return *this;
}

ValueNode& ValueNode::operator=(ValueNode&& other) noexcept {
    if (&other != this) {
        // other may lie inside this tree: detach it before this tree goes.
        ValueNode moved(std::move(other));
        clear();
        take(moved);
    }
    return *this;
}

void ValueNode::assign(const ValueNode& other) {
    if (&other == this)
        return;
    ValueNode copy(other);
    clear();
    take(copy);
}

void ValueNode::clear() noexcept {
    switch (m_kind) {
    case String:
    case Symbol:
        delete[] m_payload.text;
        break;
    case List:
        delete m_payload.items;
        break;
    case Dictionary:
        delete m_payload.entries;
        break;
    case RegExp:
        delete m_payload.regExp;
        break;
    default:
        break;
    }
    m_kind = Null;
    m_payload = Payload{};
}

void ValueNode::take(ValueNode& other) noexcept {
    m_kind = other.m_kind;
    m_payload = other.m_payload;
    other.m_kind = Null;
    other.m_payload = Payload{};
}

bool ValueNode::equals(const ValueNode& other) const {
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case Null:
        return true;
    case Int:
    case UInt:
        return m_payload.u == other.m_payload.u;
    case Double:
        return m_payload.d == other.m_payload.d;
    case Bool:
        return m_payload.b == other.m_payload.b;
    case String:
    case Symbol:
        return sameText(m_payload.text, other.m_payload.text);
    case List: {
        const Items& mine = *m_payload.items;
        const Items& theirs = *other.m_payload.items;
        if (mine.size() != theirs.size())
            return false;
        for (size_t i = 0; i < mine.size(); ++i)
            if (!mine[i].equals(theirs[i]))
                return false;
        return true;
    }
    case Dictionary: {
        const Entries& mine = *m_payload.entries;
        if (mine.size() != other.m_payload.entries->size())
            return false;
        for (const Entry& entry : *other.m_payload.entries) {
            const auto found = mine.find(entry.first);
            if (found == mine.end() || !found->second.equals(entry.second))
                return false;
        }
        return true;
    }
    case RegExp:
        if (!m_payload.regExp || !other.m_payload.regExp)
            return !m_payload.regExp && !other.m_payload.regExp;
        return *m_payload.regExp == *other.m_payload.regExp;
    default:
        return false;
    }
}

ValueNode::Payload& ValueNode::replace(Kind kind) {
    clear();
    m_kind = kind;
    return m_payload;
}

void ValueNode::setInt(int32_t value) { replace(Int).i = value; }

void ValueNode::setUInt(uint32_t value) { replace(UInt).u = value; }

void ValueNode::setDouble(double value) { replace(Double).d = value; }

void ValueNode::setBool(bool value) { replace(Bool).b = value; }

void ValueNode::setString(const wchar_t* text) { setText(String, text, text ? std::wcslen(text) : 0); }

void ValueNode::setString(const wchar_t* text, size_t length) { setText(String, text, length); }

void ValueNode::setSymbol(const wchar_t* text) { setText(Symbol, text, text ? std::wcslen(text) : 0); }

void ValueNode::setText(Kind kind, const wchar_t* text, size_t length) {
    // Copied before the old text goes: text may point into it.
    wchar_t* copy = nullptr;
    if (text) {
        const wchar_t* nul = std::wmemchr(text, L'\0', length);
        copy = copyText(text, nul ? static_cast<size_t>(nul - text) : length);
    }
    replace(kind).text = copy;
}

void ValueNode::setRegExp(const RegExSource& source) {
    RegExSource* copy = new RegExSource(source);
    replace(RegExp).regExp = copy;
}

const ValueNode& ValueNode::getKey(const wchar_t* key) const {
    if (m_kind != Dictionary || !key)
        return null();
    return getKey(std::wstring(key));
}

const ValueNode& ValueNode::getKey(const std::wstring& key) const {
    if (m_kind != Dictionary)
        return null();
    const auto found = m_payload.entries->find(key);
    return found == m_payload.entries->end() ? null() : found->second;
}

ValueNode& ValueNode::getOrAddKey(const wchar_t* key) {
    PEL_CHECK_PTR(key);
    return getOrAddKey(std::wstring(key));
}

ValueNode& ValueNode::getOrAddKey(std::wstring key) {
    PEL_ASSERT(m_kind == Null || m_kind == Dictionary);
    if (m_kind == Null) {
        m_payload.entries = new Entries(INITIAL_BUCKETS);
        m_kind = Dictionary;
    }
    return m_payload.entries->try_emplace(std::move(key)).first->second;
}

const ValueNode* ValueNode::findVersion() const {
    if (m_kind != Dictionary)
        return nullptr;
    const auto found = m_payload.entries->find(VERSION_KEY);
    return found == m_payload.entries->end() ? nullptr : &found->second;
}

ValueNode* ValueNode::findVersion() {
    return const_cast<ValueNode*>(static_cast<const ValueNode*>(this)->findVersion());
}

void ValueNode::removeVersion() {
    if (m_kind == Dictionary)
        m_payload.entries->erase(VERSION_KEY);
}

ValueRange<ValueNode::Entries::const_iterator> ValueNode::dictionaryBegin() const {
    if (m_kind != Dictionary)
        return {};
    const Entries& entries = *m_payload.entries;
    return {entries.begin(), entries.end(), entries.size()};
}

ValueRange<ValueNode::Entries::iterator> ValueNode::dictionaryBegin() {
    if (m_kind != Dictionary)
        return {};
    Entries& entries = *m_payload.entries;
    return {entries.begin(), entries.end(), entries.size()};
}

ValueNode* ValueNode::addListItem() {
    if (m_kind != List)
        return nullptr;
    m_payload.items->emplace_back();
    return &m_payload.items->back();
}

ValueRange<const ValueNode*> ValueNode::listBegin() const {
    if (m_kind != List)
        return {};
    const Items& items = *m_payload.items;
    return {items.data(), items.data() + items.size(), items.size()};
}

ValueRange<ValueNode*> ValueNode::listBegin() {
    if (m_kind != List)
        return {};
    Items& items = *m_payload.items;
    return {items.data(), items.data() + items.size(), items.size()};
}

int32_t ValueNode::getInt(int32_t defaultValue) const {
    return static_cast<int32_t>(getUInt(static_cast<uint32_t>(defaultValue)));
}

uint32_t ValueNode::getUInt(uint32_t defaultValue) const {
    switch (m_kind) {
    case Int:
    case UInt:
        return m_payload.u;
    case Double:
        return truncatedWord(m_payload.d);
    case Bool:
        return 0;
    default:
        return defaultValue;
    }
}

double ValueNode::getDouble(double defaultValue) const {
    switch (m_kind) {
    case Int:
        return m_payload.i;
    case UInt:
        return m_payload.u;
    case Double:
        return m_payload.d;
    case Bool:
        return 0.0;
    default:
        return defaultValue;
    }
}

const wchar_t* ValueNode::getString(const wchar_t* defaultValue) const {
    switch (m_kind) {
    case String:
    case Symbol:
        return m_payload.text ? m_payload.text : defaultValue;
    case Bool:
        return m_payload.b ? L"true" : L"false";
    case RegExp:
        return m_payload.regExp ? m_payload.regExp->pattern.c_str() : defaultValue;
    default:
        return defaultValue;
    }
}

bool ValueNode::getBool(bool defaultValue) const {
    switch (m_kind) {
    case Int:
    case UInt:
        return m_payload.u == 0;
    case Double:
        return m_payload.d == 0.0;
    case String:
    case Symbol:
        return !m_payload.text || !*m_payload.text;
    case Bool:
        return m_payload.b;
    case RegExp:
        return m_payload.regExp && m_payload.regExp->pattern.empty();
    default:
        return defaultValue;
    }
}

} // namespace tessel
