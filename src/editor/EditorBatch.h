#pragma once
// Holds an update batch of an editor for its scope: the outermost one repaints on leaving.

#include "service/base/TaskFailure.h"
#include "service/document/controller/IEditor.h"

namespace tessel {

class EditorBatch {
public:
    explicit EditorBatch(IEditor& editor) : m_editor(editor) { editor.beginUpdate(); }
    // Never throws: a batch may end while an exception unwinds through it.
    ~EditorBatch() {
        try {
            m_editor.endUpdate();
        } catch (...) {
            logCaughtException(L"EditorBatch");
        }
    }
    EditorBatch(const EditorBatch&) = delete;
    EditorBatch& operator=(const EditorBatch&) = delete;

private:
    IEditor& m_editor;
};

} // namespace tessel
