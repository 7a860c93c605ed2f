#include "service/bundles/snippets/SnippetBundleItem.h"
#include "service/bundles/snippets/SnippetReader.h"

#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryTraits.h"

#include "pel/base/Assert.h"

namespace tessel {

SnippetBundleItem::SnippetBundleItem() = default;

SnippetBundleItem::~SnippetBundleItem() = default;

void SnippetBundleItem::initContent(const std::wstring& title) {
    BundleEntryTemplates::fill(*this, BundleEntryTemplates::SNIPPET, title, std::wstring(), PEL_FILE, __LINE__);
}

const BundleEntryTraits& SnippetBundleItem::getTraits() const { return BundleEntryTraits::snippet(); }

void SnippetBundleItem::readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) {
    m_snippet.reset();
    ExecutableBundleItem::readValue(value, o_errors);
}

const Snippet* SnippetBundleItem::getSnippet() {
    if (!m_snippet)
        m_snippet = SnippetReader().read(getContent());
    return m_snippet.get();
}

void SnippetBundleItem::onContentChanged() { m_snippet.reset(); }

} // namespace tessel
