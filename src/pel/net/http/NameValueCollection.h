#pragma once
// An ordered list of name-value pairs whose names compare without regard to ASCII case: the
// fields of HTTP headers and forms and the parameters of media types. Several entries may share
// a name; iteration runs in name order, entries of equal names in the order they were added.

#include <map>
#include <string>

namespace pel {
namespace net {

class NameValueCollection {
public:
    // Less-than over names with ASCII letters folded to lower case.
    struct ILT {
        bool operator()(const std::wstring& left, const std::wstring& right) const;
    };

    using Container = std::multimap<std::wstring, std::wstring, ILT>;
    using Iterator = Container::iterator;
    using ConstIterator = Container::const_iterator;

    NameValueCollection() = default;
    NameValueCollection(const NameValueCollection& other) = default;
    NameValueCollection& operator=(const NameValueCollection& other) = default;
    virtual ~NameValueCollection() = default;

    void swap(NameValueCollection& other) { m_map.swap(other.m_map); }

    // Replaces the value of the first entry with the name, or adds one.
    void set(const std::wstring& name, const std::wstring& value);
    // Always adds, after the entries of the same name.
    void add(const std::wstring& name, const std::wstring& value);
    // The value of the first entry with the name; NotFoundException (the name) when none.
    const std::wstring& get(const std::wstring& name) const;
    const std::wstring& get(const std::wstring& name, const std::wstring& defaultValue) const;
    bool has(const std::wstring& name) const { return find(name) != m_map.end(); }
    // The first entry with the name, or end().
    ConstIterator find(const std::wstring& name) const;
    ConstIterator begin() const { return m_map.begin(); }
    ConstIterator end() const { return m_map.end(); }
    bool empty() const { return m_map.empty(); }
    int size() const { return static_cast<int>(m_map.size()); }
    // Removes every entry with the name.
    void erase(const std::wstring& name) { m_map.erase(name); }
    void clear() { m_map.clear(); }

private:
    Container m_map;
};

// Compares without regard to ASCII case: negative, zero or positive.
int icompare(const std::wstring& left, const std::wstring& right);

} // namespace net
} // namespace pel
