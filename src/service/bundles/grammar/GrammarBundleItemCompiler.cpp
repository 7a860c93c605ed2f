#include "service/bundles/grammar/GrammarBundleItemCompiler.h"
#include "service/bundles/grammar/GrammarBundleItem.h"
#include "service/bundles/grammar/GrammarPatternGroups.h"

#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"

#include <algorithm>

namespace tessel {

using Pattern = GrammarBundleItemPattern;

GrammarBundleItemCompiler::GrammarBundleItemCompiler(const GrammarMap* grammars, std::function<bool()> stopped)
    : m_grammars(grammars), m_stopped(std::move(stopped)) {}

GrammarBundleItemCompiler::~GrammarBundleItemCompiler() = default;

std::shared_ptr<GrammarRuleSet> GrammarBundleItemCompiler::compile() {
    const GrammarMap* repository = m_grammars;
    PEL_CHECK_PTR(repository);
    m_ruleSet = std::make_shared<GrammarRuleSet>();
    for (const auto& grammar : *m_grammars) {
        if (stopped())
            break;
        compileGrammar(nullptr, grammar.second.get());
    }
    if (!stopped())
        buildRules();
    if (!stopped())
        compileComposites();
    m_records.clear();
    m_rootList.subRecords.clear();
    m_expanded.clear();
    m_checkedParts.clear();
    std::shared_ptr<GrammarRuleSet> result = std::move(m_ruleSet);
    return stopped() ? nullptr : result;
}

CompileRecord* GrammarBundleItemCompiler::record(const Pattern* pattern, bool* created) {
    const CompileRecord* inject = m_injectStack.empty() ? nullptr : m_injectStack.back();
    std::unique_ptr<CompileRecord>& slot = m_records[RecordKey(pattern, inject)];
    *created = !slot;
    if (!slot) {
        slot = std::make_unique<CompileRecord>();
        slot->pattern = pattern;
        slot->inject = inject;
    }
    return slot.get();
}

void GrammarBundleItemCompiler::compileGrammar(CompileRecord* parent, const GrammarBundleItem* grammar) {
    // The grammar's pattern part is the root of its tree; records are keyed by it.
    const Pattern* root = grammar;
    bool created = false;
    CompileRecord* rec = record(root, &created);
    if (parent)
        parent->subRecords.push_back(rec);
    if (!created)
        return;
    m_grammarStack.push_back(grammar);
    if (!m_injectStack.empty())
        rec->subRecords.push_back(m_injectStack.back());
    compileChildren(rec, root);
    m_rootList.subRecords.push_back(rec);
    m_grammarStack.pop_back();
}

void GrammarBundleItemCompiler::compilePattern(CompileRecord* parent, const Pattern* pattern) {
    bool created = false;
    CompileRecord* rec = record(pattern, &created);
    if (parent)
        parent->subRecords.push_back(rec);
    if (!created)
        return; // compiled in this context already: shared
    switch (pattern->getKind()) {
    case Pattern::KIND_ROOT:
    case Pattern::KIND_GROUP:
        compileChildren(rec, pattern);
        break;
    case Pattern::KIND_BEGIN_END:
        if (!m_injectStack.empty())
            rec->subRecords.push_back(m_injectStack.back());
        compileChildren(rec, pattern);
        break;
    case Pattern::KIND_INCLUDE:
        compileInclude(rec, pattern);
        break;
    default:
        break;
    }
}

void GrammarBundleItemCompiler::compileChildren(CompileRecord* rec, const Pattern* pattern) {
    for (const auto& child : pattern->getChildren()) {
        if (stopped())
            return;
        compilePattern(rec, child.get());
    }
}

void GrammarBundleItemCompiler::compileInclude(CompileRecord* rec, const Pattern* pattern) {
    bool pushed = false;
    if (const Pattern* group = pattern->getInjectGroup()) {
        const bool present = std::any_of(m_injectStack.begin(), m_injectStack.end(),
                                         [group](const CompileRecord* inject) { return inject->pattern == group; });
        if (!present) {
            compilePattern(nullptr, group);
            bool created = false;
            CompileRecord* groupRecord = record(group, &created);
            m_injectStack.push_back(groupRecord);
            pushed = true;
        }
    }
    const GrammarBundleItem* self = m_grammarStack.back();
    switch (pattern->getIncludeKind()) {
    case Pattern::INCLUDE_BASE:
        compilePattern(rec, m_grammarStack.front());
        break;
    case Pattern::INCLUDE_SELF:
        compilePattern(rec, self);
        break;
    case Pattern::INCLUDE_GRAMMAR: {
        const auto found = m_grammars->find(pattern->getIncludeTarget());
        if (found != m_grammars->end())
            compileGrammar(rec, found->second.get());
        break;
    }
    case Pattern::INCLUDE_REPOSITORY: {
        const auto found = self->getRepository().find(pattern->getIncludeTarget());
        if (found != self->getRepository().end())
            compilePattern(rec, found->second.get());
        else
            pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Repository pattern `%s` not found.",
                            pattern->getIncludeTarget().c_str());
        break;
    }
    default:
        break;
    }
    if (pushed)
        m_injectStack.pop_back();
}

void GrammarBundleItemCompiler::buildRules() {
    for (CompileRecord* root : m_rootList.subRecords) {
        root->rule = addRule(root->pattern->getPath(), root->pattern->getName());
        if (!root->rule)
            continue;
        // A grammar's files are coloured by its own root, not by one compiled under an injection
        // that an including grammar carries; every grammar has one (phase 1 compiles each alone).
        if (!root->inject)
            registerRuleName(*m_ruleSet, root->rule); // the first root of a scope name is kept
        if (stopped())
            return;
        for (CompileRecord* sub : root->subRecords)
            buildRule(root, sub);
    }
}

void GrammarBundleItemCompiler::buildRule(CompileRecord* parent, CompileRecord* rec) {
    const Pattern& pattern = *rec->pattern;
    const Pattern::Kind kind = pattern.getKind();
    if (kind != Pattern::KIND_MATCH && kind != Pattern::KIND_BEGIN_END) {
        if (kind == Pattern::KIND_INVALID || !m_expanded.emplace(parent, rec).second)
            return;
        for (CompileRecord* sub : rec->subRecords)
            buildRule(parent, sub);
        return;
    }
    if (!rec->rule) {
        ParserRule* rule = addRule(pattern.getPath(), pattern.getName());
        if (!rule)
            return;
        rec->rule = rule;
        if (kind == Pattern::KIND_BEGIN_END) {
            addCaptureRules(pattern.getBeginCaptures(), &rule->beginCaptures);
            addCaptureRules(pattern.getEndCaptures(), &rule->endCaptures);
            if (!pattern.getContentName().empty())
                rule->contentRule = addRule(std::wstring(), pattern.getContentName());
            // Ready before the sub-records: one of them may push this very rule.
            setEndPattern(*rule, pattern.getEnd());
            prepareAlternative(*rec, pattern.getBegin());
            for (CompileRecord* sub : rec->subRecords)
                buildRule(rec, sub);
        } else {
            addCaptureRules(pattern.getCaptures(), &rule->beginCaptures);
            prepareAlternative(*rec, pattern.getMatch());
        }
    }
    if (!parent->rule || stopped())
        return;
    pushPattern(*parent->rule, rec->alternative, rec->rule->ruleNumber, &m_checkedParts);
}

void GrammarBundleItemCompiler::prepareAlternative(CompileRecord& rec, const RegExSource& source) {
    rec.alternative = source;
    ParserRule& rule = *rec.rule;
    std::set<uint32_t> keep;
    for (const auto& capture : rule.beginCaptures)
        keep.insert(capture.first);
    // An end pattern completed from the begin match reads groups by number: a 0 unit, then it.
    const std::wstring* end = rule.dynamicEnd ? &rule.dynamicEnd->text : nullptr;
    for (size_t i = 0; end && i + 1 < end->size(); ++i)
        if ((*end)[i] == L'\0')
            keep.insert((*end)[++i]);
    std::map<uint32_t, uint32_t> numbers;
    if (!GrammarPatternGroups::dropUnused(source.pattern, source.options, keep, &rec.alternative.pattern, &numbers))
        return;
    std::map<uint32_t, ParserRule*> captures;
    for (const auto& capture : rule.beginCaptures) {
        if (capture.first == 0)
            captures[0] = capture.second;
        else if (numbers.count(capture.first))
            captures[numbers[capture.first]] = capture.second;
    }
    rule.beginCaptures.swap(captures);
    for (size_t i = 0; end && i + 1 < end->size(); ++i) {
        if ((*end)[i] != L'\0')
            continue;
        const auto found = numbers.find((*rule.dynamicEnd).text[++i]);
        if (found != numbers.end())
            rule.dynamicEnd->text[i] = static_cast<wchar_t>(found->second);
    }
}

ParserRule* GrammarBundleItemCompiler::addRule(const std::wstring& name, const std::wstring& scope) {
    auto rule = std::make_unique<ParserRule>();
    rule->name = name;
    rule->scope = scope;
    if (!addRuleToGrammarRuleSet(*m_ruleSet, rule.get())) {
        if (!m_fullLogged)
            pel::log_printf(pel::LOG_ERROR, LOG_SOURCE,
                            L"GrammarBundleItemCompiler::addRule(): More than %u rules, `%s` and later ones left out.",
                            static_cast<unsigned>(GrammarRuleSet::MAX_RULES), name.c_str());
        m_fullLogged = true;
        return nullptr;
    }
    return rule.release();
}

void GrammarBundleItemCompiler::addCaptureRules(const std::map<uint32_t, std::wstring>& captures,
                                                std::map<uint32_t, ParserRule*>* o_rules) {
    for (const auto& capture : captures)
        if (ParserRule* rule = addRule(std::wstring(), capture.second))
            (*o_rules)[capture.first] = rule;
}

void GrammarBundleItemCompiler::compileComposites() {
    for (uint32_t number = 1; number <= m_ruleSet->size(); ++number) {
        if (stopped())
            return;
        const ParserRule* rule = m_ruleSet->rule(number);
        if (rule->composite)
            rule->composite->compile();
    }
}

} // namespace tessel
