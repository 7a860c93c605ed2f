#include "service/document/controller/DocumentControllerSearchSession.h"

#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/Finder.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/LongEdit.h"
#include "service/document/controller/SearchActionRecord.h"
#include "service/document/controller/Selection.h"
#include "service/document/search/FinderBoyerMoore.h"
#include "service/document/search/FinderRegEx.h"
#include "service/document/search/Replacer.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

namespace tessel {

const wchar_t* const DocumentControllerSearchSession::AREA_CONTEXT = L"app.document.context.search";
const wchar_t* const DocumentControllerSearchSession::NO_MEMORY =
    L"Replace All was stopped: there is not enough memory to hold all its matches. Nothing was replaced.";

DocumentControllerSearchSession::DocumentControllerSearchSession(DocumentController& controller)
    : m_controller(controller), m_position(controller.getCaretOffset()), m_startPosition(m_position) {
    controller.getSelection().rangeChanged().add(
        this, [this](Selection&, const SelectionBehavior::Range&) { onSelectionChanged(); });
}

DocumentControllerSearchSession::~DocumentControllerSearchSession() {
    m_controller.getSelection().rangeChanged().remove(this);
}

void DocumentControllerSearchSession::onSelectionChanged() {
    if (isBusy())
        return;
    m_startPosition = UNSET;
    m_position = m_controller.getCaretOffset();
}

// ---- the area

void DocumentControllerSearchSession::setScope(uint32_t scope) {
    if (scope == m_scope)
        return;
    if (Span* area = getArea())
        m_controller.getSpanManager().destroySpan(area);
    m_startPosition = UNSET;
    m_scope = scope;
}

void DocumentControllerSearchSession::setArea(const std::vector<Range>& ranges) {
    ISpanManager& spans = m_controller.getSpanManager();
    if (Span* area = getArea())
        spans.destroySpan(area);
    std::vector<SelectionRange> stretches;
    for (const Range& range : ranges)
        if (range.second > range.first)
            stretches.emplace_back(range.first, range.second, -1);
    if (stretches.empty())
        return;
    // The span manager wants them in offset order, as selections come.
    std::sort(stretches.begin(), stretches.end(),
              [](const SelectionRange& a, const SelectionRange& b) { return a.start < b.start; });
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
    spans.createSpanContext(stretches, AREA_CONTEXT, ISpanManager::CONTEXT_KEPT);
}

Span* DocumentControllerSearchSession::getArea() const {
    // Looked up each time: undo and redo rebuild the span tree.
    return m_controller.getSpanManager().findContext(AREA_CONTEXT);
}

std::vector<DocumentControllerSearchSession::Range> DocumentControllerSearchSession::getAreaRanges() const {
    std::vector<Range> ranges;
    ISpanManager& spans = m_controller.getSpanManager();
    std::vector<Span*> children;
    spans.getChildren(getArea(), children);
    for (const Span* child : children) {
        const SpanExtent extent = spans.getExtent(child);
        ranges.emplace_back(extent.start, extent.end());
    }
    return ranges;
}

// ---- finder and replacer

bool DocumentControllerSearchSession::setFinder(const SearchParameters& parameters, bool regex, bool matchCase,
                                                bool wholeWord, std::wstring* o_error) {
    m_finder.reset();
    if (parameters.findText.empty()) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentControllerSearchSession::setFinder(): Find string was empty.\n");
        return true;
    }
    if (!regex) {
        m_finder.reset(new FinderBoyerMoore(parameters.findText, !matchCase, wholeWord));
        return true;
    }
    try {
        m_finder.reset(new FinderRegEx(parameters.findText, !matchCase));
        return true;
    } catch (const std::exception& error) {
        const char* what = error.what();
        const std::wstring message(what, what + std::strlen(what));
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentControllerSearchSession::setFinder(): Cannot compile regular expression: `%s`\n",
                        message.c_str());
        if (o_error)
            *o_error = message;
        return false;
    }
}

void DocumentControllerSearchSession::setReplacer(const SearchParameters& parameters, bool regex) {
    if (regex)
        m_replacer.reset(new ReplacerFormat(parameters.replaceText));
    else
        m_replacer.reset(new ReplacerSimple(parameters.replaceText));
}

void DocumentControllerSearchSession::clear() {
    if (Span* area = getArea())
        m_controller.getSpanManager().destroySpan(area);
    m_finder.reset();
}

// ---- searching

const pel::MatchResults* DocumentControllerSearchSession::findMatch(bool backward, const WrapAroundPredicate* wrap) {
    if (!m_finder)
        return nullptr;
    const std::vector<Range> ranges = getAreaRanges();
    if (ranges.empty())
        return nullptr;
    DocumentController::SelectionChange bracket(m_controller);
    Document& document = m_controller.getDocument();
    const auto count = static_cast<int32_t>(ranges.size());
    // The range that holds the position; when none does (the caret went elsewhere), the next one
    // in the direction of the search, from its near end.
    int32_t at = m_position;
    int32_t index = -1;
    for (int32_t i = 0; i < count && index < 0; ++i)
        if (ranges[i].first <= at && at <= ranges[i].second)
            index = i;
    if (index < 0 && !backward) {
        for (int32_t i = 0; i < count && index < 0; ++i)
            if (ranges[i].first > at)
                index = i;
        if (index >= 0)
            at = ranges[index].first;
    } else if (index < 0) {
        for (int32_t i = count - 1; i >= 0 && index < 0; --i)
            if (ranges[i].second < at)
                index = i;
        if (index >= 0)
            at = ranges[index].second;
    }
    bool asked = false;
    for (;;) {
        if (index >= 0 && index < count) {
            const Range& range = ranges[index];
            const int32_t from = backward ? range.first : at;
            const int32_t to = backward ? at : range.second;
            if (from < to && document.runFinder(*m_finder, from, to, backward)) {
                const pel::MatchResults& results = m_finder->getResults();
                if (results.size() > 0 && results.end(0) > results.begin(0))
                    return &results;
            }
            index += backward ? -1 : 1;
            if (index >= 0 && index < count) {
                at = backward ? ranges[index].second : ranges[index].first;
                continue;
            }
        }
        // Past the end of the area: once more from the other end when the predicate agrees.
        if (!wrap || asked)
            return nullptr;
        asked = true;
        if (!(*wrap)())
            return nullptr;
        index = backward ? count - 1 : 0;
        at = backward ? ranges[index].second : ranges[index].first;
    }
}

bool DocumentControllerSearchSession::find(bool backward, bool select, const WrapAroundPredicate* wrap) {
    Busy busy(*this);
    DocumentController::SelectionChange bracket(m_controller);
    const pel::MatchResults* match = findMatch(backward, wrap);
    Selection& selection = m_controller.getSelection();
    if (!match) {
        if (select)
            selection.setCaretOffset(m_position);
        return false;
    }
    const int32_t start = match->begin(0);
    const int32_t end = match->end(0);
    selection.setOffsets(start, end, selection_ids::NORMAL);
    m_position = backward ? start : end;
    return true;
}

bool DocumentControllerSearchSession::selectionIsMatch(std::wstring& o_text) {
    if (!m_finder || !m_replacer)
        return false;
    int32_t start = 0;
    int32_t end = 0;
    {
        DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
        const Selection& selection = m_controller.getSelection();
        start = m_controller.positionToOffset(selection.getAnchor());
        end = m_controller.positionToOffset(selection.getCaret());
    }
    if (start > end)
        std::swap(start, end);
    Document& document = m_controller.getDocument();
    if (start == end || !document.runFinder(*m_finder, start, end, false))
        return false;
    const pel::MatchResults& results = m_finder->getResults();
    if (results.size() == 0 || results.begin(0) != start || results.end(0) != end)
        return false;
    o_text.clear();
    return m_replacer->replace(results, document, &o_text);
}

void DocumentControllerSearchSession::replaceSelection(const std::wstring& text) {
    if (text.empty())
        m_controller.removeSelectedText();
    else
        m_controller.insertString(text);
}

bool DocumentControllerSearchSession::replace(bool backward, const WrapAroundPredicate* wrap) {
    Busy busy(*this);
    DocumentController::Lock lock(m_controller, DocumentController::LOCK_EDIT);
    DocumentController::SelectionChange bracket(m_controller);
    if (!m_finder || !m_replacer)
        return false;
    std::wstring replacement;
    bool replaced = false;
    if (selectionIsMatch(replacement)) {
        replaceSelection(replacement);
        const int32_t end = m_controller.getCaretOffset();
        m_position = backward ? end - static_cast<int32_t>(replacement.size()) : end;
        replaced = true;
    } else {
        const Selection& selection = m_controller.getSelection();
        const int32_t anchor = m_controller.positionToOffset(selection.getAnchor());
        const int32_t caret = m_controller.positionToOffset(selection.getCaret());
        m_position = backward ? std::min(anchor, caret) : std::max(anchor, caret);
    }
    const bool found = find(backward, false, wrap);
    return replaced || found;
}

ReplaceAllCounts DocumentControllerSearchSession::replaceAll() {
    Busy busy(*this);
    std::vector<Range> ranges;
    {
        DocumentController::Lock lock(m_controller, DocumentController::LOCK_READ);
        ranges = getAreaRanges();
    }
    ReplaceAllCounts counts;
    if (!m_finder || !m_replacer || ranges.empty())
        return counts;
    LongEdit edit(m_controller);
    // Every match first, over the text as it is: a search that fails, or memory that runs out,
    // then leaves the text as it was, never half replaced.
    Replacements replacements;
    const int32_t position = m_position;
    try {
        collectReplacements(ranges, edit, replacements);
    } catch (const SearchFailed&) {
        m_position = position;
        throw;
    } catch (const std::bad_alloc&) {
        // Freed without allocating, so that the failure can be told.
        replacements.matches.clear();
        replacements.textEnds.clear();
        std::wstring().swap(replacements.texts);
        m_position = position;
        throw SearchFailed(NO_MEMORY);
    }
    counts.found = static_cast<int32_t>(replacements.matches.size());
    if (edit.stopped()) {
        m_position = position;
        counts.stopped = true;
        return counts;
    }
    if (replacements.matches.empty()) {
        m_position = ranges.front().first;
        return counts;
    }
    counts.replaced = putReplacements(replacements, edit);
    counts.stopped = counts.replaced < counts.found;
    return counts;
}

void DocumentControllerSearchSession::collectReplacements(const std::vector<Range>& ranges, LongEdit& edit,
                                                          Replacements& o_replacements) {
    Document& document = m_controller.getDocument();
    const std::wstring* fixed = m_replacer->fixedText();
    int64_t units = 0;
    for (const Range& range : ranges)
        units += range.second - range.first;
    // However many matches there are, the search does the work of one search over the area.
    // A pause when one is due, between two finds or inside one; false once the edit is stopped.
    const auto pauseWhenDue = [&] {
        return !edit.due() || edit.pause(L"Searching... " + std::to_wstring(o_replacements.matches.size()) + L" found");
    };
    auto* regex = dynamic_cast<FinderRegEx*>(m_finder.get());
    const FinderRegEx::Pauses pauses(regex, pauseWhenDue);
    const FinderRegEx::SharedBudget budget(regex, units);
    std::wstring text;
    m_position = ranges.front().first;
    // No lock is held: the search only reads the text, and a pause of the edit (between two
    // finds, or inside one) must find the document free for what runs in it. The area stays as
    // it is meanwhile: each of its ranges is searched from its start, on behind each match (a
    // find answers a match of some length, or none up to the range's end).
    try {
        for (const Range& range : ranges) {
            for (int32_t at = range.first; at < range.second && document.runFinder(*m_finder, at, range.second, false);) {
                const pel::MatchResults& match = m_finder->getResults();
                if (match.size() == 0 || match.end(0) <= match.begin(0))
                    break;
                o_replacements.matches.emplace_back(match.begin(0), match.end(0));
                if (!fixed) {
                    text.clear();
                    if (m_replacer->replace(match, document, &text))
                        o_replacements.texts += text;
                    o_replacements.textEnds.push_back(o_replacements.texts.size());
                }
                m_position = at = match.end(0);
                if (!pauseWhenDue())
                    return;
            }
        }
    } catch (const SearchStopped&) {
        // The edit is stopped: nothing of the search is used.
    }
}

int32_t DocumentControllerSearchSession::putReplacements(const Replacements& replacements, LongEdit& edit) {
    const std::wstring* fixed = m_replacer->fixedText();
    const size_t count = replacements.matches.size();
    ISpanManager& spans = m_controller.getSpanManager();
    Selection& selection = m_controller.getSelection();
    // From the first to the last: each replacement moves the matches still to come by what the
    // ones before it gained or lost, and those replaced when the user stops are the first ones.
    int64_t shift = 0;
    const int32_t first = replacements.matches.front().first;
    int32_t behind = m_position;
    size_t done = 0;
    while (done < count) {
        {
            DocumentController::Lock lock(m_controller, DocumentController::LOCK_EDIT);
            if (!m_controller.canEdit(L"replaceAll"))
                break;
            if (done > 0)
                m_controller.continueLastEdit();
            DocumentController::SelectionChange bracket(m_controller);
            // Each replacement goes in inside the area's range that holds its match, as typing
            // over the match would put it: one at the start of a range stays in it.
            std::vector<Span*> areaRanges;
            if (Span* area = getArea())
                spans.getChildren(area, areaRanges);
            size_t range = 0;
            do {
                const Range& match = replacements.matches[done];
                const size_t from = fixed || done == 0 ? 0 : replacements.textEnds[done - 1];
                const wchar_t* text = fixed ? fixed->c_str() : replacements.texts.c_str() + from;
                const auto length =
                    static_cast<int32_t>(fixed ? fixed->size() : replacements.textEnds[done] - from);
                auto at = static_cast<int32_t>(match.first + shift);
                while (range + 1 < areaRanges.size() && spans.getExtent(areaRanges[range]).end() <= at)
                    ++range;
                if (range < areaRanges.size())
                    spans.setCurrentSpan(areaRanges[range]);
                if (match.second > match.first)
                    at = spans.onRemove(at, match.second - match.first);
                if (length > 0)
                    at = spans.onInsert(at, length, text);
                shift += length - (match.second - match.first);
                behind = at + length;
                ++done;
            } while (done < count && !edit.due());
            // Every edit sets the selection anew: until the last step, the caret stays where the
            // first replacement went in, which no later one moves, and the view with it (a view
            // following each step on a line of megabytes would lay out pieces all along it).
            selection.setCaretOffset(done < count ? first : behind);
        }
        if (done < count &&
            !edit.pause(L"Replacing... " + std::to_wstring(done) + L" of " + std::to_wstring(count))) {
            selection.setCaretOffset(behind);
            break;
        }
    }
    // The series goes on behind the last replacement.
    m_position = behind;
    return static_cast<int32_t>(done);
}

} // namespace tessel
