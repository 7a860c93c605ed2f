#pragma once
// What the Document and the editor ask of the styler a Document owns: the styler turns the
// document's scope records into colours and font styles through the shared theme, caching them
// per scope index. The Document clears it when its grammar changes; the editor sets the theme
// and asks for the style of each run it lays out. All of it runs on the main thread.
// NullDocumentStyler stands in until the parsing subsystem provides styles.

#include "service/parser/base/DocumentScope.h"

#include <cstdint>
#include <memory>

namespace tessel {

class DocumentTheme;

// Bits of a font-style word.
enum : uint16_t {
    FONT_STYLE_BOLD = 1,
    FONT_STYLE_ITALIC = 2,
    FONT_STYLE_UNDERLINE = 4,
    // In a theme rule: start from no inherited font style.
    FONT_STYLE_RESET = 8,
    // The same bit in a computed style: no theme rule applied yet.
    STYLE_NO_RULE = 8,
};

// The colours of the default theme, packed (red in the low byte, alpha in the high one).
constexpr uint32_t DEFAULT_FOREGROUND = 0xFF333333;
constexpr uint32_t DEFAULT_BACKGROUND = 0xFFFFFFFF;

// The look of one scope record: packed colours and a font-style word.
struct ScopeStyle {
    uint32_t background = DEFAULT_BACKGROUND;
    uint32_t foreground = DEFAULT_FOREGROUND;
    uint16_t fontStyle = STYLE_NO_RULE;
};

class TextStyler {
public:
    // The cached style of a scope index; an index never styled reads the theme's colours with
    // STYLE_NO_RULE. Valid until the styler is cleared or given another theme.
    virtual const ScopeStyle& styleAt(uint32_t index) = 0;
    virtual ~TextStyler() = default;
};

class DocumentStyler : public TextStyler {
public:
    // Computes the record's style (its ancestors' first) unless it is cached; returns the index
    // that styleAt then answers for.
    virtual uint16_t getStyle(const DocumentScope& record) = 0;
    // Drops every computed style (the scope records they belong to are gone).
    virtual void clear() = 0;
    // Takes a new theme (possibly empty) and drops every computed style.
    virtual void setTheme(const std::shared_ptr<DocumentTheme>& theme) = 0;
    virtual std::shared_ptr<DocumentTheme> getTheme() const = 0;
    // Counts the times the computed styles were dropped (clear, setTheme). Indexes are given
    // again after a drop, so an index read before it may stand for another style now: what
    // was made from styles under an earlier count is out of date, however equal its indexes.
    virtual uint32_t getGeneration() const = 0;
};

// Computes nothing: it keeps the theme it is given and answers the default colours.
class NullDocumentStyler : public DocumentStyler {
public:
    const ScopeStyle& styleAt(uint32_t) override { return m_style; }
    uint16_t getStyle(const DocumentScope& record) override { return record.index(); }
    void clear() override {}
    void setTheme(const std::shared_ptr<DocumentTheme>& theme) override { m_theme = theme; }
    std::shared_ptr<DocumentTheme> getTheme() const override { return m_theme; }
    // Every index reads the same style, whatever happens.
    uint32_t getGeneration() const override { return 0; }

private:
    std::shared_ptr<DocumentTheme> m_theme;
    ScopeStyle m_style;
};

} // namespace tessel
