#include "service/document/controller/SearchAction.h"

#include "pel/log/Log.h"
#include "service/document/Document.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerSearchSession.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/SearchActionRecord.h"
#include "service/document/controller/Selection.h"

#include <algorithm>
#include <vector>

namespace tessel {

namespace {

using Session = DocumentControllerSearchSession;

// Gives the session the area of the scope the action asks for.
void prepareArea(DocumentController& controller, Session& session, uint32_t scope, bool backwards) {
    Selection& selection = controller.getSelection();
    const bool selectionEmpty = selection.isEmpty();
    if (scope == SearchActionRecord::SCOPE_SELECTION && selectionEmpty &&
        !(session.getScope() == SearchActionRecord::SCOPE_SELECTION && session.getArea()))
        scope = SearchActionRecord::SCOPE_DOCUMENT;
    ISpanManager& spans = controller.getSpanManager();
    if (scope != SearchActionRecord::SCOPE_SELECTION) {
        // The whole text, as it is now: text typed at either end since the last search too.
        session.setScope(scope);
        session.setArea({{0, controller.getDocument().getLength()}});
        spans.setCurrentSpan(session.getArea());
        return;
    }
    // A selection is searched until the user selects other text (which ends the series of
    // searches) or the area is gone with the spans around it.
    const bool reselected = !selectionEmpty && session.getStartPosition() == Session::UNSET;
    if (session.getScope() == scope && session.getArea() && !reselected)
        return;
    session.setScope(scope);
    std::vector<Session::Range> ranges;
    for (const SelectionRange& range : selection.getRanges())
        ranges.emplace_back(range.lower(), range.upper());
    session.setArea(ranges);
    const std::vector<Session::Range> area = session.getAreaRanges();
    if (!area.empty())
        selection.setCaretOffset(backwards ? area.back().second : area.front().first);
    spans.setCurrentSpan(session.getArea());
}

} // namespace

bool ssOnAction(DocumentController& controller, const SearchActionRecord& record, uint32_t actionId, bool backwards) {
    DocumentController::Lock lock(controller, DocumentController::LOCK_EDIT);
    DocumentController::SelectionChange bracket(controller);
    if (controller.getDocument().getLength() == 0)
        return false;
    Session& session = controller.getSearchSession();
    Session::Busy busy(session);
    const SearchParameters& parameters = record.parameters;
    if (!session.setFinder(parameters, parameters.regex, parameters.matchCase, parameters.wholeWord))
        return false;
    session.setReplacer(parameters, parameters.regex);
    prepareArea(controller, session, parameters.scope.getHash(), backwards);
    const Selection& selection = controller.getSelection();
    const int32_t anchor = controller.positionToOffset(selection.getAnchor());
    const int32_t caret = controller.positionToOffset(selection.getCaret());
    const WrapAroundPredicate wrap(&record);
    switch (actionId) {
    case search_actions::FIND: {
        const int32_t from = backwards ? std::min(anchor, caret) : std::max(anchor, caret);
        session.setPosition(from);
        if (session.getStartPosition() == Session::UNSET)
            session.setStartPosition(from);
        return session.find(backwards, false, &wrap);
    }
    case search_actions::REPLACE:
        return record.canReplace && session.replace(backwards, &wrap);
    case search_actions::REPLACE_ALL:
        return record.canReplace && session.replaceAll() > 0;
    case search_actions::FIND_ON:
        return session.find(false, true, &wrap);
    default:
        pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"Editor::ssOnAction(): Invalid search action (%x).\n",
                        actionId);
        return false;
    }
}

} // namespace tessel
