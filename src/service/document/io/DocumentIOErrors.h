#pragma once
// The file errors of loading and saving documents that the system has no code for, with their
// messages in the file error registry.

#include <cstdint>

namespace tessel {

namespace DocumentIOError {
enum : uint32_t {
    // %1 the path.
    FILE_TOO_LARGE = 0x20040001,
    // %1 the path, %2 the encoding's title, %3 which character, where, and what can be done
    // (describe_unstorable_character): a save that would replace characters.
    CHARACTERS_LOST = 0x20040002,
    // %1 the path, %2 the encoding's title.
    CONVERSION_FAILED = 0x20040003,
    // %1 the path, %2 what went wrong (an exception's text).
    REQUEST_FAILED = 0x20040004,
    // %1 the path: a save or reload asked while the main thread holds the document's lock, which
    // the loader would wait for.
    DOCUMENT_BUSY = 0x20040005,
    // %1 the path, %2 the title of the encoding the file was read in: a save of a document whose
    // load replaced bytes that encoding could not decode.
    BYTES_REPLACED = 0x20040006,
};
} // namespace DocumentIOError

// Adds the messages to the registry, once per process; later calls do nothing. Clears the
// calling thread's file error record on the first call.
void register_document_io_messages();

// Sets the calling thread's file error record to the code with the path (and the details, when
// given) as its parameters.
void set_document_io_error(uint32_t code, const wchar_t* path, const wchar_t* detail = nullptr,
                           const wchar_t* more = nullptr);

} // namespace tessel
