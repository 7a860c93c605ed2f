#include "app/BundleEntryTextEditor.h"

#include "app/ClosedText.h"
#include "app/MainWindow.h"

#include "editor/Editor.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"

namespace tessel {

BundleEntryTextEditor::BundleEntryTextEditor(afViewPlatform* host, DocumentControllerManager& controllers,
                                             const std::wstring& scope, const MainWindow* window)
    : m_controllers(controllers) {
    m_document = controllers.getDocumentManager().createDocument(scope);
    m_controller = controllers.createController(*m_document);
    if (window)
        window->applyFacePreset(*m_controller);
    m_controller->modifiedChanged().add(this, [this](DocumentController&, bool modified) {
        onModifiedChanged.notify(modified);
    });
    m_editor = Editor::create(host, Editor::BORDER_NONE);
    if (m_editor)
        m_editor->attachController(m_controller);
}

BundleEntryTextEditor::~BundleEntryTextEditor() {
    m_controller->modifiedChanged().remove(this);
    // Out of the searches and no longer the active text while the editor is still there.
    onClosed();
    if (m_editor) {
        m_editor->attachController(nullptr);
        if (m_editor->getParent())
            m_editor->getParent()->removeView(m_editor);
        delete m_editor;
        m_editor = nullptr;
    }
    m_controllers.deleteController(m_controller);
    m_controllers.getDocumentManager().releaseDocument(m_document);
}

void BundleEntryTextEditor::onClosed() {
    leaveClosedText(m_editor, m_controller, m_controllers);
}

void BundleEntryTextEditor::install(DocumentControllerManager& controllers, const MainWindow* window) {
    setBundleEntryTextMaker([&controllers, window](afViewPlatform* host, const std::wstring& scope) {
        auto text = std::make_unique<BundleEntryTextEditor>(host, controllers, scope, window);
        return text->getEditor() ? std::unique_ptr<BundleEntryText>(std::move(text)) : nullptr;
    });
}

void BundleEntryTextEditor::uninstall() {
    setBundleEntryTextMaker(nullptr);
}

afView* BundleEntryTextEditor::getView() const {
    return m_editor;
}

std::wstring BundleEntryTextEditor::getText() const {
    std::wstring text;
    m_controller->getText(&text);
    return text;
}

void BundleEntryTextEditor::setText(const std::wstring& text) {
    m_controller->setText(text);
    m_document->clearUndo();
    m_controller->markUnmodified();
}

bool BundleEntryTextEditor::isModified() const {
    return m_controller->isModified();
}

void BundleEntryTextEditor::markUnmodified() {
    m_controller->markUnmodified();
}

} // namespace tessel
