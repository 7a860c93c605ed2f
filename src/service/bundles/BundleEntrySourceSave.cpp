// Saving an entry source: its changes document goes into the changes layer.

#include "service/bundles/BundleEntrySource.h"
#include "service/bundles/BundleError.h"
#include "service/bundles/IBundleStorage.h"

#include "service/base/error/ErrorList.h"

#include "pel/base/Assert.h"
#include "pel/files/FileFailure.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/text/TextConversion.h"

#include <exception>

namespace tessel {

namespace {

void addSaveError(ErrorList* io_errors, const std::wstring& message, const BundleEntryFilePath* path = nullptr) {
    std::shared_ptr<BundleError> error =
        makeBundleError(BundleError::TAG_SAVE, BundleError::SEVERITY_UNREADABLE, message);
    if (path)
        error->setSource(path->toString(false));
    io_errors->add(error);
}

// What the thread's file error record says of the file, in the user's words: the file by the
// name the system gives it, never the layer's device path or the temporary file of the save.
bool failedOn(const std::wstring& file, std::wstring* o_failure) {
    *o_failure =
        pel::describeFileFailure(pel::FileAction::SAVE, pel::systemPathOf(file), pel::FileErrorObject::ensureRecord());
    return false;
}

// The folder an entry file goes into: the path without its file name.
BundleEntryFilePath folderOf(const BundleEntryFilePath& path) {
    BundleEntryFilePath folder = path;
    folder.entry = BundleEntryFileName();
    return folder;
}

} // namespace

void BundleEntrySource::createChangesSource() {
    PEL_ASSERT(hasSource());
    PEL_ASSERT(!hasSource(BundleEntryRepository::T_Changes));
    ErrorList errors;
    getSourceText(&errors);
    PEL_ASSERT(errors.empty());
    // The merged document, already read into tokens, is the new merged document as it is.
    const bool r = setMergedDocument(m_tokens, m_value, &errors);
    PEL_ASSERT(r == true);
    PEL_ASSERT(hasSource(BundleEntryRepository::T_Changes));
}

bool BundleEntrySource::save(const BundleEntryFilePath& save_path, ErrorList* io_errors,
                             const pel::FileVersion* expected, pel::FileVersion* o_written) {
    PEL_ASSERT(!save_path.empty());
    PEL_CHECK_PTR(io_errors);
    if (!hasSource())
        return true;
    try {
        if (!hasSource(BundleEntryRepository::T_Changes)) {
            const BundleEntryFilePath* top = getTopPath();
            if (!top || BundleEntryFilePath::equalsIgnoringStorage(*top, save_path))
                return true;
            createChangesSource();
        }
        // A changes file read for its value alone is read again with its text, which is
        // written as it is: comments and layout stay.
        if (!getSource(BundleEntryRepository::T_Changes)->tokens && !makeTextCurrent(io_errors))
            return false;
        const SourcePtr changes_source = getSource(BundleEntryRepository::T_Changes);
        PEL_ASSERT(changes_source != NULL);
        std::wstring failure;
        if (!writeChanges(save_path, *changes_source, expected, o_written, &failure)) {
            addSaveError(io_errors, failure);
            return false;
        }
    } catch (const pel::Exception& e) {
        addSaveError(io_errors, e.displayText(), &save_path);
        return false;
    } catch (const std::exception& e) {
        std::wstring message;
        pel::appendNarrow(e.what(), message);
        addSaveError(io_errors, message, &save_path);
        return false;
    }
    setPath(save_path);
    return true;
}

bool BundleEntrySource::writeChanges(const BundleEntryFilePath& save_path, const Source& changes,
                                     const pel::FileVersion* expected, pel::FileVersion* o_written,
                                     std::wstring* o_failure) {
    const BundleEntryFilePath& previous = getPath(BundleEntryRepository::T_Changes);
    const bool moving = !previous.empty() && !BundleEntryFilePath::equals(previous, save_path);
    const std::wstring target = m_storage->getFullPath(save_path);
    // The old file stays until the commit (SafeSave writes beside the target), so no copy of it
    // is needed.
    if (!pel::FileIO::createDirectories(m_storage->getFullPath(folderOf(save_path)).c_str())) {
        // The file's folder could not be made: the words say so of the folder.
        pel::FileErrorObject::ensureRecord().step = pel::FileStep::FOLDER;
        return failedOn(target, o_failure);
    }
    pel::SafeSave file(target.c_str());
    if (!file.isOpen())
        return failedOn(target, o_failure);
    if (expected)
        file.expect(*expected);

    std::wstring data(1, L'\xFEFF'); // UTF-16LE, as the units lie in memory
    changes.tokens->appendText(0, changes.tokens->size() - 1, data);
    if (!file.write(data.data(), data.size() * sizeof(wchar_t)) || !file.commit())
        return failedOn(target, o_failure);
    if (o_written)
        *o_written = file.written();
    // Otherwise the layer would hold the entry twice, in two bundle folders, and the loader
    // would drop both.
    return !moving || removeChangesFile(previous, o_failure);
}

void BundleEntrySource::rereadChanges(const BundleEntryFilePath& path) {
    layer(BundleEntryRepository::T_Changes).reset();
    m_paths[BundleEntryRepository::T_Changes - 1] = path;
    markStale();
}

bool BundleEntrySource::removeChangesFile(const BundleEntryFilePath& path, std::wstring* o_failure) const {
    const std::wstring file = m_storage->getFullPath(path);
    // Left behind, the old file would give the layer two entries of one UUID, and the loader
    // would drop both at the next start: the save says so instead of succeeding.
    if (pel::FileIO::isFile(file.c_str()) && !pel::FileIO::deleteFile(file.c_str()))
        return failedOn(file, o_failure);
    BundleEntryFilePath folder = folderOf(path);
    if (!folder.folder.empty()) {
        pel::FileIO::removeDirectory(m_storage->getFullPath(folder).c_str()); // only when empty
        folder.folder.clear();
    }
    pel::FileIO::removeDirectory(m_storage->getFullPath(folder).c_str());
    return true;
}

} // namespace tessel
