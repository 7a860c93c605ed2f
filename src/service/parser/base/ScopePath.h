#pragma once
// The scope names that hold at one place, innermost first: the scopes a grammar opened around a
// text position, or the context names of the user interface. Compiled once into dot-prefix
// hashes and ranking bases, so that selectors match it by comparing integers only. A path may
// continue into another path that it shares rather than copies (a scope record's path goes on
// into its parent's), so that thousands of deep paths cost one segment each.

#include "pel/base/TDataStorage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// One scope name of a path. The ranking fields are filled by ScopePath::compile.
struct ScopeSegment {
    // What the matcher reads at every step comes first, within one cache line.
    uint64_t base = 0;                // grows with every level inwards; saturates
    const uint32_t* hashes = nullptr; // this segment's dot-prefix hashes (after compile)
    uint32_t partCount = 0;           // dot-separated parts
    // The segment one level further out, in this path or in the one it continues into.
    const ScopeSegment* outer = nullptr;
    uint32_t value = 0;            // the pusher's word: the scope registry keeps its record here
    const wchar_t* text = nullptr; // not necessarily NUL-terminated
    uint32_t length = 0;
    uint32_t firstPart = 0; // index of the hash of the first part in the path's part list
    bool copied = false;    // text lives in the path's own store
};

class ScopePath {
public:
    ScopePath() = default;
    ~ScopePath();
    ScopePath(const ScopePath&) = delete;
    ScopePath& operator=(const ScopePath&) = delete;

    // Adds a segment one level further out. An empty text adds nothing. Without copy the caller
    // keeps the text alive as long as the path holds it. Not once the path continues into another.
    void push(uint32_t length, const wchar_t* text, bool copy, uint32_t value);
    // As push, for a NUL-terminated text; null adds nothing.
    void pushText(const wchar_t* text, bool copy, uint32_t value);
    // Pushes every segment of other, innermost first. Texts that other had copied are copied
    // again into this path's store, so they outlive other.
    void append(const ScopePath& other);
    // Continues this path with every segment of outer, shared: outer must outlive this path and
    // stay unchanged, and is compiled when this path compiles. Once only, after the pushes.
    void continueInto(ScopePath& outer);
    // Drops every segment, every copied text and the path continued into.
    void clear();
    // Makes room for this many segments in all; a path that reserves nothing before its first
    // push takes room for 32. Paths kept by the thousand (scope records) reserve what they hold.
    void reserve(size_t segments) { m_segments.reserve(segments); }

    // Builds the part hashes and ranking bases; returns at once when nothing changed since the
    // last compile. Matchers call it.
    void compile() {
        if (!m_compiled)
            rebuild();
    }
    bool isCompiled() const { return m_compiled; }

    // Whether some segment's text equals name exactly.
    bool contains(const wchar_t* name) const;
    // Appends the segment texts, outermost first, separated by single spaces.
    void toString(std::wstring* o_text) const;
    std::wstring toString() const;
    // Matches the selector text unanchored; the value of the segment where its innermost name
    // matched, 0 when it does not match. A bad selector throws the selector parser's exceptions.
    uint32_t matches(const wchar_t* selectorText);

    // Every segment, the shared ones included.
    size_t size() const { return m_segments.size() + m_outerSize; }
    bool empty() const { return size() == 0; }
    // The innermost segment, null when empty; ScopeSegment::outer leads outwards from it.
    const ScopeSegment* innermost() const { return m_segments.empty() ? m_outerInnermost : m_segments.front(); }
    // This path's own segments, innermost first; the last one's outer link leads into the shared
    // ones. Walkers index these and follow links only past them.
    const ScopeSegment* const* ownSegments() const { return m_segments.data(); }
    size_t ownSize() const { return m_segments.size(); }
    // Segment i, 0 being the innermost; past this path's own segments it walks the shared ones.
    const ScopeSegment& segment(size_t i) const;
    // The hash of every dot prefix of this path's own segments, outermost first (after compile).
    const std::vector<uint32_t>& parts() const { return m_parts; }
    // Characters the text store can take before it needs another block (for statistics).
    size_t textRoomLeft() const { return m_texts.remaining(); }

private:
    const wchar_t* storeText(const wchar_t* text, uint32_t length);
    void rebuild();

    std::vector<ScopeSegment*> m_segments;
    std::vector<uint32_t> m_parts;
    ScopePath* m_outer = nullptr; // the path continued into
    const ScopeSegment* m_outerInnermost = nullptr;
    size_t m_outerSize = 0;
    pel::TDataStorage m_texts;
    bool m_compiled = false;
};

} // namespace tessel
