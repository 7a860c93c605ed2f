#pragma once
// Keeps the path of the document loaded last in a fixed process-wide buffer, so that the file a
// crash happened with can be found in a memory image of the process. The program never reads
// the buffer; until the first load it holds a placeholder text that marks it in such an image.

#include "service/document/DocumentListener.h"

#include <cstddef>

namespace tessel {

struct DocumentFormat;

class MCListener : public DocumentListener {
public:
    // Units of the buffer, its terminating 0 included: room for a path of MAX_PATH characters.
    static constexpr size_t GRABBED_NAME_UNITS = 261;

    // Copies the document's path into the buffer (on the main thread, once it loaded).
    void onLoaded(Document& document) override;
    // Copies the record's path, or an empty text for an empty path.
    static void storeFileName(const DocumentFormat& format);
    // The buffer's current text.
    static const wchar_t* grabbedFileName();
};

// Copies path into buffer, which holds capacity units (at least 1): a longer path is cut so that
// the terminating 0 still fits; nothing behind the buffer is written. A null path stores "".
void grab_file_name(wchar_t* buffer, size_t capacity, const wchar_t* path);

} // namespace tessel
