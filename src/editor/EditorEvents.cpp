// The editor's three document events: whichever controller is attached feeds them, and attaching
// tells them at once, so a view that follows the editor (the status strip) follows a controller
// swapped under it too.
#include "editor/Editor.h"

#include "service/document/controller/Selection.h"

namespace tessel {

void Editor::addEventListeners() {
    DocumentController& c = *m_controller;
    c.caretMoved().add(this, [this](DocumentController&, const TextPosition& caret, uint8_t) {
        m_caretMovedEvent.notify(*this, caret);
    });
    c.formatChanged().add(this, [this](DocumentController&, const DocumentController::Format& format,
                                       const DocumentController::Format&) { m_formatChangedEvent.notify(*this, format); });
    c.grammarChanged().add(this,
                           [this](DocumentController&, const std::wstring& name) { m_languageChangedEvent.notify(*this, name); });
}

void Editor::raiseEvents() {
    DocumentController& c = *m_controller;
    m_caretMovedEvent.notify(*this, c.getSelection().getCaret());
    m_formatChangedEvent.notify(*this, c.getFormat());
    m_languageChangedEvent.notify(*this, c.getGrammarName());
}

} // namespace tessel
