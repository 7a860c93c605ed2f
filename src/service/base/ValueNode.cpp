#include "service/base/ValueNode.h"

#include "pel/base/Assert.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>
#include <utility>

namespace tessel {

// A list's elements, which follow it.
struct alignas(8) ValueNode::ListBlock {
    uint32_t size;
    uint32_t capacity;

    ValueNode* items() { return reinterpret_cast<ValueNode*>(this + 1); }
    const ValueNode* items() const { return reinterpret_cast<const ValueNode*>(this + 1); }
};

namespace {

const wchar_t VERSION_KEY[] = L"version";
constexpr size_t VERSION_LENGTH = sizeof VERSION_KEY / sizeof *VERSION_KEY - 1;

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
    // The zeroed payload is each kind's default: empty containers own no block yet.
    if (kind > Null && kind <= RegExp)
        m_long.kind = static_cast<uint16_t>(kind);
}

ValueNode::ValueNode(const RegExSource& source) : ValueNode() { setRegExp(source); }

ValueNode::ValueNode(const ValueNode& other) : ValueNode() {
    switch (other.m_long.kind) {
    case String:
    case Symbol: {
        const wchar_t* text = other.m_long.payload.text;
        setText(other.kind(), text, text ? std::wcslen(text) : 0);
        return;
    }
    case List:
        if (const ListBlock* items = other.m_long.payload.items) {
            ListBlock* copy = static_cast<ListBlock*>(::operator new(sizeof(ListBlock) + items->size * sizeof(ValueNode)));
            copy->size = 0;
            copy->capacity = items->size;
            m_long.payload.items = copy;
            m_long.kind = List;
            // Counted as they are made, so that a failed copy frees what was made.
            for (; copy->size < items->size; ++copy->size)
                new (copy->items() + copy->size) ValueNode(items->items()[copy->size]);
        }
        break;
    case Dictionary:
        m_long.payload.entries = ValueEntries::copy(other.m_long.payload.entries);
        break;
    case RegExp:
        if (other.m_long.payload.regExp)
            m_long.payload.regExp = new RegExSource(*other.m_long.payload.regExp);
        break;
    default:
        if (other.m_long.kind & SHORT_TEXT)
            m_short = other.m_short;
        else
            m_long = other.m_long;
        return;
    }
    m_long.kind = other.m_long.kind;
}

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

void ValueNode::release() noexcept {
    switch (m_long.kind) {
    case String:
    case Symbol:
        delete[] m_long.payload.text;
        break;
    case List:
        if (ListBlock* items = m_long.payload.items) {
            for (uint32_t i = 0; i < items->size; ++i)
                items->items()[i].~ValueNode();
            ::operator delete(items);
        }
        break;
    case Dictionary:
        ValueEntries::destroy(m_long.payload.entries);
        break;
    case RegExp:
        delete m_long.payload.regExp;
        break;
    default:
        break;
    }
}

bool ValueNode::equals(const ValueNode& other) const {
    if (kind() != other.kind())
        return false;
    switch (kind()) {
    case Null:
        return true;
    case Int:
    case UInt:
        return m_long.payload.u == other.m_long.payload.u;
    case Double:
        return m_long.payload.d == other.m_long.payload.d;
    case Bool:
        return m_long.payload.b == other.m_long.payload.b;
    case String:
    case Symbol:
        return sameText(text(), other.text());
    case List: {
        const ValueRange<const ValueNode*> mine = listBegin(), theirs = other.listBegin();
        if (mine.size() != theirs.size())
            return false;
        for (size_t i = 0; i < mine.size(); ++i)
            if (!mine.begin()[i].equals(theirs.begin()[i]))
                return false;
        return true;
    }
    case Dictionary: {
        if (dictionaryBegin().size() != other.dictionaryBegin().size())
            return false;
        for (const Entry& entry : other.dictionaryBegin()) {
            const std::wstring& key = entry.first;
            const ValueEntries::Slot* found = ValueEntries::find(
                m_long.payload.entries, key.data(), key.size(), ValueEntries::hashOf(key.data(), key.size()));
            if (!found || !found->entry.second.equals(entry.second))
                return false;
        }
        return true;
    }
    case RegExp:
        if (!m_long.payload.regExp || !other.m_long.payload.regExp)
            return !m_long.payload.regExp && !other.m_long.payload.regExp;
        return *m_long.payload.regExp == *other.m_long.payload.regExp;
    default:
        return false;
    }
}

ValueNode::Payload& ValueNode::replace(Kind kind) {
    clear();
    m_long.kind = static_cast<uint16_t>(kind);
    return m_long.payload;
}

void ValueNode::setInt(int32_t value) { replace(Int).i = value; }

void ValueNode::setUInt(uint32_t value) { replace(UInt).u = value; }

void ValueNode::setDouble(double value) { replace(Double).d = value; }

void ValueNode::setBool(bool value) { replace(Bool).b = value; }

void ValueNode::setString(const wchar_t* text) { setText(String, text, text ? std::wcslen(text) : 0); }

void ValueNode::setString(const wchar_t* text, size_t length) { setText(String, text, length); }

void ValueNode::setSymbol(const wchar_t* text) { setText(Symbol, text, text ? std::wcslen(text) : 0); }

void ValueNode::setText(Kind kind, const wchar_t* text, size_t length) {
    if (!text) {
        replace(kind).text = nullptr;
        return;
    }
    if (const wchar_t* nul = std::wmemchr(text, L'\0', length))
        length = static_cast<size_t>(nul - text);
    // Copied before the old text goes: text may point into it.
    if (length < SHORT_UNITS) {
        Short held{static_cast<uint16_t>(kind | SHORT_TEXT), {}};
        std::wmemcpy(held.units, text, length);
        clear();
        m_short = held;
        return;
    }
    wchar_t* copy = new wchar_t[length + 1];
    std::wmemcpy(copy, text, length);
    copy[length] = L'\0';
    replace(kind).text = copy;
}

void ValueNode::setRegExp(const RegExSource& source) {
    RegExSource* copy = new RegExSource(source);
    replace(RegExp).regExp = copy;
}

// ---- dictionaries

const ValueNode& ValueNode::getKey(const wchar_t* key) const {
    if (kind() != Dictionary || !key)
        return null();
    return entryAt(key, std::wcslen(key));
}

const ValueNode& ValueNode::getKey(const std::wstring& key) const {
    if (kind() != Dictionary)
        return null();
    return entryAt(key.data(), key.size());
}

const ValueNode& ValueNode::entryAt(const wchar_t* key, size_t length) const {
    const ValueEntries::Slot* found =
        ValueEntries::find(m_long.payload.entries, key, length, ValueEntries::hashOf(key, length));
    return found ? found->entry.second : null();
}

ValueNode& ValueNode::getOrAddKey(const wchar_t* key) {
    PEL_CHECK_PTR(key);
    PEL_ASSERT(kind() == Null || kind() == Dictionary);
    return entryOf(key, std::wcslen(key));
}

ValueNode& ValueNode::getOrAddKey(std::wstring key) {
    PEL_ASSERT(kind() == Null || kind() == Dictionary);
    const uint32_t hash = ValueEntries::hashOf(key.data(), key.size());
    if (ValueEntries::Slot* found = ValueEntries::find(m_long.payload.entries, key.data(), key.size(), hash))
        return found->entry.second;
    m_long.kind = Dictionary;
    return ValueEntries::add(m_long.payload.entries, key, hash);
}

ValueNode& ValueNode::entryOf(const wchar_t* key, size_t length) {
    const uint32_t hash = ValueEntries::hashOf(key, length);
    if (ValueEntries::Slot* found = ValueEntries::find(m_long.payload.entries, key, length, hash))
        return found->entry.second;
    m_long.kind = Dictionary;
    return ValueEntries::add(m_long.payload.entries, key, length, hash);
}

void ValueNode::reserveEntries(size_t count) {
    m_long.payload.entries = count ? ValueEntries::make(count) : nullptr;
    m_long.kind = Dictionary;
}

const ValueNode* ValueNode::findVersion() const {
    if (kind() != Dictionary)
        return nullptr;
    const ValueNode& found = entryAt(VERSION_KEY, VERSION_LENGTH);
    return &found == &null() ? nullptr : &found;
}

ValueNode* ValueNode::findVersion() {
    return const_cast<ValueNode*>(static_cast<const ValueNode*>(this)->findVersion());
}

void ValueNode::removeVersion() {
    if (kind() == Dictionary)
        ValueEntries::remove(m_long.payload.entries, VERSION_KEY, VERSION_LENGTH);
}

ValueRange<ValueNode::Entries::const_iterator> ValueNode::dictionaryBegin() const {
    if (kind() != Dictionary)
        return {};
    const ValueEntries::Block* first = m_long.payload.entries;
    return {ValueEntries::cbegin(first), {}, ValueEntries::size(first)};
}

ValueRange<ValueNode::Entries::iterator> ValueNode::dictionaryBegin() {
    if (kind() != Dictionary)
        return {};
    ValueEntries::Block* first = m_long.payload.entries;
    return {ValueEntries::begin(first), {}, ValueEntries::size(first)};
}

// ---- lists

ValueNode* ValueNode::addListItem() {
    if (kind() != List)
        return nullptr;
    ListBlock* items = m_long.payload.items;
    if (!items || items->size == items->capacity) {
        const uint32_t capacity = items && items->capacity >= 2 ? items->capacity * 2 : 4;
        ListBlock* grown = static_cast<ListBlock*>(::operator new(sizeof(ListBlock) + capacity * sizeof(ValueNode)));
        grown->size = items ? items->size : 0;
        grown->capacity = capacity;
        for (uint32_t i = 0; i < grown->size; ++i)
            new (grown->items() + i) ValueNode(std::move(items->items()[i])); // a moved node holds nothing
        ::operator delete(items);
        m_long.payload.items = items = grown;
    }
    return new (items->items() + items->size++) ValueNode();
}

ValueNode* ValueNode::adoptList(size_t count) {
    m_long.kind = List;
    if (count == 0)
        return nullptr;
    ListBlock* items = static_cast<ListBlock*>(::operator new(sizeof(ListBlock) + count * sizeof(ValueNode)));
    items->size = items->capacity = static_cast<uint32_t>(count);
    for (size_t i = 0; i < count; ++i)
        new (items->items() + i) ValueNode();
    m_long.payload.items = items;
    return items->items();
}

ValueRange<const ValueNode*> ValueNode::listBegin() const {
    const ListBlock* items = kind() == List ? m_long.payload.items : nullptr;
    if (!items)
        return {};
    return {items->items(), items->items() + items->size, items->size};
}

ValueRange<ValueNode*> ValueNode::listBegin() {
    ListBlock* items = kind() == List ? m_long.payload.items : nullptr;
    if (!items)
        return {};
    return {items->items(), items->items() + items->size, items->size};
}

// ---- typed reading

int32_t ValueNode::getInt(int32_t defaultValue) const {
    return static_cast<int32_t>(getUInt(static_cast<uint32_t>(defaultValue)));
}

uint32_t ValueNode::getUInt(uint32_t defaultValue) const {
    switch (kind()) {
    case Int:
    case UInt:
        return m_long.payload.u;
    case Double:
        return truncatedWord(m_long.payload.d);
    case Bool:
        return 0;
    default:
        return defaultValue;
    }
}

double ValueNode::getDouble(double defaultValue) const {
    switch (kind()) {
    case Int:
        return m_long.payload.i;
    case UInt:
        return m_long.payload.u;
    case Double:
        return m_long.payload.d;
    case Bool:
        return 0.0;
    default:
        return defaultValue;
    }
}

const wchar_t* ValueNode::getString(const wchar_t* defaultValue) const {
    switch (kind()) {
    case String:
    case Symbol:
        return text() ? text() : defaultValue;
    case Bool:
        return m_long.payload.b ? L"true" : L"false";
    case RegExp:
        return m_long.payload.regExp ? m_long.payload.regExp->pattern.c_str() : defaultValue;
    default:
        return defaultValue;
    }
}

bool ValueNode::getBool(bool defaultValue) const {
    switch (kind()) {
    case Int:
    case UInt:
        return m_long.payload.u == 0;
    case Double:
        return m_long.payload.d == 0.0;
    case String:
    case Symbol:
        return !text() || !*text();
    case Bool:
        return m_long.payload.b;
    case RegExp:
        return m_long.payload.regExp && m_long.payload.regExp->pattern.empty();
    default:
        return defaultValue;
    }
}

} // namespace tessel
