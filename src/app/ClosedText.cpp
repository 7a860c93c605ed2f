#include "app/ClosedText.h"

#include "components/SearchManager.h"
#include "editor/Editor.h"
#include "service/document/controller/DocumentControllerManager.h"

namespace tessel {

void leaveClosedText(Editor* editor, DocumentController* controller, DocumentControllerManager& controllers) {
    if (SearchManager* search = SearchManager::get())
        search->removeScopes(editor);
    if (controllers.getActiveController() == controller)
        controllers.setActiveController(nullptr);
}

} // namespace tessel
