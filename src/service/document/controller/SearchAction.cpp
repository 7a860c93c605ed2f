#include "service/document/controller/SearchAction.h"

#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/Finder.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerSearchSession.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/SearchActionRecord.h"
#include "service/document/controller/Selection.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tessel {

namespace {

using Session = DocumentControllerSearchSession;

// Gives the session the area of the scope the action asks for. The area stays while the
// selection is the session's own (nobody changed it since its last search) and the same scope
// is asked for; otherwise it is made again: from a selection that holds text, or the whole text.
// A selection scope with nothing selected keeps searching the selection it searched (the user
// only moved the caret), or else searches the whole text.
void prepareArea(DocumentController& controller, Session& session, uint32_t requested, bool backwards) {
    const bool ownSelection = session.getStartPosition() != Session::UNSET;
    if (session.getArea() && requested == session.getRequestedScope() && ownSelection)
        return;
    session.setRequestedScope(requested);
    Selection& selection = controller.getSelection();
    ISpanManager& spans = controller.getSpanManager();
    if (requested == SearchActionRecord::SCOPE_SELECTION) {
        if (!selection.isEmpty()) {
            session.setScope(requested);
            std::vector<Session::Range> ranges;
            for (const SelectionRange& range : selection.getRanges())
                ranges.emplace_back(range.lower(), range.upper());
            session.setArea(ranges);
            const std::vector<Session::Range> area = session.getAreaRanges();
            if (!area.empty())
                selection.setCaretOffset(backwards ? area.back().second : area.front().first);
            spans.setCurrentSpan(session.getArea());
            return;
        }
        if (session.getScope() == requested && session.getArea())
            return;
        requested = SearchActionRecord::SCOPE_DOCUMENT;
    }
    session.setScope(requested);
    session.setArea({{0, controller.getDocument().getLength()}});
    spans.setCurrentSpan(session.getArea());
}

// Gives the session the finder, replacer and area the action asks for, and its series its
// start; false when the action cannot run (told to the callback where the user must know).
// Inside the caller's transaction.
bool prepare(DocumentController& controller, Session& session, const SearchActionRecord& record, uint32_t actionId,
             bool backwards) {
    if (controller.getDocument().getLength() == 0)
        return false;
    const SearchParameters& parameters = record.parameters;
    std::wstring error;
    if (!session.setFinder(parameters, parameters.regex, parameters.matchCase, parameters.wholeWord, &error)) {
        // A pattern the user must mend, not a search that found nothing.
        if (record.callback)
            record.callback->patternRefused(record, L"The regular expression is not valid: " + error);
        return false;
    }
    const bool replaces = actionId == search_actions::REPLACE || actionId == search_actions::REPLACE_ALL;
    if (replaces && record.canReplace && controller.isReadOnly()) {
        // Told as a failure: a count of replacements nobody made would say they were.
        if (record.callback)
            record.callback->searchFailed(record, DocumentController::READ_ONLY_TEXT);
        return false;
    }
    session.setReplacer(parameters, parameters.regex);
    prepareArea(controller, session, parameters.scope.getHash(), backwards);
    const Selection& selection = controller.getSelection();
    const int32_t anchor = controller.positionToOffset(selection.getAnchor());
    const int32_t caret = controller.positionToOffset(selection.getCaret());
    const int32_t from = backwards ? std::min(anchor, caret) : std::max(anchor, caret);
    // Every action goes on with the series (the area stays), not only a find.
    if (session.getStartPosition() == Session::UNSET)
        session.setStartPosition(from);
    if (actionId == search_actions::FIND)
        session.setPosition(from);
    return true;
}

// The actions but Replace All, in one transaction.
bool act(DocumentController& controller, Session& session, const SearchActionRecord& record, uint32_t actionId,
         bool backwards) {
    DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
    DocumentController::SelectionChange bracket(controller);
    Session::Busy busy(session);
    if (!prepare(controller, session, record, actionId, backwards))
        return false;
    const WrapAroundPredicate wrap(&record);
    switch (actionId) {
    case search_actions::FIND:
        return session.find(backwards, false, &wrap);
    case search_actions::REPLACE:
        return record.canReplace && session.replace(backwards, &wrap);
    case search_actions::FIND_ON:
        return session.find(false, true, &wrap);
    default:
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"Editor::ssOnAction(): Invalid search action (%x).\n",
                        actionId);
        return false;
    }
}

// Replace All: prepared in a transaction of its own, then run outside it, since it makes its
// own transactions and pauses between them.
bool replaceAll(DocumentController& controller, Session& session, const SearchActionRecord& record) {
    {
        DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
        DocumentController::SelectionChange bracket(controller);
        Session::Busy busy(session);
        if (!prepare(controller, session, record, search_actions::REPLACE_ALL, false))
            return false;
    }
    const ReplaceAllCounts counts = record.canReplace ? session.replaceAll() : ReplaceAllCounts();
    if (record.replaceAllCounts)
        *record.replaceAllCounts = counts;
    return counts.replaced > 0;
}

} // namespace

bool ssOnAction(DocumentController& controller, const SearchActionRecord& record, uint32_t actionId, bool backwards) {
    Session& session = controller.getSearchSession();
    try {
        return actionId == search_actions::REPLACE_ALL ? replaceAll(controller, session, record)
                                                       : act(controller, session, record, actionId, backwards);
    } catch (const SearchFailed& failure) {
        if (record.callback)
            record.callback->searchFailed(record, failure.message());
        return false;
    }
}

} // namespace tessel
