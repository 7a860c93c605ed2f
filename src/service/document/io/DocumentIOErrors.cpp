#include "service/document/io/DocumentIOErrors.h"

#include "pel/files/file_io/FileError.h"

namespace tessel {

namespace {

using namespace DocumentIOError;

const pel::FileErrorMessage MESSAGES[] = {
    {0, FILE_TOO_LARGE, 1, L"The file '%1' is too large to be opened."},
    {0, CHARACTERS_LOST, 3, L"The document cannot be saved to '%1' in %2: %3"},
    {0, CONVERSION_FAILED, 2, L"Converting the text of '%1' to or from %2 failed."},
    {0, REQUEST_FAILED, 2, L"Reading or writing '%1' failed: %2"},
    {0, DOCUMENT_BUSY, 1, L"'%1' cannot be saved or reloaded while its document is being edited."},
    {0, BYTES_REPLACED, 2,
     L"The document cannot be saved to '%1': its file held bytes that are not valid %2, and saving would replace "
     L"them."},
    {-1, 0, 0, nullptr},
};

} // namespace

void register_document_io_messages() {
    static const bool registered = pel::FileErrorImpl::registerMessages(MESSAGES);
    (void)registered;
}

void set_document_io_error(uint32_t code, const wchar_t* path, const wchar_t* detail, const wchar_t* more) {
    register_document_io_messages();
    pel::ErrorMessageTLS& record = pel::FileErrorObject::setError(code);
    record.addParam(path);
    if (detail)
        record.addParam(detail);
    if (detail && more)
        record.addParam(more);
}

} // namespace tessel
