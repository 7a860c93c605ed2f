#pragma once
// The action handler of one editor: the object the editor's caret and editing commands run on,
// served under the handler name "Editor". It reaches the document through the controller the
// editor attached, and every command answers false (the key falls through) without one.

#include "afw/action/afAction.h"
#include "bundles/preferences/PairedCharacterAction.h"

#include <functional>
#include <string>

namespace tessel {

class DocumentController;
class Editor;

class EditorCmd : public afActionHandler, public PairedCharacterHandler {
public:
    explicit EditorCmd(Editor& editor);
    ~EditorCmd() override;

    Editor& getEditor() const { return m_editor; }
    DocumentController* getController() const { return m_controller; }
    void setController(DocumentController* controller) { m_controller = controller; }

    // The editor's action tables, once into each registry (a later application gets its own).
    static void registerActions(afActionRegistry* registry, afActionContext* context);

    // ---- the editing commands (false without a controller)
    bool undo(afActionEvent& event);
    bool redo(afActionEvent& event);
    bool deleteForward(afActionEvent& event);
    bool deleteBackward(afActionEvent& event);
    bool deleteWordEnd(afActionEvent& event);
    bool deleteWordBegin(afActionEvent& event);
    bool newLine(afActionEvent& event);
    bool selectAll(afActionEvent& event);
    bool selectLines(afActionEvent& event);
    bool selectLinesText(afActionEvent& event);
    bool selectWord(afActionEvent& event);
    // The whole lines around the caret's that are indented at least as deep as it.
    bool selectIndentLevel(afActionEvent& event);
    // Swaps the two characters around a single empty caret (at its line's end the two before
    // it), as one undo step; the caret ends behind them. Elsewhere nothing changes.
    bool transpose(afActionEvent& event);
    bool copy(afActionEvent& event);
    bool paste(afActionEvent& event);
    bool cut(afActionEvent& event);
    bool cutLine(afActionEvent& event);
    bool toggleBookmark(afActionEvent& event);
    bool nextBookmark(afActionEvent& event);
    bool previousBookmark(afActionEvent& event);
    bool moveLinesUp(afActionEvent& event);
    bool moveLinesDown(afActionEvent& event);
    bool duplicateLines(afActionEvent& event);
    bool indentLines(afActionEvent& event);
    bool unindentLines(afActionEvent& event);
    // Replaces each selected range (the word or line at a single empty caret) through the
    // transform.
    bool transform(const std::function<bool(const std::wstring&, std::wstring&)>& transform);
    // True when no range holds text (one or more empty carets); a controller is attached.
    bool selectionIsEmpty();

    // ---- paired characters (EditorPairs.cpp): false without a controller; an action of
    // another kind is ignored (true)
    bool insertPair(afActionEvent& event) override;
    bool closePair(afActionEvent& event) override;

    // ---- the editor actions (EditorActions.cpp)
    bool showScope(afActionEvent& event);
    bool selectGrammar(afActionEvent& event);
    bool selectSnippet(afActionEvent& event);
    bool goToLine(afActionEvent& event);

private:
    enum LineCommand { LINES_UP, LINES_DOWN, LINES_DUPLICATE, LINES_INDENT, LINES_UNINDENT };
    bool runLineCommand(LineCommand command);
    // A selection goes (deleteChars(selectionCount)); at an empty caret, one or several, the
    // text from it to the movement's target.
    bool deleteByMove(int movement, int32_t selectionCount);
    bool goToBookmark(bool forward);
    // Removes the blanks between a single empty caret and its line's end: a new line would
    // carry them over as blanks at its end.
    void dropBlanksAfterCaret();
    // One empty caret inside the span of a just-typed pair of characters, nothing between them.
    bool inEmptyPair();
    void copySelection();

    Editor& m_editor;
    DocumentController* m_controller = nullptr;
};

// The lines, inflection and editing tables in order, their keys on the application's key invoker.
void registerEditorCommandActions(afActionRegistry* registry, afActionContext* context);
// The 36 caret actions in table order, their keys on the application's key invoker.
void registerEditorCaretActions(afActionRegistry* registry, afActionContext* context);
// Show Scope, Select Grammar, Select Snippet and Go To Line, their keys on the key invoker.
void registerEditorActions(afActionRegistry* registry, afActionContext* context);

} // namespace tessel
