#pragma once
// Reads UTF-16 text from a byte stream through a text encoding, decoding the bytes in chunks of
// CHUNK_BYTES. Without an encoding it is chosen from a byte-order mark at the start of the data
// (UTF-8 when there is none). The stream is not owned and must outlive the reader.

#include "pel/stream/TextReader.h"

#include <istream>
#include <memory>
#include <string>
#include <vector>

namespace pel {

class StreamTextReader : public TextReader {
public:
    static constexpr int CHUNK_BYTES = 1024;

    // Reads UTF-16LE.
    explicit StreamTextReader(std::istream& stream);
    // An empty encoding detects the encoding from the data.
    StreamTextReader(std::istream& stream, std::shared_ptr<TextEncoding> encoding);
    ~StreamTextReader() override;

    using TextReader::read;
    int read(wchar_t* buffer, int count) override;
    int readToEnd(std::wstring& text) override;
    int readLine(std::wstring& line) override;
    int peek() override;
    int read() override;
    int peekUnits(const wchar_t** o_units) override;
    void skip(int count) override;
    void close() override;

private:
    void checkOpen() const;
    void setEncoding(std::shared_ptr<TextEncoding> encoding);
    // Refills the byte buffer when every byte in it is converted; true while there is something
    // left to convert (bytes, or the end of input not yet told to the converter).
    bool prepareBytes();
    void readChunk();
    void detectEncoding();
    // Converts the waiting bytes into target, reading on until at least one unit comes out;
    // the units written, 0 at the end of the text.
    int convert(wchar_t* target, int room);
    // Decodes the next units into the unit buffer; their count, 0 at the end of the text.
    int decodeChunk();

    std::istream* m_stream;
    bool m_detect;
    std::vector<char> m_bytes;
    int m_byteCount = 0;
    int m_bytePos = 0; // bytes handed to the converter; it stops early when its target is full
    std::unique_ptr<std::vector<wchar_t>> m_units;
    int m_unitCount = 0;
    int m_unitPos = 0;
    int m_unitCapacity = 0;
    bool m_lastChunk = false; // the stream has no more bytes
    bool m_flushed = false;   // and the converter has been told so
};

} // namespace pel
