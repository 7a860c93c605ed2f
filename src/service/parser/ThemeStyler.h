#pragma once
// The styler a Document owns: turns the document's scope records into styles through the
// shared theme and caches them by scope index until the theme changes or the records go.
// A styler without a theme styles with the default theme. Main thread only.

#include "pel/base/TAllocator.h"
#include "service/parser/base/DocumentStyler.h"

#include <memory>
#include <vector>

namespace tessel {

class ThemeStyler : public DocumentStyler {
public:
    ThemeStyler();
    ~ThemeStyler() override;
    ThemeStyler(const ThemeStyler&) = delete;
    ThemeStyler& operator=(const ThemeStyler&) = delete;

    // Grows the cache as needed; a slot never computed gets an uncomputed style (the theme's
    // colours, STYLE_NO_RULE). Call getStyle for a record before reading its index here.
    const ScopeStyle& styleAt(uint32_t index) override;
    // Computes the missing styles from the nearest cached ancestor down, without recursion:
    // records may nest tens of thousands deep. Throws "Not a main thread." elsewhere.
    uint16_t getStyle(const DocumentScope& record) override;
    // These two throw "Not a main thread." elsewhere.
    void clear() override;
    void setTheme(const std::shared_ptr<DocumentTheme>& theme) override;
    std::shared_ptr<DocumentTheme> getTheme() const override { return m_theme; }
    uint32_t getGeneration() const override { return m_generation; }

    // Styles held, and chunks of their pool, for tests.
    size_t recordCount() const { return m_records; }
    size_t poolChunkCount() const { return m_pool.chunkCount(); }

private:
    struct StyleRecord {
        ScopeStyle style;
        bool computed = false;
    };

    // The cache slot of an index, given an uncomputed record when it has none.
    StyleRecord& slot(uint32_t index);
    bool isComputed(uint32_t index) const {
        return index < m_cache.size() && m_cache[index] && m_cache[index]->computed;
    }
    const DocumentTheme& themeInForce() const;

    std::shared_ptr<DocumentTheme> m_theme;
    std::vector<StyleRecord*> m_cache; // by scope index; null where nothing was asked
    pel::TAllocator<StyleRecord, 32> m_pool;
    size_t m_records = 0;
    uint32_t m_generation = 0;
    std::vector<const DocumentScope*> m_pending; // getStyle's walk, kept to spare allocations
};

} // namespace tessel
