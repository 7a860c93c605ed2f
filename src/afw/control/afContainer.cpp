#include "afw/control/afContainer.h"

#include "afw/control/afWidgetFactory.h"

afContainer* afContainer::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afContainer>(parent);
}

afContainer::afContainer(afViewPlatform* host) : afWidget(host) {
    setParentBackground(true);
}

void afContainer::requestFocus() {
    HWND window = getHandle();
    HWND first = window ? ::GetNextDlgTabItem(window, nullptr, FALSE) : nullptr;
    if (!first || first == window)
        return;
    if (afViewPlatform* widget = getWidget(first))
        widget->requestFocus();
}

bool afContainer::buildSeed(afSeed& seed) {
    static bool registered = false;
    afClassRecord record(L"afContainer");
    record.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
    registerClass(record, &registered);
    seed.style = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
    seed.exStyle = WS_EX_CONTROLPARENT;
    seed.className = L"afContainer";
    seed.title = getText();
    return true;
}
