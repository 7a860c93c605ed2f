#pragma once
// The format record of a Document: whether it differs from its file, how the file is encoded,
// which line ending and indentation it uses, its path and what the load detected. The Document
// keeps the current record and a snapshot of the one last notified; their difference, as a
// change mask, tells listeners what changed.

#include "pel/legacy/WorkString.h"
#include "pel/text/Indentation.h"

#include <cstdint>

namespace tessel {

// UTF-8 without a byte-order mark.
constexpr uint32_t DEFAULT_ENCODING = 0x8000FDE9;

enum : uint32_t {
    LINE_ENDING_WINDOWS = 0, // CR LF
    LINE_ENDING_UNIX = 1,    // LF
    LINE_ENDING_MAC = 2,     // CR
};

// Bits of the change mask; the detection fields take no part in it.
enum : uint32_t {
    FORMAT_CHANGED_MODIFIED = 0x01,
    FORMAT_CHANGED_IS_NEW = 0x02,
    FORMAT_CHANGED_ENCODING = 0x10, // encoding, line ending or indentation
    FORMAT_CHANGED_PATH = 0x20,
    FORMAT_CHANGED_PATH_FLAGS = 0x40, // pathFlag or pathValue
};

struct DocumentFormat {
    bool modified = false;
    bool isNew = true; // created empty, no file yet
    // What the load and the format detectors found.
    float encodingConfidence = 0.0f;
    uint32_t detectedEncoding = 0;
    float softTabsConfidence = 0.0f;
    bool detectedSoftTabs = false;
    float tabWidthConfidence = 0.0f;
    int32_t detectedTabWidth = 0;
    float lineEndingConfidence = 0.0f;
    uint32_t detectedLineEnding = 0;
    // The load met bytes that are not valid in detectedEncoding and holds replacement characters
    // in their place (U+FFFD, or a code page's default character): a save would write those over
    // them, so it is refused until this is cleared (the user chose to save anyway).
    bool replacedBytes = false;

    uint32_t encoding = DEFAULT_ENCODING;
    uint32_t lineEnding = LINE_ENDING_WINDOWS;
    pel::Indentation indentation;
    pel::WorkString<256> path;
    bool pathFlag = false;
    float pathValue = 0.0f;
};

// The mask of the fields in which current differs from snapshot; 0 when they agree.
uint32_t compareFormats(const DocumentFormat& current, const DocumentFormat& snapshot);

} // namespace tessel
