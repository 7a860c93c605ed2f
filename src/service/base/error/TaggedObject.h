#pragma once
// An object that carries extra pointers under 32-bit keys without its class knowing them: bundle
// entries, document controllers, menu nodes and editor states hang what their users need on it.
// The pointers are not owned; the map is made by the first setTag and goes with the object.

#include "pel/base/Object.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

namespace tessel {

class TaggedObject : public pel::Object {
public:
    TaggedObject();
    // A copy carries the same pointers.
    TaggedObject(const TaggedObject& other);
    TaggedObject& operator=(const TaggedObject& other);
    ~TaggedObject() override;

    // Replaces what the key held; a null value only removes it.
    void setTag(uint32_t key, void* value);
    // True when the key held a value.
    bool removeTag(uint32_t key);
    // The value under the key, or null.
    void* getTag(uint32_t key) const;

private:
    using Tags = std::unordered_map<uint32_t, void*>;

    std::unique_ptr<Tags> m_tags;
};

} // namespace tessel
