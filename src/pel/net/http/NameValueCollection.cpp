#include "pel/net/http/NameValueCollection.h"

#include "pel/base/Ascii.h"
#include "pel/base/Exception.h"

#include <algorithm>

namespace pel {
namespace net {

int icompare(const std::wstring& left, const std::wstring& right) {
    const size_t n = std::min(left.size(), right.size());
    for (size_t i = 0; i < n; ++i) {
        const int a = Ascii::toLower(left[i]);
        const int b = Ascii::toLower(right[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return left.size() == right.size() ? 0 : (left.size() < right.size() ? -1 : 1);
}

bool NameValueCollection::ILT::operator()(const std::wstring& left, const std::wstring& right) const {
    return icompare(left, right) < 0;
}

NameValueCollection::ConstIterator NameValueCollection::find(const std::wstring& name) const {
    // multimap::find may land on any of several equal names.
    const ConstIterator it = m_map.lower_bound(name);
    return it != m_map.end() && icompare(it->first, name) == 0 ? it : m_map.end();
}

void NameValueCollection::set(const std::wstring& name, const std::wstring& value) {
    const Iterator it = m_map.lower_bound(name);
    if (it != m_map.end() && icompare(it->first, name) == 0)
        it->second = value;
    else
        m_map.emplace(name, value);
}

void NameValueCollection::add(const std::wstring& name, const std::wstring& value) { m_map.emplace(name, value); }

const std::wstring& NameValueCollection::get(const std::wstring& name) const {
    const ConstIterator it = find(name);
    if (it == m_map.end())
        throw NotFoundException(name);
    return it->second;
}

const std::wstring& NameValueCollection::get(const std::wstring& name, const std::wstring& defaultValue) const {
    const ConstIterator it = find(name);
    return it == m_map.end() ? defaultValue : it->second;
}

} // namespace net
} // namespace pel
