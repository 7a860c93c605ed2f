#include "afw/data/afClipboardRing.h"

#include "afw/core/afLog.h"

#include <algorithm>
#include <new>

afClipboardRing::afClipboardRing(uint32_t maxEntries, uint32_t maxLength, uint32_t previewLength)
    : m_maxEntries(maxEntries), m_maxLength(maxLength), m_previewLength(previewLength) {}

bool afClipboardRing::putText(const wchar_t* text, uint32_t length) noexcept {
    if (!text || length == 0) {
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afClipboardRing::putText(): Cannot put NULL text.");
        return false;
    }
    try {
        std::unique_ptr<afClipboardRingEntry> entry = makeEntry(text, length);
        const bool stored = entry->status == AF_RING_STORED;
        while (!m_entries.empty() && m_entries.size() >= m_maxEntries)
            m_entries.pop_front();
        m_entries.push_back(std::move(entry));
        return stored;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::unique_ptr<afClipboardRingEntry> afClipboardRing::makeEntry(const wchar_t* text, uint32_t length) const {
    std::unique_ptr<afClipboardRingEntry> entry(new afClipboardRingEntry);
    if (length == 0) {
        entry->status = AF_RING_EMPTY;
        entry->preview = L"ERROR: Empty string inserted.";
    } else if (length >= m_maxLength) {
        entry->status = AF_RING_TOO_LONG;
        entry->preview = L"ERROR: Text exceeds capacity of the ring.";
    } else {
        entry->preview = makePreview(text, length);
        entry->text.reset(new (std::nothrow) wchar_t[length + 1]);
        if (!entry->text) {
            entry->status = AF_RING_OUT_OF_MEMORY;
            entry->preview = L"ERROR: Unable to allocate memory.";
        } else {
            std::copy(text, text + length, entry->text.get());
            entry->text[length] = 0;
            entry->length = length;
        }
    }
    return entry;
}

// Visible characters as they are; once visible text began, each tab, line feed or blank is one
// blank; everything else at or below U+0020 is dropped. A preview longer than the limit less 4
// ends with "..." at once.
std::wstring afClipboardRing::makePreview(const wchar_t* text, uint32_t length) const {
    const size_t cut = m_previewLength > 4 ? m_previewLength - 4 : 0;
    std::wstring preview;
    bool visible = false;
    for (uint32_t i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        if (c > L' ') {
            preview += c;
            visible = true;
        } else if (visible && (c == L'\t' || c == L'\n' || c == L' ')) {
            preview += L' ';
        }
        if (preview.size() > cut) {
            preview += L"...";
            break;
        }
    }
    return preview;
}

const afClipboardRingEntry* afClipboardRing::getEntry(uint32_t index) const {
    return index < m_entries.size() ? m_entries[index].get() : nullptr;
}
