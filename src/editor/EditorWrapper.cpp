#include "editor/EditorWrapper.h"

#include "editor/Editor.h"

namespace tessel {

EditorWrapper::EditorWrapper(afViewPlatform* host)
    : afLayoutLinear(host, VERTICAL), m_editor(Editor::create(host, Editor::BORDER_NONE)),
      m_strip(new afLayoutLinear(host, VERTICAL)) {}

void EditorWrapper::onAttached() {
    afLayoutLinear::onAttached();
    if (m_strip->getParent())
        return;
    addChild(m_strip, new afLayoutParamsLinear(-1, -2));
    if (m_editor) {
        addChild(m_editor, new afLayoutParamsLinear(-1, -1, 1.0));
        m_editor->setVisible(true);
    }
}

void EditorWrapper::requestFocus() {
    if (m_editor)
        m_editor->requestFocus();
}

} // namespace tessel
