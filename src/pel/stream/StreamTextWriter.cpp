#include "pel/stream/StreamTextWriter.h"

#include "pel/base/Assert.h"
#include "pel/log/Log.h"
#include "pel/text/TextEncoding.h"

#include <algorithm>

namespace pel {

StreamTextWriter::StreamTextWriter(std::ostream& stream) : StreamTextWriter(stream, TextEncoding::create(L"UTF-16LE")) {}

StreamTextWriter::StreamTextWriter(std::ostream& stream, std::shared_ptr<TextEncoding> encoding, int lineEnding)
    : TextWriter(lineEnding, std::move(encoding)), m_stream(&stream) {
    ucnv_resetFromUnicode(m_encoding->converter); // it may come from an earlier text
    m_bytes.resize(static_cast<size_t>(ucnv_getMaxCharSize(m_encoding->converter)) * UNIT_BUFFER);
}

StreamTextWriter::~StreamTextWriter() {
    if (!m_stream)
        return;
    try {
        close();
    } catch (const Exception& e) {
        log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"StreamTextWriter::~StreamTextWriter(): %s",
                   e.displayText().c_str());
    } catch (...) {
        log_printf(LOG_ERROR, LOG_UNKNOWN_SOURCE, L"StreamTextWriter::~StreamTextWriter(): the text could not be written.");
    }
}

void StreamTextWriter::checkOpen() const {
    if (!m_stream)
        throw IllegalStateException(L"stream is closed");
}

void StreamTextWriter::convertUnits(bool end) {
    checkOpen();
    TextEncoding& encoding = *m_encoding;
    const UChar* in = reinterpret_cast<const UChar*>(m_units);
    const UChar* const limit = in + m_unitCount;
    m_unitCount = 0;
    bool more = true;
    while (more) {
        char* out = m_bytes.data();
        encoding.status = U_ZERO_ERROR;
        ucnv_fromUnicode(encoding.converter, &out, out + m_bytes.size(), &in, limit, nullptr, end, &encoding.status);
        // A full byte buffer is no failure: a high surrogate left from the previous call adds
        // to this call's units. Write what came out and go on.
        more = encoding.status == U_BUFFER_OVERFLOW_ERROR;
        if (!more && !encoding.succeeded())
            assertionViolation(L"status == TextEncoding::S_Success", PEL_FILE, __LINE__);
        if (out != m_bytes.data())
            m_stream->write(m_bytes.data(), out - m_bytes.data());
    }
}

void StreamTextWriter::endCall() {
    if (m_autoFlush) {
        convertUnits(false);
        m_stream->flush();
    }
}

int StreamTextWriter::write(wchar_t c) {
    checkOpen();
    if (m_unitCount == UNIT_BUFFER)
        convertUnits(false);
    m_units[m_unitCount++] = c;
    endCall();
    return 1;
}

int StreamTextWriter::write(const wchar_t* text, int length) {
    if (!text)
        return 0;
    checkOpen();
    const int taken = std::max(length, 0);
    for (int pos = 0; pos < taken;) {
        if (m_unitCount == UNIT_BUFFER)
            convertUnits(false);
        const int n = std::min(UNIT_BUFFER - m_unitCount, taken - pos);
        std::copy_n(text + pos, n, m_units + m_unitCount);
        m_unitCount += n;
        pos += n;
    }
    endCall();
    return taken;
}

void StreamTextWriter::close() {
    checkOpen();
    try {
        convertUnits(true);
        m_stream->flush();
    } catch (...) {
        m_stream = nullptr;
        throw;
    }
    m_stream = nullptr;
}

} // namespace pel
