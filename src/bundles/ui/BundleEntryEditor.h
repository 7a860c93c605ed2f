#pragma once
// The editors of bundle entries that the bundle editor opens in its tabs, and the factory each
// entry manager hands out for its type. An editor's page is the entry's text over the list of
// the entry's problems; saving makes the text the entry's (its manager takes the new version)
// and writes the entry into the user's changes layer. The plain source editor (the entry's
// text as Jasmine source, scope "source.jasmine") serves bundles, grammars, themes and
// preferences.
//
// Each editor keeps the record of its entry's file in the user's changes layer (FileRecord, as a
// document keeps its own): the file as the editor last read or wrote it, and how it stands now.
// A save writes only over the file as the record has it; the bundle editor asks about another
// program's change or deletion first.

#include "bundles/ui/BundleEntryText.h"
#include "service/document/FileRecord.h"

#include "pel/base/FreedAccessTrap.h"
#include "service/base/Notice.h"
#include "service/bundles/IBundleEntryFactory.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class afControlListView;
class afLayoutLinear;
class afView;
class afViewPlatform;

namespace tessel {

class ErrorList;

// Trapped in tests: the bundle editor frees a closed one from the main loop.
class BundleEntryEditor : public pel::FreedAccessTrap {
public:
    // A problem as its row shows it: the line (counted from 1; empty when it has no place in the
    // text) and the message.
    using ProblemRow = std::pair<std::wstring, std::wstring>;

    // Deletes the page and what it holds.
    virtual ~BundleEntryEditor();
    BundleEntryEditor(const BundleEntryEditor&) = delete;
    BundleEntryEditor& operator=(const BundleEntryEditor&) = delete;

    BundleEntry& getEntry() const { return *m_entry; }
    // The scope of the editor's text, which picks its grammar.
    virtual const wchar_t* getScope() const = 0;

    // Makes the page on the host with the entry's merged text; place puts the page where it
    // shows (a tab), before its widgets go into it. False, nothing placed, when no text view can
    // be made (none installed).
    bool create(afViewPlatform* host, const std::function<void(afView* page)>& place);
    afView* getPage() const;
    BundleEntryText* getText() const { return m_text.get(); }
    // Changed since it was opened or last saved.
    bool isModified() const;
    // The bundle editor closed it: its text takes no further part in the program until it is
    // freed.
    void onClosed();

    // Makes the text the entry's, checks it and saves the entry. False, the text kept as it is,
    // when it does not read as an entry or the entry could not be saved; the problems show
    // under the text either way.
    bool save();
    const std::vector<ProblemRow>& getProblems() const { return m_problems; }

    // The entry's file (where a save writes it) and its record.
    const std::wstring& getFilePath() const { return m_filePath; }
    const FileRecord& getFileRecord() const { return m_fileRecord; }
    // The file as it is now is news to the record; whether a question about it waits.
    bool lookAtFile();
    // The user answered what the record said at news `at` (kept the text, or was told).
    void answerFileNews(uint32_t at) { m_fileRecord.answer(at); }
    // Reads the entry again from its file (its changes layer as it is now), the text unmodified;
    // false, the problems shown, when that failed.
    bool reloadFromFile();
    afControlListView* getProblemList() const { return m_problemList; }

    // The modified state of the text changed.
    Notice<BundleEntryEditor&> onModifiedChanged;

protected:
    explicit BundleEntryEditor(BundleEntry& entry);

private:
    void showProblems(const ErrorList& errors);
    // The text and the record take the entry as its files hold it now; an entry whose files
    // could not be read shows the text of the one that failed.
    void takeEntryText();
    std::wstring unreadableText() const;
    // Where a save writes the entry's file now.
    std::wstring entryFilePath() const;

    BundleEntryPtr m_entry;
    std::unique_ptr<BundleEntryText> m_text;
    afLayoutLinear* m_page = nullptr;           // owned by the host's node until deleted here
    afControlListView* m_problemList = nullptr; // as the page
    std::vector<ProblemRow> m_problems;
    std::wstring m_filePath;
    FileRecord m_fileRecord;
};

// Makes the editor of an entry; a null factory stands for no editor of that kind.
using BundleEntryEditorFactory = std::unique_ptr<BundleEntryEditor> (*)(BundleEntry& entry);

class BundleEntrySourceEditor : public BundleEntryEditor {
public:
    // The factory of the source editor.
    static std::unique_ptr<BundleEntryEditor> create(BundleEntry& entry);

    const wchar_t* getScope() const override { return L"source.jasmine"; }

protected:
    explicit BundleEntrySourceEditor(BundleEntry& entry) : BundleEntryEditor(entry) {}
};

} // namespace tessel
