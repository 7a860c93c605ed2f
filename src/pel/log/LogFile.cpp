#include "pel/log/LogFile.h"

#include "pel/base/Exception.h"
#include "pel/log/DelayedLogFileWrite.h"
#include "pel/log/LogManager.h"
#include "pel/stream/FileStream.h"
#include "pel/text/TextEncoding.h"

#include <cwchar>

namespace pel {

namespace {

void writeUnits(std::ostream& out, const wchar_t* text, size_t length) {
    // wchar_t holds UTF-16 code units in the machine's (little-endian) order.
    out.write(reinterpret_cast<const char*>(text), static_cast<std::streamsize>(length * sizeof(wchar_t)));
}

} // namespace

LogFile::LogFile() : LogFile(DEFAULT_PATH, F_DEFAULT) {}

LogFile::LogFile(const wchar_t* path, uint32_t flags) : m_flags(flags), m_path(path ? path : L"") { open(); }

void LogFile::open() {
    try {
        // Not cut: the last start's log stays until the new text is there (cutOldText).
        m_stream.reset(new FileOutputStream(m_path, std::ios::out));
    } catch (const Exception&) {
        m_stream.reset();
    }
    if (!m_stream || !m_stream->good()) {
        m_stream.reset();
        log_printf(LOG_ERROR, LOG_INTERNAL_SOURCE, L"\n\nCan't open log file '%s'\n\n", m_path.c_str());
        return;
    }
    int length = 0;
    std::shared_ptr<TextEncoding> encoding = TextEncoding::create(L"UTF-16LE");
    const unsigned char* preamble = encoding ? encoding->getPreamble(&length) : nullptr;
    if (preamble)
        m_stream->write(reinterpret_cast<const char*>(preamble), length);
    log_printf(LOG_INFO, LOG_INTERNAL_SOURCE, L"Log file '%s' has been created\n", m_path.c_str());
    if (m_flags & F_DELAYED_WRITE) {
        m_writer.reset(new DelayedLogFileWrite(*this));
        m_writer->setPriority(THREAD_PRIORITY_BELOW_NORMAL);
        m_writer->start();
    }
}

LogFile::~LogFile() {
    try {
        if (m_writer) {
            m_writer->requestStop();
            m_writer.reset();
        }
        if (m_stream) {
            if (!m_writeFailed)
                flush();
            m_stream->close(); // a failed close sets the stream's fail state
            m_stream.reset();
        }
    } catch (...) {
        // A destructor never throws; the file is as complete as it could be made.
    }
}

void LogFile::onMessage(LogMessage* message) {
    // A file that failed takes nothing more: queued lines would only pile up.
    if (!m_stream || m_writeFailed)
        return;
    if (m_writer)
        m_writer->enqueue(message);
    else
        write(message);
}

const wchar_t* LogFile::levelPrefix(int level) {
    static const wchar_t* const prefixes[] = {L"[ DEBUG    ] ", L"[ INFO     ] ", L"[ WARNING  ] ", L"[ ERROR    ] ",
                                              L"[ CRITICAL ] "};
    return level >= LOG_DEBUG && level <= LOG_CRITICAL ? prefixes[level] : L"[ UNKNOWN  ] ";
}

bool LogFile::write(LogMessage* message) {
    if (!m_stream)
        return false;
    std::ostream& out = *m_stream;
    if (m_flags & F_LEVEL_PREFIX)
        writeUnits(out, levelPrefix(message->getLevel()), 13);
    if (out.good()) {
        if ((m_flags & F_SOURCE_NAME) && message->getSource() != LOG_UNKNOWN_SOURCE) {
            const wchar_t* name = message->getSourceName();
            if (!name)
                name = L"Unknown";
            writeUnits(out, name, std::wcslen(name));
            writeUnits(out, L": ", 2);
        }
        writeUnits(out, message->getText(), std::wcslen(message->getText()));
        writeUnits(out, L"\n", 1);
    }
    return checkStream();
}

bool LogFile::flush() {
    if (!m_stream)
        return false;
    m_stream->flush();
    return checkStream() && cutOldText();
}

bool LogFile::cutOldText() {
    if (m_oldTextCut)
        return true;
    if (!m_stream->rdbuf()->truncate())
        m_stream->setstate(std::ios::badbit);
    m_oldTextCut = checkStream();
    return m_oldTextCut;
}

bool LogFile::checkStream() {
    const bool bad = !m_stream->good();
    if (bad && !m_writeFailed) {
        // Set first: the report below reaches this listener too, which must not take it.
        m_writeFailed = true;
        log_printf(LOG_CRITICAL, LOG_INTERNAL_SOURCE, L"Can't write data to the log file '%s'\n", m_path.c_str());
    }
    m_writeFailed = bad;
    return !bad;
}

} // namespace pel
