// The tree control beside a plain "SysTreeView32" in the same window: 10 x 100 folders of 99
// leaves each built (insertItem against bare TVM_INSERTITEMW), every folder expanded (expandItem
// against TVM_EXPAND), and paging from the top (SB_PAGEDOWN and UpdateWindow, per page). The
// tree view is the platform's in both, so the ratios are the wrapper's cost: at most 1.5x for
// build and expand, 1.2x per page. saveState and restoreState of the expanded tree beside a bare
// pre-order walk reading every text: at most 3x and 5x.

#include "BenchViews.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/tree/afControlTree.h"
#include "afw/tree/afControlTreeItem.h"
#include "support/Bench.h"

#include <string>
#include <vector>

namespace {

HTREEITEM bareInsert(HWND tree, HTREEITEM parent, const std::wstring& text) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM next(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// Pages down from the top until the last page; the time per page.
double page(HWND tree, int pages) {
    ::SendMessageW(tree, WM_VSCROLL, SB_TOP, 0);
    ::UpdateWindow(tree);
    const double start = bench::seconds();
    for (int i = 0; i < pages; ++i) {
        ::SendMessageW(tree, WM_VSCROLL, SB_PAGEDOWN, 0);
        ::UpdateWindow(tree);
    }
    return (bench::seconds() - start) / pages;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int tops = 10, folders = static_cast<int>(options.size("--folders", 100)), leaves = 99;
    const int pages = static_cast<int>(options.size("--pages", 200));
    bench::prepareWindows();
    afTestWindow window;
    auto* content = new afLayoutLinear(&window, afLayoutLinear::HORIZONTAL);
    window.setContentView(content);
    window.build();
    window.setFrame(afRect(0, 0, 800, 600));
    window.setShown(true, true);
    afControlTree* tree = afControlTree::createInstance(&window);
    content->addChild(tree, new afLayoutParamsLinear(0, -1, 1.0));
    HWND bare = ::CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | 0x2D, 400, 0, 400, 560,
                                  window.getHandle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    bench::check(bare != nullptr, "the plain tree view");
    window.validateLayout();
    bench::drain();

    std::vector<std::wstring> names;
    for (int i = 0; i < 100; ++i)
        names.push_back(L"item " + std::to_wstring(i));
    std::vector<afControlTreeItem*> ours;
    std::vector<HTREEITEM> theirs;
    double start = bench::seconds();
    for (int t = 0; t < tops; ++t) {
        afControlTreeItem* top = tree->insertItem(nullptr, names[t]);
        ours.push_back(top);
        for (int f = 0; f < folders; ++f) {
            afControlTreeItem* folder = tree->insertItem(top, names[f]);
            ours.push_back(folder);
            for (int l = 0; l < leaves; ++l)
                tree->insertItem(folder, names[l]);
        }
    }
    const double build = bench::seconds() - start;
    start = bench::seconds();
    for (int t = 0; t < tops; ++t) {
        HTREEITEM top = bareInsert(bare, nullptr, names[t]);
        theirs.push_back(top);
        for (int f = 0; f < folders; ++f) {
            HTREEITEM folder = bareInsert(bare, top, names[f]);
            theirs.push_back(folder);
            for (int l = 0; l < leaves; ++l)
                bareInsert(bare, folder, names[l]);
        }
    }
    const double bareBuild = bench::seconds() - start;
    bench::figureBeside("tree_build", build * 1000, "ms", "bare", bareBuild * 1000);

    start = bench::seconds();
    for (afControlTreeItem* item : ours)
        tree->expandItem(item, true);
    const double expand = bench::seconds() - start;
    start = bench::seconds();
    for (HTREEITEM item : theirs)
        ::SendMessageW(bare, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    const double bareExpand = bench::seconds() - start;
    bench::figureBeside("tree_expand_all", expand * 1000, "ms", "bare", bareExpand * 1000);
    bench::drain();

    const double ourPage = page(tree->getHandle(), pages), barePage = page(bare, pages);
    bench::figureBeside("tree_page_down", ourPage * 1000, "ms/page", "bare", barePage * 1000);

    afControlTreeState state;
    const double save = bench::bestOf(3, [&] { tree->saveState(state); });
    size_t characters = 0;
    const double walk = bench::bestOf(3, [&] {
        wchar_t buffer[260];
        for (HTREEITEM item = next(bare, nullptr, TVGN_ROOT); item;) {
            TVITEMW info = {};
            info.mask = TVIF_TEXT | TVIF_HANDLE;
            info.hItem = item;
            info.pszText = buffer;
            info.cchTextMax = 260;
            ::SendMessageW(bare, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
            characters += wcslen(buffer);
            HTREEITEM following = next(bare, item, TVGN_CHILD);
            for (HTREEITEM up = item; !following && up; up = next(bare, up, TVGN_PARENT))
                following = next(bare, up, TVGN_NEXT);
            item = following;
        }
    });
    bench::check(state.expanded.size() == ours.size(), "every folder saved as expanded");
    bench::figureBeside("tree_save_state", save * 1000, "ms", "bare_walk", walk * 1000);
    const double restore = bench::bestOf(3, [&] { tree->restoreState(state); });
    bench::figureBeside("tree_restore_state", restore * 1000, "ms", "bare_walk", walk * 1000);
    ::DestroyWindow(bare);
    return characters ? 0 : 1;
}
