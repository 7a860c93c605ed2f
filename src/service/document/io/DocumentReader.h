#pragma once
// Loading a file into a Document on the loader thread: the file is read in blocks, its encoding
// taken from a byte-order mark or the UTF-8 test, each block decoded with the bytes of a sequence
// it cut off carried into the next, every line break turned into one line feed, and the line
// ending voted from the breaks counted. Bytes the encoding cannot decode load as a replacement
// character (U+FFFD, or a code page's default character), and the format record's replacedBytes
// says so (with one log line naming the first offset). The text is built aside: only a file read
// and decoded to its end replaces the document's text, undo log and detected format; a failure
// leaves the document as it was.

#include "pel/files/FileDigest.h"

#include <cstdint>

namespace tessel {

class Document;
class DocumentIOOwner;

class DocumentReader {
public:
    // The largest block read at once, and the smallest the test setting may make it.
    static constexpr uint32_t MAX_BLOCK = 0x100000;
    static constexpr uint32_t MIN_BLOCK = 16;

    // blockSize is cut to MIN_BLOCK..MAX_BLOCK.
    explicit DocumentReader(uint32_t blockSize = MAX_BLOCK);

    // Must not run on the main thread (a hard check); takes the document's lock mutex. After a
    // load the detected fields of the format record hold the encoding, the owner's detector
    // answer (none without an owner) and the line-ending vote; an empty file leaves them all 0.
    // False with the calling thread's file error record set when the file cannot be opened, read
    // to its end, decoded or held. The file as it was read (its stamp, taken before it was
    // opened, and the digest of its bytes) goes to *o_read when given.
    bool load(Document& document, const wchar_t* path, DocumentIOOwner* owner, pel::FileVersion* o_read = nullptr);

private:
    uint32_t m_blockSize;
};

} // namespace tessel
