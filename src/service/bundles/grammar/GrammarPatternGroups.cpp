#include "service/bundles/grammar/GrammarPatternGroups.h"

namespace tessel {

namespace {

bool isOptionLetter(wchar_t c) { return c == L'i' || c == L'm' || c == L'x' || c == L'-'; }

// "(?x", "(?ix-m:" and the like: comments and blanks would change what a "(" is.
bool turnsOnExtended(const std::wstring& pattern, size_t at) {
    bool on = true;
    for (size_t k = at + 2; k < pattern.size() && isOptionLetter(pattern[k]); ++k) {
        if (pattern[k] == L'-')
            on = false;
        else if (pattern[k] == L'x' && on)
            return true;
    }
    return false;
}

} // namespace

bool GrammarPatternGroups::dropUnused(const std::wstring& pattern, const std::wstring& options,
                                      const std::set<uint32_t>& keep, std::wstring* o_pattern,
                                      std::map<uint32_t, uint32_t>* o_numbers) {
    if (options.find(L'x') != std::wstring::npos)
        return false;
    std::wstring out;
    out.reserve(pattern.size() + 16);
    std::map<uint32_t, uint32_t> numbers;
    uint32_t group = 0, kept = 0;
    int classDepth = 0;
    const size_t n = pattern.size();
    for (size_t i = 0; i < n; ++i) {
        const wchar_t c = pattern[i];
        if (c == L'\\') {
            if (i + 1 < n) {
                const wchar_t e = pattern[i + 1];
                if ((e >= L'1' && e <= L'9') || e == L'k' || e == L'g')
                    return false; // back-references and calls name groups by number or name
                out += c;
                out += e;
                ++i;
            } else {
                out += c;
            }
            continue;
        }
        if (classDepth > 0) {
            if (c == L'[') {
                ++classDepth;
            } else if (c == L']') {
                --classDepth;
            }
            out += c;
            continue;
        }
        if (c == L'[') {
            classDepth = 1;
            out += c;
            // A "]" right after the opening (or its "^") is a member, not the end.
            if (i + 1 < n && pattern[i + 1] == L'^')
                out += pattern[++i];
            if (i + 1 < n && pattern[i + 1] == L']')
                out += pattern[++i];
            continue;
        }
        if (c == L'(' && i + 1 < n && pattern[i + 1] == L'?') {
            if (i + 2 < n && pattern[i + 2] == L'#') { // a comment, up to the next ")"
                const size_t end = pattern.find(L')', i);
                if (end == std::wstring::npos)
                    return false;
                out.append(pattern, i, end + 1 - i);
                i = end;
                continue;
            }
            if (i + 2 < n && (pattern[i + 2] == L'<' || pattern[i + 2] == L'\'') && i + 3 < n &&
                pattern[i + 3] != L'=' && pattern[i + 3] != L'!')
                return false; // a named group
            if (turnsOnExtended(pattern, i))
                return false;
            out += c;
            continue;
        }
        if (c == L'(') {
            ++group;
            if (keep.count(group)) {
                numbers[group] = ++kept;
                out += c;
            } else {
                out += L"(?:";
            }
            continue;
        }
        out += c;
    }
    *o_pattern = std::move(out);
    *o_numbers = std::move(numbers);
    return true;
}

} // namespace tessel
