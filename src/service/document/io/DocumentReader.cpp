#include "service/document/io/DocumentReader.h"

#include "pel/base/Assert.h"
#include "pel/files/FileUtils.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/text/TextDecoding.h"
#include "pel/thread/MainThread.h"
#include "service/document/Document.h"
#include "service/document/detectors/FormatDetector.h"
#include "service/document/io/DocumentEncoding.h"
#include "service/document/io/DocumentIOErrors.h"
#include "service/document/io/DocumentIOOwner.h"
#include "service/document/io/LineBreakScanner.h"
#include "service/document/io/LockMutexHold.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace tessel {

namespace {

// The smallest text block a load starts with, in units: as much as a new document's gap buffer,
// so that a thousand small files do not hold a large block each.
constexpr int64_t MIN_TEXT_CAPACITY = 0x400;

int64_t counterMicros() {
    static const int64_t frequency = [] {
        LARGE_INTEGER value;
        ::QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

class ReadingFile {
public:
    explicit ReadingFile(pel::File* file) : m_file(file) {}
    ~ReadingFile() {
        if (m_file)
            pel::FileIO::closeFileKeepError(m_file);
    }
    ReadingFile(const ReadingFile&) = delete;
    ReadingFile& operator=(const ReadingFile&) = delete;
    pel::File* get() const { return m_file; }

private:
    pel::File* m_file;
};

// False, with the record set to code unless the failing call set one.
bool failed(uint32_t code, const wchar_t* path) {
    if (pel::FileErrorObject::getErrorCode() == 0)
        pel::FileErrorObject::setError(code).addParam(path);
    return false;
}

// A read that came short: a file shorter now than its size said at the start was cut while it
// was read, whatever the failing read reported (Wine: "Read fault."). The size is the one on
// disk, not the open file's, which a buffer keeps as it was. A file that grows meanwhile loads as
// it was when the read began, as an appended log does.
bool cutShort(int64_t size, const wchar_t* path) {
    const pel::ErrorMessageTLS failure = pel::FileErrorObject::ensureRecord();
    pel::FileInfo now{};
    if (pel::FileIO::getFileInfo(path, &now) && static_cast<int64_t>(now.size) < size) {
        pel::FileErrorObject::setError(pel::FileErrorCode::CHANGED_WHILE_READ).addParam(path);
        return false;
    }
    pel::FileErrorObject::ensureRecord() = failure;
    return failed(ERROR_HANDLE_EOF, path);
}

// The most units decoding count bytes can make: one a byte, one for two bytes of UTF-16 and
// UTF-32, and a replacement character for a sequence cut off at the end.
size_t mostUnits(size_t count, uint32_t code) {
    const bool wide = code == pel::ENCODING_UTF16LE || code == pel::ENCODING_UTF16BE || code == pel::ENCODING_UTF32LE ||
                      code == pel::ENCODING_UTF32BE;
    return (wide ? count / 2 : count) + 1;
}

// The units a file's text is expected to take: an eighth more than its bytes (half for UTF-16,
// whose units take two), at least MIN_TEXT_CAPACITY.
int64_t textCapacity(int64_t size, uint32_t code) {
    const int64_t spare = size + size / 8;
    const bool utf16 = code == pel::ENCODING_UTF16LE || code == pel::ENCODING_UTF16BE;
    return std::max(MIN_TEXT_CAPACITY, utf16 ? spare / 2 : spare);
}

void storeDetection(Document& document, uint32_t code, const DetectorAnswer& answer, const LineEndingVote& vote,
                    float encodingConfidence, bool replacedBytes = false) {
    document.changeFormat([&](DocumentFormat& format) {
        format.replacedBytes = replacedBytes;
        format.encodingConfidence = encodingConfidence;
        format.detectedEncoding = code;
        format.softTabsConfidence = answer.softTabsConfidence;
        format.detectedSoftTabs = answer.softTabs;
        format.tabWidthConfidence = answer.tabWidthConfidence;
        format.detectedTabWidth = answer.tabWidth;
        format.lineEndingConfidence = vote.confidence;
        format.detectedLineEnding = vote.lineEnding;
    });
}

// A detector that fails costs its answer, not the load of a file read in full.
void runDetectors(DocumentIOOwner* owner, Document& document, DetectorAnswer& answer) {
    if (!owner)
        return;
    try {
        owner->runFormatDetectors(answer, document);
    } catch (const pel::Exception& e) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"DocumentIO: A format detector failed: %s\n",
                        e.displayText().c_str());
        answer = DetectorAnswer();
    } catch (const std::exception&) {
        pel::log_printf(pel::LOG_ERROR, pel::LOG_UNKNOWN_SOURCE, L"DocumentIO: A format detector failed.\n");
        answer = DetectorAnswer();
    }
}

} // namespace

DocumentReader::DocumentReader(uint32_t blockSize) : m_blockSize(std::min(MAX_BLOCK, std::max(MIN_BLOCK, blockSize))) {}

bool DocumentReader::load(Document& document, const wchar_t* path, DocumentIOOwner* owner, pel::FileVersion* o_read) {
    if (!path) {
        pel::FileErrorObject::setError(pel::FileErrorCode::INVALID_CALL);
        return false;
    }
    // Taken before the bytes are read: a write while they are read gives the file a later stamp.
    const pel::FileStamp stamp = pel::FileStamp::of(path);
    pel::FileDigester digester;
    const ReadingFile file(pel::FileIO::openFile(path, pel::FILE_MODE_READ));
    if (!file.get())
        return false;
    // A device or a pipe reads as nothing or without end: it is no text to edit.
    if (!file.get()->isDiskFile()) {
        pel::FileErrorObject::setError(pel::FileErrorCode::NOT_A_FILE).addParam(path);
        return false;
    }
    PEL_ASSERT(!pel::is_main_thread());
    const LockMutexHold hold(document);
    const int64_t size = file.get()->getSize();
    if (size < 0)
        return failed(ERROR_READ_FAULT, path);
    if (size == 0) {
        document.resetWithBuffer(GapBuffer(), nullptr, 0);
        storeDetection(document, 0, DetectorAnswer(), LineEndingVote{0.0f, 0}, 0.0f);
        if (o_read)
            *o_read = {stamp, digester.finish()};
        return true;
    }

    const uint32_t block = static_cast<uint32_t>(std::min<int64_t>(size, m_blockSize));
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[block]);
    std::unique_ptr<LoadedText> text;
    std::unique_ptr<LineBreakScanner> scanner;
    uint32_t code = 0;
    int64_t storing = 0; // microseconds spent storing decoded text
    int64_t firstReplaced = -1; // file offset of the first bytes decoded as U+FFFD in their place
    // Each block is decoded into the text's room and its breaks made line feeds in place; offset
    // is the input's place in the file.
    const auto decode = [&](const unsigned char* input, size_t count, int64_t offset, size_t* o_consumed) {
        const size_t slot = scanner->pending() ? 1 : 0;
        size_t produced = mostUnits(count, code);
        wchar_t* units = text->room(produced + slot) + slot;
        size_t replaced = pel::NO_REPLACEMENT;
        if (!pel::decode_text(units, input, count, code, &produced, o_consumed, &replaced)) {
            set_document_io_error(DocumentIOError::CONVERSION_FAILED, path, encoding_title(code));
            return false;
        }
        if (replaced != pel::NO_REPLACEMENT && firstReplaced < 0)
            firstReplaced = offset + static_cast<int64_t>(replaced);
        const int64_t start = counterMicros();
        scanner->scan(units, produced);
        storing += counterMicros() - start;
        return true;
    };

    size_t carry = 0; // bytes of a cut-off sequence at the front of the buffer
    for (int64_t remaining = size; remaining > 0;) {
        const uint32_t want = static_cast<uint32_t>(std::min<int64_t>(remaining, block - carry));
        if (pel::FileUtils::readFully(nullptr, file.get(), bytes.get() + carry, want) != want)
            return cutShort(size, path);
        digester.update(bytes.get() + carry, want);
        const int64_t offset = size - remaining - static_cast<int64_t>(carry); // of the buffer's first byte
        remaining -= want;
        const size_t available = carry + want;
        size_t start = 0;
        if (!text) {
            const pel::BomEntry& mark = pel::detect_bom_encoding(bytes.get(), available);
            code = mark.code;
            start = static_cast<size_t>(mark.length);
            // A first block that holds the whole file ends its text, not a block.
            if (mark.length == 0 && pel::is_utf8_text(bytes.get(), available, remaining == 0))
                code = pel::ENCODING_UTF8_PLAIN;
            const int64_t capacity = textCapacity(size, code);
            if (capacity > LoadedText::MAX_UNITS) {
                set_document_io_error(DocumentIOError::FILE_TOO_LARGE, path);
                return false;
            }
            text.reset(new LoadedText(capacity));
            // Room for a line of every 16 bytes: pages of it never written take no memory, and
            // most texts never make the block move to grow.
            scanner.reset(new LineBreakScanner(*text, size / 16 + 1024));
        }
        size_t consumed = 0;
        if (!decode(bytes.get() + start, available - start, offset + static_cast<int64_t>(start), &consumed))
            return false;
        carry = available - start - consumed;
        // Whole sequences are a few bytes long: a decoder that leaves most of a block is broken.
        if (remaining > 0 && carry > block / 2) {
            set_document_io_error(DocumentIOError::CONVERSION_FAILED, path, encoding_title(code));
            return false;
        }
        std::memmove(bytes.get(), bytes.get() + start + consumed, carry);
    }
    // What is still carried ends the input: a cut-off sequence or an odd byte becomes U+FFFD.
    if (carry > 0 && !decode(bytes.get(), carry, size - static_cast<int64_t>(carry), nullptr))
        return false;
    if (firstReplaced >= 0)
        pel::log_printf(pel::LOG_WARNING, pel::LOG_UNKNOWN_SOURCE,
                        L"DocumentIO: '%s' holds bytes that are not valid %s, first at offset %I64d; they load as "
                        L"replacement characters.\n",
                        path, encoding_title(code), firstReplaced);
    pel::log_printf(pel::LOG_INFO, pel::LOG_UNKNOWN_SOURCE, L"DocumentIO: Data read time: %d",
                    static_cast<int>(storing));
    scanner->finish();
    bytes.reset();

    document.resetWithBuffer(text->release(), std::move(scanner->positions()));

    DetectorAnswer answer;
    runDetectors(owner, document, answer);
    const LineEndingVote vote = vote_line_ending(scanner->count(BREAK_WINDOWS), scanner->count(BREAK_UNIX),
                                                 scanner->count(BREAK_MAC));
    storeDetection(document, code, answer, vote, 1.0f, firstReplaced >= 0);
    if (o_read)
        *o_read = {stamp, digester.finish()};
    return true;
}

} // namespace tessel
