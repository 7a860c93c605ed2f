// The lines, inflection and editing tables of the editor: ids, titles and keys in order, each
// row's first key on its action and further keys as extra triggers of the same action.
#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "editor/EditorCmd.h"
#include "pel/text/Inflector.h"

namespace tessel {

namespace {

using Transform = bool (*)(const std::wstring& text, std::wstring& o_text);

// The case changes work in place on a copy; the others rebuild the words.
template <bool (*change)(std::wstring*)> bool inPlace(const std::wstring& text, std::wstring& o_text) {
    o_text = text;
    return change(&o_text);
}

template <int caseFormat, wchar_t separator> bool inflected(const std::wstring& text, std::wstring& o_text) {
    pel::Inflector::inflect(text.c_str(), text.size(), caseFormat, separator, &o_text);
    return true;
}

struct CommandRow {
    const wchar_t* id;
    const wchar_t* title;
    std::initializer_list<const wchar_t*> keys;
    bool (EditorCmd::*handler)(afActionEvent&);
    Transform transform;
    const wchar_t* context;
};

const wchar_t EDITOR[] = L"ui.editor";
const wchar_t SELECTED[] = L"ui.editor ui.editor.selection";

const CommandRow COMMANDS[] = {
    {L"edit.lines.move.up", L"Move Lines Up", {L"Ctrl+Shift+Up"}, &EditorCmd::moveLinesUp, nullptr, EDITOR},
    {L"edit.lines.move.down", L"Move Lines Down", {L"Ctrl+Shift+Down"}, &EditorCmd::moveLinesDown, nullptr, EDITOR},
    {L"edit.lines.duplicate", L"Duplicate Lines", {L"Ctrl+Shift+D"}, &EditorCmd::duplicateLines, nullptr, EDITOR},
    {L"edit.lines.indent.sel", L"Indent Lines If Selected", {L"Tab"}, &EditorCmd::indentLines, nullptr, SELECTED},
    {L"edit.lines.unindent.sel", L"Unindent Lines If Selected", {L"Shift+Tab"}, &EditorCmd::unindentLines, nullptr,
     SELECTED},
    {L"edit.transpose", L"Transpose", {L"Ctrl+T"}, &EditorCmd::transpose, nullptr, EDITOR},
    {L"edit.inflect.uppercase", L"Uppercase", {L"Ctrl+U"}, nullptr, &inPlace<pel::Inflector::toUpper>, EDITOR},
    {L"edit.inflect.lowercase", L"Lowercase", {L"Ctrl+Shift+U"}, nullptr, &inPlace<pel::Inflector::toLower>, EDITOR},
    {L"edit.inflect.capitalize", L"Capitalize", {L"Alt+Shift+U"}, nullptr, &inPlace<pel::Inflector::capitalize>,
     EDITOR},
    {L"edit.inflect.hyphenize", L"Hyphenize", {L"Alt+Shift+U"}, nullptr, &inflected<0, L'-'>, EDITOR},
    {L"edit.inflect.underscore", L"Underscore", {L"Alt+Shift+U"}, nullptr, &inflected<0, L'_'>, EDITOR},
    {L"edit.inflect.camelcase.upper", L"Upper CamelCase", {L"Alt+Shift+U"}, nullptr, &inflected<3, 0>, EDITOR},
    {L"edit.inflect.camelcase.lower", L"Lower camelCase", {L"Alt+Shift+U"}, nullptr, &inflected<4, 0>, EDITOR},
    {L"edit.inflect.split", L"Split To Words", {L"Alt+Shift+U"}, nullptr, &inflected<0, L' '>, EDITOR},
    {L"edit.inflect.systemize", L"Systemize", {L"Alt+Shift+U"}, nullptr, &inPlace<pel::Inflector::transliterate>,
     EDITOR},
    {L"edit.undo", L"Undo", {L"Ctrl+Z"}, &EditorCmd::undo, nullptr, EDITOR},
    {L"edit.redo", L"Redo", {L"Ctrl+Y", L"Ctrl+Shift+Z"}, &EditorCmd::redo, nullptr, EDITOR},
    {L"edit.delete.forward", L"Delete Forward", {L"Del"}, &EditorCmd::deleteForward, nullptr, EDITOR},
    {L"edit.delete.backward", L"Delete Backward", {L"Backspace", L"Shift+Backspace"}, &EditorCmd::deleteBackward,
     nullptr, EDITOR},
    {L"edit.delete.word.end", L"Delete To Word End", {L"Ctrl+Del"}, &EditorCmd::deleteWordEnd, nullptr, EDITOR},
    {L"edit.delete.word.begin", L"Delete To Word Begin", {L"Ctrl+Backspace"}, &EditorCmd::deleteWordBegin, nullptr,
     EDITOR},
    {L"edit.new_line", L"New Line", {L"Enter", L"Ctrl+Enter", L"Shift+Enter"}, &EditorCmd::newLine, nullptr, EDITOR},
    {L"edit.select.all", L"Select All", {L"Ctrl+A"}, &EditorCmd::selectAll, nullptr, EDITOR},
    {L"edit.select.indent", L"Select Indent Level", {L"Ctrl+Shift+Alt+A"}, &EditorCmd::selectIndentLevel, nullptr,
     EDITOR},
    {L"edit.select.lines", L"Select Lines", {L"Ctrl+Shift+L"}, &EditorCmd::selectLines, nullptr, EDITOR},
    {L"edit.select.lines.text", L"Select Lines Text", {L"Ctrl+Shift+Alt+L"}, &EditorCmd::selectLinesText, nullptr,
     EDITOR},
    {L"edit.select.word", L"Select Lines Text", {L"Ctrl+Shift+W"}, &EditorCmd::selectWord, nullptr, EDITOR},
    {L"edit.copy", L"Copy", {L"Ctrl+C", L"Ctrl+Ins"}, &EditorCmd::copy, nullptr, EDITOR},
    {L"edit.paste", L"Paste", {L"Ctrl+V", L"Shift+Ins"}, &EditorCmd::paste, nullptr, EDITOR},
    {L"edit.cut", L"Cut", {L"Ctrl+X"}, &EditorCmd::cut, nullptr, EDITOR},
    {L"edit.cut", L"Cut", {L"Shift+Del"}, &EditorCmd::cutLine, nullptr, EDITOR},
    {L"edit.bookmark.toggle", L"Toggle bookmark", {L"Ctrl+F2"}, &EditorCmd::toggleBookmark, nullptr, EDITOR},
    {L"edit.bookmark.next", L"Next bookmark", {L"F2"}, &EditorCmd::nextBookmark, nullptr, EDITOR},
    {L"edit.bookmark.previous", L"Previous bookmark", {L"Shift+F2"}, &EditorCmd::previousBookmark, nullptr, EDITOR},
};

} // namespace

void registerEditorCommandActions(afActionRegistry* registry, afActionContext* context) {
    for (const CommandRow& row : COMMANDS) {
        afAction::RunOp run;
        if (row.handler) {
            run = afRunOp<EditorCmd>(row.handler);
        } else {
            const Transform transform = row.transform;
            run = [transform](afActionHandler& handler, afActionEvent&) {
                EditorCmd* editorCmd = dynamic_cast<EditorCmd*>(&handler);
                return editorCmd && editorCmd->transform(transform);
            };
        }
        afAction* action = afRegisterAction(registry, new afActionSystem(row.title, context, row.id, row.context, run));
        for (const wchar_t* key : row.keys)
            afAddKeyTriggerText(afApp::getKeyInvoker(), action, key, true);
    }
}

} // namespace tessel
