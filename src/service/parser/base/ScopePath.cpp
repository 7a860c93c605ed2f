#include "service/parser/base/ScopePath.h"

#include "pel/base/Assert.h"
#include "pel/base/Crc.h"
#include "pel/base/TAllocator.h"
#include "service/parser/base/ScopeSelector.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <limits>

namespace tessel {

namespace {

// A path of its own pool would cost every scope record a chunk; one pool serves every path.
// Parser workers and the main thread build paths, so it is locked. It is never destroyed: paths
// held by statics may outlive any destruction order.
pel::TLockedAllocator<ScopeSegment, 32>& segmentPool() {
    static auto* pool = new pel::TLockedAllocator<ScopeSegment, 32>();
    return *pool;
}

constexpr uint64_t SATURATED = std::numeric_limits<uint64_t>::max();
// The first segment pushed makes room for this many, so short paths never regrow.
constexpr size_t INITIAL_SEGMENTS = 32;

uint64_t nextBase(uint64_t base, uint32_t partCount) {
    if (base > (SATURATED - partCount) / 2)
        return SATURATED;
    return 2 * base + partCount;
}

} // namespace

ScopePath::~ScopePath() { clear(); }

const wchar_t* ScopePath::storeText(const wchar_t* text, uint32_t length) {
    wchar_t* stored = m_texts.allocate(size_t(length) + 1);
    std::memcpy(stored, text, length * sizeof(wchar_t));
    stored[length] = 0;
    return stored;
}

void ScopePath::push(uint32_t length, const wchar_t* text, bool copy, uint32_t value) {
    if (!text || length == 0)
        return;
    // A segment beyond the shared ones would have to be copied into every path sharing them.
    PEL_ASSERT(!m_outer);
    if (m_segments.capacity() == 0)
        m_segments.reserve(INITIAL_SEGMENTS);
    // Stored before the record is taken, so a failing store leaks nothing.
    const wchar_t* kept = copy ? storeText(text, length) : text;
    ScopeSegment* segment = segmentPool().allocate();
    *segment = ScopeSegment();
    segment->text = kept;
    segment->length = length;
    segment->copied = copy;
    segment->value = value;
    try {
        m_segments.push_back(segment);
    } catch (...) {
        segmentPool().deallocate(segment);
        throw;
    }
    if (m_segments.size() > 1)
        m_segments[m_segments.size() - 2]->outer = segment;
    m_compiled = false;
}

void ScopePath::pushText(const wchar_t* text, bool copy, uint32_t value) {
    if (text)
        push(static_cast<uint32_t>(std::wcslen(text)), text, copy, value);
}

void ScopePath::append(const ScopePath& other) {
    // By count, so that appending a path to itself copies what it held at the call: the link
    // that the first push changes is the one past the last segment counted.
    const size_t count = other.size();
    const ScopeSegment* from = other.innermost();
    for (size_t i = 0; i < count; ++i, from = from->outer)
        push(from->length, from->text, from->copied, from->value);
}

void ScopePath::continueInto(ScopePath& outer) {
    PEL_ASSERT(!m_outer && &outer != this);
    m_outer = &outer;
    m_outerInnermost = outer.innermost();
    m_outerSize = outer.size();
    if (!m_segments.empty())
        m_segments.back()->outer = m_outerInnermost;
    m_compiled = false;
}

const ScopeSegment& ScopePath::segment(size_t i) const {
    PEL_ASSERT(i < size());
    if (i < m_segments.size())
        return *m_segments[i];
    const ScopeSegment* at = m_outerInnermost;
    for (i -= m_segments.size(); i > 0; --i)
        at = at->outer;
    return *at;
}

void ScopePath::clear() {
    for (ScopeSegment* segment : m_segments)
        segmentPool().deallocate(segment);
    m_segments.clear();
    m_parts.clear();
    m_texts.clear();
    m_outer = nullptr;
    m_outerInnermost = nullptr;
    m_outerSize = 0;
    m_compiled = false;
}

void ScopePath::rebuild() {
    // The shared segments rank this path's own from where they leave off.
    uint64_t base = 0;
    if (m_outer) {
        m_outer->compile();
        if (m_outerInnermost)
            base = nextBase(m_outerInnermost->base, m_outerInnermost->partCount);
    }
    // Exactly one hash per dot prefix, so long-lived paths keep no spare room.
    size_t partCount = m_segments.size();
    for (const ScopeSegment* segment : m_segments)
        partCount += std::count(segment->text, segment->text + segment->length, L'.');
    m_parts.clear();
    m_parts.reserve(partCount);
    for (size_t i = m_segments.size(); i-- > 0;) {
        ScopeSegment& segment = *m_segments[i];
        segment.base = base;
        segment.firstPart = static_cast<uint32_t>(m_parts.size());
        // Each prefix's hash continues the previous one over the characters in between.
        uint32_t hash = 0;
        uint32_t hashed = 0;
        for (uint32_t at = 0; at <= segment.length; ++at) {
            if (at < segment.length && segment.text[at] != L'.')
                continue;
            hash = pel::crc32Continue(hash, segment.text + hashed, (at - hashed) * sizeof(wchar_t));
            hashed = at;
            m_parts.push_back(hash);
        }
        segment.partCount = static_cast<uint32_t>(m_parts.size()) - segment.firstPart;
        base = nextBase(base, segment.partCount);
    }
    for (ScopeSegment* segment : m_segments)
        segment->hashes = m_parts.data() + segment->firstPart;
    m_compiled = true;
}

bool ScopePath::contains(const wchar_t* name) const {
    if (!name)
        return false;
    const size_t length = std::wcslen(name);
    const ScopeSegment* segment = innermost();
    for (size_t i = size(); i > 0; --i, segment = segment->outer)
        if (segment->length == length && std::wmemcmp(segment->text, name, length) == 0)
            return true;
    return false;
}

void ScopePath::toString(std::wstring* o_text) const {
    PEL_CHECK_PTR(o_text);
    // Outermost first, against the links.
    std::vector<const ScopeSegment*> segments;
    segments.reserve(size());
    const ScopeSegment* segment = innermost();
    for (size_t i = size(); i > 0; --i, segment = segment->outer)
        segments.push_back(segment);
    for (size_t i = segments.size(); i-- > 0;) {
        o_text->append(segments[i]->text, segments[i]->length);
        if (i > 0)
            o_text->push_back(L' ');
    }
}

std::wstring ScopePath::toString() const {
    std::wstring text;
    toString(&text);
    return text;
}

uint32_t ScopePath::matches(const wchar_t* selectorText) {
    const ScopeSelector selector(selectorText ? selectorText : L"");
    const ScopeSelectorMatcher matcher(selector, *this);
    ScopeRank rank;
    if (!matcher.match(&rank, false) || rank.marker == 0)
        return 0;
    // Matched again with collection: the first value collected is that of the segment where the
    // atom's innermost name matched.
    std::vector<uint32_t> values;
    uint64_t score = 0;
    matcher.matchAtom(rank.marker, &score, &values, false);
    return values.empty() ? 0 : values.front();
}

} // namespace tessel
