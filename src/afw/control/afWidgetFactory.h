#pragma once
// What every createInstance of the framework's widgets does: null for a null parent; otherwise
// the widget, owned by the parent, with its window built. A widget whose window cannot be built
// is deleted before the failure goes on.

class afViewPlatform;

template <class Widget>
Widget* afCreateWidget(afViewPlatform* parent) {
    if (!parent)
        return nullptr;
    Widget* widget = new Widget(parent);
    try {
        widget->build();
    } catch (...) {
        delete widget;
        throw;
    }
    return widget;
}
