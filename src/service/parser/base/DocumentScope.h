#pragma once
// The scope records of one Document: each stands for one grammar rule opened inside one parent
// scope, and line parse records refer to it by its 16-bit index. A record carries its scope
// path (its own name innermost, then each named ancestor outwards) for selectors and themes;
// the path holds the record's own name and goes on into its parent's, so deep records cost no more.
// DocumentScopeRegistry is what the Document asks of the registry that the parsing subsystem
// keeps; NullScopeRegistry stands in until a grammar parses: it holds the root record only.

#include "pel/base/Object.h"
#include "service/parser/base/ScopePath.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tessel {

// The parent index that interns a root record.
constexpr uint16_t SCOPE_NO_PARENT = 0xFFFF;

class DocumentScope : public pel::Object {
public:
    // The parent, when given, must outlive the record (a registry drops its records together).
    DocumentScope(uint16_t rootRuleNumber, uint16_t index, uint16_t ruleNumber, const DocumentScope* parent,
                  const wchar_t* name);
    ~DocumentScope() override = default;
    DocumentScope(const DocumentScope&) = delete;
    DocumentScope& operator=(const DocumentScope&) = delete;

    uint16_t rootRuleNumber() const { return m_rootRuleNumber; }
    uint16_t index() const { return m_index; }
    uint16_t ruleNumber() const { return m_ruleNumber; }
    const DocumentScope* parent() const { return m_parent; }
    const std::wstring& name() const { return m_name; }
    // Each segment's value is the address of the record whose name it is.
    ScopePath& scopePath() const { return m_path; }

private:
    uint16_t m_rootRuleNumber;
    uint16_t m_index;
    uint16_t m_ruleNumber;
    const DocumentScope* m_parent;
    std::wstring m_name;
    mutable ScopePath m_path; // compiled lazily by its matchers
};

class DocumentScopeRegistry {
public:
    virtual ~DocumentScopeRegistry() = default;
    // The record of ruleNumber under the record at parentIndex (none when out of range), made
    // with the next index when new.
    virtual const DocumentScope* intern(uint16_t ruleNumber, uint16_t parentIndex, const wchar_t* name) = 0;
    // The record at index, or null when the index is not below the count.
    virtual const DocumentScope* get(uint32_t index) const = 0;
    // Drops every record; the next one interned gets index 0.
    virtual void clear() = 0;
    // The first record (index 0), or null when there is none.
    const DocumentScope* root() const { return get(0); }
};

// Holds one record at most: the first interned (the document's root); later interns answer it.
class NullScopeRegistry : public DocumentScopeRegistry {
public:
    const DocumentScope* intern(uint16_t ruleNumber, uint16_t parentIndex, const wchar_t* name) override;
    const DocumentScope* get(uint32_t index) const override;
    void clear() override { m_root.reset(); }

private:
    std::unique_ptr<DocumentScope> m_root;
};

} // namespace tessel
