#pragma once
// The editor benchmarks' pieces: numbered code-like lines, the bare Uniscribe drawing of rows,
// and an editor in a shown window over documents made in place.

#include "afw/graphics/afStockResources.h"
#include "afw/window/afTestWindow.h"
#include "afw/core/afModuleInstance.h"
#include "afw/unicode/afUnicode.h"
#include "afw/unicode/afUnicodeFontManager.h"
#include "editor/Editor.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "service/document/controller/DocumentController.h"
#include "service/document/controller/DocumentControllerManager.h"
#include "service/parser/DocumentParserServices.h"
#include "service/parser/base/ParserServices.h"
#include "support/Bench.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <usp10.h>
#include <vector>


namespace editor_bench {

using namespace tessel;

inline std::wstring lines(int count, int width) {
    std::wstring text;
    text.reserve(static_cast<size_t>(count) * (width + 1));
    for (int i = 0; i < count; ++i) {
        std::wstring line = L"int value_" + std::to_wstring(i) + L" = compute(index, " + std::to_wstring(i % 97) + L");";
        line.resize(static_cast<size_t>(width), L' ');
        text += line;
        if (i + 1 < count)
            text += L'\n';
    }
    return text;
}

// The bare Uniscribe calls for the rows shown: itemise, shape, place and draw each line.
inline double bareRows(HWND window, HFONT font, const std::vector<std::wstring>& rows, int lineHeight) {
    const double start = bench::seconds();
    HDC dc = ::GetDC(window);
    HGDIOBJ previous = ::SelectObject(dc, font);
    SCRIPT_CACHE cache = nullptr;
    std::vector<SCRIPT_ITEM> items(256);
    std::vector<WORD> glyphs(1024), clusters(1024);
    std::vector<SCRIPT_VISATTR> attributes(1024);
    std::vector<int> advances(1024);
    std::vector<GOFFSET> offsets(1024);
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::wstring& text = rows[r];
        int count = 0;
        ::ScriptItemize(text.c_str(), static_cast<int>(text.size()), 255, nullptr, nullptr, items.data(), &count);
        int x = 0;
        for (int i = 0; i < count; ++i) {
            const int first = items[i].iCharPos, length = items[i + 1].iCharPos - first;
            int glyphCount = 0;
            ::ScriptShape(dc, &cache, text.c_str() + first, length, 1024, &items[i].a, glyphs.data(), clusters.data(),
                          attributes.data(), &glyphCount);
            ABC abc;
            ::ScriptPlace(dc, &cache, glyphs.data(), glyphCount, attributes.data(), &items[i].a, advances.data(),
                          offsets.data(), &abc);
            ::ScriptTextOut(dc, &cache, x, static_cast<int>(r) * lineHeight, ETO_OPAQUE, nullptr, &items[i].a, nullptr,
                            0, glyphs.data(), glyphCount, advances.data(), nullptr, offsets.data());
            x += abc.abcA + abc.abcB + abc.abcC;
        }
    }
    ::ScriptFreeCache(&cache);
    ::SelectObject(dc, previous);
    ::ReleaseDC(window, dc);
    ::GdiFlush();
    return bench::seconds() - start;
}

// Pumps the editor's messages until nothing is waiting and nothing is left to paint.
inline void pump(HWND window) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::UpdateWindow(window);
}

inline void print(const char* name, double value, const char* unit) {
    std::printf("%s %.3f %s\n", name, value, unit);
}

struct Fixture {
    explicit Fixture(bool parse) {
        pel::store_main_thread_id();
        registry.initRegistry(::GetModuleHandleW(nullptr));
        afSetModuleInstance(::GetModuleHandleW(nullptr));
        afCreateStockResources();
        afUnicodeFontManager::instance().setEditorFont({L"DejaVu Sans Mono", L"DejaVu Sans"}, 10);
        documents.reset(new DocumentManager(parse ? std::make_shared<DocumentParserServices>()
                                                  : std::make_shared<ParserServices>()));
        controllers.reset(new DocumentControllerManager(*documents));
        window.reset(new afTestWindow);
        window->build();
        window->setFrame(afRect(0, 0, 1200, 1000));
        window->setShown(true, true);
        editor = Editor::create(window.get(), Editor::BORDER_NONE);
    }
    ~Fixture() {
        editor->attachController(nullptr);
        window.reset();
        controllers.reset();
        documents.reset();
        registry.releaseRegistry();
    }
    DocumentController* open(const std::wstring& text) {
        Document* document = documents->createDocument(L"");
        DocumentController* controller = controllers->createController(*document);
        DocumentLockHold lock(*document);
        document->beginChange(0, true);
        document->insert(0, text);
        document->endChange();
        return controller;
    }
    // 50 rows of 100 columns.
    void sizeEditor() {
        editor->setFrame(afRect(0, 0, editor->getGutterWidth() + 100 * editor->getCharWidth() + 20,
                                50 * editor->getLineHeight()));
    }
    void paintAll() {
        ::InvalidateRect(editor->getHandle(), nullptr, FALSE);
        ::UpdateWindow(editor->getHandle());
    }
    std::vector<std::wstring> shownRows(DocumentController& controller) {
        std::vector<std::wstring> rows;
        for (int r = 0; r <= editor->getVisibleLines(); ++r) {
            std::wstring text;
            controller.getLine(editor->getTop().line + r, &text);
            rows.push_back(text);
        }
        return rows;
    }

    pel::MessageRegistry registry;
    std::unique_ptr<DocumentManager> documents;
    std::unique_ptr<DocumentControllerManager> controllers;
    std::unique_ptr<afTestWindow> window;
    Editor* editor = nullptr;
};

} // namespace editor_bench
