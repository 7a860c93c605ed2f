#include "service/parser/ThemeStyler.h"

#include "pel/thread/MainThread.h"
#include "service/parser/DocumentTheme.h"

namespace tessel {

ThemeStyler::ThemeStyler() = default;

ThemeStyler::~ThemeStyler() {
    for (StyleRecord* record : m_cache)
        m_pool.deallocate(record);
}

const DocumentTheme& ThemeStyler::themeInForce() const {
    // A document has no theme until the editor sets one: it looks as the default theme does.
    static const DocumentTheme defaults;
    return m_theme ? *m_theme : defaults;
}

ThemeStyler::StyleRecord& ThemeStyler::slot(uint32_t index) {
    if (index >= m_cache.size())
        m_cache.resize(size_t(index) + 1, nullptr);
    StyleRecord*& record = m_cache[index];
    if (!record) {
        record = m_pool.allocate();
        record->style = themeInForce().baseStyle();
        record->computed = false;
        ++m_records;
    }
    return *record;
}

const ScopeStyle& ThemeStyler::styleAt(uint32_t index) {
    if (index < m_cache.size() && m_cache[index])
        return m_cache[index]->style;
    return slot(index).style;
}

uint16_t ThemeStyler::getStyle(const DocumentScope& record) {
    pel::check_main_thread();
    m_pending.clear();
    for (const DocumentScope* scope = &record; scope && !isComputed(scope->index()); scope = scope->parent())
        m_pending.push_back(scope);
    const DocumentTheme& theme = themeInForce();
    // Outermost first, so each parent's style is there for its child.
    for (size_t i = m_pending.size(); i-- > 0;) {
        const DocumentScope& scope = *m_pending[i];
        StyleRecord& target = slot(scope.index());
        const ScopeStyle* parentStyle = scope.parent() ? &m_cache[scope.parent()->index()]->style : nullptr;
        theme.computeStyle(scope, &target.style, parentStyle);
        target.computed = true;
    }
    return record.index();
}

void ThemeStyler::clear() {
    pel::check_main_thread();
    for (StyleRecord* record : m_cache)
        m_pool.deallocate(record);
    m_cache.clear();
    m_records = 0;
    ++m_generation;
}

void ThemeStyler::setTheme(const std::shared_ptr<DocumentTheme>& theme) {
    pel::check_main_thread();
    clear();
    m_theme = theme;
}

} // namespace tessel
