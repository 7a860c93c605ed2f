#pragma once
// The editor's store of laid-out lines: for every document line how many display lines it
// wraps into and how wide it is (8 bytes a line, taking memory only once measured), and for the 200 lines looked at last their
// full layout records, so painting, hit-testing and caret movement lay a line out once. It
// also measures the display-line iterators the editor walks with. UI thread only.
//
// The records stay within a byte budget as well: past it the least recently used give their
// memory back, never those of the lines on screen, which share the budget: a line longer than
// its share is laid out only in part, and the rest is not drawn (as past the layout's own cap).

#include "afw/unicode/afUnicodeData.h"
#include "editor/SubLineIterator.h"
#include "editor/ZeroedArray.h"

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class afUnicode;

namespace tessel {

class DocumentController;

class LineCache : public SubLineIteratorBuilderInterface {
public:
    static constexpr int SLOTS = 200;
    static constexpr size_t BYTE_BUDGET = size_t(256) << 20;
    // What the layout of a character takes at most, in ordinary text (about 40 bytes in Latin
    // text, less in most other scripts): a line's share of the budget in characters.
    static constexpr size_t LAYOUT_BYTES_PER_CHARACTER = 64;

    struct Entry {
        int32_t sublines = 0; // 0: not measured yet
        int32_t width = 0;    // pixels of the widest subline
    };
    // Lays a filled record out; false when it could not.
    using LayoutStep = std::function<bool(afUnicodeData&)>;
    using WidthListener = std::function<void(int32_t columns)>;
    // The document lines on screen, first and last (last < first: none).
    using ShownLines = std::function<std::pair<int32_t, int32_t>()>;

    explicit LineCache(afUnicode& layout);
    ~LineCache();
    LineCache(const LineCache&) = delete;
    LineCache& operator=(const LineCache&) = delete;

    // Stores the controller and, with one, resets to its line count under a read transaction.
    void attachController(DocumentController* controller);
    DocumentController* getController() const { return m_controller; }
    void setWidthListener(WidthListener listener) { m_widthListener = std::move(listener); }
    // The step that lays filled records out: afUnicode::process unless one is given.
    void setLayoutStep(LayoutStep step) { m_layoutStep = std::move(step); }
    // Where the lines on screen are asked for; without it no line is on screen.
    void setShownLines(ShownLines shown) { m_shownLines = std::move(shown); }
    // The most characters of a line laid out now: the layout's cap, or less when the lines on
    // screen share the byte budget between more of them.
    int32_t laidOutLimit() const;

    void reset(int32_t lineCount);
    // The line's record, built when it is not cached; null for no controller or a line outside
    // the document. Throws pel::IllegalStateException "Unicode processing failed." when the
    // layout fails (the slot is freed first, so the next call builds again).
    afUnicodeData* getLayout(int32_t line);
    // The entry, measured on demand; line must lie in the document.
    const Entry& getLineEntry(int32_t line);

    void dropAll();
    void dropLines(int32_t first, int32_t last);
    // Frees the layouts of lines 0..last, keeping the entry of last.
    void dropLinesUpTo(int32_t last);
    void dropLinesFrom(int32_t first);
    // Asks the highlighters to mark the cached lines a..b again, keeping their layouts.
    void markRedraw(int32_t a, int32_t b);
    // Whether every line first..last holds a layout made from the text and styles the line has
    // now (so neither a new layout nor a repaint would change it).
    bool holdsCurrentLayouts(int32_t first, int32_t last);
    void insertLines(int32_t index, int32_t count);
    void removeLines(int32_t index, int32_t count);
    // The widest laid-out line seen, in average character widths; it never shrinks.
    int32_t getWidestColumns() const { return m_widestColumns; }

    // SubLineIteratorBuilderInterface
    SubLineIterator makeIterator(int32_t line, int32_t subline) override { return {this, line, subline}; }
    SubLineIterator begin() override { return {this, 0, 0}; }
    SubLineIterator end() override;
    int32_t getLineCount() const override { return static_cast<int32_t>(m_entries.size()); }
    int32_t getSubLineCount(int32_t line, bool defaultValue) override;
    bool isUnwrapped() const override;
    int32_t getDistance(const SubLineIterator& a, const SubLineIterator& b) override;

    // For tests and benchmarks: layouts built, the line a slot holds (-1 when free), and the
    // bytes the store and the entries hold.
    uint64_t getBuildCount() const { return m_builds; }
    int32_t slotLine(int slot) const { return m_index[slot].stamp ? m_index[slot].line : -1; }
    size_t heldBytes() const;
    size_t entryBytes() const { return m_entries.capacity() * sizeof(Entry); }

private:
    struct IndexEntry {
        uint32_t stamp = 0; // 0: free
        int32_t line = -1;
        uint32_t styles = 0; // the styler's generation the layout was made under
    };

    // The slot of the line; o_valid tells whether it already holds the line's layout.
    int acquireSlot(int32_t line, bool& o_valid);
    // The slot holding the line, -1 when none does.
    int findSlot(int32_t line) const;
    void touch(int slot);
    void freeSlot(int slot);
    // Frees the slots holding lines in [first, last].
    void freeSlots(int32_t first, int32_t last);
    void resetEntries(int32_t first, int32_t last);
    // Both into the document's lines and ordered; false for an empty cache.
    bool clampLines(int32_t& a, int32_t& b) const;
    void fill(afUnicodeData& data, int32_t line);
    // Whether the record holds as much of its line as the line's share of the budget is now.
    bool laidOutToShare(const afUnicodeData& data) const;
    // Frees the least recently used records until the store is within its budget, keeping the
    // record in `keep` (just built), the one used before it and those of the lines on screen.
    void keepWithinBudget(int keep);
    std::pair<int32_t, int32_t> shownLines() const;
    void fillStyles(afUnicodeData& data, int32_t line);
    // The document's styler's generation: a layout made under another one shows styles its
    // style indexes no longer stand for.
    uint32_t stylesNow() const;

    WidthListener m_widthListener;
    DocumentController* m_controller = nullptr;
    afUnicode& m_layout;
    LayoutStep m_layoutStep;
    ShownLines m_shownLines;
    uint32_t m_counter = 1;
    std::array<IndexEntry, SLOTS> m_index;
    std::vector<afUnicodeData> m_records;
    afUnicodeData m_scratch; // a line filled again, to compare with its cached record
    int32_t m_widestColumns = 0;
    ZeroedArray<Entry> m_entries; // an entry of zeros: not measured yet
    uint64_t m_builds = 0;
};

} // namespace tessel
