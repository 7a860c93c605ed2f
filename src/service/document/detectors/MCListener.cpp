#include "service/document/detectors/MCListener.h"

#include "service/document/Document.h"

#include <cwchar>

namespace tessel {

namespace {

// Writable and process-wide, so that it lies in a memory image; the placeholder marks it there.
wchar_t s_grabbedFileName[MCListener::GRABBED_NAME_UNITS] = L"<<< Grabbed document filename will be stored here >>>";

} // namespace

void grab_file_name(wchar_t* buffer, size_t capacity, const wchar_t* path) {
    if (!buffer || capacity == 0)
        return;
    size_t length = path ? std::wcslen(path) : 0;
    if (length > capacity - 1)
        length = capacity - 1;
    if (length)
        std::wmemcpy(buffer, path, length);
    buffer[length] = 0;
}

void MCListener::onLoaded(Document& document) { storeFileName(document.getFormat()); }

void MCListener::storeFileName(const DocumentFormat& format) {
    grab_file_name(s_grabbedFileName, GRABBED_NAME_UNITS, format.path.c_str());
}

const wchar_t* MCListener::grabbedFileName() { return s_grabbedFileName; }

} // namespace tessel
