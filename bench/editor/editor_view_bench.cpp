// The editor view in a shown window: a keystroke typed through the controller until the window
// has repainted, beside bare ScriptItemize/ScriptShape/ScriptPlace/ScriptTextOut of the same
// visible lines in the same window; the first paint of a large document (attach to painted),
// with the line cache's reset beside a memset of 20 MB and a line break typed at the top beside
// a memmove of 8 bytes a line (and the same edit with no view, for the document's own share); one page scrolled (50 rows x 100 columns) with new and with
// cached layouts, beside the bare calls for the same rows; and the cache's bytes per line and
// the store's size after paging.

#include "EditorBenchSupport.h"

using namespace tessel;
using namespace editor_bench;

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int megabytes = static_cast<int>(options.size("--megabytes", 100));
    // --no-parser: documents without a parser client, to tell the parser's share of an edit.
    Fixture f(!options.get("--no-parser"));
    HFONT font = afUnicodeFontManager::instance().fontFor(*afUnicodeFontManager::instance().getEditorFontSet(), 0,
                                                          AF_LAST_FONT)->font;

    // A keystroke in a 20 000-line file, to the repainted line.
    DocumentController* small = f.open(lines(20000, 60));
    f.editor->attachController(small);
    f.sizeEditor();
    f.paintAll();
    int typed = 0;
    const double keystroke = bench::bestOf(50, [&] {
        {
            DocumentController::Lock lock(*small, DocumentController::LOCK_EDIT);
            small->insertAt(1, small->getDocument().getLineStart(10) + 5 + typed++ % 20, L"x");
        }
        ::UpdateWindow(f.editor->getHandle());
    });
    const std::vector<std::wstring> smallRows = f.shownRows(*small);
    // An edit repaints from its line to the bottom of the client: those rows are the reference.
    const std::vector<std::wstring> repainted(smallRows.begin() + 10, smallRows.end());
    const double keystrokeBare = bench::bestOf(50, [&] { bareRows(f.editor->getHandle(), font, repainted, 16); });
    print("keystroke_repaint", keystroke * 1e3, "ms");
    print("keystroke_bare_uniscribe", keystrokeBare * 1e3, "ms");
    print("keystroke_ratio", keystroke / keystrokeBare, "x");

    // One page scrolled, new layouts and cached ones.
    f.editor->scrollTo(0, 1000, 0, true);
    double fresh = 1e30;
    for (int page = 0; page < 10; ++page) {
        const double start = bench::seconds();
        f.editor->scrollBy(0, 50);
        fresh = std::min(fresh, bench::seconds() - start);
    }
    double cached = 1e30;
    for (int page = 0; page < 10; ++page) {
        const double start = bench::seconds();
        f.editor->scrollBy(0, page % 2 ? 50 : -50);
        cached = std::min(cached, bench::seconds() - start);
    }
    const double pageBare = bench::bestOf(10, [&] { bareRows(f.editor->getHandle(), font, f.shownRows(*small), 16); });
    print("page_scroll_new", fresh * 1e3, "ms");
    print("page_scroll_cached", cached * 1e3, "ms");
    print("page_bare_uniscribe", pageBare * 1e3, "ms");
    print("page_scroll_new_ratio", fresh / pageBare, "x");
    print("page_scroll_cached_ratio", cached / pageBare, "x");
    f.editor->attachController(nullptr);

    // The large document: about 40 characters a line.
    const int lineCount = megabytes * (1 << 20) / 41;
    DocumentController* large = f.open(lines(lineCount, 40));
    double start = bench::seconds();
    f.editor->attachController(large);
    f.paintAll();
    print("first_paint_large", (bench::seconds() - start) * 1e3, "ms");
    print("large_lines", lineCount, "lines");
    LineCache& cache = *f.editor->getLineCache();
    const double reset = bench::bestOf(3, [&] { cache.reset(lineCount); });
    std::vector<char> block(20 << 20);
    const double fill = bench::bestOf(3, [&] {
        std::memset(block.data(), typed++ & 0xFF, block.size());
    });
    print("cache_reset", reset * 1e3, "ms");
    print("memset_20mb", fill * 1e3, "ms");
    f.paintAll();
    // The document's own share first (its first edit also grows its line table).
    f.editor->attachController(nullptr);
    start = bench::seconds();
    {
        DocumentController::Lock lock(*large, DocumentController::LOCK_EDIT);
        large->insertAt(1, 3, L"\n");
    }
    print("line_break_at_top_large_no_view", (bench::seconds() - start) * 1e3, "ms");
    f.editor->attachController(large);
    f.paintAll();
    // The first parse of the whole document runs meanwhile; let it finish (its results come
    // through the message loop) so the edit does not wait for the parser's hold on the lock.
    for (const double until = bench::seconds() + options.number("--settle", 0); bench::seconds() < until;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        ::Sleep(10);
    }
    start = bench::seconds();
    {
        DocumentController::Lock lock(*large, DocumentController::LOCK_EDIT);
        large->insertAt(1, 3, L"\n");
    }
    const double edited = bench::seconds();
    ::UpdateWindow(f.editor->getHandle());
    print("line_break_at_top_large", (bench::seconds() - start) * 1e3, "ms");
    print("line_break_at_top_large_repaint", (bench::seconds() - edited) * 1e3, "ms");
    std::vector<char> entries(static_cast<size_t>(lineCount) * 8 + 8);
    const double move = bench::bestOf(3, [&] { std::memmove(entries.data() + 8, entries.data(), entries.size() - 8); });
    print("memmove_8_bytes_a_line", move * 1e3, "ms");
    const double shift = bench::bestOf(3, [&] {
        cache.insertLines(0, 1);
        cache.removeLines(0, 1);
    });
    print("cache_insert_and_remove_line_large", shift * 1e3, "ms");
    print("cache_bytes_per_line", static_cast<double>(sizeof(LineCache::Entry)), "bytes");
    for (int page = 0; page < 200; ++page)
        f.editor->scrollBy(0, 50);
    print("cache_store_after_paging", cache.heldBytes() / 1048576.0, "MB");
    return 0;
}
