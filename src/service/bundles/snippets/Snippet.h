#pragma once
// A parsed snippet: the tree of its text runs, tab stops, placeholders, mirrors, variables and
// transformations, with each tab stop's master (the node whose text the stop starts with) and
// its mirrors listed by number. SnippetReader makes it; expanding it into spans inserts it.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessel {

class SnippetActiveNode;

class SnippetNode {
public:
    enum Kind : int32_t { KIND_TEXT = 0, KIND_MASTER = 1, KIND_MIRROR = 2 };

    explicit SnippetNode(Kind kind) : kind(kind) {}
    virtual ~SnippetNode() = default;
    SnippetNode(const SnippetNode&) = delete;
    SnippetNode& operator=(const SnippetNode&) = delete;

    SnippetActiveNode* parent = nullptr; // not owned
    Kind kind;
};

// Text, already unescaped.
class SnippetTextNode : public SnippetNode {
public:
    explicit SnippetTextNode(const std::wstring& text) : SnippetNode(KIND_TEXT), text(text) {}

    std::wstring text;
};

// A tab stop, placeholder, mirror, variable or transformation; the root of a snippet too.
class SnippetActiveNode : public SnippetNode {
public:
    // Ranks for choosing a tab stop's master.
    enum Rank { RANK_TRANSFORMATION = 0, RANK_PLAIN = 1, RANK_PLACEHOLDER = 2 };

    SnippetActiveNode() : SnippetNode(KIND_MASTER) {}

    void append(std::unique_ptr<SnippetNode> child);
    bool isTransformation() const { return !regex.empty(); }
    int rank() const;

    std::vector<std::unique_ptr<SnippetNode>> children;
    int32_t index = 0;   // in the snippet's master or mirror list
    std::wstring name;   // the digits or the variable's name
    int32_t number = -1; // the tab stop; -1 for variables and the root
    bool isVariable = false;
    std::wstring regex;
    std::wstring options;
    std::wstring format;
};

class Snippet {
public:
    Snippet();
    ~Snippet();
    Snippet(const Snippet&) = delete;
    Snippet& operator=(const Snippet&) = delete;

    // Takes a node into the lists (its children are registered already): digits make it a tab
    // stop (the number -1 when it does not fit 32 bits), anything else a variable, always a
    // mirror. The first node of a number is its master until a node of higher rank (not a
    // transformation) comes, which takes its place and makes it a mirror.
    void registerNode(SnippetActiveNode* node);

    SnippetActiveNode& root() { return m_root; }
    const SnippetActiveNode& root() const { return m_root; }
    const std::vector<SnippetActiveNode*>& masters() const { return m_masters; }
    const std::vector<SnippetActiveNode*>& mirrors() const { return m_mirrors; }
    // The master of a tab stop, or null.
    const SnippetActiveNode* findMaster(int32_t number) const;
    // The mirror indexes of a tab stop, in order.
    std::vector<int32_t> findMirrors(int32_t number) const;

private:
    void addMirror(SnippetActiveNode* node);

    SnippetActiveNode m_root;
    std::map<int32_t, int32_t> m_masterIndex;
    std::multimap<int32_t, int32_t> m_mirrorIndex;
    std::vector<SnippetActiveNode*> m_masters;
    std::vector<SnippetActiveNode*> m_mirrors;
};

} // namespace tessel
