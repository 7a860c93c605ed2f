#pragma once
// The text part of the bundle editor's entry editors in the program: an editor widget over a
// document of its own, with the grammar of the entry's scope and the main window's face, so an
// entry reads as any Jasmine file does. install puts its maker in place for the bundle editor.

#include "bundles/ui/BundleEntryText.h"

namespace tessel {

class Document;
class DocumentController;
class DocumentControllerManager;
class Editor;
class MainWindow;

class BundleEntryTextEditor : public BundleEntryText {
public:
    // The editor on the host, over a new document with the scope's grammar; the window, when
    // given, lends its face.
    BundleEntryTextEditor(afViewPlatform* host, DocumentControllerManager& controllers, const std::wstring& scope,
                          const MainWindow* window);
    // The editor, its controller and its document go.
    ~BundleEntryTextEditor() override;

    // The maker of such texts for the bundle editor (the managers must outlive it), and none.
    static void install(DocumentControllerManager& controllers, const MainWindow* window);
    static void uninstall();

    afView* getView() const override;
    std::wstring getText() const override;
    void setText(const std::wstring& text) override;
    bool isModified() const override;
    void markUnmodified() override;
    // Its editor leaves the searches, and its controller stops being the active one.
    void onClosed() override;

    Editor* getEditor() const { return m_editor; }
    DocumentController* getController() const { return m_controller; }

private:
    DocumentControllerManager& m_controllers;
    Document* m_document = nullptr;
    DocumentController* m_controller = nullptr;
    Editor* m_editor = nullptr; // owned by the host's node until deleted here
};

} // namespace tessel
