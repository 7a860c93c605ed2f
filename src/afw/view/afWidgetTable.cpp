#include "afw/view/afWidgetTable.h"

#include <unordered_map>

namespace {

struct Table {
    std::unordered_map<HWND, afViewPlatform*> views;
    // The last window looked up: a message is looked up by the loop and the procedure in turn.
    HWND lastWindow = nullptr;
    afViewPlatform* lastView = nullptr;
};

Table& table() {
    static Table instance;
    return instance;
}

} // namespace

namespace afWidgetTable {

void add(HWND window, afViewPlatform* view) {
    Table& t = table();
    t.views[window] = view;
    t.lastWindow = window;
    t.lastView = view;
}

void remove(HWND window) {
    Table& t = table();
    t.views.erase(window);
    if (t.lastWindow == window) {
        t.lastWindow = nullptr;
        t.lastView = nullptr;
    }
}

afViewPlatform* find(HWND window) {
    if (!window)
        return nullptr;
    Table& t = table();
    if (window == t.lastWindow)
        return t.lastView;
    const auto found = t.views.find(window);
    if (found == t.views.end())
        return nullptr;
    t.lastWindow = window;
    t.lastView = found->second;
    return found->second;
}

} // namespace afWidgetTable
