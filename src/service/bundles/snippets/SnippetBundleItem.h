#pragma once
// A snippet entry: its content read as a Snippet on first use and kept until the content (or
// the value) changes.

#include "service/bundles/snippets/ExecutableBundleItem.h"

#include <memory>

namespace tessel {

class Snippet;

class SnippetBundleItem : public ExecutableBundleItem {
public:
    SnippetBundleItem();
    ~SnippetBundleItem() override;

    void initContent(const std::wstring& title) override;
    const BundleEntryTraits& getTraits() const override;
    void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) override;

    // The content's snippet, read now unless kept; null for a content that gives none (read
    // again on the next call). A syntax error throws the reader's pel::ParserException.
    const Snippet* getSnippet();

protected:
    void onContentChanged() override;

private:
    std::unique_ptr<Snippet> m_snippet;
};

} // namespace tessel
