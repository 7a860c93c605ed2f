#pragma once
// The debug log "user:debug.log" that users send with their bug reports: a log listener that
// writes every line it receives as UTF-16LE (with a byte-order mark, line feeds only), either
// at once or through the background writer "DelayedLogWrite". Each start writes the file anew
// over the last one's text, which is never emptied before the new text is there: the new text
// goes over the old from the start of the file, and what is left of the old text is cut off once
// the new text's first flush succeeded (or at the close). On a full disk the new text takes at
// least the room the old one had. The application adds it to the log manager with replay, so the
// lines logged before it existed come first, and removes and deletes it at shutdown.
//
// A file that cannot be opened or written is reported once (to the debugger and the other
// listeners) and receives nothing more.

#include "pel/log/LogListener.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace pel {

class DelayedLogFileWrite;
class FileOutputStream;
class LogMessage;

class LogFile : public LogListener {
public:
    enum Flags : uint32_t {
        F_DELAYED_WRITE = 1, // write through the background writer thread
        F_SOURCE_NAME = 2,   // write the source name
        F_LEVEL_PREFIX = 4,  // write the level prefix
        F_DEFAULT = 7,
    };

    static constexpr const wchar_t* DEFAULT_PATH = L"user:debug.log";

    LogFile();
    LogFile(const wchar_t* path, uint32_t flags);
    // Stops the writer (which writes what is queued) and closes the file.
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void onMessage(LogMessage* message) override;
    bool accepts(LogMessage* message) override { return true; }

    // One line: level prefix, source name and ": ", text, line feed, as the flags say. True
    // while the stream is good.
    bool write(LogMessage* message);
    bool flush();

    bool isOpen() const { return m_stream != nullptr; }
    bool hasWriteFailed() const { return m_writeFailed; }
    uint32_t getFlags() const { return m_flags; }
    const std::wstring& getPath() const { return m_path; }
    // Null without a writer thread.
    DelayedLogFileWrite* getWriter() const { return m_writer.get(); }

    // The 13-character prefix of a level, "[ UNKNOWN  ] " for levels outside 0..4.
    static const wchar_t* levelPrefix(int level);

private:
    void open();
    // After a write or flush: reports the first failure and remembers it.
    bool checkStream();
    // Once the new text is flushed, the last start's text beyond it goes.
    bool cutOldText();

    uint32_t m_flags;
    std::unique_ptr<FileOutputStream> m_stream;
    std::unique_ptr<DelayedLogFileWrite> m_writer;
    std::atomic<bool> m_writeFailed{false}; // written under the library lock
    bool m_oldTextCut = false;
    std::wstring m_path;
};

} // namespace pel
