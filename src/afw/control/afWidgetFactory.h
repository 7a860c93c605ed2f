#pragma once
// What every createInstance of the framework's widgets does: null for a null parent; otherwise
// the widget, owned by the parent, with its window built. A widget whose window cannot be built
// is deleted before the failure goes on.

#include <utility>

class afViewPlatform;

template <class Widget, class... Args>
Widget* afCreateWidget(afViewPlatform* parent, Args&&... args) {
    if (!parent)
        return nullptr;
    Widget* widget = new Widget(parent, std::forward<Args>(args)...);
    try {
        widget->build();
    } catch (...) {
        delete widget;
        throw;
    }
    return widget;
}
