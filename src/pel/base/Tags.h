#pragma once
// An ordered set of 32-bit tags; bundle validators are keyed by them, errors carry them.

#include <algorithm>
#include <cstdint>
#include <set>

namespace pel {

template <class T>
class Tags;

template <>
class Tags<unsigned int> {
public:
    static constexpr unsigned int SETTINGS_TAG = 0xE545A0C5;      // "settings"
    static constexpr unsigned int SETTINGS_EXTRA_TAG = 0x29B95B69;

    struct WithSettings {};
    struct WithSettingsAndExtra {};

    Tags() = default;
    explicit Tags(unsigned int tag) { m_tags.insert(tag); }
    // The validators' forms: "settings" first (and the second settings tag), then the given tag.
    Tags(WithSettings, unsigned int tag) : m_tags{SETTINGS_TAG, tag} {}
    Tags(WithSettingsAndExtra, unsigned int tag) : m_tags{SETTINGS_TAG, SETTINGS_EXTRA_TAG, tag} {}
    Tags(const Tags&) = default;
    Tags& operator=(const Tags&) = default;
    virtual ~Tags() = default;

    bool contains(unsigned int tag) const { return m_tags.count(tag) != 0; }
    // Whether every tag of other is here too (always, for an empty other).
    bool containsAll(const Tags& other) const {
        return std::includes(m_tags.begin(), m_tags.end(), other.m_tags.begin(), other.m_tags.end());
    }
    bool empty() const { return m_tags.empty(); }
    const std::set<unsigned int>& values() const { return m_tags; }
    void insert(unsigned int tag) { m_tags.insert(tag); }

private:
    std::set<unsigned int> m_tags;
};

} // namespace pel
