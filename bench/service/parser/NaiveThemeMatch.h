#pragma once
// The peer of the theme benchmark: theme rules matched the naive way, by comparing name texts
// (a name matches a scope it equals or prefixes at a dot) instead of hashed dot prefixes, with
// the same ranking and operators as the selector matcher. Selectors have no parentheses and
// names no "-", as bench_scopes::makeSelector writes them.

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace bench_naive {

struct Selector {
    wchar_t op = 0; // 0 for an atom, else ',', '&', '|' or '-'
    std::vector<std::wstring> names; // an atom's names, outermost first
    std::unique_ptr<Selector> left, right;
};

// Splits at the first operator of the loosest kind, so chains group to the right.
inline std::unique_ptr<Selector> parse(const std::wstring& text) {
    auto selector = std::make_unique<Selector>();
    for (wchar_t op : {L',', L'&', L'|', L'-'}) {
        const size_t at = text.find(op);
        if (at == std::wstring::npos)
            continue;
        selector->op = op;
        selector->left = parse(text.substr(0, at));
        selector->right = parse(text.substr(at + 1));
        return selector;
    }
    std::wistringstream words(text);
    for (std::wstring name; words >> name;)
        selector->names.push_back(name);
    return selector;
}

// A scope path as name texts, innermost first, with each segment's ranking base.
struct Path {
    std::vector<std::wstring> names;
    std::vector<uint64_t> bases;

    explicit Path(std::vector<std::wstring> innermostFirst) : names(std::move(innermostFirst)), bases(names.size()) {
        uint64_t base = 0;
        for (size_t i = names.size(); i-- > 0;) {
            bases[i] = base;
            base = 2 * base + partsOf(names[i]);
        }
    }
    static uint64_t partsOf(const std::wstring& name) {
        uint64_t parts = 1;
        for (wchar_t c : name)
            parts += c == L'.';
        return parts;
    }
};

inline bool nameMatches(const std::wstring& name, const std::wstring& scope) {
    return scope.compare(0, name.size(), name) == 0 && (scope.size() == name.size() || scope[name.size()] == L'.');
}

// Score 0: no match.
inline uint64_t matchAtom(const Selector& atom, const Path& path, bool anchored) {
    uint64_t score = 0;
    size_t at = 0;
    for (size_t name = atom.names.size(); name-- > 0; ++at) {
        while (at < path.names.size() && !nameMatches(atom.names[name], path.names[at])) {
            if (anchored && at == 0)
                return 0;
            ++at;
        }
        if (at == path.names.size())
            return 0;
        score += path.bases[at] + Path::partsOf(atom.names[name]);
    }
    return atom.names.empty() ? 0 : score;
}

inline uint64_t match(const Selector& selector, const Path& path, bool anchored) {
    if (!selector.op)
        return matchAtom(selector, path, anchored);
    const uint64_t left = match(*selector.left, path, anchored);
    const uint64_t right = match(*selector.right, path, anchored);
    switch (selector.op) {
    case L'-': return right ? 0 : left;
    case L'&': return left && right ? std::max(left, right) : 0;
    default: return std::max(left, right);
    }
}

} // namespace bench_naive
