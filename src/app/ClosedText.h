#pragma once
// What a text's closing takes from the rest of the program at once, while its editor, controller
// and document wait to be freed from the main loop (a main window's tab, an entry of the bundle
// editor): an open search dialog finds nothing to search in it, and it stops being the active
// document.

namespace tessel {

class DocumentController;
class DocumentControllerManager;
class Editor;

void leaveClosedText(Editor* editor, DocumentController* controller, DocumentControllerManager& controllers);

} // namespace tessel
