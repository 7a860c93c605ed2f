#pragma once
// Ownership of the framework's objects, kept apart from the view tree: a node owns the nodes
// added to it and deletes them, first to last, when it goes. Every view is one; the view tree
// only arranges views, their owner node frees them.

#include "pel/base/Object.h"

#include <cstddef>
#include <vector>

class ObjectNode : public pel::Object {
public:
    ObjectNode() = default;
    // Leaves its owner, then deletes what it owns, first to last.
    ~ObjectNode() override;
    ObjectNode(const ObjectNode&) = delete;
    ObjectNode& operator=(const ObjectNode&) = delete;

    // Takes child over from its current owner. Throws pel::InvalidArgumentException when child
    // is this node or already owned by it.
    void add(ObjectNode* child);
    // Gives child up without deleting it; pel::InvalidArgumentException when it is not owned here.
    void remove(ObjectNode* child);
    bool isOwning(const ObjectNode* child) const;

    ObjectNode* getOwner() const { return m_owner; }
    size_t getOwnedCount() const { return m_owned.size(); }

private:
    // What a deleted node does to leave its owner: it never throws.
    void forget(ObjectNode* child) noexcept;

    ObjectNode* m_owner = nullptr;
    std::vector<ObjectNode*> m_owned;
    // While the destructor deletes the owned nodes: the index of the one being deleted. Nodes
    // leaving then only clear their slot, so the walk stays linear.
    size_t m_deleting = SIZE_MAX;
};
