#include "editor/EditorCmd.h"

#include "afw/action/afActionInvoker.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "editor/Editor.h"

namespace tessel {

EditorCmd::EditorCmd(Editor& editor)
    : afActionHandler(afApp::getActionRegistry(), afFindOrCreateActionContext(L"Editor", afApp::getActionRegistry())),
      m_editor(editor) {}

EditorCmd::~EditorCmd() = default;

void EditorCmd::registerActions(afActionRegistry* registry, afActionContext* context) {
    // The first caret action marks a registry that already holds the tables.
    if (!registry || !context || afFindAction(L"caret.move.char.right", registry))
        return;
    registerEditorCommandActions(registry, context);
    registerEditorCaretActions(registry, context);
    registerEditorActions(registry, context);
}

} // namespace tessel
