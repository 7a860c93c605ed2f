#include "service/parser/DocumentTheme.h"

#include "pel/base/Assert.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/ListValue.h"
#include "service/parser/base/DocumentScope.h"
#include "service/parser/base/ScopeSelectorMatcher.h"

#include <algorithm>

namespace tessel {

namespace {

const pel::AbstractDictionaryValue* asDictionary(const pel::Value* value) {
    return value && value->type == pel::Value::TYPE_DICTIONARY ? static_cast<const pel::AbstractDictionaryValue*>(value)
                                                                : nullptr;
}

void readString(const pel::AbstractDictionaryValue& dictionary, const wchar_t* key, std::wstring* o_text) {
    if (const std::wstring* text = dictionary.findString(key))
        *o_text = *text;
}

// Replaces the colour when the key holds a colour text.
bool readColour(const pel::AbstractDictionaryValue* settings, const wchar_t* key, ThemeColour* io_colour) {
    const std::wstring* text = settings ? settings->findString(key) : nullptr;
    return text && DocumentTheme::parseColour(*text, io_colour);
}

} // namespace

// The global colours: their keys in a theme's first entry and their defaults.
struct DocumentTheme::GlobalColour {
    const wchar_t* key;
    const wchar_t* fallback;
    ThemeColour DocumentTheme::*field;
};

const DocumentTheme::GlobalColour DocumentTheme::GLOBAL_COLOURS[] = {
    {L"foreground", L"#333333", &DocumentTheme::m_foreground},
    {L"background", L"#ffffff", &DocumentTheme::m_background},
    {L"invisibles", L"#CCCCCC80", &DocumentTheme::m_invisibles},
    {L"line_highlight", L"#00000012", &DocumentTheme::m_lineHighlight},
    {L"selection", L"#289FDF60", &DocumentTheme::m_selection},
    {L"hotspot", L"#5EB21B30", &DocumentTheme::m_hotspot},
    {L"area_background", L"#888888", &DocumentTheme::m_areaBackground},
};

DocumentTheme::DocumentTheme() { reset(); }

DocumentTheme::~DocumentTheme() = default;

void DocumentTheme::reset() {
    m_rules.clear();
    m_rulesByInnermostName.clear();
    m_nameSlots.clear();
    for (const GlobalColour& colour : GLOBAL_COLOURS)
        parseColour(colour.fallback, &(this->*colour.field));
}

bool DocumentTheme::read(const pel::Value* value) {
    reset();
    const pel::ListValue* settings = nullptr;
    if (value && value->type == pel::Value::TYPE_LIST)
        settings = static_cast<const pel::ListValue*>(value);
    else if (const pel::AbstractDictionaryValue* root = asDictionary(value))
        settings = root->findList(L"settings");
    if (!settings)
        return false;
    m_rules.reserve(settings->size());
    try {
        for (size_t i = 0; i < settings->size(); ++i) {
            const pel::AbstractDictionaryValue* entry = asDictionary(settings->get(i));
            if (!entry)
                continue;
            if (i == 0 && !(entry->find(L"scope") && entry->find(L"title")))
                readGlobal(*entry);
            else
                readRule(*entry);
        }
    } catch (...) {
        // The rules read so far stay usable.
        finishRuleIndex();
        throw;
    }
    finishRuleIndex();
    return true;
}

void DocumentTheme::readGlobal(const pel::AbstractDictionaryValue& entry) {
    const pel::AbstractDictionaryValue* settings = entry.findDictionary(L"settings");
    for (const GlobalColour& colour : GLOBAL_COLOURS)
        readColour(settings, colour.key, &(this->*colour.field));
}

void DocumentTheme::readRule(const pel::AbstractDictionaryValue& entry) {
    // Made in its place (read() reserved the room), so the selector is never copied.
    m_rules.emplace_back();
    ThemeRule& rule = m_rules.back();
    readString(entry, L"title", &rule.title);
    readString(entry, L"scope", &rule.scope);
    try {
        rule.selector.emplace(rule.scope);
    } catch (const pel::ParserException&) {
        // The validator reports it; here the rule only never applies.
    }
    const pel::AbstractDictionaryValue* settings = entry.findDictionary(L"settings");
    rule.hasForeground = readColour(settings, L"foreground", &rule.foreground);
    rule.hasBackground = readColour(settings, L"background", &rule.background);
    const std::wstring* fontStyle = settings ? settings->findString(L"font_style") : nullptr;
    if (fontStyle) {
        try {
            rule.fontStyle = parseFontStyle(*fontStyle);
        } catch (const pel::ParserException&) {
            // Reported by the validator; the rule keeps its colours.
        }
    }
    if (rule.selector)
        indexRule(static_cast<uint32_t>(m_rules.size() - 1));
}

void DocumentTheme::indexRule(uint32_t number) {
    const std::vector<uint32_t>& program = m_rules[number].selector->program();
    for (size_t at = 1; at < program.size();) {
        if (program[at] != ScopeSelector::ITEM_ATOM) {
            ++at; // an operator or an empty group
            continue;
        }
        const uint32_t names = program[at + 2];
        if (names > 0)
            m_rulesByInnermostName.push_back({program[at + 3 + 2 * (names - 1)], number});
        at += 3 + 2 * size_t(names);
    }
}

void DocumentTheme::finishRuleIndex() {
    auto& pairs = m_rulesByInnermostName;
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    size_t names = 0;
    for (size_t i = 0; i < pairs.size(); ++i)
        names += i == 0 || pairs[i].first != pairs[i - 1].first;
    m_nameSlots.clear();
    if (names == 0)
        return;
    size_t slots = 8;
    while (slots < 2 * names)
        slots *= 2;
    m_nameSlots.assign(slots, {0, 0});
    const uint32_t mask = static_cast<uint32_t>(slots - 1);
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (i > 0 && pairs[i].first == pairs[i - 1].first)
            continue;
        uint32_t slot = pairs[i].first & mask;
        while (m_nameSlots[slot].second)
            slot = (slot + 1) & mask;
        m_nameSlots[slot] = {pairs[i].first, static_cast<uint32_t>(i + 1)};
    }
}

size_t DocumentTheme::firstRuleOfName(uint32_t name) const {
    if (m_nameSlots.empty())
        return m_rulesByInnermostName.size();
    const uint32_t mask = static_cast<uint32_t>(m_nameSlots.size() - 1);
    for (uint32_t slot = name & mask;; slot = (slot + 1) & mask) {
        const std::pair<uint32_t, uint32_t>& entry = m_nameSlots[slot];
        if (entry.second == 0)
            return m_rulesByInnermostName.size();
        if (entry.first == name)
            return entry.second - 1;
    }
}

void DocumentTheme::candidateRules(ScopePath& path, std::vector<uint32_t>* o_rules) const {
    path.compile();
    const ScopeSegment* inner = path.innermost();
    if (!inner)
        return;
    size_t lists = 0;
    for (uint32_t part = 0; part < inner->partCount; ++part) {
        const uint32_t name = inner->hashes[part];
        const size_t first = firstRuleOfName(name);
        size_t end = first;
        while (end < m_rulesByInnermostName.size() && m_rulesByInnermostName[end].first == name)
            ++end;
        if (end == first)
            continue;
        o_rules->reserve(o_rules->size() + (end - first));
        for (size_t at = first; at < end; ++at)
            o_rules->push_back(m_rulesByInnermostName[at].second);
        ++lists;
    }
    if (lists > 1) {
        std::sort(o_rules->begin(), o_rules->end());
        o_rules->erase(std::unique(o_rules->begin(), o_rules->end()), o_rules->end());
    }
}

ScopeStyle DocumentTheme::baseStyle() const {
    ScopeStyle style;
    style.background = packColour(m_background);
    style.foreground = packColour(m_foreground);
    style.fontStyle = STYLE_NO_RULE;
    return style;
}

void DocumentTheme::computeStyle(const DocumentScope& record, ScopeStyle* io_style,
                                 const ScopeStyle* parentStyle) const {
    PEL_CHECK_PTR(io_style);
    *io_style = parentStyle ? *parentStyle : baseStyle();
    ScopePath& path = record.scopePath();
    if (m_rules.empty() || record.name().empty() || path.empty())
        return;

    std::vector<uint32_t> candidates;
    candidateRules(path, &candidates);
    // The rules that reach the best score, in theme order.
    std::vector<const ThemeRule*> best;
    uint64_t bestScore = 0;
    for (uint32_t number : candidates) {
        const ThemeRule& rule = m_rules[number];
        ScopeRank rank;
        if (!ScopeSelectorMatcher(*rule.selector, path).match(&rank, true))
            continue;
        if (best.empty() || rank.score > bestScore) {
            best.assign(1, &rule);
            bestScore = rank.score;
        } else if (rank.score == bestScore) {
            best.push_back(&rule);
        }
    }

    for (const ThemeRule* rule : best) {
        if (rule->hasForeground)
            io_style->foreground = packColour(rule->foreground);
        else if (parentStyle && io_style->foreground == 0)
            io_style->foreground = parentStyle->foreground;
        if (rule->hasBackground && parentStyle) {
            // Layered over the parent's background, whose alpha stays.
            ThemeColour blend = unpackColour(parentStyle->background);
            const ThemeColour& over = rule->background;
            blend.red -= (blend.red - over.red) * over.alpha;
            blend.green -= (blend.green - over.green) * over.alpha;
            blend.blue -= (blend.blue - over.blue) * over.alpha;
            io_style->background = packColour(blend);
        } else if (rule->hasBackground) {
            io_style->background = packColour(rule->background);
        }
        // A rule's font style adds to what the parent gave, unless nothing applied yet or the
        // rule says "reset".
        const uint16_t ruleBits = rule->fontStyle & 0xF;
        if ((io_style->fontStyle & STYLE_NO_RULE) || (ruleBits & FONT_STYLE_RESET))
            io_style->fontStyle = ruleBits;
        else
            io_style->fontStyle |= ruleBits;
        io_style->fontStyle &= ~STYLE_NO_RULE;
    }
}

} // namespace tessel
