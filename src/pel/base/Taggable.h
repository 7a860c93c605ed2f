#pragma once
// The base of classes that carry a set of tags (errors, for one); the set starts empty.

#include "pel/base/Tags.h"

namespace pel {

template <class T>
class Taggable {
public:
    Taggable() = default;
    explicit Taggable(const Tags<T>& tags) : m_tags(tags) {}
    Taggable(const Taggable&) = default;
    Taggable& operator=(const Taggable&) = default;
    virtual ~Taggable() = default;

    const Tags<T>& getTags() const { return m_tags; }
    void setTags(const Tags<T>& tags) { m_tags = tags; }
    void addTag(T tag) { m_tags.insert(tag); }
    bool hasTag(T tag) const { return m_tags.contains(tag); }
    // Whether every one of the tags is carried (always, for an empty set).
    bool hasTags(const Tags<T>& tags) const { return m_tags.containsAll(tags); }

private:
    Tags<T> m_tags;
};

} // namespace pel
