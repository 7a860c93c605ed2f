#pragma once
// The history of the last copied texts, oldest first, each with a one-line preview for the
// clipboard window, which lists them and pastes from them. A text that cannot be kept still
// takes its place in the ring, with an error line as its preview. Never throws.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

enum afClipboardRingStatus : uint32_t {
    AF_RING_STORED = 0,
    AF_RING_OUT_OF_MEMORY = 1,
    AF_RING_TOO_LONG = 2,
    AF_RING_EMPTY = 3,
};

struct afClipboardRingEntry {
    afClipboardRingStatus status = AF_RING_STORED;
    // The display line, or the error text when the status is not AF_RING_STORED.
    std::wstring preview;
    // Characters of text (0 without one).
    uint32_t length = 0;
    // The copy with a terminating NUL, or null.
    std::unique_ptr<wchar_t[]> text;
};

class afClipboardRing {
public:
    afClipboardRing(uint32_t maxEntries, uint32_t maxLength, uint32_t previewLength);

    // Appends an entry for the text (length in characters), the oldest going when the ring is
    // full; true when the text was stored. Null or empty text changes nothing.
    bool putText(const wchar_t* text, uint32_t length) noexcept;

    uint32_t getCount() const { return static_cast<uint32_t>(m_entries.size()); }
    // Null outside 0 .. count - 1.
    const afClipboardRingEntry* getEntry(uint32_t index) const;

    uint32_t getMaxEntries() const { return m_maxEntries; }
    uint32_t getMaxLength() const { return m_maxLength; }
    uint32_t getPreviewLength() const { return m_previewLength; }

private:
    std::unique_ptr<afClipboardRingEntry> makeEntry(const wchar_t* text, uint32_t length) const;
    std::wstring makePreview(const wchar_t* text, uint32_t length) const;

    uint32_t m_maxEntries;
    uint32_t m_maxLength;
    uint32_t m_previewLength;
    std::deque<std::unique_ptr<afClipboardRingEntry>> m_entries;
};
