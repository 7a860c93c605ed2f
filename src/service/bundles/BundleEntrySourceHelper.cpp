#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleError.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"
#include "pel/jasmine/JasmineReaderHelper.h"
#include "pel/jasmine/JasmineSyntaxException.h"
#include "pel/text/TextConversion.h"
#include "pel/value/Value.h"

#include <exception>

namespace tessel {

namespace {

std::shared_ptr<BundleError> readError(std::wstring_view sourceName, const std::wstring& message) {
    std::shared_ptr<BundleError> error =
        makeBundleError(BundleError::TAG_READ, BundleError::SEVERITY_UNREADABLE, message);
    if (!sourceName.empty())
        error->setSource(std::wstring(sourceName));
    return error;
}

// The lexer takes the characters directly, without a reader in between.
std::unique_ptr<pel::Value> readRoot(const std::wstring& text, pel::TTokenStore<pel::JasmineToken>* store) {
    return std::unique_ptr<pel::Value>(store ? pel::JasmineReaderHelper::readToStore(text, store)
                                             : pel::JasmineReaderHelper::read(text));
}

} // namespace

std::unique_ptr<pel::Value> BundleEntrySourceHelper::parse(std::wstring_view sourceName, const std::wstring& text,
                                                           ErrorList* o_errors,
                                                           pel::TTokenStore<pel::JasmineToken>* store) {
    PEL_CHECK_PTR(o_errors);
    std::shared_ptr<BundleError> error;
    try {
        std::unique_ptr<pel::Value> root = readRoot(text, store);
        const int32_t type = root ? root->type : pel::Value::TYPE_NULL;
        if (type == pel::Value::TYPE_DICTIONARY)
            return root;
        error = readError({}, std::wstring(L"Root value must be `Dictionary`, but `") +
                                              pel::Value::typeName(type) + L"` found.");
        if (root)
            error->setPosition(*root);
    } catch (const pel::JasmineSyntaxException& e) {
        error = readError(sourceName, e.message);
        error->setPosition(e.start, e.start);
    } catch (const pel::Exception& e) {
        const std::wstring text = e.displayText();
        error = readError(sourceName, text.empty() ? L"Unexpected error while parsing source. (1)" : text);
    } catch (const std::exception& e) {
        std::wstring text;
        pel::appendNarrow(e.what(), text);
        error = readError(sourceName, text.empty() ? L"Unexpected error while parsing source. (2)" : text);
    } catch (...) {
        error = readError(sourceName, L"Unexpected error while parsing file. (3)");
    }
    o_errors->add(error);
    return nullptr;
}

bool BundleEntrySourceHelper::findUnreadText(const std::wstring& text, ErrorList* o_errors) {
    PEL_CHECK_PTR(o_errors);
    pel::TTokenStore<pel::JasmineToken> tokens;
    std::unique_ptr<pel::Value> root;
    try {
        root = readRoot(text, &tokens);
    } catch (const pel::Exception&) {
        return false; // a text that does not read is reported by its parse
    }
    const pel::JasmineToken* unread = root ? pel::JasmineReaderHelper::firstUnreadToken(*root, tokens) : nullptr;
    if (!unread)
        return false;
    std::shared_ptr<BundleError> error = readError(
        {}, L"Text after the entry's closing `}` is not part of the entry: move it inside or remove it.");
    error->setPosition(unread->begin, unread->end);
    o_errors->add(error);
    return true;
}

} // namespace tessel
