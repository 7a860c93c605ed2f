#pragma once
// Holds an update batch of an editor for its scope: the outermost one repaints on leaving.

#include "service/document/controller/IEditor.h"

namespace tessel {

class EditorBatch {
public:
    explicit EditorBatch(IEditor& editor) : m_editor(editor) { editor.beginUpdate(); }
    ~EditorBatch() { m_editor.endUpdate(); }
    EditorBatch(const EditorBatch&) = delete;
    EditorBatch& operator=(const EditorBatch&) = delete;

private:
    IEditor& m_editor;
};

} // namespace tessel
