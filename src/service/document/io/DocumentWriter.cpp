#include "service/document/io/DocumentWriter.h"

#include "pel/base/Assert.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileError.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/io/DocumentEncoding.h"
#include "service/document/io/DocumentIOErrors.h"
#include "service/document/io/LockMutexHold.h"
#include "service/document/io/TextEncoder.h"
#include "service/document/io/TextPieces.h"
#include "service/document/io/UnstorableCharacter.h"

#include <optional>

namespace tessel {

namespace {

// Encoded bytes go to the file once this many have gathered.
constexpr size_t WRITE_BYTES = 1 << 20;

bool conversionFailed(EncodeResult result, const wchar_t* path, uint32_t code, const GapBuffer& text) {
    if (result != EncodeResult::CHARACTERS_LOST) {
        set_document_io_error(DocumentIOError::CONVERSION_FAILED, path, encoding_title(code));
        return false;
    }
    // The message names the first character the encoding refuses and where it stands.
    UnstorableCharacter found;
    find_unstorable_character(text, *TextEncoder::create(code, 1), &found);
    set_document_io_error(DocumentIOError::CHARACTERS_LOST, path, encoding_title(code),
                          describe_unstorable_character(found).c_str());
    return false;
}

} // namespace

bool DocumentWriter::save(Document& document, const wchar_t* path, const FileVersion* expected,
                          pel::SafeSave::Other other, DocumentIOResult* o_result) {
    if (!path || !*path) {
        pel::FileErrorObject::setError(pel::FileErrorCode::INVALID_CALL);
        return false;
    }
    PEL_ASSERT(!pel::is_main_thread());
    // A save the DocumentManager runs finds the mutex held for it by the waiting main thread.
    std::optional<LockMutexHold> hold;
    if (!document.isMutexHeldForLoader())
        hold.emplace(document);
    const DocumentFormat format = document.getFormat();
    if (format.replacedBytes) {
        set_document_io_error(DocumentIOError::BYTES_REPLACED, path, encoding_title(format.detectedEncoding));
        return false;
    }
    const std::unique_ptr<TextEncoder> encoder = TextEncoder::create(format.encoding, format.lineEnding);
    const GapBuffer& text = document.getBuffer();
    for (TextPieces pieces(text, m_pieceUnits); pieces.next();) {
        const EncodeResult result = encoder->check(pieces.text(), pieces.count());
        if (result != EncodeResult::OK)
            return conversionFailed(result, path, format.encoding, text);
    }

    pel::SafeSave file(path);
    if (!file.isOpen())
        return false;
    if (expected)
        file.expect(*expected, other);
    ByteBuffer out;
    const EncodingInfo* encoding = find_encoding(format.encoding);
    if (encoding && encoding->markLength > 0)
        out.append(encoding->mark, static_cast<size_t>(encoding->markLength));
    for (TextPieces pieces(text, m_pieceUnits); pieces.next();) {
        const EncodeResult result = encoder->encode(pieces.text(), pieces.count(), out);
        if (result != EncodeResult::OK)
            return conversionFailed(result, path, format.encoding, text);
        if (out.size() >= WRITE_BYTES) {
            if (!file.write(out.data(), out.size()))
                return false;
            out.clear();
        }
    }
    const bool saved = file.write(out.data(), out.size()) && file.commit();
    // What it kept beside is told also when the save failed after it; a target found changed
    // is told as found.
    if (o_result) {
        o_result->version = saved ? file.written() : file.found();
        o_result->kept = file.kept();
    }
    return saved;
}

} // namespace tessel
