#include "service/bundles/BundleEntryFilePath.h"

#include "pel/base/Exception.h"

namespace tessel {

namespace {

void setName(const std::wstring& text, BundleEntryFileName* o_name) {
    if (BundleEntryFileName::parse(text, o_name) == 0)
        throw pel::InvalidArgumentException(L"Not a valid name.");
}

} // namespace

void BundleEntryFilePath::setBundleFileName(const std::wstring& text) { setName(text, &bundle); }

void BundleEntryFilePath::setEntryFileName(const std::wstring& text) { setName(text, &entry); }

std::wstring BundleEntryFilePath::toString(bool withStorage) const {
    std::wstring text;
    if (withStorage) {
        text += BundleEntryRepository::getName(storage);
        text += L':';
    }
    text += L'/';
    if (bundle.empty())
        return text;
    bundle.appendTo(text);
    if (!folder.empty()) {
        text += L'/';
        text += folder;
    }
    if (!entry.empty()) {
        text += L'/';
        entry.appendTo(text);
    }
    return text;
}

std::wstring BundleEntryFilePath::getDevicePath() const {
    return BundleEntryRepository::getDeviceRoot(storage) + toString(false);
}

} // namespace tessel
