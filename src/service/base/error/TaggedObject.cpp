#include "service/base/error/TaggedObject.h"

namespace tessel {

TaggedObject::TaggedObject() = default;

TaggedObject::TaggedObject(const TaggedObject& other)
    : pel::Object(other), m_tags(other.m_tags ? new Tags(*other.m_tags) : nullptr) {}

TaggedObject& TaggedObject::operator=(const TaggedObject& other) {
    if (this != &other)
        m_tags.reset(other.m_tags ? new Tags(*other.m_tags) : nullptr);
    return *this;
}

TaggedObject::~TaggedObject() = default;

void TaggedObject::setTag(uint32_t key, void* value) {
    if (!m_tags)
        m_tags.reset(new Tags);
    if (value)
        (*m_tags)[key] = value;
    else
        m_tags->erase(key);
}

bool TaggedObject::removeTag(uint32_t key) { return m_tags && m_tags->erase(key) != 0; }

void* TaggedObject::getTag(uint32_t key) const {
    if (!m_tags)
        return nullptr;
    const auto it = m_tags->find(key);
    return it == m_tags->end() ? nullptr : it->second;
}

} // namespace tessel
