#pragma once
// The colours of the editor surface and the scope-selector rules that colour syntax, read from
// a theme entry's value and shared by the styler of every document and the editor's painting.
// It also owns the colour text format ("#" and 3, 6 or 8 hexadecimal digits: RGB, RRGGBB or
// RRGGBBAA) and the font-style text format that the theme validator checks.

#include "service/parser/base/DocumentStyler.h"
#include "service/parser/base/ScopeSelector.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pel {
class AbstractDictionaryValue;
class Value;
} // namespace pel

namespace tessel {

class DocumentScope;

// Each channel 0..1.
struct ThemeColour {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;
};

struct ThemeRule {
    std::wstring title;
    std::wstring scope;
    // None when the scope text is no valid selector: the rule then never applies.
    std::optional<ScopeSelector> selector;
    ThemeColour foreground;
    bool hasForeground = false;
    ThemeColour background;
    bool hasBackground = false;
    uint16_t fontStyle = 0;
};

class DocumentTheme {
public:
    // The default colours and no rules.
    DocumentTheme();
    virtual ~DocumentTheme();
    DocumentTheme(const DocumentTheme&) = delete;
    DocumentTheme& operator=(const DocumentTheme&) = delete;

    // Reads a theme entry's value (a dictionary with a "settings" list, or that list itself),
    // starting over from the defaults and no rules. An entry that is not a dictionary is
    // skipped; a rule whose scope or font style does not parse is kept without selector or
    // font style, so one bad rule never loses the theme. False when there is no settings list.
    bool read(const pel::Value* value);

    // Fills io_style for a scope record from its parent's style (none for a root) and the
    // rules whose selectors rank best on the record's path, anchored at its innermost scope.
    void computeStyle(const DocumentScope& record, ScopeStyle* io_style, const ScopeStyle* parentStyle) const;

    // Whether the whole text is a colour text.
    static bool isColourText(std::wstring_view text);
    // False, leaving o_colour as it was, for anything but a colour text.
    static bool parseColour(std::wstring_view text, ThemeColour* o_colour);
    // Each channel times 255, truncated, red in the low byte and alpha in the high one.
    static uint32_t packColour(const ThemeColour& colour);
    static ThemeColour unpackColour(uint32_t packed);
    // Words separated by commas, white space or both: "reset", "bold", "italic", "underline".
    // Throws pel::ParserException "Unknown style `word`." or "Syntax error." with the positions
    // of the offending text. The empty text gives 0.
    static uint16_t parseFontStyle(const std::wstring& text);

    const std::vector<ThemeRule>& rules() const { return m_rules; }
    const ThemeColour& foreground() const { return m_foreground; }
    const ThemeColour& background() const { return m_background; }
    const ThemeColour& invisibles() const { return m_invisibles; }
    const ThemeColour& lineHighlight() const { return m_lineHighlight; }
    const ThemeColour& selection() const { return m_selection; }
    const ThemeColour& hotspot() const { return m_hotspot; }
    const ThemeColour& areaBackground() const { return m_areaBackground; }
    // The style of a record that no rule has reached: the global colours, STYLE_NO_RULE.
    ScopeStyle baseStyle() const;

private:
    struct GlobalColour;
    static const GlobalColour GLOBAL_COLOURS[7];

    void reset();
    void readGlobal(const pel::AbstractDictionaryValue& entry);
    void readRule(const pel::AbstractDictionaryValue& entry);
    void indexRule(uint32_t number);
    // Orders the index by name and rule, each pair once, and makes its name slots.
    void finishRuleIndex();
    // The place of the name's first pair in the index; the index's size when it has none.
    size_t firstRuleOfName(uint32_t name) const;
    // The rules that could match a record anchored, in theme order.
    void candidateRules(ScopePath& path, std::vector<uint32_t>* o_rules) const;

    std::vector<ThemeRule> m_rules;
    // Anchored, every atom's innermost name must match the innermost scope: pairs of the hash
    // of each of the rules' atoms' innermost names and the rule's number, sorted, so a record
    // tries only the rules whose names can match one of its innermost scope's dot prefixes.
    // One block for the whole theme, instead of a node and a list for every name.
    std::vector<std::pair<uint32_t, uint32_t>> m_rulesByInnermostName;
    // Open addressing over the names of that index (hashes already): a name and 1 + the place
    // of its first pair, 0 in a free slot; a power of two long, at most half full.
    std::vector<std::pair<uint32_t, uint32_t>> m_nameSlots;
    ThemeColour m_foreground;
    ThemeColour m_background;
    ThemeColour m_invisibles;
    ThemeColour m_lineHighlight;
    ThemeColour m_selection;
    ThemeColour m_hotspot;
    ThemeColour m_areaBackground;
};

} // namespace tessel
