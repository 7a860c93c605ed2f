#pragma once
// Saving a Document on the loader thread: its text in its format's encoding, the encoding's
// byte-order mark first, every line feed written as the break bytes of its line ending and
// nothing after the last line. The save goes through pel::SafeSave, so the old file is replaced
// only once every byte was written; and it fails before anything is written when the encoding
// cannot store every character or the load replaced bytes it could not decode.

#include "service/document/io/DocumentIORequest.h"

#include <cstdint>

namespace tessel {

class Document;

class DocumentWriter {
public:
    // Text is converted in pieces of at most this many units.
    static constexpr int32_t PIECE_UNITS = 0x10000;

    explicit DocumentWriter(int32_t pieceUnits = PIECE_UNITS) : m_pieceUnits(pieceUnits) {}

    // Must not run on the main thread (a hard check); takes the document's lock mutex unless it
    // is held for the save (Document::holdMutexForLoader). The undo log is left alone: the waiting
    // thread marks the saved state (DocumentIO::wait). On failure the calling thread's file
    // error record says why and the file is as it was (unless its device is written in place
    // and the write itself failed). With `expected`, the file is replaced only as that version
    // has it, and another one is refused or kept beside as `other` says (pel::SafeSave::expect);
    // the file as the save left it, and the one it kept beside, go to *o_result when given.
    bool save(Document& document, const wchar_t* path, const FileVersion* expected = nullptr,
              pel::SafeSave::Other other = pel::SafeSave::Other::REFUSE, DocumentIOResult* o_result = nullptr);

private:
    int32_t m_pieceUnits;
};

} // namespace tessel
