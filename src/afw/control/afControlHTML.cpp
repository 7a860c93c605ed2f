#include "afw/control/afControlHTML.h"

#include "afw/control/afWidgetFactory.h"
#include "pel/text/TextConversion.h"
#include "platform/htmlayout/HtmLayoutApi.h"

#include <string>

afControlHTML* afControlHTML::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlHTML>(parent);
}

bool afControlHTML::buildSeed(afSeed& seed) {
    afControl::buildSeed(seed);
    seed.className = HTMLayoutClassNameW();
    seed.style = WS_CHILD | WS_TABSTOP;
    seed.title = getText();
    return true;
}

bool afControlHTML::loadHtml() {
    const std::wstring text = getText();
    std::string bytes;
    pel::toUtf8(text.c_str(), text.size(), bytes);
    return HTMLayoutLoadHtml(getHandle(), reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())) !=
           FALSE;
}

bool afControlHTML::onRawMessage(afMessage& msg) {
    // The library paints its own window.
    if (msg.message == WM_PAINT || msg.message == WM_ERASEBKGND)
        return false;
    return afControl::onRawMessage(msg);
}
