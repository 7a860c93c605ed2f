#include "bundles/ui/BundleEntryText.h"

#include <utility>

namespace tessel {

namespace {

BundleEntryTextMaker& textMaker() {
    static BundleEntryTextMaker maker;
    return maker;
}

} // namespace

BundleEntryTextMaker setBundleEntryTextMaker(BundleEntryTextMaker maker) {
    std::swap(textMaker(), maker);
    return maker;
}

std::unique_ptr<BundleEntryText> makeBundleEntryText(afViewPlatform* host, const std::wstring& scope) {
    return textMaker() ? textMaker()(host, scope) : nullptr;
}

} // namespace tessel
