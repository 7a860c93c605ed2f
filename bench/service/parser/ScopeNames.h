#pragma once
// Scope paths and selectors in the style of public grammars and themes, made deterministically
// for the scope benchmarks: paths of a source scope, meta scopes and a leaf, selectors of names
// of one to four parts, descendant pairs, exclusions and "|" and "," lists.

#include <cstdint>
#include <string>
#include <vector>

namespace bench_scopes {

class Lcg {
public:
    explicit Lcg(uint32_t seed) : m_state(seed) {}
    uint32_t below(uint32_t n) {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) % n;
    }
    template <class T, size_t N>
    const T& pick(const T (&items)[N]) { return items[below(N)]; }

private:
    uint32_t m_state;
};

const wchar_t* const LANGUAGES[] = {L"c", L"js", L"python", L"ruby", L"css", L"json", L"go", L"rust"};
const wchar_t* const METAS[] = {L"meta.function", L"meta.block", L"meta.class", L"meta.embedded.block",
                                L"meta.paren.group", L"meta.function-call", L"meta.structure.dictionary",
                                L"meta.definition.variable", L"meta.tag", L"meta.array.literal"};
const wchar_t* const LEAVES[] = {L"string.quoted.double", L"string.quoted.single", L"comment.line.double-slash",
                                 L"comment.block.documentation", L"keyword.control.import", L"keyword.operator.assignment",
                                 L"storage.type.function", L"storage.modifier", L"constant.numeric.integer.decimal",
                                 L"constant.language.boolean", L"constant.character.escape", L"entity.name.function",
                                 L"entity.name.type.class", L"entity.other.attribute-name", L"variable.parameter",
                                 L"variable.other.readwrite", L"support.function.builtin", L"support.type.property-name",
                                 L"punctuation.definition.string.begin", L"punctuation.separator.key-value",
                                 L"invalid.illegal", L"markup.heading", L"string.regexp", L"entity.name.tag"};

// A path of depth names, innermost first: a leaf, meta scopes, then the source scope.
inline std::vector<std::wstring> makePath(Lcg& random, size_t depth) {
    const std::wstring language = random.pick(LANGUAGES);
    std::vector<std::wstring> path;
    path.push_back(std::wstring(random.pick(LEAVES)) + L"." + language);
    while (path.size() + 1 < depth)
        path.push_back(std::wstring(random.pick(METAS)) + L"." + language);
    path.push_back(L"source." + language);
    return path;
}

// The first 1..4 parts of a name, stopping before a part with "-" (an operator in selectors).
inline std::wstring selectorName(Lcg& random, const wchar_t* name) {
    const size_t parts = 1 + random.below(4);
    std::wstring out;
    std::wstring part;
    size_t taken = 0;
    for (const wchar_t* p = name;; ++p) {
        if (*p != L'.' && *p != 0) {
            part += *p;
            continue;
        }
        if (part.find(L'-') != std::wstring::npos || taken == parts)
            break;
        out += (taken++ ? L"." : L"") + part;
        part.clear();
        if (*p == 0)
            break;
    }
    return out;
}

inline std::wstring leafName(Lcg& random) { return selectorName(random, random.pick(LEAVES)); }

inline std::wstring makeSelector(Lcg& random, size_t i) {
    const std::wstring source = std::wstring(L"source.") + random.pick(LANGUAGES);
    switch (i % 6) {
    case 0: return leafName(random);
    case 1: return (random.below(2) ? source : selectorName(random, random.pick(METAS))) + L" " + leafName(random);
    case 2: return random.below(2) ? leafName(random) + L" - " + leafName(random) : source + L" - comment";
    case 3: return leafName(random) + L" | " + leafName(random) + L" | " + leafName(random);
    case 4: return leafName(random) + L", " + leafName(random) + L", " + source + L" " + leafName(random);
    default:
        return source + L" " + selectorName(random, random.pick(METAS)) + L" " + leafName(random) + L", " +
               selectorName(random, random.pick(METAS)) + L" " + leafName(random);
    }
}

} // namespace bench_scopes
