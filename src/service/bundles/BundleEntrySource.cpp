#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/IBundleStorage.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"
#include "pel/base/BlockHeap.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/jasmine/JasmineWeaver.h"
#include "pel/jasmine/JasmineWriterHelper.h"
#include "pel/value/DictionaryValue.h"

#include <memory>
#include <utility>

namespace tessel {

namespace {

using Dictionary = BundleEntrySource::Dictionary;

// Only bare words are markers, as in the value merge; and an edited document keeps its text
// to the end.
constexpr unsigned WEAVE_OPTIONS = pel::JasmineWeaver::BARE_MARKERS | pel::JasmineWeaver::KEEP_TAIL;

// Every layer of every entry holds a token store, a value and their shared counts: small
// objects that the block heap keeps densely, where the system heap would spread thousands of
// new entries over fresh pages.
template <class T>
struct SmallObjects {
    using value_type = T;
    SmallObjects() = default;
    template <class U>
    SmallObjects(const SmallObjects<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(pel::BlockHeap::allocate(n * sizeof(T))); }
    void deallocate(T* p, size_t n) { pel::BlockHeap::deallocate(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const SmallObjects<U>&) const { return true; }
    template <class U>
    bool operator!=(const SmallObjects<U>&) const { return false; }
};

template <class T, class... Args>
std::shared_ptr<T> makeShared(Args&&... args) {
    return std::allocate_shared<T>(SmallObjects<T>(), std::forward<Args>(args)...);
}

// Entry files and texts read as a dictionary or as nothing.
std::shared_ptr<const Dictionary> adopt(std::unique_ptr<pel::Value> root) {
    return std::shared_ptr<const Dictionary>(static_cast<Dictionary*>(root.release()),
                                             std::default_delete<const Dictionary>(), SmallObjects<Dictionary>());
}

std::shared_ptr<const Dictionary> parseDictionary(std::wstring_view sourceName, const std::wstring& text,
                                                  ErrorList* o_errors, BundleEntrySource::Tokens* store) {
    return adopt(BundleEntrySourceHelper::parse(sourceName, text, o_errors, store));
}

} // namespace

BundleEntrySource::BundleEntrySource(std::shared_ptr<IBundleStorage> storage, const BundleEntryTraits* traits,
                                     const pel::UUID& uuid)
    : m_storage(std::move(storage)), m_traits(traits), m_uuid(uuid) {
    PEL_CHECK_PTR(m_storage);
    PEL_CHECK_PTR(m_traits);
}

BundleEntrySource::~BundleEntrySource() = default;

void BundleEntrySource::setPath(const BundleEntryFilePath& path) {
    if (path.empty())
        throw pel::InvalidArgumentException(L"path is empty");
    PEL_ASSERT(BundleEntryRepository::isValid(path.storage));
    m_paths[path.storage - 1] = path;
}

const BundleEntryFilePath& BundleEntrySource::getPath(BundleEntryRepository::Type layer) const {
    PEL_ASSERT(BundleEntryRepository::isValid(layer));
    return m_paths[layer - 1];
}

const BundleEntryFilePath* BundleEntrySource::getTopPath() const {
    for (size_t i = m_paths.size(); i-- > 0;) {
        if (!m_paths[i].empty())
            return &m_paths[i];
    }
    return nullptr;
}

BundleEntrySource::SourcePtr BundleEntrySource::getSource(BundleEntryRepository::Type layer) const {
    return BundleEntryRepository::isValid(layer) ? m_sources[layer - 1] : nullptr;
}

bool BundleEntrySource::hasSource() const {
    for (const SourcePtr& content : m_sources) {
        if (content)
            return true;
    }
    return false;
}

bool BundleEntrySource::read(int mode, ErrorList* io_errors) {
    PEL_CHECK_PTR(io_errors);
    for (uint32_t repository = BundleEntryRepository::T_Root; repository <= BundleEntryRepository::T_Changes;
         ++repository) {
        const BundleEntryFilePath& path = m_paths[repository - 1];
        SourcePtr& content = layer(repository);
        if (path.empty() || (content && (content->tokens || mode == READ_VALUE)))
            continue;
        // A bundle folder needs no info file: the type's default document stands in for it.
        if (m_traits->id == BUNDLE_TYPE_BUNDLE && !pel::FileIO::isFile(m_storage->getFullPath(path).c_str())) {
            content.reset();
            continue;
        }
        const std::shared_ptr<Tokens> tokens = mode == READ_TEXT ? makeShared<Tokens>() : nullptr;
        const std::shared_ptr<const Dictionary> val = adopt(m_storage->read(path, io_errors, tokens.get()));
        if (!val)
            return false;
        content = makeShared<Source>(Source{path.storage, tokens, val});
    }
    return true;
}

BundleEntrySource::SourcePtr BundleEntrySource::defaultRoot() {
    if (!m_defaultRoot && m_traits->default_value && m_traits->default_tokens) {
        m_defaultRoot = makeShared<Source>(
            Source{BundleEntryRepository::T_Root, m_traits->default_tokens,
                   std::static_pointer_cast<const Dictionary>(m_traits->default_value)});
    }
    return m_defaultRoot;
}

BundleEntrySource::SourcePtr BundleEntrySource::weave(const SourcePtr& a, const SourcePtr& b, int mode,
                                                      ErrorList* o_errors) const {
    if (mode == READ_VALUE) {
        const std::shared_ptr<pel::DictionaryValue> merged(new pel::DictionaryValue);
        pel::JasmineWeaver::weaveValues(a->val.get(), b->val.get(), merged.get());
        return makeShared<Source>(Source{b->repository, nullptr, merged});
    }
    PEL_ASSERT(a->tokens != NULL);
    PEL_ASSERT(b->tokens != NULL);
    std::wstring text;
    pel::JasmineWeaver::weave(a->val.get(), a->tokens.get(), b->val.get(), b->tokens.get(), &text, WEAVE_OPTIONS);
    const std::shared_ptr<Tokens> tokens = makeShared<Tokens>();
    const std::shared_ptr<const Dictionary> val =
        parseDictionary(getPath(b->repository).toString(true), text, o_errors, tokens.get());
    if (!val) {
        pel::softAssertion(L"result->val != NULL", PEL_FILE, __LINE__);
        return nullptr;
    }
    return makeShared<Source>(Source{b->repository, tokens, val});
}

bool BundleEntrySource::merge(int mode, ErrorList* o_errors) {
    const SourcePtr root = m_sources[0] ? m_sources[0] : defaultRoot();
    const SourcePtr& user = layer(BundleEntryRepository::T_User);
    const SourcePtr& changes = layer(BundleEntryRepository::T_Changes);
    SourcePtr merged = root ? root : user ? user : changes;
    m_base.reset();
    m_value.reset();
    m_tokens.reset();
    m_text.clear();
    if (!merged) {
        // A new entry has nothing to merge until it is given its first document.
        if (getTopPath())
            pel::softAssertion(L"src_root != NULL", PEL_FILE, __LINE__);
        return true;
    }
    if (user && merged != user && !(merged = weave(merged, user, mode, o_errors)))
        return false;
    if (merged != changes)
        m_base = merged;
    if (changes && merged != changes && !(merged = weave(merged, changes, mode, o_errors)))
        return false;
    m_value = merged->val;
    if (mode == READ_TEXT) {
        m_tokens = merged->tokens;
        m_tokens->appendText(0, m_tokens->size() - 1, m_text);
    }
    return true;
}

std::shared_ptr<const Dictionary> BundleEntrySource::getValue(ErrorList* o_errors) {
    PEL_CHECK_PTR(o_errors);
    if (!m_valueCurrent) {
        m_ready = false;
        if (!read(READ_VALUE, o_errors) || !merge(READ_VALUE, o_errors))
            return nullptr;
        m_valueCurrent = m_ready = true;
        m_textCurrent = false;
    }
    return m_value;
}

bool BundleEntrySource::makeTextCurrent(ErrorList* o_errors) {
    PEL_CHECK_PTR(o_errors);
    if (m_textCurrent)
        return true;
    m_ready = false;
    if (!read(READ_TEXT, o_errors) || !merge(READ_TEXT, o_errors)) {
        m_valueCurrent = false;
        return false;
    }
    m_textCurrent = m_valueCurrent = m_ready = true;
    return true;
}

const std::wstring& BundleEntrySource::getSourceText(ErrorList* o_errors) {
    makeTextCurrent(o_errors);
    return m_text;
}

bool BundleEntrySource::setMerged(const std::wstring& text, ErrorList* o_errors) {
    return makeTextCurrent(o_errors) && setMergedText(text, L"merged_1", o_errors);
}

bool BundleEntrySource::setMerged(const pel::Value& value, ErrorList* o_errors) {
    if (!makeTextCurrent(o_errors))
        return false;
    std::wstring text;
    if (m_value && value.type == pel::Value::TYPE_DICTIONARY)
        pel::JasmineWeaver::rewrite(m_value.get(), m_tokens.get(), static_cast<const Dictionary*>(&value), &text);
    else
        pel::JasmineWriterHelper::toJasmine(&value, &text);
    return setMergedText(text, L"merged_2", o_errors);
}

bool BundleEntrySource::setValue(std::wstring_view key, const pel::Value& value, ErrorList* o_errors) {
    if (!makeTextCurrent(o_errors))
        return false;
    std::wstring text;
    if (m_value) {
        pel::JasmineWeaver::rewriteMember(m_value.get(), m_tokens.get(), key, value, &text);
    } else {
        pel::DictionaryValue only;
        only.setValue(key, value.clone());
        pel::JasmineWriterHelper::toJasmine(&only, &text);
    }
    return setMergedText(text, L"merged_1", o_errors);
}

bool BundleEntrySource::setMergedText(const std::wstring& text, const wchar_t* sourceName, ErrorList* o_errors) {
    ErrorList errors;
    const std::shared_ptr<Tokens> tokens = makeShared<Tokens>();
    const std::shared_ptr<const Dictionary> val = parseDictionary(sourceName, text, &errors, tokens.get());
    o_errors->merge(errors);
    if (!errors.empty() || !val) {
        pel::softAssertion(L"!errors.empty()", PEL_FILE, __LINE__);
        return false;
    }
    return setMergedDocument(tokens, val, o_errors);
}

bool BundleEntrySource::setMergedDocument(const std::shared_ptr<const Tokens>& tokens,
                                          const std::shared_ptr<const Dictionary>& val, ErrorList* o_errors) {
    SourcePtr changes;
    if (m_base) {
        std::wstring text;
        pel::JasmineWeaver::unweave(m_base->val.get(), m_base->tokens.get(), val.get(), tokens.get(), &text,
                                    WEAVE_OPTIONS);
        const std::shared_ptr<Tokens> changeTokens = makeShared<Tokens>();
        const std::shared_ptr<const Dictionary> changeVal =
            parseDictionary(L"changes", text, o_errors, changeTokens.get());
        if (!changeVal) {
            pel::softAssertion(L"merged_value", PEL_FILE, __LINE__);
            return false;
        }
        changes = makeShared<Source>(Source{BundleEntryRepository::T_Changes, changeTokens, changeVal});
    } else {
        // Nothing lies below: the document is its own changes document.
        changes = makeShared<Source>(Source{BundleEntryRepository::T_Changes, tokens, val});
    }
    layer(BundleEntryRepository::T_Changes) = changes;
    markStale();
    return true;
}

void BundleEntrySource::markStale() { m_textCurrent = m_valueCurrent = false; }

} // namespace tessel
