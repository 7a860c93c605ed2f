#pragma once
// An entry's value read from Jasmine text, as item and validator tests hand it over, and the
// errors of a check as lines "severity message" for table rows.

#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleError.h"

#include "service/base/error/ErrorList.h"

#include "pel/value/AbstractDictionaryValue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tessel_test {

struct EntryValue {
    explicit EntryValue(const std::wstring& text) {
        tessel::ErrorList errors;
        value = tessel::BundleEntrySourceHelper::parse(L"test", text, &errors, nullptr);
        EXPECT_TRUE(value && errors.empty()) << text;
    }
    const pel::AbstractDictionaryValue& dictionary() const {
        return static_cast<const pel::AbstractDictionaryValue&>(*value);
    }
    std::unique_ptr<pel::Value> value;
};

// "3 Invalid color format." per error, joined by "; ".
inline std::wstring errorLines(const tessel::ErrorList& errors) {
    std::wstring lines;
    for (const tessel::ErrorList::ErrorPtr& error : errors.getErrors()) {
        const auto& bundleError = static_cast<const tessel::BundleError&>(*error);
        lines += (lines.empty() ? L"" : L"; ") + std::to_wstring(error->getSeverity()) + L" " + bundleError.getText();
    }
    return lines;
}

} // namespace tessel_test
