#pragma once
// One bundle entry in memory: the base of bundles and of every item type (grammars, snippets,
// themes, scope preferences). It owns the title (subclasses own their other fields), the
// entry's own errors and the source that holds its text in every storage layer. Subclasses
// read their fields from the source's merged value and write edits back through the source,
// so that the entry file keeps its layout and comments. Entries are created and loaded on a
// loader task's thread and then used on the UI thread only; the reference count is atomic.
//
// Every operation that applies or edits a value runs inside an update bracket; while the entry
// is installed, the outermost bracket is announced when it opens and when it closes, with
// whether a value was applied inside.

#include "service/bundles/BundleEntryFilePath.h"
#include "service/bundles/IBundleEntryFactory.h"

#include "service/base/Notice.h"
#include "service/base/error/ErrorList.h"
#include "service/base/error/TaggedObject.h"

#include "pel/base/MTRefObject.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pel {
struct FileVersion;
class AbstractDictionaryValue;
class Value;
} // namespace pel

namespace tessel {

class BundleEntrySource;
class BundleEntryTraits;
class BundleEntryValidator;
class BundleFactory;

class BundleEntry : public TaggedObject, public pel::MTRefObject<BundleEntry, 1> {
public:
    using EntryNotice = Notice<BundleEntry&>;
    using ErrorNotice = Notice<BundleEntry&, const ErrorList::ErrorPtr&>;

    // A new entry of the type, made by its registered factory, with a new source over the
    // factory's storage for the UUID attached. An unregistered type code throws
    // pel::IllegalStateException "Type is unknown.".
    static BundleEntryPtr create(const BundleFactory& factory, uint32_t typeCode, const pel::UUID& uuid);

    // The outermost bracket opened; closed, with whether a value was applied inside it. Told
    // only while the entry is installed.
    EntryNotice onBeginUpdate;
    Notice<BundleEntry&, bool> onEndUpdate;
    // After a successful save; whenever the modified flag changes.
    EntryNotice onSaved;
    EntryNotice onModifiedChanged;
    // The entry's own error list gained or lost an error.
    ErrorNotice onErrorAdded;
    ErrorNotice onErrorRemoved;

    ~BundleEntry() override;

    virtual uint32_t getTypeId() const;
    // Fills a new entry from its type's template; nothing here (every entry type has its own).
    virtual void initContent(const std::wstring& title);
    virtual const BundleEntryTraits& getTraits() const = 0;
    // Where the entry is saved: always a path of the changes layer.
    virtual void getFilePath(BundleEntryFilePath* o_path) const = 0;
    // Reads the entry's fields from the merged root dictionary; here the title, taken when it
    // is a non-empty string. Overrides call this first. Problems go to o_errors; an exception
    // is caught by the caller and becomes an error of the entry.
    virtual void readValue(const pel::AbstractDictionaryValue& value, ErrorList* o_errors);
    // Writes the entry's fields into o_val (a hard check naming "o_val"); here the title.
    virtual void writeValue(pel::AbstractDictionaryValue* o_val) const;
    virtual bool isBundle() const;
    // Changes the "title" value of the entry's text (a value edit that keeps the file's layout)
    // and the title; the entry counts as modified. True without any effect for the current
    // title; false, the title unchanged, when the edit fails.
    virtual bool setTitle(const std::wstring& text);
    virtual const BundleEntryValidator& getValidator() const;

    // Takes the source (a hard check naming "source"); its type must be the entry's.
    void setSource(std::shared_ptr<BundleEntrySource> source);
    const std::shared_ptr<BundleEntrySource>& getSource() const { return m_source; }

    // Clears the entry's errors and reads it from its source's merged value, which does not
    // modify it. False when no value came back (the reasons are among the entry's errors).
    bool load();
    // Whether its files could be read at its last load (a new entry is).
    bool isReadable() const { return m_readable; }
    // Makes the value (a hard check naming "val"), or the text, the entry's merged document
    // and reads the entry from it; the entry is then modified. False, nothing changed, when the
    // source refuses it (the reasons in o_errors, a hard check naming "o_errors").
    bool setValue(const pel::Value* val, ErrorList* o_errors);
    bool setSourceText(const std::wstring& text, ErrorList* o_errors);
    // The merged text; reading errors go to the entry's own list.
    const std::wstring& getSourceText();

    // The title; without one, the name in the top-most stored file's path (the bundle folder's
    // for a bundle, the file's for an item); "<unset>" when there is none.
    std::wstring getTitle() const;
    const std::wstring& getOwnTitle() const { return m_title; }

    // The source has content and the entry no error of severity 4 other than those of an
    // earlier save (which the next save replaces).
    bool canEdit() const;
    // An error of severity 4; of severity 3 or 4.
    bool hasErrors() const;
    bool hasProblems() const;

    // Saves the entry's changes at getFilePath, first removing the errors of an earlier save.
    // Only an editable entry may be saved (a hard check "canEdit()"). An entry without a UUID
    // (a built-in one) is never written. False with one more error tagged "save" on failure;
    // the entry then stays modified. With `expected`, the file is replaced only as that version has
    // it (a file changed since fails the save); the file as written goes to *o_written.
    bool save(const pel::FileVersion* expected = nullptr, pel::FileVersion* o_written = nullptr);
    // Reads the entry again with its changes layer as its file holds it now (its edits not saved
    // are dropped); false, the reasons among its errors, when that file cannot be read.
    bool reloadChanges();

    // The update bracket; an end without a begin throws pel::IllegalStateException
    // "Unbalanced update end.".
    void beginUpdate();
    void endUpdate();
    // Opens a bracket for its life; what a listener of its end throws stops there (logged).
    class Update;
    int32_t getUpdateDepth() const { return m_updateDepth; }

    bool isInstalled() const { return m_installed; }
    void setInstalled(bool installed) { m_installed = installed; }
    bool isModified() const { return m_modified; }
    bool isUnsaved() const { return m_unsaved; }
    const pel::UUID& getUUID() const;
    ErrorList& getErrors() { return m_errors; }
    const ErrorList& getErrors() const { return m_errors; }

protected:
    BundleEntry();

    // Reads the value inside a bracket and sets the modified flag as given. An exception of
    // readValue becomes one error of severity 3 tagged "read" in the entry's own list.
    void applyValue(const pel::AbstractDictionaryValue& value, bool modified, ErrorList* o_errors);
    // A value of the entry was changed inside the current bracket.
    void markChanged() { m_changed = true; }
    // Sets the flag, telling onModifiedChanged when it changes.
    void setModified(bool modified);

private:

    bool m_unsaved = true;
    int32_t m_updateDepth = 0;
    bool m_changed = false;
    std::shared_ptr<BundleEntrySource> m_source;
    std::wstring m_title;
    bool m_installed = false;
    bool m_modified = true;
    bool m_readable = true;
    ErrorList m_errors;
};

class BundleEntry::Update {
public:
    explicit Update(BundleEntry& entry);
    ~Update();
    Update(const Update&) = delete;
    Update& operator=(const Update&) = delete;

private:
    BundleEntry& m_entry;
};

inline void intrusive_ptr_add_ref(const BundleEntry* entry) { entry->addRef(); }
inline void intrusive_ptr_release(const BundleEntry* entry) { entry->release(); }

} // namespace tessel
