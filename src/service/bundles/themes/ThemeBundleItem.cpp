#include "service/bundles/themes/ThemeBundleItem.h"

#include "service/bundles/BundleEntryTemplates.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleError.h"

#include "service/base/error/ErrorList.h"
#include "service/parser/DocumentTheme.h"

#include "pel/base/Assert.h"
#include "pel/value/AbstractDictionaryValue.h"

namespace tessel {

ThemeBundleItem::ThemeBundleItem() : m_theme(std::make_shared<DocumentTheme>()) {}

ThemeBundleItem::~ThemeBundleItem() = default;

void ThemeBundleItem::initContent(const std::wstring& title) {
    BundleEntryTemplates::fill(*this, BundleEntryTemplates::THEME, title, std::wstring(), PEL_FILE, __LINE__);
}

const BundleEntryTraits& ThemeBundleItem::getTraits() const { return BundleEntryTraits::theme(); }

void ThemeBundleItem::readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors) {
    BundleItem::readValue(value, o_errors);
    // A new object: stylers that hold the former theme keep a whole one until they are told.
    auto theme = std::make_shared<DocumentTheme>();
    try {
        theme->read(&value);
    } catch (const pel::Exception& e) {
        std::shared_ptr<BundleError> error =
            makeBundleError(BundleError::TAG_READ, BundleError::SEVERITY_INVALID, e.displayText());
        if (const auto* parse = dynamic_cast<const pel::ParserException*>(&e))
            error->setRange(parse->start, parse->end);
        error->setPosition(value);
        if (o_errors)
            o_errors->add(error);
    }
    m_theme = theme;
}

} // namespace tessel
