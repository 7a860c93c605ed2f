#include "pel/stream/StreamTextReader.h"

#include "pel/base/Assert.h"
#include "pel/text/TextDecoding.h"
#include "pel/text/TextEncoding.h"

#include <algorithm>

namespace pel {

namespace {

// The ICU converter for each byte-order mark that detect_bom_encoding knows.
const wchar_t* converterName(uint32_t code) {
    switch (code) {
    case ENCODING_UTF16LE:
        return L"UTF-16LE";
    case ENCODING_UTF16BE:
        return L"UTF-16BE";
    case ENCODING_UTF32LE:
        return L"UTF-32LE";
    case ENCODING_UTF32BE:
        return L"UTF-32BE";
    default:
        return L"UTF-8";
    }
}

std::shared_ptr<TextEncoding> createEncoding(const wchar_t* name) {
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(name);
    PEL_CHECK_PTR(encoding);
    return encoding;
}

} // namespace

StreamTextReader::StreamTextReader(std::istream& stream)
    : StreamTextReader(stream, createEncoding(L"UTF-16LE")) {}

StreamTextReader::StreamTextReader(std::istream& stream, std::shared_ptr<TextEncoding> encoding)
    : m_stream(&stream), m_detect(!encoding), m_bytes(CHUNK_BYTES) {
    if (encoding)
        setEncoding(std::move(encoding));
}

StreamTextReader::~StreamTextReader() = default;

void StreamTextReader::checkOpen() const {
    if (!m_stream)
        throw IllegalStateException(L"stream is closed");
}

void StreamTextReader::setEncoding(std::shared_ptr<TextEncoding> encoding) {
    m_encoding = std::move(encoding);
    ucnv_resetToUnicode(m_encoding->converter); // it may come from an earlier text
    m_unitCapacity = ucnv_getMinCharSize(m_encoding->converter) * CHUNK_BYTES;
    m_detect = false;
}

void StreamTextReader::readChunk() {
    // While detection is pending the bytes read so far stay; otherwise all were converted.
    if (!m_detect)
        m_byteCount = m_bytePos = 0;
    do {
        if (!m_stream->good()) {
            m_lastChunk = true;
        } else {
            try {
                m_stream->read(m_bytes.data() + m_byteCount, CHUNK_BYTES - m_byteCount);
            } catch (const std::ios_base::failure&) {
                // A stream that throws at its end or on an error: either ends the text.
            }
            const int n = static_cast<int>(m_stream->gcount());
            m_lastChunk = n < CHUNK_BYTES - m_byteCount;
            m_byteCount += n;
        }
        if (m_detect && m_byteCount > 0)
            detectEncoding();
    } while (m_detect && !m_lastChunk);
}

void StreamTextReader::detectEncoding() {
    const BomEntry& mark = detect_bom_encoding(m_bytes.data(), static_cast<size_t>(m_byteCount));
    if (mark.length > 0) {
        setEncoding(createEncoding(converterName(mark.code)));
        m_bytePos = mark.length;
    } else if (m_byteCount >= 3 || m_lastChunk) {
        // No mark; too short to hold one only when the data ends here.
        setEncoding(createEncoding(L"UTF-8"));
    }
}

bool StreamTextReader::prepareBytes() {
    if (m_bytePos == m_byteCount && !m_lastChunk)
        readChunk();
    return m_encoding && !(m_bytePos == m_byteCount && m_flushed);
}

int StreamTextReader::convert(wchar_t* target, int room) {
    while (prepareBytes()) {
        TextEncoding& encoding = *m_encoding;
        UChar* out = reinterpret_cast<UChar*>(target);
        const char* in = m_bytes.data() + m_bytePos;
        encoding.status = U_ZERO_ERROR;
        // Told of the end only with the last bytes, and again with none once the stream ends
        // on a chunk boundary, so that a cut-off sequence still comes out.
        ucnv_toUnicode(encoding.converter, &out, out + room, &in, m_bytes.data() + m_byteCount, nullptr,
                       m_lastChunk, &encoding.status);
        m_bytePos = static_cast<int>(in - m_bytes.data());
        // A full target is no failure: the bytes not yet converted wait for the next call, and
        // a character split at the target's end waits inside the converter.
        const bool full = encoding.status == U_BUFFER_OVERFLOW_ERROR;
        if (!full && !encoding.succeeded())
            assertionViolation(L"0 && \"Conversion failed\"", PEL_FILE, __LINE__);
        if (m_lastChunk && !full && m_bytePos == m_byteCount)
            m_flushed = true;
        const int produced = static_cast<int>(out - reinterpret_cast<UChar*>(target));
        if (produced > 0)
            return produced;
    }
    return 0;
}

int StreamTextReader::decodeChunk() {
    m_unitCount = m_unitPos = 0;
    if (!prepareBytes())
        return 0;
    if (!m_units)
        m_units.reset(new std::vector<wchar_t>(static_cast<size_t>(m_unitCapacity)));
    m_unitCount = convert(m_units->data(), m_unitCapacity);
    return m_unitCount;
}

int StreamTextReader::read(wchar_t* buffer, int count) {
    checkOpen();
    if (!buffer)
        throw NullPointerException(L"buffer");
    if (count < 0)
        throw RangeException(L"count");
    int delivered = 0;
    bool direct = false;
    while (delivered < count) {
        const int available = m_unitCount - m_unitPos;
        if (available > 0) {
            const int n = std::min(available, count - delivered);
            std::copy_n(m_units->data() + m_unitPos, n, buffer + delivered);
            m_unitPos += n;
            delivered += n;
            continue;
        }
        // Large reads decode straight into the caller's buffer, for the rest of the call.
        if (!direct) {
            if (!prepareBytes())
                break;
            direct = count - delivered >= m_unitCapacity;
        }
        if (direct) {
            const int n = convert(buffer + delivered, count - delivered);
            if (n == 0)
                break;
            delivered += n;
        } else if (decodeChunk() == 0) {
            break;
        }
    }
    return delivered;
}

int StreamTextReader::readToEnd(std::wstring& text) {
    checkOpen();
    text.clear();
    do {
        if (m_unitPos < m_unitCount)
            text.append(m_units->data() + m_unitPos, static_cast<size_t>(m_unitCount - m_unitPos));
        m_unitPos = m_unitCount;
    } while (decodeChunk() > 0);
    return static_cast<int>(text.size());
}

int StreamTextReader::readLine(std::wstring& line) {
    checkOpen();
    if (m_unitPos == m_unitCount && decodeChunk() == 0)
        return -1;
    for (;;) {
        const wchar_t* const units = m_units->data();
        const wchar_t* const begin = units + m_unitPos;
        const wchar_t* const end = units + m_unitCount;
        const wchar_t* const stop = std::find_if(begin, end, [](wchar_t c) { return c == L'\n' || c == L'\r'; });
        line.append(begin, stop);
        if (stop == end) {
            m_unitPos = m_unitCount;
            if (decodeChunk() == 0)
                return static_cast<int>(line.size());
            continue;
        }
        m_unitPos = static_cast<int>(stop - units) + 1;
        if (*stop == L'\r' && (m_unitPos < m_unitCount || decodeChunk() > 0) && (*m_units)[m_unitPos] == L'\n')
            ++m_unitPos;
        return static_cast<int>(line.size());
    }
}

int StreamTextReader::peek() {
    checkOpen();
    if (m_unitPos == m_unitCount && decodeChunk() == 0)
        return -1;
    return static_cast<unsigned short>((*m_units)[m_unitPos]);
}

int StreamTextReader::read() {
    checkOpen();
    if (m_unitPos == m_unitCount && decodeChunk() == 0)
        return -1;
    return static_cast<unsigned short>((*m_units)[m_unitPos++]);
}

int StreamTextReader::peekUnits(const wchar_t** o_units) {
    checkOpen();
    PEL_CHECK_PTR(o_units);
    if (m_unitPos == m_unitCount && decodeChunk() == 0)
        return 0;
    *o_units = m_units->data() + m_unitPos;
    return m_unitCount - m_unitPos;
}

void StreamTextReader::skip(int count) {
    checkOpen();
    m_unitPos += std::max(0, std::min(count, m_unitCount - m_unitPos));
}

void StreamTextReader::close() {
    checkOpen();
    m_stream = nullptr;
}

} // namespace pel
