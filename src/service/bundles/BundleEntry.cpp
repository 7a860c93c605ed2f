#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntryTraits.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/BundleFactory.h"
#include "service/bundles/IBundleStorage.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/text/TextConversion.h"
#include "pel/value/AbstractDictionaryValue.h"
#include "pel/value/StringValue.h"

#include <exception>

namespace tessel {

namespace {

constexpr uint32_t LOG_BUNDLES = pel::crc32Literal("bundles");

} // namespace

BundleEntry::Update::Update(BundleEntry& entry) : m_entry(entry) {
    m_entry.beginUpdate();
}

// The bracket closes on every way out; what a listener of its end throws stops here.
BundleEntry::Update::~Update() {
    try {
        m_entry.endUpdate();
    } catch (const pel::Exception& e) {
        pel::log_printf(pel::LOG_ERROR, LOG_BUNDLES, L"BundleEntry::endUpdate(): %s", e.displayText().c_str());
    } catch (...) {
        pel::log_printf(pel::LOG_ERROR, LOG_BUNDLES, L"BundleEntry::endUpdate(): unexpected exception");
    }
}

BundleEntry::BundleEntry() {
    m_errors.added.add(this, [this](ErrorList&, const ErrorList::ErrorPtr& error) { onErrorAdded.notify(*this, error); });
    m_errors.removed.add(this,
                         [this](ErrorList&, const ErrorList::ErrorPtr& error) { onErrorRemoved.notify(*this, error); });
}

BundleEntry::~BundleEntry() {
    m_errors.added.remove(this);
    m_errors.removed.remove(this);
}

BundleEntryPtr BundleEntry::create(const BundleFactory& factory, uint32_t typeCode, const pel::UUID& uuid) {
    IBundleEntryFactory* entries = factory.findFactory(typeCode);
    if (!entries)
        throw pel::IllegalStateException(L"Type is unknown.");
    BundleEntryPtr entry = entries->createEntry();
    PEL_CHECK_PTR(entry);
    entry->setSource(std::make_shared<BundleEntrySource>(factory.getStorage(), &entry->getTraits(), uuid));
    return entry;
}

uint32_t BundleEntry::getTypeId() const { return getTraits().id; }

void BundleEntry::initContent(const std::wstring&) {}

void BundleEntry::readValue(const pel::AbstractDictionaryValue& value, ErrorList*) {
    std::wstring title;
    if (value.getString(L"title", &title) && !title.empty())
        m_title = std::move(title);
}

void BundleEntry::writeValue(pel::AbstractDictionaryValue* o_val) const {
    PEL_CHECK_PTR(o_val);
    o_val->setValue(L"title", pel::StringValue::create(m_title));
}

bool BundleEntry::isBundle() const { return false; }

bool BundleEntry::setTitle(const std::wstring& text) {
    if (text == m_title)
        return true;
    PEL_CHECK_PTR(m_source);
    Update update(*this);
    if (!m_source->setValue(L"title", pel::StringValue(text), &m_errors))
        return false;
    markChanged();
    m_title = text;
    // A renamed entry has something to save.
    setModified(true);
    return true;
}

const BundleEntryValidator& BundleEntry::getValidator() const { return *getTraits().validator; }

void BundleEntry::setSource(std::shared_ptr<BundleEntrySource> source) {
    PEL_CHECK_PTR(source);
    Update update(*this);
    PEL_ASSERT(source->getTraits()->id == getTraits().id);
    m_source = std::move(source);
}

const pel::UUID& BundleEntry::getUUID() const {
    PEL_CHECK_PTR(m_source);
    return m_source->getUUID();
}

bool BundleEntry::load() {
    PEL_CHECK_PTR(m_source);
    m_errors.clear();
    Update update(*this);
    m_unsaved = false;
    const std::shared_ptr<const pel::AbstractDictionaryValue> value = m_source->getValue(&m_errors);
    m_readable = value != nullptr;
    if (value)
        applyValue(*value, false, &m_errors);
    return m_readable;
}

bool BundleEntry::setValue(const pel::Value* val, ErrorList* o_errors) {
    PEL_CHECK_PTR(val);
    PEL_CHECK_PTR(o_errors);
    PEL_CHECK_PTR(m_source);
    Update update(*this);
    if (!m_source->setMerged(*val, o_errors))
        return false;
    const std::shared_ptr<const pel::AbstractDictionaryValue> value = m_source->getValue(o_errors);
    PEL_CHECK_PTR(value);
    applyValue(*value, true, o_errors);
    return true;
}

bool BundleEntry::setSourceText(const std::wstring& text, ErrorList* o_errors) {
    PEL_CHECK_PTR(o_errors);
    PEL_CHECK_PTR(m_source);
    Update update(*this);
    if (!m_source->setMerged(text, o_errors))
        return false;
    const std::shared_ptr<const pel::AbstractDictionaryValue> value = m_source->getValue(o_errors);
    PEL_CHECK_PTR(value);
    applyValue(*value, true, o_errors);
    return true;
}

const std::wstring& BundleEntry::getSourceText() {
    PEL_CHECK_PTR(m_source);
    return m_source->getSourceText(&m_errors);
}

std::wstring BundleEntry::getTitle() const {
    if (!m_title.empty())
        return m_title;
    const BundleEntryFilePath* path = m_source ? m_source->getTopPath() : nullptr;
    const std::wstring name = !path ? std::wstring() : isBundle() ? path->bundle.name : path->entry.name;
    return name.empty() ? L"<unset>" : name;
}

// The errors of an earlier save say why that write failed, not that the entry cannot be
// written: the next save drops them and tries again, so they never refuse it here.
bool BundleEntry::canEdit() const {
    if (!m_source || !m_source->hasSource())
        return false;
    for (const ErrorList::ErrorPtr& error : m_errors.getErrors())
        if (error->getSeverity() == BundleError::SEVERITY_UNREADABLE && !error->hasTag(BundleError::TAG_SAVE))
            return false;
    return true;
}

bool BundleEntry::hasErrors() const { return m_errors.hasSeverity(BundleError::SEVERITY_UNREADABLE); }

bool BundleEntry::hasProblems() const {
    return m_errors.hasSeverity(BundleError::SEVERITY_INVALID) || hasErrors();
}

bool BundleEntry::save(const pel::FileVersion* expected, pel::FileVersion* o_written) {
    PEL_CHECK_PTR(m_source);
    // The errors of a failed save go first: this save reports its own.
    m_errors.removeErrorsWithTag(BundleError::TAG_SAVE);
    PEL_ASSERT(canEdit());
    if (m_source->getUUID().isNil()) {
        // Its file name would carry no UUID, and no loader would ever read it back.
        m_errors.add(makeBundleError(BundleError::TAG_SAVE, BundleError::SEVERITY_UNREADABLE,
                                     L"A built-in entry cannot be saved."));
        return false;
    }
    BundleEntryFilePath path;
    getFilePath(&path);
    if (!m_source->save(path, &m_errors, expected, o_written))
        return false;
    m_unsaved = false;
    setModified(false);
    onSaved.notify(*this);
    return true;
}

bool BundleEntry::reloadChanges() {
    PEL_CHECK_PTR(m_source);
    BundleEntryFilePath path;
    getFilePath(&path);
    const bool there = pel::FileIO::isFile(m_source->getStorage()->getFullPath(path).c_str());
    m_source->rereadChanges(there ? path : BundleEntryFilePath());
    return load();
}

void BundleEntry::beginUpdate() {
    if (m_updateDepth == 0) {
        m_changed = false;
        if (m_installed)
            onBeginUpdate.notify(*this);
    }
    ++m_updateDepth;
}

void BundleEntry::endUpdate() {
    if (m_updateDepth <= 0)
        throw pel::IllegalStateException(L"Unbalanced update end.");
    if (--m_updateDepth == 0 && m_installed)
        onEndUpdate.notify(*this, m_changed);
}

void BundleEntry::applyValue(const pel::AbstractDictionaryValue& value, bool modified, ErrorList* o_errors) {
    Update update(*this);
    bool failed = true;
    std::wstring failure;
    try {
        readValue(value, o_errors);
        failed = false;
    } catch (const pel::Exception& e) {
        failure = e.displayText();
    } catch (const std::exception& e) {
        pel::appendNarrow(e.what(), failure);
    } catch (...) {
    }
    // A reader that gave up keeps what it read: the entry stays loaded and editable.
    if (failed) {
        m_errors.add(makeBundleError(BundleError::TAG_READ, BundleError::SEVERITY_INVALID,
                                     failure.empty() ? L"Unexpected error while reading the entry." : failure));
    }
    markChanged();
    setModified(modified);
}

void BundleEntry::setModified(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    onModifiedChanged.notify(*this);
}

} // namespace tessel
