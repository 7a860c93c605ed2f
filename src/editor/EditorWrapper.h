#pragma once
// What the shell puts where an editor is shown: a vertical linear layout with a strip on top,
// empty until bars are put into it (wrapping its content, so it takes no room while empty), and
// the editor below it filling the rest. Focusing the wrapper focuses its editor.

#include "afw/layout/afLayoutLinear.h"

namespace tessel {

class Editor;

class EditorWrapper : public afLayoutLinear {
public:
    // Makes the editor (no border) and the strip on the host; both are owned by the host
    // until the wrapper is attached, then by the wrapper.
    explicit EditorWrapper(afViewPlatform* host);

    Editor* getEditor() const { return m_editor; }
    // The layout above the editor for bars of other parts (a search bar).
    afLayoutLinear* getStrip() const { return m_strip; }

    const wchar_t* getContextKey() const override { return L"ui.layout.editor_wrapper"; }
    // The first attach adds the strip (filling the width, wrapping its content) and the editor
    // (filling both ways, weight 1) and shows the editor.
    void onAttached() override;
    void requestFocus() override;

private:
    Editor* m_editor;
    afLayoutLinear* m_strip;
};

} // namespace tessel
