#include "service/parser/LineMatcher.h"

#include "service/document/Document.h"
#include "service/parser/DynamicEndStore.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"
#include "service/parser/base/DocumentScope.h"

#include "pel/log/Log.h"
#include "pel/text/search/RegExSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tessel {

namespace {

uint32_t tickClock() { return ::GetTickCount(); }

double preciseMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

constexpr uint32_t PAIR_BYTES = 2 * sizeof(uint16_t);

} // namespace

LineMatcher::LineMatcher() : m_clock(tickClock) {}

LineMatcher::~LineMatcher() = default;

void LineMatcher::bind(Document& document, const GrammarRuleSet* rules, uint16_t rootScope, DynamicEndStore& store) {
    m_document = &document;
    m_rules = rules;
    m_rootScope = rootScope;
    m_store = &store;
}

void LineMatcher::unbind() {
    // The rules may go once the step ends; their set searches go first.
    for (Probe& probe : m_probes) {
        probe.regex = nullptr;
        probe.rule = nullptr;
        probe.set = nullptr;
        probe.from = -1;
    }
    m_sets.clear();
    m_document = nullptr;
    m_rules = nullptr;
    m_store = nullptr;
}

void LineMatcher::setClock(ParserClock clock) { m_clock = clock ? std::move(clock) : ParserClock(tickClock); }

// ---- states

bool LineMatcher::readEndState(int32_t line, std::vector<uint16_t>* o_state) {
    const LineState state = lineRecordEndState(m_document->getLineTable().header(line).parsedLine);
    if (!state.values || state.byteSize < PAIR_BYTES || state.byteSize % PAIR_BYTES != 0)
        return false;
    const size_t count = state.byteSize / sizeof(uint16_t);
    const DocumentScopeRegistry& registry = m_document->getScopeRegistry();
    for (size_t i = 1; i < count; i += 2)
        if (!registry.get(state.values[i]))
            return false;
    o_state->assign(state.values, state.values + count);
    return true;
}

void LineMatcher::loadStartState(int32_t line) {
    m_state.clear();
    if (line == 0 || !readEndState(line - 1, &m_state))
        m_state.assign({0, m_rootScope});
    m_startState = m_state;
    m_anchors.assign(m_state.size() / 2, -1);
}

bool LineMatcher::stateMatches(int32_t line) {
    if (!m_document || line <= 0 || line >= m_document->getLineCount())
        return false;
    const LineTable& lines = m_document->getLineTable();
    const LineHeader& header = lines.header(line);
    if ((header.flags & LINE_NEEDS_PARSING) || !header.parsedLine)
        return false;
    const LineState start = lineRecordStartState(header.parsedLine);
    const void* previous = lines.header(line - 1).parsedLine;
    if (!previous) {
        const uint16_t root[2] = {0, m_rootScope};
        return start.byteSize == sizeof(root) && std::memcmp(start.values, root, sizeof(root)) == 0;
    }
    const LineState end = lineRecordEndState(previous);
    return end.values && start.values && end.byteSize == start.byteSize &&
           std::memcmp(end.values, start.values, end.byteSize) == 0;
}

// The rule of the top pair: through its scope record's rule number; a content scope stands for
// the begin/end rule of its parent record, whose scope the end match takes.
void LineMatcher::resolveTop() {
    const uint16_t scope = m_state.back();
    m_top = Top();
    m_top.scope = m_top.ruleScope = scope;
    const DocumentScopeRegistry& registry = m_document->getScopeRegistry();
    const DocumentScope* record = registry.get(scope);
    if (!record)
        return;
    const ParserRule* rule = m_rules->rule(record->ruleNumber());
    if (rule && !rule->hasEnd() && !rule->composite && record->parent()) {
        const ParserRule* owner = m_rules->rule(record->parent()->ruleNumber());
        if (owner && owner->contentRule == rule) {
            rule = owner;
            m_top.ruleScope = record->parent()->index();
        }
    }
    m_top.rule = rule;
    if (!rule || m_state.size() <= 2)
        return;
    if (rule->endPattern) {
        m_top.end = rule->endPattern.get();
        m_top.endAnchored = rule->endAnchored;
    } else if (const DynamicEndStore::Pattern* pattern = m_store->get(m_state[m_state.size() - 2])) {
        m_top.end = pattern->regex.get();
        m_top.endAnchored = pattern->anchored;
    }
}

// ---- finding matches

LineMatcher::Probe& LineMatcher::takeProbe(bool anchored) {
    Probe& probe = m_probes[m_nextProbe];
    m_nextProbe = (m_nextProbe + 1) % m_probes.size();
    probe.regex = nullptr;
    probe.rule = nullptr;
    probe.set = nullptr;
    probe.anchored = anchored;
    probe.from = -1;
    probe.anchorFrom = -1;
    return probe;
}

LineMatcher::Probe& LineMatcher::probeFor(const pel::RegEx* regex, bool anchored) {
    for (Probe& probe : m_probes)
        if (probe.regex == regex) {
            probe.anchored = anchored;
            return probe;
        }
    Probe& probe = takeProbe(anchored);
    probe.regex = regex;
    return probe;
}

LineMatcher::Probe& LineMatcher::probeFor(const ParserRule& rule) {
    for (Probe& probe : m_probes)
        if (probe.rule == &rule)
            return probe;
    std::unique_ptr<pel::RegExSetSearch>& set = m_sets[&rule];
    if (!set) {
        std::vector<const pel::RegEx*> patterns;
        for (const auto& pattern : rule.patterns)
            patterns.push_back(pattern.get());
        set.reset(new pel::RegExSetSearch(patterns));
    }
    Probe& probe = takeProbe(rule.compositeAnchored);
    probe.rule = &rule;
    probe.set = set.get();
    return probe;
}

bool LineMatcher::afterEngineCall(const pel::MatchResultsRegEx& results) {
    if (results.getStatus() != 0) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"Parser: Line %d stopped at column %d: the regular-expression engine failed (%d)\n", m_line,
                        m_pos, results.getStatus());
        m_stopped = true;
        return false;
    }
    const uint32_t spent = m_clock() - m_lineStart;
    if (spent > LINE_BUDGET_MS) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"Parser: Line %d stopped at column %d after %u ms\n", m_line, m_pos, spent);
        m_stopped = true;
        return false;
    }
    return true;
}

void LineMatcher::boundedCall(Probe& probe, const std::function<void()>& call) {
    int slowTries = 0;
    for (unsigned long limit = CALL_RETRY_LIMIT;;) {
        probe.results.setSearchRetryLimit(limit);
        const double start = preciseMs();
        call();
        if (!probe.results.overSearchRetryLimit() || limit >= CALL_RETRY_CEILING)
            return;
        if ((preciseMs() - start) * 1000.0 < CALL_CHEAP_STEP_US * static_cast<double>(limit)) {
            limit *= CALL_RETRY_GROWTH;
        } else if (++slowTries >= CALL_SLOW_TRIES) {
            return;
        }
    }
}

int LineMatcher::matchAt(Probe& probe, int pos) {
    const wchar_t* text = m_text.data();
    const uint32_t option = anchorOption(probe, pos);
    boundedCall(probe, [&] {
        if (probe.regex) {
            probe.regex->match(&probe.results, text, text + m_length, text + pos, option);
            return;
        }
        // The sub-rules' patterns in order, as the set search tries them at each position.
        probe.alternative = -1;
        for (size_t i = 0; i < probe.rule->patterns.size() && probe.alternative < 0; ++i) {
            probe.rule->patterns[i]->match(&probe.results, text, text + m_length, text + pos, option);
            if (probe.results.found() || probe.results.getStatus() != 0)
                probe.alternative = static_cast<int>(i);
        }
    });
    if (!afterEngineCall(probe.results))
        return NOWHERE;
    return probe.results.found() ? pos : pos + charLength(pos);
}

int LineMatcher::nextStart(Probe& probe, int pos) {
    // No match starts between where the last search began and what it found. \G held at most
    // where that search began: its answer serves pos only if \G holds at pos just as it did.
    const bool anchor = anchorAt(probe, pos);
    if (probe.from >= 0 && probe.from <= pos && probe.start >= pos && (probe.anchorFrom == pos) == anchor)
        return probe.start;
    const wchar_t* text = m_text.data();
    const uint32_t option = anchorOption(probe, pos);
    boundedCall(probe, [&] {
        if (probe.regex)
            probe.regex->search(&probe.results, text, text + m_length, text + pos, text + m_length, option);
        else
            probe.alternative = probe.set->search(&probe.results, text, text + m_length, text + pos, option);
    });
    probe.from = -1;
    if (!afterEngineCall(probe.results))
        return NOWHERE;
    probe.from = pos;
    probe.anchorFrom = anchor ? pos : -1;
    probe.start = probe.results.found() ? probe.results.begin(0) : NOWHERE;
    return probe.start;
}

uint32_t LineMatcher::anchorOption(const Probe& probe, int pos) const {
    return probe.anchored && !anchorAt(probe, pos) ? pel::RegExOptions::NO_START_ANCHOR : 0;
}

int LineMatcher::charLength(int pos) const {
    return pos + 1 < m_length && isHighSurrogate(m_text[pos]) && isLowSurrogate(m_text[pos + 1]) ? 2 : 1;
}

// ---- the walk

bool LineMatcher::walk(int32_t line) {
    int lastPos = -1;
    int stalled = 0;
    while (m_pos <= m_length) {
        if (m_pos == lastPos) {
            if (++stalled > MAX_STALLED_ITERATIONS)
                break;
        } else {
            lastPos = m_pos;
            stalled = 0;
        }
        int endAt = NOWHERE;
        if (m_top.end) {
            Probe& probe = probeFor(m_top.end, m_top.endAnchored);
            endAt = nextStart(probe, m_pos);
            if (m_stopped)
                break;
            if (endAt == m_pos) {
                close(probe, m_pos);
                continue;
            }
        }
        if (m_pos == m_length)
            break;
        int compositeAt = NOWHERE;
        const pel::RegEx* composite =
            m_top.rule && m_top.rule->composite ? m_top.rule->composite->getCompiled() : nullptr;
        if (composite) {
            Probe& probe = m_length <= SET_SEARCH_LONGEST_LINE ? probeFor(*m_top.rule)
                                                               : probeFor(composite, m_top.rule->compositeAnchored);
            compositeAt = nextStart(probe, m_pos);
            if (m_stopped)
                break;
            if (compositeAt == m_pos) {
                if (!open(probe, m_pos, line))
                    return false;
                continue;
            }
        }
        if (m_plainStart < 0)
            m_plainStart = m_pos;
        m_pos = std::min({endAt, compositeAt, m_length});
    }
    flushPlain();
    return true;
}

void LineMatcher::close(const Probe& probe, int at) {
    const pel::MatchResultsRegEx& results = probe.results;
    const int matchEnd = results.end(0);
    flushPlain();
    const ParserRule* rule = m_top.rule;
    const uint16_t scope = m_top.ruleScope;
    m_state.resize(m_state.size() - 2);
    m_anchors.pop_back();
    if (at < m_length) {
        appendRun(at, scope);
        if (rule)
            captureRuns(rule->endCaptures, 0, results, scope, matchEnd);
    }
    resolveTop();
    m_pos = matchEnd;
}

bool LineMatcher::open(const Probe& probe, int at, int32_t line) {
    const pel::MatchResultsRegEx& results = probe.results;
    // A set's match has the pattern's own groups; the composite's, the alternative's group first.
    const std::vector<uint32_t>& alternatives = m_top.rule->alternatives;
    const int alternative = probe.alternative;
    const unsigned group = probe.rule ? 0 : results.firstMatchedGroup();
    const uint32_t subNumber = !probe.rule ? m_top.rule->composite->getId(group)
                               : alternative >= 0 && static_cast<size_t>(alternative) < alternatives.size()
                                   ? alternatives[static_cast<size_t>(alternative)]
                                   : 0;
    const ParserRule* sub = m_rules->rule(subNumber);
    if (!sub) {
        const std::wstring text(m_text, 0, m_length > 0 && m_text[m_length - 1] == L'\n' ? m_length - 1 : m_length);
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"Line[%d]: `%s`\n", line, text.c_str());
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"Parser: No rule %u for the match [%d-%d]\n",
                        subNumber, results.begin(group), results.end(group));
        return false;
    }
    const int matchEnd = results.end(0);
    flushPlain();
    const DocumentScope* record = intern(*sub, m_top.scope);
    const uint16_t scope = record ? record->index() : m_top.scope;
    appendRun(at, scope);
    captureRuns(sub->beginCaptures, group, results, scope, matchEnd);
    if (record && sub->hasEnd() && m_state.size() / 2 < MAX_DEPTH) {
        uint16_t endIndex = 0;
        if (!sub->endPattern) {
            captureTexts(*sub, group, results);
            endIndex = m_store->find(*sub, *sub->dynamicEnd, m_captureTexts);
        }
        uint16_t top = scope;
        if (sub->contentRule)
            if (const DocumentScope* content = intern(*sub->contentRule, scope))
                top = content->index();
        m_state.push_back(endIndex);
        m_state.push_back(top);
        m_anchors.push_back(matchEnd);
        resolveTop();
    }
    m_pos = matchEnd;
    return true;
}

// ---- runs

const DocumentScope* LineMatcher::intern(const ParserRule& rule, uint16_t parent) {
    return m_document->getScopeRegistry().intern(rule.ruleNumber, parent, rule.scope.c_str());
}

// The named groups that took part, in the order of their numbers; each nests the groups that
// start inside it.
void LineMatcher::captureRuns(const std::map<uint32_t, ParserRule*>& captures, unsigned base,
                              const pel::MatchResultsRegEx& results, uint16_t scope, int matchEnd) {
    if (captures.empty())
        return;
    m_captures.clear();
    for (const auto& capture : captures) {
        const unsigned group = base + capture.first;
        if (!capture.second || group >= results.size() || results.begin(group) < 0)
            continue;
        m_captures.push_back({results.begin(group), results.end(group), capture.second});
    }
    size_t i = 0;
    while (i < m_captures.size())
        i = m_captures[i].begin < matchEnd ? captureGroup(i, scope) : i + 1;
}

size_t LineMatcher::captureGroup(size_t i, uint16_t enclosing) {
    const Capture capture = m_captures[i];
    const DocumentScope* record = intern(*capture.rule, enclosing);
    const uint16_t scope = record ? record->index() : enclosing;
    appendRun(capture.begin, scope);
    size_t next = i + 1;
    while (next < m_captures.size() && m_captures[next].begin < capture.end)
        next = captureGroup(next, scope);
    appendRun(capture.end, enclosing);
    return next;
}

// The texts of the groups the rule's end pattern refers to (the alternative's own numbering).
void LineMatcher::captureTexts(const ParserRule& rule, unsigned base, const pel::MatchResultsRegEx& results) {
    const std::wstring& converted = rule.dynamicEnd->text;
    unsigned highest = 0;
    for (size_t i = 0; i + 1 < converted.size(); ++i)
        if (converted[i] == L'\0')
            highest = std::max<unsigned>(highest, converted[++i]);
    m_captureTexts.resize(highest + 1);
    for (unsigned k = 0; k <= highest; ++k) {
        const unsigned group = base + k;
        const int begin = group < results.size() ? results.begin(group) : -1;
        if (begin < 0)
            m_captureTexts[k].clear();
        else
            m_captureTexts[k].assign(m_text, static_cast<size_t>(begin), static_cast<size_t>(results.end(group) - begin));
    }
}

void LineMatcher::flushPlain() {
    if (m_plainStart < 0)
        return;
    appendRun(m_plainStart, m_top.scope);
    m_plainStart = -1;
}

void LineMatcher::appendRun(int column, uint32_t scope) {
    if (column < 0 || static_cast<uint32_t>(column) > MAX_COLUMN || scope >= NO_SCOPE_INDEX)
        return;
    const ScopeRun run{static_cast<uint16_t>(column), static_cast<uint16_t>(scope)};
    if (m_runs.empty() || m_runs.back().column < run.column) {
        if (m_runs.empty() || m_runs.back().scope != run.scope)
            m_runs.push_back(run);
        return;
    }
    ScopeRun& last = m_runs.back();
    if (last.scope == run.scope)
        return;
    if (last.column == run.column) {
        last.scope = run.scope;
        return;
    }
    // A run already at that column takes the new scope instead.
    const auto place = std::upper_bound(m_runs.begin(), m_runs.end(), run,
                                        [](const ScopeRun& a, const ScopeRun& b) { return a.column < b.column; });
    if (place != m_runs.begin() && (place - 1)->column == run.column)
        (place - 1)->scope = run.scope;
    else
        m_runs.insert(place, run);
}

// ---- the line

bool LineMatcher::parseLine(int32_t line) {
    if (!m_document || !m_rules || line < 0 || line >= m_document->getLineCount())
        return false;
    m_line = line;
    loadStartState(line);
    resolveTop();
    const int32_t start = m_document->getLineStart(line);
    m_text.clear();
    m_document->appendTextRange(start, start + m_document->getLineLengthWithBreak(line), &m_text);
    m_length = static_cast<int>(m_text.size());
    for (Probe& probe : m_probes)
        probe.from = -1;
    m_runs.clear();
    m_pos = 0;
    m_plainStart = -1;
    m_stopped = false;
    m_lineStart = m_clock();
    if (!walk(line))
        return false;
    return storeRecord(line);
}

bool LineMatcher::storeRecord(int32_t line) {
    const auto startBytes = static_cast<uint32_t>(m_startState.size() * sizeof(uint16_t));
    const auto runBytes = static_cast<uint32_t>(m_runs.size() * sizeof(ScopeRun));
    const auto endBytes = static_cast<uint32_t>(m_state.size() * sizeof(uint16_t));
    const uint32_t size = sizeof(LineRecordHeader) + startBytes + runBytes + endBytes;
    LineHeader* header = m_document->getLineHeader(line);
    void* record = header->parsedLine;
    if (!record || static_cast<const LineRecordHeader*>(record)->size < size) {
        void* grown = std::realloc(record, size);
        if (!grown)
            return false;
        header->parsedLine = record = grown;
    }
    auto* head = static_cast<LineRecordHeader*>(record);
    head->size = size;
    head->runsOffset = sizeof(LineRecordHeader) + startBytes;
    head->endStateOffset = head->runsOffset + runBytes;
    head->endStateSize = endBytes;
    auto* bytes = static_cast<unsigned char*>(record);
    std::memcpy(bytes + sizeof(LineRecordHeader), m_startState.data(), startBytes);
    if (runBytes)
        std::memcpy(bytes + head->runsOffset, m_runs.data(), runBytes);
    std::memcpy(bytes + head->endStateOffset, m_state.data(), endBytes);
    header->flags = static_cast<uint16_t>(header->flags & ~LINE_NEEDS_PARSING);
    return true;
}

} // namespace tessel
