#include "bundles/ui/BundleEntryEditor.h"

#include "afw/control/afControlListView.h"
#include "afw/layout/afLayoutLinear.h"
#include "afw/layout/afLayoutParamsLinear.h"
#include "pel/files/file_io/FileIO.h"
#include "service/bundles/BundleEntry.h"
#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleEntrySourceHelper.h"
#include "service/bundles/BundleEntryValidator.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/BundleFileStorage.h"
#include "service/bundles/IBundleStorage.h"

#include <algorithm>
#include <string>

namespace tessel {

namespace {

// The problem list's rows under the text, and its columns' room in the list's font: five digits
// of a line number, a hundred letters of a problem.
constexpr int PROBLEM_ROWS = 5;
constexpr const wchar_t* LINE_COLUMN_ROOM = L"00000";
constexpr size_t MESSAGE_COLUMN_LETTERS = 100;

BundleEntryEditor::ProblemRow rowOf(const Error& error) {
    const auto* bundleError = dynamic_cast<const BundleError*>(&error);
    if (!bundleError)
        return {std::wstring(), error.getMessage()};
    std::wstring message = bundleError->getText();
    if (bundleError->hasSource())
        message += L" " + bundleError->getSource();
    const std::wstring line =
        bundleError->hasPosition() ? std::to_wstring(bundleError->getStartPosition().line + 1) : std::wstring();
    return {line, message};
}

} // namespace

BundleEntryEditor::BundleEntryEditor(BundleEntry& entry) : m_entry(&entry) {}

BundleEntryEditor::~BundleEntryEditor() {
    if (m_text)
        m_text->onModifiedChanged.remove(this);
    if (m_page) {
        while (m_page->getChildCount() > 0)
            m_page->removeView(m_page->getChildAt(m_page->getChildCount() - 1));
        if (m_page->getParent())
            m_page->getParent()->removeView(m_page);
    }
    m_text.reset();
    delete m_problemList;
    delete m_page;
}

bool BundleEntryEditor::create(afViewPlatform* host, const std::function<void(afView* page)>& place) {
    m_text = makeBundleEntryText(host, getScope());
    if (!m_text)
        return false;
    takeEntryText();
    m_text->onModifiedChanged.add(this, [this](bool) { onModifiedChanged.notify(*this); });
    m_page = new afLayoutLinear(host, afLayoutLinear::VERTICAL);
    // Widgets go into a layout that already has a window above it.
    place(m_page);
    m_page->addChild(m_text->getView(), new afLayoutParamsLinear(afLayoutParams::FILL_PARENT, 0, 1.0));
    m_problemList = afControlListView::createInstance(host);
    const std::wstring lineHeader = L"Line";
    m_problemList->insertColumn(lineHeader,
                                std::max(m_problemList->columnWidthFor(lineHeader),
                                         m_problemList->columnWidthFor(LINE_COLUMN_ROOM)),
                                LVCFMT_RIGHT);
    m_problemList->insertColumn(
        L"Problem", m_problemList->columnWidthFor(std::wstring(MESSAGE_COLUMN_LETTERS, L'n')), LVCFMT_LEFT);
    m_problemList->setFullRowSelect();
    m_problemList->setVisibleRows(PROBLEM_ROWS);
    m_page->addChild(m_problemList, afLayoutParams::FILL_PARENT, afLayoutParams::WRAP_CONTENT);
    showProblems(m_entry->getErrors());
    return true;
}

afView* BundleEntryEditor::getPage() const {
    return m_page;
}

bool BundleEntryEditor::isModified() const {
    return m_text && m_text->isModified();
}

void BundleEntryEditor::onClosed() {
    if (m_text)
        m_text->onClosed();
}

bool BundleEntryEditor::save() {
    if (!m_text)
        return false;
    BundleEntry& entry = *m_entry;
    const std::wstring text = m_text->getText();
    ErrorList read;
    if (BundleEntrySourceHelper::findUnreadText(text, &read)) {
        // Saved as it reads, the text after the entry would be dropped.
        showProblems(read);
        return false;
    }
    bool applied = false;
    {
        // The entry's manager takes the new version once, as the bracket closes.
        BundleEntry::Update update(entry);
        applied = entry.setSourceText(text, &read);
        if (applied) {
            // The checks of the new text replace those of the old one, placed in the text the
            // user sees; the manager then takes the entry with them.
            entry.getErrors().removeErrorsWithTag(BundleError::TAG_READ);
            entry.getErrors().removeErrorsWithTag(BundleError::TAG_LOAD);
            ErrorList found;
            entry.getValidator().validate(text, &found);
            entry.getErrors().merge(found);
            entry.getErrors().merge(read);
        }
    }
    if (!applied) {
        // The entry stays as it was: only this text is wrong.
        showProblems(read);
        return false;
    }
    // The file is replaced only as the record last found it: as read or written, or as the user
    // answered its change or deletion. An entry whose file takes another name (a new entry
    // renamed before its first save) goes where no file was.
    const std::wstring target = entryFilePath();
    const bool moves = !pel::FileIO::isSamePath(target.c_str(), m_filePath.c_str());
    const FileVersion none;
    FileVersion written;
    const bool saved = entry.canEdit() && entry.save(moves ? &none : &m_fileRecord.seen(), &written);
    if (saved && written.stamp.there) {
        m_filePath = target;
        m_fileRecord.took(written);
    } else {
        lookAtFile(); // nothing written (nothing to), or a failure: the file as it is now is news
    }
    if (saved)
        m_text->markUnmodified();
    showProblems(entry.getErrors());
    return saved;
}

std::wstring BundleEntryEditor::entryFilePath() const {
    BundleEntryFilePath path;
    m_entry->getFilePath(&path);
    const std::shared_ptr<BundleEntrySource>& source = m_entry->getSource();
    if (!source)
        return std::wstring();
    // By the name the system gives it, where it has one: the name a user knows the file by, and
    // one its identity on the volume is read through.
    const std::wstring stored = source->getStorage()->getFullPath(path);
    pel::WorkString<> full;
    return pel::FileIO::getFullPath(stored.c_str(), &full) ? std::wstring(full.c_str()) : stored;
}

void BundleEntryEditor::takeEntryText() {
    m_filePath = entryFilePath();
    // Read before the text is taken, its stamp first: a write meanwhile is news at the next
    // look. An entry's file is small: its bytes are read again for their digest.
    const FileVersion read = pel::readFileVersion(m_filePath);
    m_text->setText(m_entry->isReadable() ? m_entry->getSourceText() : unreadableText());
    m_fileRecord.took(read);
}

std::wstring BundleEntryEditor::unreadableText() const {
    // The file its first reading problem names, as far as it reads as text: what the user mends.
    for (const ErrorList::ErrorPtr& error : m_entry->getErrors().getErrors()) {
        const auto* bundleError = dynamic_cast<const BundleError*>(error.get());
        if (!bundleError || bundleError->getSeverity() < BundleError::SEVERITY_UNREADABLE || !bundleError->hasSource())
            continue;
        std::wstring text;
        ErrorList unused;
        BundleFileStorage::readFile(bundleError->getSource(), &text, &unused);
        return text;
    }
    return std::wstring();
}

bool BundleEntryEditor::lookAtFile() {
    if (!m_filePath.empty()) {
        const FileStamp now = FileStamp::of(m_filePath);
        // Small enough to be read here: its bytes decide where its stamp cannot.
        if (m_fileRecord.needsBytes(now))
            m_fileRecord.takeRead(pel::readFileVersion(m_filePath));
        else
            m_fileRecord.take(m_fileRecord.judge(now), now);
    }
    return m_fileRecord.asks();
}

bool BundleEntryEditor::reloadFromFile() {
    if (!m_text)
        return false;
    const bool read = m_entry->reloadChanges();
    if (read)
        takeEntryText();
    else
        m_fileRecord.take(FILE_CHANGE_UNREADABLE, FileStamp::of(m_filePath));
    showProblems(m_entry->getErrors());
    return read;
}

void BundleEntryEditor::showProblems(const ErrorList& errors) {
    m_problems.clear();
    for (const ErrorList::ErrorPtr& error : errors.getErrors())
        if (error)
            m_problems.push_back(rowOf(*error));
    if (!m_problemList)
        return;
    m_problemList->removeAll();
    // Rows go in at the top: the last first.
    for (auto row = m_problems.rbegin(); row != m_problems.rend(); ++row) {
        m_problemList->insertItem(row->first, -1, 0);
        m_problemList->setSubItemText(row->second.c_str(), static_cast<int>(row->second.size()));
    }
}

std::unique_ptr<BundleEntryEditor> BundleEntrySourceEditor::create(BundleEntry& entry) {
    return std::unique_ptr<BundleEntryEditor>(new BundleEntrySourceEditor(entry));
}

} // namespace tessel
