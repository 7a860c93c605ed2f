#include "afw/control/afControlGroup.h"

#include "afw/control/afWidgetFactory.h"
#include "afw/graphics/afCanvas.h"
#include "afw/graphics/afWindowsUX.h"

afControlGroup* afControlGroup::createInstance(afViewPlatform* parent) {
    return afCreateWidget<afControlGroup>(parent);
}

afControlGroup::afControlGroup(afViewPlatform* host) : afWidget(host) {
    setParentBackground(true);
}

bool afControlGroup::buildSeed(afSeed& seed) {
    static bool registered = false;
    afUseWidgetClass(*this, seed, L"afControlGroup", IDC_ARROW, &registered, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                     WS_EX_CONTROLPARENT);
    seed.title.clear();
    return true;
}

bool afControlGroup::onDraw(afCanvas& canvas, const afRect* /*area*/) {
    RECT client = getClientRect();
    const afWindowsUX* ux = afWindowsUX::getInstance();
    if (HTHEME theme = ux ? afWindowsUX::OpenThemeData(ux, getHandle(), L"BUTTON") : nullptr) {
        afWindowsUX::DrawThemeBackground(ux, theme, canvas.getDC(), PART_GROUPBOX, STATE_NORMAL, &client, nullptr);
        afWindowsUX::CloseThemeData(ux, theme);
    } else {
        ::DrawEdge(canvas.getDC(), &client, EDGE_ETCHED, BF_RECT);
    }
    return true;
}
