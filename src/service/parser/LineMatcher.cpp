#include "service/parser/LineMatcher.h"

#include "service/document/Document.h"
#include "service/parser/DynamicEndStore.h"
#include "service/parser/GrammarRuleSet.h"
#include "service/parser/ParserRule.h"
#include "service/parser/base/DocumentScope.h"

#include "pel/log/Log.h"
#include "pel/text/search/RegEx.h"

#include <algorithm>
#include <cmath>
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

constexpr uint32_t PAIR_BYTES = 2 * sizeof(uint16_t);

} // namespace

LineMatcher::LineMatcher() : m_clock(tickClock) {}

LineMatcher::~LineMatcher() = default;

void LineMatcher::bind(Document& document, const GrammarRuleSet* rules, uint16_t rootScope, DynamicEndStore& store) {
    m_document = &document;
    m_rules = rules;
    m_rootScope = rootScope;
    m_knownScopes.fill(KnownScope());
    m_store = &store;
    const uint64_t serial = rules ? rules->serial() : 0;
    if (serial != m_learnedSerial) {
        m_costs.clear();
        m_learnedSerial = serial;
    }
}

void LineMatcher::unbind() {
    // The rules may go once the step ends; their set searches go first.
    for (Probe& probe : m_probes) {
        probe.regex = nullptr;
        probe.rule = nullptr;
        probe.searches = nullptr;
        probe.found = Found();
    }
    m_ruleSearches.clear();
    m_searchIndexes.clear();
    m_searches.clear();
    m_document = nullptr;
    m_rules = nullptr;
    m_store = nullptr;
}

void LineMatcher::setPatternCosts(PatternCosts costs, CostlyChoice chosen) {
    m_costMode = costs == PatternCosts::CHOSEN && !chosen ? PatternCosts::NONE_COSTLY : costs;
    m_costlyChoice = std::move(chosen);
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
    if (rule && !rule->hasEnd() && rule->patterns.empty() && record->parent()) {
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
    probe.searches = nullptr;
    probe.aliveLine = 0;
    probe.anchored = anchored;
    probe.found = Found();
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
    Probe& probe = takeProbe(rule.patternsAnchored);
    probe.rule = &rule;
    return probe;
}

const std::vector<uint32_t>& LineMatcher::ruleSearches(const ParserRule& rule) {
    auto known = m_ruleSearches.find(&rule);
    if (known != m_ruleSearches.end())
        return known->second;
    std::vector<uint32_t> searches;
    searches.reserve(rule.patterns.size());
    for (const auto& pattern : rule.patterns) {
        const auto placed = m_searchIndexes.emplace(pattern.get(), static_cast<uint32_t>(m_searches.size()));
        if (placed.second) {
            PatternSearch search;
            search.regex = pattern.get();
            search.anchored = patternUsesG(pattern->getPattern());
            search.firstChars = rule.firstChars[static_cast<size_t>(&pattern - rule.patterns.data())];
            search.cost = &m_costs[pattern.get()];
            const size_t index = static_cast<size_t>(&pattern - rule.patterns.data());
            search.literals = index < rule.literals.size() ? rule.literals[index].get() : nullptr;
            // Kept across steps: a pattern's results are made once per place in the list.
            if (m_searchResults.size() <= m_searches.size())
                m_searchResults.push_back(std::make_unique<pel::MatchResultsRegEx>());
            search.results = m_searchResults[m_searches.size()].get();
            m_searches.push_back(search);
        }
        searches.push_back(placed.first->second);
    }
    return m_ruleSearches.emplace(&rule, std::move(searches)).first->second;
}

bool LineMatcher::afterEngineCall(const pel::MatchResultsRegEx& results) {
    if (results.getStatus() != 0) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"Parser: Line %d stopped at column %d: the regular-expression engine failed (%d)\n", m_line,
                        column(m_pos), results.getStatus());
        m_stopped = true;
        return false;
    }
    const uint32_t spent = m_clock() - m_lineStart;
    if (spent > LINE_BUDGET_MS) {
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"Parser: Line %d stopped at column %d after %u ms\n", m_line, column(m_pos), spent);
        m_stopped = true;
        return false;
    }
    return true;
}

void LineMatcher::boundedCall(pel::MatchResultsRegEx& results, pel::FunctionRef<void()> call) {
    // Nearly every call ends within the first bound: only one that reaches it is timed, from
    // its second try on.
    results.setSearchRetryLimit(CALL_RETRY_LIMIT);
    call();
    if (!results.overSearchRetryLimit())
        return;
    int slowTries = 0;
    for (unsigned long limit = CALL_RETRY_LIMIT;;) {
        results.setSearchRetryLimit(limit);
        const double start = preciseMs();
        call();
        if (!results.overSearchRetryLimit() || limit >= CALL_RETRY_CEILING)
            return;
        const double spentUs = (preciseMs() - start) * 1000.0;
        const bool cheap = spentUs < CALL_CHEAP_STEP_US * static_cast<double>(limit);
        if (!cheap && ++slowTries >= CALL_SLOW_TRIES)
            return;
        // The document stays locked while a call runs: the next try takes no longer than what is
        // left of the line's budget, its time taken to grow with the square of its bound (a
        // call's later steps may each cost more than its first ones).
        const uint32_t spentMs = m_clock() - m_lineStart;
        if (spentMs >= LINE_BUDGET_MS)
            return;
        const double leftUs = static_cast<double>(LINE_BUDGET_MS - spentMs) * 1000.0;
        const double fits = static_cast<double>(limit) * std::sqrt(leftUs / std::max(spentUs, 1.0));
        const double wanted = static_cast<double>(cheap ? std::min(limit * CALL_RETRY_GROWTH, CALL_RETRY_CEILING) : limit);
        const auto next = static_cast<unsigned long>(std::min(wanted, fits));
        if (next < limit || (cheap && next == limit))
            return;
        limit = next;
    }
}

int LineMatcher::matchAt(Probe& probe, int pos) {
    const char* text = m_text.data();
    const uint32_t option = anchorOption(probe.anchored, pos);
    boundedCall(probe.results, [&] {
        if (probe.regex) {
            probe.regex->matchUtf8(&probe.results, text, text + m_length, text + pos, option);
            return;
        }
        // The sub-rules' patterns in order, as the set search tries them at each position.
        probe.alternative = -1;
        for (size_t i = 0; i < probe.rule->patterns.size() && probe.alternative < 0; ++i) {
            probe.rule->patterns[i]->matchUtf8(&probe.results, text, text + m_length, text + pos, option);
            if (probe.results.found() || probe.results.getStatus() != 0)
                probe.alternative = static_cast<int>(i);
        }
    });
    if (!afterEngineCall(probe.results))
        return NOWHERE;
    return probe.results.found() ? pos : pos + charLength(pos);
}

int LineMatcher::nextStart(Probe& probe, int pos) {
    if (!probe.rule)
        return searchNext(probe, pos);
    return m_length <= SHORT_LINE_LONGEST ? searchPatterns(probe, pos) : searchRule(probe, pos);
}

int LineMatcher::searchNext(Probe& probe, int pos) {
    // No match starts between where the last search began and what it found.
    const bool anchor = anchorAt(probe.anchored, pos);
    if (probe.found.serves(pos, anchor))
        return probe.found.start;
    const char* text = m_text.data();
    const uint32_t option = anchorOption(probe.anchored, pos);
    boundedCall(probe.results,
                [&] { probe.regex->searchUtf8(&probe.results, text, text + m_length, text + pos, text + m_length, option); });
    probe.found.from = -1;
    if (!afterEngineCall(probe.results))
        return NOWHERE;
    probe.found.from = pos;
    probe.found.anchorFrom = anchor ? pos : -1;
    probe.found.start = probe.results.found() ? probe.results.begin(0) : NOWHERE;
    return probe.found.start;
}

// The rule's match from pos on, from each pattern's own search: the least start, the first
// pattern's at a tie. A pattern's answer serves every later position up to its match, so on a
// line each is searched about once per match it makes. A pattern that takes long on each
// character tried (look-arounds that can begin anywhere) is searched only as far as it could
// still win, after the others have said where they match.
int LineMatcher::searchPatterns(Probe& probe, int pos) {
    if (!probe.searches)
        probe.searches = &ruleSearches(*probe.rule);
    const std::vector<uint32_t>& searches = *probe.searches;
    const size_t count = searches.size();
    int best = NOWHERE;
    size_t bestIndex = count;
    const auto beats = [&](int start, size_t i) { return start < best || (start == best && i < bestIndex); };
    const auto take = [&](const PatternSearch& search, size_t i) {
        if (!search.bounded && beats(search.found.start, i)) {
            best = search.found.start;
            bestIndex = i;
        }
    };
    const auto usable = [&](const PatternSearch& search) {
        return search.line == m_lineSerial && search.found.serves(pos, anchorAt(search.anchored, pos));
    };
    // Searches the pattern for starts from `from` (where nothing before is known) up to `to`.
    const auto run = [&](PatternSearch& search, size_t i, int from, int to) {
        return searchPattern(search, pos, from, to, *search.results);
    };
    // The patterns that may still match on the line: one without \G that matches nowhere from a
    // place on stays so for the rest of the line.
    if (probe.aliveLine != m_lineSerial) {
        probe.aliveLine = m_lineSerial;
        probe.alive.clear();
        for (size_t i = 0; i < count; ++i)
            if (mayMatchOnLine(m_searches[searches[i]]))
                probe.alive.push_back(static_cast<uint16_t>(i));
    }
    const auto dead = [&](const PatternSearch& search) {
        return !search.anchored && !search.bounded && search.found.start == NOWHERE && search.line == m_lineSerial;
    };
    size_t kept = 0;
    for (size_t k = 0; k < probe.alive.size(); ++k) {
        const size_t i = probe.alive[k];
        PatternSearch& search = m_searches[searches[i]];
        const bool known = usable(search);
        if (known && !search.bounded) {
            take(search, i);
        } else if (!isCostly(search)) {
            if (!run(search, i, known ? search.found.start : pos, m_length))
                return NOWHERE;
            take(search, i);
        }
        if (!dead(search))
            probe.alive[kept++] = static_cast<uint16_t>(i);
    }
    probe.alive.resize(kept);
    for (const uint16_t i : probe.alive) {
        PatternSearch& search = m_searches[searches[i]];
        if (!isCostly(search))
            continue;
        const bool known = usable(search);
        if (known && (!search.bounded || !beats(search.found.start, i)))
            continue;
        // An earlier pattern still wins at best itself: it is tried up to the next character,
        // whose start is where its search goes on.
        const int to = best == NOWHERE ? m_length : std::min(m_length, i < bestIndex ? best + charLength(best) : best);
        if (!run(search, i, known ? search.found.start : pos, to))
            return NOWHERE;
        take(search, i);
    }
    probe.alternative = bestIndex < count ? static_cast<int>(bestIndex) : -1;
    // The winner's own results hold its match: each pattern keeps those of the call that found it.
    if (best == pos)
        probe.match = m_searches[searches[bestIndex]].results;
    return best;
}

bool LineMatcher::isCostly(const PatternSearch& search) const {
    if (m_costMode == PatternCosts::TIMED)
        return search.cost->costly;
    return m_costMode == PatternCosts::CHOSEN ? m_costlyChoice(*search.regex) : m_costMode == PatternCosts::ALL_COSTLY;
}

bool LineMatcher::searchPattern(PatternSearch& search, int pos, int from, int to, pel::MatchResultsRegEx& results) {
    const char* text = m_text.data();
    Found& found = search.found;
    const bool anchor = anchorAt(search.anchored, pos);
    if (search.line != m_lineSerial || found.from < 0 || found.from > pos || !found.serves(pos, anchor)) {
        found.from = pos;
        found.anchorFrom = anchor ? pos : -1;
    }
    search.line = m_lineSerial;
    if (!literalsHeld(search)) {
        search.bounded = false;
        found.start = NOWHERE;
        return true;
    }
    int at = std::max(from, pos);
    if (!search.firstChars.any())
        while (at < to && at < m_length && !search.firstChars.mayBeginAt(text, at, anchorAt(search.anchored, at)))
            at += charLength(at);
    if (at >= m_length || (at >= to && to < m_length)) {
        // No character from `from` on up to `to` can begin a match.
        search.bounded = to < m_length;
        found.start = search.bounded ? to : NOWHERE;
        return true;
    }
    PatternCost& cost = *search.cost;
    const bool timed = m_costMode == PatternCosts::TIMED && cost.trials < COST_TRIALS;
    const double start = timed ? preciseMs() : 0;
    int tried = 0;
    if (to >= m_length) {
        const uint32_t option = anchorOption(search.anchored, at);
        boundedCall(results, [&] { search.regex->searchUtf8(&results, text, text + m_length, text + at, text + m_length, option); });
        if (!afterEngineCall(results)) {
            found.from = -1;
            return false;
        }
        search.bounded = false;
        found.start = results.found() ? results.begin(0) : NOWHERE;
        tried = m_length - at + 1;
    } else {
        // The engine's search would also end its matches where its range ends: each place is
        // matched on its own.
        search.bounded = true;
        found.start = to;
        for (int p = at; p < to; p += charLength(p)) {
            if (!search.firstChars.mayBeginAt(text, p, anchorAt(search.anchored, p)))
                continue;
            ++tried;
            if (!matchHere(search, p, results)) {
                found.from = -1;
                return false;
            }
            if (results.found()) {
                search.bounded = false;
                found.start = p;
                break;
            }
        }
    }
    if (timed) {
        cost.trialMs += preciseMs() - start;
        cost.trialChars += tried;
        if (++cost.trials == COST_TRIALS)
            cost.costly = cost.trialMs * 1e6 > COSTLY_NS_PER_CHAR * static_cast<double>(cost.trialChars);
    }
    return true;
}

LineBytes& LineMatcher::lineBytes() {
    if (m_lineBytesLine != m_lineSerial) {
        // What the line holds is read as the needs ask: a line no such pattern is searched on
        // skips reading it.
        m_lineBytesLine = m_lineSerial;
        m_lineBytes.reset(m_text.data(), static_cast<size_t>(m_length));
    }
    return m_lineBytes;
}

bool LineMatcher::literalsHeld(PatternSearch& search) {
    if (search.literals && search.literalsLine != m_lineSerial) {
        search.literalsLine = m_lineSerial;
        search.literalsHeld = search.literals->heldBy(lineBytes());
    }
    return !search.literals || search.literalsHeld;
}

bool LineMatcher::mayMatchOnLine(PatternSearch& search) {
    if (search.mayMatchLine != m_lineSerial) {
        search.mayMatchLine = m_lineSerial;
        search.mayMatch = search.firstChars.mayBeginOnLine(lineBytes().bytes()) && literalsHeld(search);
    }
    return search.mayMatch;
}

bool LineMatcher::matchHere(const PatternSearch& search, int pos, pel::MatchResultsRegEx& results) {
    const char* text = m_text.data();
    const uint32_t option = anchorOption(search.anchored, pos);
    boundedCall(results, [&] { search.regex->matchUtf8(&results, text, text + m_length, text + pos, option); });
    return afterEngineCall(results);
}

// Every pattern's answer is made to serve pos, and the rule's match is the least of them (the
// first pattern's at a tie). At pos the patterns are matched in order, so that one matching there
// wins before any looks further. Further on, a pattern is matched only where its first characters
// are, and only as far as the best match so far (and its window); it goes on from there when that
// is not far enough, so the positions it is tried at cover the line once, and none far past the
// rule's match. A pattern whose first characters are not known is searched by the engine to the
// line's end.
int LineMatcher::searchRule(Probe& probe, int pos) {
    if (!probe.searches)
        probe.searches = &ruleSearches(*probe.rule);
    const std::vector<uint32_t>& searches = *probe.searches;
    for (size_t i = 0; i < searches.size(); ++i) {
        PatternSearch& search = m_searches[searches[i]];
        Found& found = search.found;
        const bool anchor = anchorAt(search.anchored, pos);
        const bool known = search.line == m_lineSerial && found.serves(pos, anchor);
        if (known && found.start > pos)
            continue;
        if (search.firstChars.mayBeginAt(m_text.data(), pos, anchor)) {
            if (!matchHere(search, pos, probe.results))
                return NOWHERE;
            if (probe.results.found()) {
                probe.alternative = static_cast<int>(i);
                return pos;
            }
        }
        if (!known) {
            search.line = m_lineSerial;
            search.window = SEARCH_WINDOW;
            found.from = pos;
            found.anchorFrom = anchor ? pos : -1;
        }
        // Nothing known beyond pos.
        search.bounded = true;
        found.start = pos + charLength(pos);
    }
    int best = NOWHERE;
    size_t bestIndex = searches.size();
    const auto beats = [&](int start, size_t i) { return start < best || (start == best && i < bestIndex); };
    for (size_t i = 0; i < searches.size(); ++i) {
        const PatternSearch& search = m_searches[searches[i]];
        if (!search.bounded && beats(search.found.start, i)) {
            best = search.found.start;
            bestIndex = i;
        }
    }
    for (bool extended = true; extended;) {
        extended = false;
        for (size_t i = 0; i < searches.size(); ++i) {
            PatternSearch& search = m_searches[searches[i]];
            if (!search.bounded || !beats(search.found.start, i))
                continue;
            if (!extendSearch(search, best, probe.results))
                return NOWHERE;
            extended = true;
            if (!search.bounded && beats(search.found.start, i)) {
                best = search.found.start;
                bestIndex = i;
            }
        }
    }
    probe.alternative = bestIndex < searches.size() ? static_cast<int>(bestIndex) : -1;
    return best;
}

bool LineMatcher::extendSearch(PatternSearch& search, int to, pel::MatchResultsRegEx& results) {
    int p = search.found.start;
    if (search.firstChars.any() && p < m_length) {
        // The engine's search cannot stop early without cutting the text its matches see.
        const char* text = m_text.data();
        const uint32_t option = anchorOption(search.anchored, p);
        boundedCall(results, [&] { search.regex->searchUtf8(&results, text, text + m_length, text + p, text + m_length, option); });
        if (!afterEngineCall(results))
            return false;
        search.found.start = results.found() ? results.begin(0) : NOWHERE;
        search.bounded = false;
        return true;
    }
    const int64_t wanted = std::max<int64_t>(to == NOWHERE ? 0 : static_cast<int64_t>(to) + 1, p + search.window);
    const int end = charStart(static_cast<int>(std::min<int64_t>(wanted, m_length)));
    for (; p < end; p += charLength(p)) {
        if (!search.firstChars.mayBeginAt(m_text.data(), p, anchorAt(search.anchored, p)))
            continue;
        if (!matchHere(search, p, results))
            return false;
        if (results.found()) {
            search.found.start = p;
            search.bounded = false;
            return true;
        }
    }
    if (end >= m_length) {
        search.found.start = NOWHERE;
        search.bounded = false;
    } else {
        search.found.start = end;
        search.window = std::min(search.window * 2, SEARCH_WINDOW_CEILING);
    }
    return true;
}

uint32_t LineMatcher::anchorOption(bool anchored, int pos) const {
    return anchored && !anchorAt(anchored, pos) ? pel::RegExOptions::NO_START_ANCHOR : 0;
}

int LineMatcher::charStart(int pos) const {
    const char* text = m_text.data();
    while (pos < m_length && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
        ++pos;
    return pos;
}

int LineMatcher::charLength(int pos) const {
    if (pos >= m_length)
        return 1;
    return std::min(pel::Utf8Text::sequenceLength(static_cast<unsigned char>(m_text.data()[pos])), m_length - pos);
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
        int ruleAt = NOWHERE;
        if (m_top.rule && !m_top.rule->patterns.empty()) {
            Probe& probe = probeFor(*m_top.rule);
            probe.match = nullptr;
            ruleAt = nextStart(probe, m_pos);
            if (m_stopped)
                break;
            if (ruleAt == m_pos) {
                if (!open(probe, m_pos, line))
                    return false;
                continue;
            }
        }
        if (m_plainStart < 0)
            m_plainStart = m_pos;
        m_pos = std::min({endAt, ruleAt, m_length});
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
    const pel::MatchResultsRegEx& results = probe.matched();
    // The match has the pattern's own groups.
    const std::vector<uint32_t>& alternatives = m_top.rule->alternatives;
    const auto alternative = static_cast<size_t>(probe.alternative);
    const unsigned group = 0;
    const uint32_t subNumber = probe.alternative >= 0 && alternative < alternatives.size() ? alternatives[alternative] : 0;
    const ParserRule* sub = m_rules->rule(subNumber);
    if (!sub) {
        const size_t length = m_wide.size() - (!m_wide.empty() && m_wide.back() == L'\n' ? 1 : 0);
        const std::wstring text(m_wide, 0, length);
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"Line[%d]: `%s`\n", line, text.c_str());
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"Parser: No rule %u for the match [%d-%d]\n",
                        subNumber, column(results.begin(group)), column(results.end(group)));
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
    // The registry only grows while a step is bound (it is cleared only under the document's
    // lock, between steps), so a record found once stays the answer for the step.
    const uint32_t key = uint32_t(rule.ruleNumber) << 16 | parent;
    KnownScope& known = m_knownScopes[(key * 2654435761u) >> (32 - KNOWN_SCOPE_BITS)];
    if (known.record && known.key == key)
        return known.record;
    const DocumentScope* record = m_document->getScopeRegistry().intern(rule.ruleNumber, parent, rule.scope.c_str());
    known = {key, record};
    return record;
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
            m_captureTexts[k].assign(m_wide, static_cast<size_t>(column(begin)),
                                     static_cast<size_t>(column(results.end(group)) - column(begin)));
    }
}

void LineMatcher::flushPlain() {
    if (m_plainStart < 0)
        return;
    appendRun(m_plainStart, m_top.scope);
    m_plainStart = -1;
}

void LineMatcher::appendRun(int pos, uint32_t scope) {
    if (pos < 0)
        return;
    const int column = this->column(pos);
    if (static_cast<uint32_t>(column) > MAX_COLUMN || scope >= NO_SCOPE_INDEX)
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
    const int32_t whole = m_document->getLineLengthWithBreak(line);
    int32_t read = std::min(whole, MAX_LINE_READ);
    m_wide.clear();
    m_document->appendTextRange(start, start + read, &m_wide);
    if (read < whole && !m_wide.empty() && IS_HIGH_SURROGATE(m_wide.back())) {
        m_wide.pop_back(); // a pair is read whole or not at all
        --read;
    }
    m_text.assign(m_wide);
    m_length = static_cast<int>(m_text.size());
    for (Probe& probe : m_probes)
        probe.found = Found();
    if (++m_lineSerial == 0) {
        // The serial went round: no search may pass for this line's.
        m_lineSerial = 1;
        for (PatternSearch& search : m_searches)
            search.line = search.literalsLine = search.mayMatchLine = 0;
        m_lineBytesLine = 0;
        for (Probe& probe : m_probes)
            probe.aliveLine = 0;
    }
    m_runs.clear();
    m_pos = 0;
    m_plainStart = -1;
    m_stopped = false;
    m_lineStart = m_clock();
    if (read < whole)
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE,
                        L"Parser: Line %d of %d characters is parsed up to its first %d\n", line, whole, read);
    const bool walked = walk(line);
    const bool stored = walked && storeRecord(line);
    // The copies of a long line go back once it is parsed: one per matcher, kept, would hold
    // megabytes for the few long lines of a file.
    if (m_wide.capacity() > KEPT_LINE_UNITS) {
        std::wstring().swap(m_wide);
        m_text.release();
        m_length = 0;
        m_pos = 0;
    }
    return stored;
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
