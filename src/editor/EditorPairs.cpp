// Paired characters: the opening character puts its partner behind the caret, with a span
// context named for the pair between the two so the closing character steps over the partner
// while nothing else came between, or wraps every selected range and keeps it selected. A quote
// typed between quotes it inserted is text.
#include "editor/EditorCmd.h"

#include "service/document/controller/DocumentController.h"
#include "service/document/controller/ISpanManager.h"
#include "service/document/controller/Selection.h"
#include "service/parser/spans/SpanContext.h"

#include <algorithm>

namespace tessel {

namespace {

// Runs step on the event's pair action (its type code checked first) in an edit transaction
// with a selection-change bracket: false without a controller; true, nothing run, for an action
// of another kind.
template <class Step> bool onPair(DocumentController* controller, const afActionEvent& event, Step step) {
    if (!controller)
        return false;
    if (!event.action || event.action->getType() != PairedCharacterAction::TYPE)
        return true;
    const auto* pair = dynamic_cast<const PairedCharacterAction*>(event.action);
    if (!pair)
        return true;
    DocumentController::Lock lock(*controller, DocumentController::LOCK_EDIT);
    DocumentController::SelectionChange bracket(*controller);
    step(*controller, *pair);
    return true;
}

// Opening character, then in an undo step of its own the closing one; the caret between them
// inside a span context of the pair's name, made current, which what is typed next goes into.
void insertAroundCaret(DocumentController& controller, const PairedCharacterAction& pair) {
    controller.insertString(std::wstring(1, pair.open));
    controller.splitEdit();
    const int32_t between = controller.getCaretOffset();
    ISpanManager& spans = controller.beginHighlightChange();
    if (Span* holder = spans.leaveSpansOutside(between, between)) {
        auto* context = new SpanContext(nullptr, pair.spanName());
        // Not a snippet: an enclosing snippet keeps its tinted tab stops.
        context->setContextFlags(0);
        holder->appendChild(context, between, false, nullptr);
        // The partner goes in as span text behind the context, not as a typed character: undo
        // would join it to the opening character typed before it as one run of typing.
        auto* partner = new Span(1);
        holder->appendChild(partner, between, true, &pair.close);
        partner->destroy();
        spans.setCurrentSpan(context);
    } else {
        // Without a span tree there is no pair to step over: the partner is only typed.
        controller.insertString(std::wstring(1, pair.close));
    }
    controller.getSelection().setCaretOffset(between);
    controller.endSelectionChange();
}

// Every range between the two characters, selected again over exactly its former text: the
// characters go in from the last range back, so each earlier range stays where it was and range
// i (in offset order) moves by the 2i characters before it and its own opening one.
void wrapRanges(DocumentController& controller, const PairedCharacterAction& pair) {
    std::vector<SelectionRange> ranges = controller.getSelection().getRanges();
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
        controller.insertAt(1, range->upper(), &pair.close);
        controller.insertAt(1, range->lower(), &pair.open);
    }
    for (size_t i = 0; i < ranges.size(); ++i) {
        const int32_t shift = static_cast<int32_t>(2 * i + 1);
        ranges[i].start += shift;
        ranges[i].end += shift;
    }
    controller.getSelection().applyRanges(ranges);
}

// Whether a span of the pair's name holds the caret: the current span or one around it.
bool insidePair(const Span* current, const std::wstring& spanName) {
    for (const Span* span = current; span; span = span->getParent())
        if (span->getName() == spanName)
            return true;
    return false;
}

} // namespace

bool EditorCmd::insertPair(afActionEvent& event) {
    return onPair(m_controller, event, [](DocumentController& controller, const PairedCharacterAction& pair) {
        if (controller.isSelectionEmpty())
            insertAroundCaret(controller, pair);
        else
            wrapRanges(controller, pair);
    });
}

bool EditorCmd::closePair(afActionEvent& event) {
    return onPair(m_controller, event, [&](DocumentController& controller, const PairedCharacterAction& pair) {
        const int32_t caret = controller.getCaretOffset();
        Span* current = controller.getSpanManager().getCurrentSpan();
        const SpanContext* context = current ? current->getContext() : nullptr;
        const std::wstring spanName = pair.spanName();
        if (context && context->getName() == spanName && controller.isSelectionEmpty() && caret == current->getEnd())
            controller.getSelection().setCaretOffset(caret + 1);
        // A quote typed inside quotes it inserted is text: it neither opens a pair nor closes
        // the string before its end.
        else if (pair.open == pair.close && !insidePair(current, spanName))
            insertPair(event);
        else
            controller.insertString(std::wstring(1, pair.close));
    });
}

} // namespace tessel
