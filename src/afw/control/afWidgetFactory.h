#pragma once
// What every createInstance of the framework's widgets does: null for a null parent; otherwise
// the widget, owned by the parent, with its window built. A widget whose window cannot be built
// is deleted before the failure goes on. And what the widgets of a class of their own put in
// their seed.

#include "afw/view/afSeed.h"
#include "afw/view/afViewPlatform.h"

#include <utility>

// The widget with its window built; deleted when building throws.
template <class Widget>
Widget* afBuildWidget(Widget* widget) {
    try {
        widget->build();
    } catch (...) {
        delete widget;
        throw;
    }
    return widget;
}

template <class Widget, class... Args>
Widget* afCreateWidget(afViewPlatform* parent, Args&&... args) {
    return parent ? afBuildWidget(new Widget(parent, std::forward<Args>(args)...)) : nullptr;
}

// Registers the widget's window class once (the cursor a system one, the class style given) and
// names it in the seed, with the style and extended style.
inline void afUseWidgetClass(afViewPlatform& widget, afSeed& seed, const wchar_t* name, const wchar_t* cursor,
                             bool* io_registered, DWORD style, DWORD exStyle = 0, UINT classStyle = 0) {
    afClassRecord record(name);
    record.style = classStyle;
    record.cursor = ::LoadCursorW(nullptr, cursor);
    widget.registerClass(record, io_registered);
    seed.className = name;
    seed.style = style;
    seed.exStyle = exStyle;
}
