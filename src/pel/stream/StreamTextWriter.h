#pragma once
// Writes UTF-16 text to a byte stream through a text encoding, in pieces of UNIT_BUFFER units;
// every write call ends by flushing the stream. It writes no byte-order mark: a caller that
// wants one writes the encoding's getPreamble bytes first. The stream is not owned and must
// outlive the writer; its state records write failures.

#include "pel/stream/TextWriter.h"
#include "pel/text/LineEnding.h"

#include <ostream>
#include <vector>

namespace pel {

class StreamTextWriter : public TextWriter {
public:
    static constexpr int UNIT_BUFFER = 128;

    // UTF-16LE, lines ending in CR LF.
    explicit StreamTextWriter(std::ostream& stream);
    // encoding must not be empty.
    StreamTextWriter(std::ostream& stream, std::shared_ptr<TextEncoding> encoding,
                     int lineEnding = LineEnding::CRLF);
    // Closes the writer when it is still open; throws nothing, even when that fails.
    ~StreamTextWriter() override;

    using TextWriter::write;
    int write(wchar_t c) override;
    int write(const wchar_t* text, int length) override;
    // Ends the text (a high surrogate still waiting becomes a substitute), writes it out, flushes
    // the stream and detaches, also when that fails.
    void close() override;

private:
    void checkOpen() const;
    // Converts the buffered units and writes their bytes; end tells the converter the text ends.
    void convertUnits(bool end);
    void endCall();

    std::ostream* m_stream;
    const bool m_autoFlush = true;
    std::vector<char> m_bytes;
    wchar_t m_units[UNIT_BUFFER];
    int m_unitCount = 0;
};

} // namespace pel
