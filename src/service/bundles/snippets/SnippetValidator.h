#pragma once
// The checker of snippet entries: a content that does not read as a snippet is invalid
// (severity 3), positioned where the reader stopped. Warnings of the reader are not reported.

#include "service/bundles/snippets/ExecutableBundleItemValidator.h"

namespace tessel {

class SnippetValidator : public ExecutableBundleItemValidator {
public:
    // Always true: the problem, if any, goes to io_errors.
    bool validateContent(const std::wstring& text, ErrorList* io_errors, const pel::Value* value) const override;
};

} // namespace tessel
