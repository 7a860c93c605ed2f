#pragma once
// The text of one bundle entry in every storage layer that holds it (the shipped root, the
// user's own bundles, the user's changes) and the one document the user sees: the layers merged
// root first, each upper layer woven over those below. An edit of that document is turned back
// into a changes document relative to the layers below, and that is what gets saved, into the
// changes layer. Layers and merge are token stores that keep every character of their text, so
// an edit leaves every comment, blank line and indentation of the entry as it was.
//
// In a layer's document only the bare words inherit and removed are markers (take the value
// below, leave the member out); a quoted "removed" is a string, in the value merge and the text
// merge alike. No lock: a loader task reads the source before its entry is installed, and only
// the UI thread uses it afterwards.

#include "service/bundles/BundleEntryFilePath.h"

#include "pel/base/UUID.h"
#include "pel/jasmine/JasmineToken.h"
#include "pel/jasmine/TTokenStore.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace pel {
struct FileVersion;
class AbstractDictionaryValue;
class Value;
} // namespace pel

namespace tessel {

class BundleEntryTraits;
class ErrorList;
class IBundleStorage;

class BundleEntrySource {
public:
    using Tokens = pel::TTokenStore<pel::JasmineToken>;
    using Dictionary = pel::AbstractDictionaryValue;

    // The content of one layer: its text as tokens (none when it was read for its value alone)
    // and the root dictionary parsed from it.
    struct Source {
        BundleEntryRepository::Type repository;
        std::shared_ptr<const Tokens> tokens;
        std::shared_ptr<const Dictionary> val;
    };
    using SourcePtr = std::shared_ptr<const Source>;

    // What a read is for: the merged value alone, or the merged text with its value.
    enum ReadMode { READ_VALUE = 1, READ_TEXT = 2 };

    // storage and traits are required (hard checks naming "m_storage" and "m_traits").
    BundleEntrySource(std::shared_ptr<IBundleStorage> storage, const BundleEntryTraits* traits, const pel::UUID& uuid);
    virtual ~BundleEntrySource();
    BundleEntrySource(const BundleEntrySource&) = delete;
    BundleEntrySource& operator=(const BundleEntrySource&) = delete;

    // Reads each layer that has a path and lacks what the mode needs (content at all, or its
    // tokens for READ_TEXT), root first. Content a layer has is kept: above all an edit's
    // changes document that is not saved yet. A bundle's info file missing from a layer is no
    // error. False at the first file that cannot be read or parsed, its error in io_errors.
    virtual bool read(int mode, ErrorList* io_errors);

    const BundleEntryTraits* getTraits() const { return m_traits; }
    const pel::UUID& getUUID() const { return m_uuid; }
    const std::shared_ptr<IBundleStorage>& getStorage() const { return m_storage; }
    // The last read of the merged value or text succeeded.
    bool isReady() const { return m_ready; }

    // Records where the entry's file is in the path's layer. An empty path throws
    // pel::InvalidArgumentException "path is empty".
    void setPath(const BundleEntryFilePath& path);
    // The path in a layer: an empty record where the layer has no file.
    const BundleEntryFilePath& getPath(BundleEntryRepository::Type layer) const;
    // The path of the top-most layer that has one (changes, user, root), or null.
    const BundleEntryFilePath* getTopPath() const;

    SourcePtr getSource(BundleEntryRepository::Type layer) const;
    bool hasSource(BundleEntryRepository::Type layer) const { return getSource(layer) != nullptr; }
    // Whether any layer has content (read from its file, or made by an edit).
    bool hasSource() const;

    // The merged root dictionary, reading the layers as needed; null when a layer could not be
    // read (its errors go to o_errors) or no layer has content.
    std::shared_ptr<const Dictionary> getValue(ErrorList* o_errors);
    // The merged text; empty when a layer could not be read.
    const std::wstring& getSourceText(ErrorList* o_errors);
    // The merged tokens and value that go with getSourceText; null until it succeeded.
    const std::shared_ptr<const Tokens>& getTokens() const { return m_tokens; }

    // Makes the text, or the value, the new merged document: the changes layer becomes the
    // document that, woven over the layers below, gives it (the document itself when nothing
    // lies below). A value is laid into the current merged text member by member, so that what
    // it leaves alone keeps its text, comments included. False, with the parse errors in
    // o_errors, when the text does not read as a dictionary or the layers cannot be read.
    bool setMerged(const std::wstring& text, ErrorList* o_errors);
    bool setMerged(const pel::Value& value, ErrorList* o_errors);
    // The value edit: the merged document with only the value of key changed (added after the
    // last member when the document lacks it), every other character kept.
    bool setValue(std::wstring_view key, const pel::Value& value, ErrorList* o_errors);
    // Makes the unchanged merged document a changes document (every member inherit). Requires
    // content and no changes content yet.
    void createChangesSource();

    // Writes the changes document to save_path (a path of the changes layer) as UTF-16LE with a
    // byte-order mark, through a temporary file beside it: nothing when no layer has content,
    // or when nothing was changed and the entry's file is already at that path. A changes file
    // elsewhere is copied to "<file>.bak" first (the copy goes once the new file is open), and
    // removed after the save, with its folders when they are left empty. A failure adds one
    // severity-4 error tagged "save" with the path text as its source, and leaves every file
    // as it was (save_path's file byte for byte).
    // With `expected`, save_path's file is replaced only as that stamp has it (pel::SafeSave::
    // expect: a file changed since fails the save); the file as the write left it goes to
    // *o_written when given.
    bool save(const BundleEntryFilePath& save_path, ErrorList* io_errors, const pel::FileVersion* expected = nullptr,
              pel::FileVersion* o_written = nullptr);
    // Forgets the changes layer's content (an edit's not saved included), so that the next read
    // takes the layer's file at `path` as it is now; an empty path: the layer has no file.
    void rereadChanges(const BundleEntryFilePath& path);

private:
    SourcePtr& layer(uint32_t repository) { return m_sources[repository - 1]; }
    SourcePtr defaultRoot();
    // Merges the layers' contents for the mode into m_value (and m_tokens, m_text). False
    // when a woven text does not read back.
    bool merge(int mode, ErrorList* o_errors);
    SourcePtr weave(const SourcePtr& a, const SourcePtr& b, int mode, ErrorList* o_errors) const;
    // A text read for getSourceText, and the state it leaves.
    bool makeTextCurrent(ErrorList* o_errors);
    bool setMergedText(const std::wstring& text, const wchar_t* sourceName, ErrorList* o_errors);
    // The new merged document becomes the changes layer's content.
    bool setMergedDocument(const std::shared_ptr<const Tokens>& tokens, const std::shared_ptr<const Dictionary>& val,
                           ErrorList* o_errors);
    void markStale();
    // False, with what failed in the user's words (the entry's file named by the system's path),
    // when the file could not be written.
    bool writeChanges(const BundleEntryFilePath& save_path, const Source& changes, const pel::FileVersion* expected,
                      pel::FileVersion* o_written, std::wstring* o_failure);
    // Deletes the changes file no longer used, then its type and bundle folders if empty; a file
    // that stays is a failure, told as writeChanges tells one.
    bool removeChangesFile(const BundleEntryFilePath& path, std::wstring* o_failure) const;

    std::shared_ptr<IBundleStorage> m_storage;
    const BundleEntryTraits* m_traits;
    pel::UUID m_uuid;
    bool m_ready = false;
    std::array<SourcePtr, BundleEntryRepository::COUNT> m_sources;
    bool m_textCurrent = false;
    std::wstring m_text;
    std::shared_ptr<const Tokens> m_tokens;
    bool m_valueCurrent = false;
    std::shared_ptr<const Dictionary> m_value;
    // The merge of the layers below the changes layer, kept by the last merge; null when no
    // root or user content lies below.
    SourcePtr m_base;
    std::array<BundleEntryFilePath, BundleEntryRepository::COUNT> m_paths;
    SourcePtr m_defaultRoot;
};

} // namespace tessel
