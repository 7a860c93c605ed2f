#pragma once
// Fills the main window's status strip for the editor that has the focus: the caret's line and
// character, and the document's language, encoding, line ending and indentation, each a
// windowless button. Clicking one of the last four opens a popup menu that changes that
// property of the document, the choice also becoming the default of new documents (the
// language excepted). The shell makes one over its tool strip and tells it which editor to
// follow (null when the tab goes). UI thread only.

#include "editor/Editor.h"

#include "components/ViewVirtualButton.h"
#include "pel/base/Object.h"

#include <string>

class afLayout;
class afMenu;
class afMenuNode;

namespace tessel {

class EditorStatusController : public pel::Object {
public:
    // The buttons in the strip's order.
    enum Button { LINE, CHAR, LANGUAGE, ENCODING, LINE_ENDING, INDENTATION, BUTTONS };

    // The strip the buttons go into: named "tool_strip" while it holds them.
    explicit EditorStatusController(afLayout* strip);
    // Stops following the editor; the buttons stay with the strip.
    ~EditorStatusController() override;
    EditorStatusController(const EditorStatusController&) = delete;
    EditorStatusController& operator=(const EditorStatusController&) = delete;

    // Follows the editor (null: none, and the strip is emptied). Any change drops the old
    // editor's subscriptions first, so a hidden editor never reaches the strip; an editor must
    // be followed no longer (another or null given) before it is deleted.
    void setEditor(Editor* editor);
    Editor* getEditor() const { return m_editor; }
    // Builds the six buttons ("1", "1", then "---" four times, the listeners then run once for
    // the followed editor) or empties the strip; other combinations do nothing.
    void rebuild(bool show);

    void onCaretMoved(const TextPosition& caret);
    void onFormatChanged(const DocumentController::Format& format);
    // The title of the grammar with that scope name, "NULL" when none has it.
    void onLanguageChanged(const std::wstring& grammarName);

    // The click handler of every button: the popup of the language, encoding, line-ending or
    // indentation button.
    void onClick(ViewVirtualButton* button);
    // The popups of the four buttons: the button shows pressed while the menu runs; the chosen
    // line, if any, is applied to the followed editor's document.
    void showLanguageMenu(ViewVirtualButton* button);
    void showEncodingMenu(ViewVirtualButton* button);
    void showLineEndingMenu(ViewVirtualButton* button);
    void showIndentationMenu(ViewVirtualButton* button);

    bool isBuilt() const { return m_built; }
    // Null while the strip is empty.
    ViewVirtualButton* getButton(Button which) const { return m_buttons[which]; }

    // The text of a line-ending kind (0 CR+LF, 1 LF, 2 CR), empty for another; of an indentation.
    static std::wstring lineEndingTitle(uint32_t kind);
    static std::wstring indentationTitle(const pel::Indentation& indentation);

private:
    void unsubscribe();
    // The texts of the followed editor's document (the first ones without a controller).
    void refresh();
    void emptyStrip();
    // Shows the menu at the button, pressed meanwhile: the chosen line or null.
    afMenuNode* runMenu(afMenu& menu, ViewVirtualButton* button);
    DocumentController* controller() const { return m_editor ? m_editor->getController() : nullptr; }

    afLayout* m_strip;
    Editor* m_editor = nullptr;
    ViewVirtualButton* m_buttons[BUTTONS] = {};
    bool m_built = false;
};

} // namespace tessel
