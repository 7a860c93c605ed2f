#pragma once
// The editor tests' pieces: a document with a real scope registry and theme styler under a
// controller, the test font (DejaVu Sans Mono 10 pt: a space is 8 pixels) as the editor font,
// and a layout step that stands in for Uniscribe where a test needs sublines of its own: a
// line of text "a|b|c" has three sublines.

#include "afw/unicode/afUnicodeData.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "service/document/controller/ControllerTestSupport.h"
#include "service/parser/DocumentParserServices.h"

#include <algorithm>
#include <string>

namespace tessel_test {

inline std::vector<std::wstring> testFontNames() {
    return {L"DejaVu Sans Mono", L"DejaVu Sans"};
}

// One subline per "|"-separated piece, each 8 pixels a character wide.
inline bool fakeLayout(afUnicodeData& data) {
    const int pieces = 1 + static_cast<int>(std::count(data.text.begin(), data.text.end(), L'|'));
    data.sublineEnds.assign(pieces, 0);
    data.sublineWidths.assign(pieces, 0);
    data.widestWidth = 8 * static_cast<int>(data.text.size());
    data.laidOut = true;
    return true;
}

class DocumentFixture : public MainThreadTest {
protected:
    DocumentFixture() {
        registry.initRegistry(::GetModuleHandleW(nullptr));
        documents.reset(new tessel::DocumentManager(std::make_shared<tessel::DocumentParserServices>()));
        controllers.reset(new tessel::DocumentControllerManager(*documents));
        document = documents->createDocument(L"");
        controller = controllers->createController(*document);
        afUnicodeFontManager::instance().setEditorFont(testFontNames(), 10);
    }
    ~DocumentFixture() override {
        controllers.reset();
        documents.reset();
        registry.releaseRegistry();
    }
    void load(const std::wstring& text) {
        controller->setText(text);
        document->clearUndo();
    }
    std::wstring lineText(int32_t line) const {
        std::wstring text;
        controller->getLine(line, &text);
        return text;
    }
    // Lines "line 0".."line n-1", each ended by LF but the last.
    static std::wstring numberedLines(int n) {
        std::wstring text;
        for (int i = 0; i < n; ++i)
            text += L"line " + std::to_wstring(i) + (i + 1 < n ? L"\n" : L"");
        return text;
    }

    pel::MessageRegistry registry;
    TempDevices devices;
    std::unique_ptr<tessel::DocumentManager> documents;
    std::unique_ptr<tessel::DocumentControllerManager> controllers;
    tessel::Document* document = nullptr;
    tessel::DocumentController* controller = nullptr;
};

} // namespace tessel_test

// ---- the widget in a window

#include "afw/graphics/afStockResources.h"
#include "afw/support/DibSurface.h"
#include "afw/support/TestViews.h"
#include "afw/window/afTestWindow.h"
#include "editor/Editor.h"
#include "editor/EditorThemes.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/value/Value.h"
#include "service/parser/DocumentTheme.h"

namespace tessel_test {

// An editor that writes down every rectangle it invalidates (-1s: the whole client).
class RecordingEditor : public tessel::Editor {
public:
    explicit RecordingEditor(afViewPlatform* host) : Editor(host) {}
    void invalidateWindow(const RECT* rect) override {
        invalidated.push_back(rect ? *rect : RECT{-1, -1, -1, -1});
        Editor::invalidateWindow(rect);
    }
    std::vector<RECT> invalidated;
};

// A theme read from Jasmine text: its "settings" list as given.
inline std::shared_ptr<tessel::DocumentTheme> makeTheme(const std::wstring& settings) {
    auto theme = std::make_shared<tessel::DocumentTheme>();
    std::unique_ptr<pel::Value> value(pel::JasmineReaderHelper::read(L"{settings: [" + settings + L"]}"));
    theme->read(value.get());
    return theme;
}

class EditorFixture : public DocumentFixture {
protected:
    static constexpr int WIDTH = 640;

    void SetUp() override {
        const char* missing = afTestWindow::checkDisplay();
        ASSERT_EQ(nullptr, missing) << missing;
        afSetModuleInstance(::GetModuleHandleW(nullptr));
        afCreateStockResources();
        tessel::setEditorThemeSource(&themes);
        window.reset(new afTestWindow);
        window->build();
        window->setFrame(afRect(0, 0, 800, 600));
        window->setShown(true, true);
        editor = new RecordingEditor(window.get());
        editor->build();
        lineHeight = editor->getLineHeight();
        charWidth = editor->getCharWidth();
        resize(WIDTH, 20 * lineHeight + lineHeight / 2); // 20 whole rows and a part
    }
    void TearDown() override {
        window.reset();
        tessel::setEditorThemeSource(nullptr);
    }
    // The editor's frame; the client is narrower by the vertical scroll bar.
    void resize(int width, int height) {
        editor->setFrame(afRect(0, 0, width, height));
        measureClient();
    }
    // The client as it is now (the scroll bars come and go with the text).
    void measureClient() {
        RECT client;
        ::GetClientRect(editor->getHandle(), &client);
        clientWidth = client.right;
        clientHeight = client.bottom;
    }
    void attach(const std::wstring& text) {
        load(text);
        editor->attachController(controller);
        paint();
    }
    // The whole client painted now.
    void paint() {
        ::InvalidateRect(editor->getHandle(), nullptr, FALSE);
        ::UpdateWindow(editor->getHandle());
        editor->invalidated.clear();
    }
    void setPreset(const std::function<void(tessel::FacePreset&)>& change) {
        tessel::FacePreset preset;
        preset.assign(controller->getFacePreset());
        change(preset);
        controller->setFacePreset(preset);
    }
    uint64_t builds() const { return editor->getLineCache()->getBuildCount(); }
    // The client printed into a fresh 32-bit surface.
    std::unique_ptr<DibSurface> print() {
        measureClient();
        auto surface = std::make_unique<DibSurface>(clientWidth, clientHeight, 0x123456);
        ::SendMessageW(editor->getHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface->dc()), PRF_CLIENT);
        return surface;
    }

    tessel::DefaultThemeSource themes;
    std::unique_ptr<afTestWindow> window;
    RecordingEditor* editor = nullptr;
    int lineHeight = 0;
    int charWidth = 0;
    int clientWidth = 0;
    int clientHeight = 0;
};

} // namespace tessel_test
