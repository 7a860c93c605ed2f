// Menus: an afMenuDef of 10 submenus of 200 action items rebuilt and refreshed, beside the bare
// Win32 calls making the same owner-drawn menus; measuring and drawing one line, themed and
// classic, beside the bare theme or GDI calls of a line; a 30-line popup tracked until its first
// WM_ENTERIDLE, beside the same bare owner-drawn popup; and a context menu built from 1,000
// registered actions of which 40 match. Targets: rebuild < 20 ms and <= 1.5x bare; drawing
// <= 1.5x bare; track < 30 ms and <= 1.3x bare; context menu < 5 ms.

#include "BenchViews.h"
#include "afw/action/afActionRegistry.h"
#include "afw/core/afApp.h"
#include "afw/graphics/afWindowsUX.h"
#include "afw/menu/afMenuDef.h"
#include "service/parser/base/ScopePath.h"
#include "support/Bench.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSubmenus = 10, kPerSubmenu = 200, kRuns = 7, kDraws = 2000, kTrackLines = 30;
constexpr int kActions = 1000, kMatching = 40;

class Handler : public afActionHandler {
public:
    Handler() : afActionHandler(afApp::getActionRegistry(), L"MenuBench") { attachActionHandler(); }
    bool onRun(afActionEvent& event) {
        if (event.kind == AF_EVENT_MENU_ACTIVATED)
            static_cast<afActionEventMenuActivated&>(event).menu->addItem(new afActionMenuItem(L"", event.action));
        return true;
    }
    bool onState() { return true; }
};

MENUITEMINFOW lineInfo(UINT mask) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return info;
}

std::wstring idOf(int i) { return L"bench.menu." + std::to_wstring(i); }

double rebuildBare() {
    static HMENU previous = nullptr;
    return bench::bestOf(kRuns, [] {
        if (previous)
            ::DestroyMenu(previous);
        previous = ::CreatePopupMenu();
        std::wstring text = L"Title of the line\tCtrl+K";
        for (int s = 0; s < kSubmenus; ++s) {
            HMENU sub = ::CreatePopupMenu();
            for (int i = 0; i < kPerSubmenu; ++i) {
                MENUITEMINFOW info = lineInfo(MIIM_ID | MIIM_DATA | MIIM_STRING | MIIM_FTYPE);
                info.fType = MFT_OWNERDRAW;
                info.wID = static_cast<UINT>(s * kPerSubmenu + i + 1);
                info.dwItemData = info.wID;
                info.dwTypeData = &text[0];
                ::InsertMenuItemW(sub, static_cast<UINT>(i), TRUE, &info);
            }
            for (int i = 0; i < kPerSubmenu; ++i) {
                MENUITEMINFOW state = lineInfo(MIIM_STATE);
                ::SetMenuItemInfoW(sub, static_cast<UINT>(i), TRUE, &state);
            }
            MENUITEMINFOW info = lineInfo(MIIM_SUBMENU | MIIM_STRING | MIIM_DATA);
            info.hSubMenu = sub;
            info.dwTypeData = &text[0];
            ::InsertMenuItemW(previous, static_cast<UINT>(s), TRUE, &info);
        }
    });
}

// The lines' drawing, per line in microseconds.
double drawLines(afMenu& menu, HDC dc) {
    return bench::bestOf(kRuns, [&] {
               for (int i = 0; i < kDraws; ++i) {
                   afMenuNode* node = menu.getChildren()[static_cast<size_t>(i % 3)];
                   MEASUREITEMSTRUCT measure = {ODT_MENU, 0, node->getId(), 0, 0, reinterpret_cast<ULONG_PTR>(node)};
                   menu.measureItem(nullptr, measure);
                   DRAWITEMSTRUCT draw = {ODT_MENU, 0, node->getId(), ODA_DRAWENTIRE, 0, nullptr, dc,
                                          {0, 0, 200, 22}, reinterpret_cast<ULONG_PTR>(node)};
                   menu.drawItem(nullptr, draw);
               }
           }) * 1e6 / kDraws;
}

double drawBare(bool themed, HDC dc) {
    const afWindowsUX* ux = afWindowsUX::getInstance();
    HTHEME theme = themed ? afWindowsUX::OpenThemeData(ux, nullptr, L"MENU") : nullptr;
    const RECT box = {0, 0, 200, 22}, gutter = {0, 0, 22, 22}, text = {28, 0, 184, 22};
    const double best = bench::bestOf(kRuns, [&] {
        for (int i = 0; i < kDraws; ++i) {
            if (theme) {
                afWindowsUX::DrawThemeBackground(ux, theme, dc, 13, 0, &gutter, nullptr);
                afWindowsUX::DrawThemeBackground(ux, theme, dc, 14, 1, &box, nullptr);
                afWindowsUX::DrawThemeBackground(ux, theme, dc, 16, 1, &box, nullptr);
                afWindowsUX::DrawThemeText(ux, theme, dc, 14, 1, L"Title of the line", 17,
                                           DT_SINGLELINE | DT_VCENTER, &text);
            } else {
                ::ExtTextOutW(dc, 28, 4, ETO_OPAQUE, &box, L"Title of the line", 17, nullptr);
                RECT edge = {21, 10, 195, 12};
                ::DrawEdge(dc, &edge, EDGE_ETCHED, BF_TOP);
            }
        }
    });
    if (theme)
        afWindowsUX::CloseThemeData(ux, theme);
    return best * 1e6 / kDraws;
}

// Owners that close the menu at its first WM_ENTERIDLE.
double s_idleAt = 0;

class Owner : public afTestWindow {
public:
    bool onRawMessage(afMessage& msg) override {
        if (msg.message == WM_ENTERIDLE && s_idleAt == 0) {
            s_idleAt = bench::seconds();
            ::EndMenu();
        }
        return afTestWindow::onRawMessage(msg);
    }
};

LRESULT CALLBACK bareOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        measure->itemWidth = 180;
        measure->itemHeight = 22;
        return TRUE;
    }
    if (message == WM_DRAWITEM) {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        ::ExtTextOutW(draw->hDC, draw->rcItem.left + 28, draw->rcItem.top + 4, ETO_OPAQUE, &draw->rcItem, L"Line", 4,
                      nullptr);
        return TRUE;
    }
    if (message == WM_ENTERIDLE && s_idleAt == 0) {
        s_idleAt = bench::seconds();
        ::EndMenu();
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

double trackOnce(const std::function<void()>& show) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        bench::drain();
        s_idleAt = 0;
        const double start = bench::seconds();
        show();
        bench::check(s_idleAt > 0, "the menu went idle");
        best = std::min(best, s_idleAt - start);
    }
    return best * 1e3;
}

} // namespace

int main() {
    bench::prepareWindows();
    bench::check(afApp::init(new bench::BareApp, ::GetModuleHandleW(nullptr)), "the application starts");
    afActionRegistry* registry = afApp::getActionRegistry();
    Handler handler;
    for (int i = 0; i < kSubmenus * kPerSubmenu; ++i)
        afRegisterAction(registry, new afActionSystem(L"Title of the line", handler.getActionContext(), idOf(i).c_str(),
                                                      L"", afRunOp(&Handler::onRun), afStateOp(&Handler::onState)));

    // Rebuild and refresh.
    auto root = std::make_shared<tessel::MenuDefNode>();
    root->isSubmenu = true;
    for (int s = 0; s < kSubmenus; ++s) {
        auto sub = std::make_shared<tessel::MenuDefNode>();
        sub->isSubmenu = true;
        sub->title = L"Submenu";
        for (int i = 0; i < kPerSubmenu; ++i) {
            auto line = std::make_shared<tessel::MenuDefNode>();
            line->isItem = true;
            line->item = idOf(s * kPerSubmenu + i);
            sub->children.push_back(line);
        }
        root->children.push_back(sub);
    }
    auto definition = afMenuDef::createDef(L"Bench", 0, root);
    const double rebuild = bench::bestOf(kRuns, [&] { definition->update(); }) * 1e3;
    bench::figureBeside("menudef_rebuild_2000", rebuild, "ms", "bare_win32", rebuildBare() * 1e3);

    // Drawing, both paths.
    auto lines = afMenu::createPopup(L"Draw");
    lines->addItem(new afActionMenuItem(L"", idOf(0)));
    lines->addItem(new afMenuItem(L"Plain line"))->setCheckMark(true);
    lines->addMenu(afMenu::createPopup(L"Submenu").release());
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateBitmap(200, 22, 1, 32, nullptr);
    ::SelectObject(dc, bitmap);
    for (bool themed : {false, true}) {
        afWindowsUX::resetForTesting(themed ? afWindowsUX::FORCE_THEMED : afWindowsUX::FORCE_CLASSIC);
        const double ours = drawLines(*lines, dc);
        bench::figureBeside(themed ? "menu_draw_line_themed" : "menu_draw_line_classic", ours, "us", "bare",
                            drawBare(themed, dc));
    }
    afWindowsUX::resetForTesting(afWindowsUX::FORCE_CLASSIC);

    // Track to the first idle.
    Owner owner;
    owner.build();
    owner.setShown(true, true);
    auto popup = afMenu::createPopup(L"Track");
    for (int i = 0; i < kTrackLines; ++i)
        popup->addItem(new afActionMenuItem(L"", idOf(i)));
    const double tracked = trackOnce([&] { popup->track(&owner, 50, 50, false); });
    WNDCLASSW bareClass = {};
    bareClass.lpfnWndProc = bareOwner;
    bareClass.hInstance = ::GetModuleHandleW(nullptr);
    bareClass.lpszClassName = L"MenuBenchBare";
    ::RegisterClassW(&bareClass);
    HWND bare = ::CreateWindowExW(0, L"MenuBenchBare", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                  nullptr, bareClass.hInstance, nullptr);
    HMENU barePopup = ::CreatePopupMenu();
    for (int i = 0; i < kTrackLines; ++i)
        ::AppendMenuW(barePopup, MF_OWNERDRAW, static_cast<UINT_PTR>(i + 1), reinterpret_cast<LPCWSTR>(1));
    const double bareTracked = trackOnce([&] {
        ::TrackPopupMenu(barePopup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, 50, 50, 0, bare, nullptr);
    });
    bench::figureBeside("menu_track_first_idle_30", tracked, "ms", "bare_win32", bareTracked);
    ::DestroyMenu(barePopup);
    ::DestroyWindow(bare);

    // A context menu from 1,000 actions, 40 matching.
    for (int i = 0; i < kActions; ++i)
        afRegisterAction(registry, new afActionSystem(L"Context line", handler.getActionContext(),
                                                      (L"bench.context." + std::to_wstring(i)).c_str(),
                                                      i % (kActions / kMatching) == 0 ? L"ui.editor" : L"ui.other",
                                                      afRunOp(&Handler::onRun), afStateOp(&Handler::onState)));
    tessel::ScopePath contexts;
    contexts.pushText(L"ui.editor.main", false, 0);
    size_t lineCount = 0;
    const double built = bench::bestOf(kRuns, [&] { lineCount = afBuildContextMenu(contexts)->getChildren().size(); });
    bench::check(lineCount == kMatching, "40 actions add their lines");
    bench::figure("context_menu_build_1000_40", built * 1e3, "ms");

    ::DeleteDC(dc);
    ::DeleteObject(bitmap);
    definition.reset();
    lines.reset();
    popup.reset();
    afApp::shutdown();
    return 0;
}
