#pragma once
// Many patterns joined into one alternation, each kept in its own group, so that one anchored
// match tries them all in order and tells which one matched: what a grammar rule matches its
// sub-rules with. Parts are pushed while a rule set is built (one thread); once compiled, the
// composite is only read, and workers may match it at the same time.

#include "pel/text/search/RegEx.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessel {

class RegExComposite {
public:
    // Error texts are cut to this many characters.
    static constexpr size_t MAX_ERROR_TEXT = 90;

    RegExComposite() = default;
    RegExComposite(const RegExComposite&) = delete;
    RegExComposite& operator=(const RegExComposite&) = delete;

    // A part compiled by itself: its group count, or -1 and the engine's message.
    struct CheckedPart {
        int groups = -1;
        std::wstring error;
    };
    // Parts already compiled on trial, by their text with its option switches. Whoever builds
    // many composites from the same patterns may share one, so that each compiles once.
    using PartCache = std::unordered_map<std::wstring, CheckedPart>;

    // Appends a part: the pattern with the option bits (pel::RegExOptions) applied to it alone.
    // A part that does not compile by itself is logged and left out; the answer says whether it
    // went in. Drops the compiled alternation.
    bool push(const std::wstring& pattern, uint32_t options, uint32_t id, PartCache* cache = nullptr);
    // Joins the parts and compiles them; null when there are none or they do not compile.
    const pel::RegEx* compile();
    const pel::RegEx* getCompiled() const { return m_compiled.get(); }

    // Matches the compiled alternation anchored at `at` over text[0, length); never compiles.
    // Without a compiled alternation the results come back cleared. Null results: new ones
    // that the caller owns.
    pel::MatchResultsRegEx* match(pel::MatchResultsRegEx* results, const wchar_t* text, int length, int at) const;
    // The id of the part whose own group is `group` (firstMatchedGroup of a match); 0 for a
    // group that starts no part.
    uint32_t getId(unsigned int group) const;

    const std::vector<std::wstring>& getParts() const { return m_parts; }
    // The number the next part's group will have.
    int getGroupCount() const { return m_groupCount; }
    // The parts' lengths, plus two for each: what the joined text needs.
    size_t getTextLength() const { return m_textLength; }

    // The part as pushed: the pattern between its option switches. With "x" the closing switch
    // goes on a line of its own, so a trailing "#" comment cannot swallow it.
    static std::wstring wrap(const std::wstring& pattern, uint32_t options);
    // Moves the numbered back-references and subexpression calls of a part ("\n", "\k<n>",
    // "\g<n>") by `offset`, the number of the group the part will be in.
    static std::wstring renumber(const std::wstring& part, int offset);

private:
    static CheckedPart check(const std::wstring& wrapped);

    std::vector<std::wstring> m_parts;
    size_t m_textLength = 0;
    int m_groupCount = 1;
    std::map<unsigned int, uint32_t> m_ids;
    std::unique_ptr<pel::RegEx> m_compiled;
};

} // namespace tessel
