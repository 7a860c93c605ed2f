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
        CompileStep step;
        step.kind = CompileStep::GRAMMAR;
        step.grammar = grammar.second.get();
        walk(step);
    }
    if (!stopped())
        buildRules();
    m_records.clear();
    m_rootList.subRecords.clear();
    m_expanded.clear();
    m_patterns.clear();
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

void GrammarBundleItemCompiler::walk(const CompileStep& first) {
    // Steps run from an explicit stack: include chains thousands of links long (within one
    // repository or from grammar to grammar) would overflow the thread's stack as recursion.
    std::vector<CompileStep> steps{first};
    while (!steps.empty() && !stopped()) {
        const CompileStep step = steps.back();
        steps.pop_back();
        switch (step.kind) {
        case CompileStep::PATTERN: visitPattern(step.record, step.pattern, steps); break;
        case CompileStep::GRAMMAR: visitGrammar(step.record, step.grammar, steps); break;
        case CompileStep::INCLUDE_TARGET: visitIncludeTarget(step.record, step.pattern, steps); break;
        case CompileStep::PUSH_INJECT: {
            bool created = false;
            m_injectStack.push_back(record(step.pattern, &created));
            break;
        }
        case CompileStep::POP_INJECT: m_injectStack.pop_back(); break;
        case CompileStep::END_INCLUDE: --m_includeDepth; break;
        case CompileStep::END_GRAMMAR:
            m_rootList.subRecords.push_back(step.record);
            m_grammarStack.pop_back();
            break;
        }
    }
}

void GrammarBundleItemCompiler::pushChildren(CompileRecord* rec, const Pattern* pattern, std::vector<CompileStep>& io_steps) {
    const auto& children = pattern->getChildren();
    for (auto child = children.rbegin(); child != children.rend(); ++child)
        io_steps.push_back(CompileStep::ofPattern(rec, child->get()));
}

void GrammarBundleItemCompiler::visitGrammar(CompileRecord* parent, const GrammarBundleItem* grammar,
                                             std::vector<CompileStep>& io_steps) {
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
    CompileStep end;
    end.kind = CompileStep::END_GRAMMAR;
    end.record = rec;
    io_steps.push_back(end);
    pushChildren(rec, root, io_steps);
}

void GrammarBundleItemCompiler::visitPattern(CompileRecord* parent, const Pattern* pattern,
                                             std::vector<CompileStep>& io_steps) {
    bool created = false;
    CompileRecord* rec = record(pattern, &created);
    if (parent)
        parent->subRecords.push_back(rec);
    if (!created)
        return; // compiled in this context already: shared
    switch (pattern->getKind()) {
    case Pattern::KIND_ROOT:
    case Pattern::KIND_GROUP:
        pushChildren(rec, pattern, io_steps);
        break;
    case Pattern::KIND_BEGIN_END:
        if (!m_injectStack.empty())
            rec->subRecords.push_back(m_injectStack.back());
        pushChildren(rec, pattern, io_steps);
        break;
    case Pattern::KIND_INCLUDE:
        pushInclude(rec, pattern, io_steps);
        break;
    default:
        break;
    }
}

void GrammarBundleItemCompiler::pushInclude(CompileRecord* rec, const Pattern* pattern, std::vector<CompileStep>& io_steps) {
    // In the order they run: the injection group compiled alone, then pushed while the target
    // compiles under it.
    CompileStep target = CompileStep::ofPattern(rec, pattern);
    target.kind = CompileStep::INCLUDE_TARGET;
    const Pattern* group = pattern->getInjectGroup();
    const bool inject = group && std::none_of(m_injectStack.begin(), m_injectStack.end(),
                                              [group](const CompileRecord* held) { return held->pattern == group; });
    if (!inject) {
        io_steps.push_back(target);
        return;
    }
    CompileStep pop;
    pop.kind = CompileStep::POP_INJECT;
    CompileStep push = CompileStep::ofPattern(nullptr, group);
    push.kind = CompileStep::PUSH_INJECT;
    io_steps.push_back(pop);
    io_steps.push_back(target);
    io_steps.push_back(push);
    io_steps.push_back(CompileStep::ofPattern(nullptr, group));
}

void GrammarBundleItemCompiler::visitIncludeTarget(CompileRecord* rec, const Pattern* pattern,
                                                   std::vector<CompileStep>& io_steps) {
    if (m_includeDepth >= MAX_INCLUDE_DEPTH) {
        pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Include of `%s` nested more than %u deep left out.",
                        pattern->getIncludeTarget().c_str(), static_cast<unsigned>(MAX_INCLUDE_DEPTH));
        return;
    }
    ++m_includeDepth;
    CompileStep end;
    end.kind = CompileStep::END_INCLUDE;
    io_steps.push_back(end);
    const GrammarBundleItem* self = m_grammarStack.back();
    switch (pattern->getIncludeKind()) {
    case Pattern::INCLUDE_BASE:
        io_steps.push_back(CompileStep::ofPattern(rec, m_grammarStack.front()));
        break;
    case Pattern::INCLUDE_SELF:
        io_steps.push_back(CompileStep::ofPattern(rec, self));
        break;
    case Pattern::INCLUDE_GRAMMAR: {
        const auto found = m_grammars->find(pattern->getIncludeTarget());
        if (found != m_grammars->end()) {
            CompileStep grammar;
            grammar.kind = CompileStep::GRAMMAR;
            grammar.record = rec;
            grammar.grammar = found->second.get();
            io_steps.push_back(grammar);
        }
        break;
    }
    case Pattern::INCLUDE_REPOSITORY: {
        const auto found = self->getRepository().find(pattern->getIncludeTarget());
        if (found != self->getRepository().end())
            io_steps.push_back(CompileStep::ofPattern(rec, found->second.get()));
        else
            pel::log_printf(pel::LOG_WARNING, LOG_SOURCE, L"Repository pattern `%s` not found.",
                            pattern->getIncludeTarget().c_str());
        break;
    }
    default:
        break;
    }
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
        buildRule(root);
    }
}

void GrammarBundleItemCompiler::pushSubRecords(CompileRecord* parent, const CompileRecord* rec,
                                               std::vector<BuildStep>& io_steps) {
    for (auto sub = rec->subRecords.rbegin(); sub != rec->subRecords.rend(); ++sub)
        io_steps.push_back({parent, *sub, false});
}

void GrammarBundleItemCompiler::buildRule(CompileRecord* root) {
    // An explicit stack, as in phase 1: records shared between long chains nest deeper still.
    std::vector<BuildStep> steps;
    pushSubRecords(root, root, steps);
    while (!steps.empty() && !stopped()) {
        const BuildStep step = steps.back();
        steps.pop_back();
        CompileRecord* parent = step.parent;
        CompileRecord* rec = step.record;
        if (step.finish) {
            addAlternative(*parent, *rec);
            continue;
        }
        const Pattern& pattern = *rec->pattern;
        const Pattern::Kind kind = pattern.getKind();
        if (kind != Pattern::KIND_MATCH && kind != Pattern::KIND_BEGIN_END) {
            if (kind != Pattern::KIND_INVALID && m_expanded.emplace(parent, rec).second)
                pushSubRecords(parent, rec, steps);
            continue;
        }
        if (!rec->rule) {
            ParserRule* rule = addRule(pattern.getPath(), pattern.getName());
            if (!rule)
                continue;
            rec->rule = rule;
            if (kind == Pattern::KIND_BEGIN_END) {
                addCaptureRules(pattern.getBeginCaptures(), &rule->beginCaptures);
                addCaptureRules(pattern.getEndCaptures(), &rule->endCaptures);
                if (!pattern.getContentName().empty())
                    rule->contentRule = addRule(std::wstring(), pattern.getContentName());
                // Ready before the sub-records: one of them may push this very rule.
                setEndPattern(*rule, pattern.getEnd());
                prepareAlternative(*rec, pattern.getBegin());
                // Joins its parent once its own alternatives are in.
                steps.push_back({parent, rec, true});
                pushSubRecords(rec, rec, steps);
                continue;
            }
            addCaptureRules(pattern.getCaptures(), &rule->beginCaptures);
            prepareAlternative(*rec, pattern.getMatch());
        }
        addAlternative(*parent, *rec);
    }
}

void GrammarBundleItemCompiler::addAlternative(CompileRecord& parent, const CompileRecord& rec) {
    if (parent.rule)
        pushPattern(*parent.rule, rec.alternative, rec.rule->ruleNumber, &m_patterns);
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

} // namespace tessel
