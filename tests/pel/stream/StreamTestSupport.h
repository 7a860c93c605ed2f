#pragma once
// Helpers of the stream tests: a device in memory behind the buffered templates, byte patterns,
// and reading and writing whole texts (and, for refusals, tessel_test::thrown).

#include "pel/stream/StreamTextReader.h"
#include "pel/stream/StreamTextWriter.h"
#include "pel/text/TextEncoding.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ios>
#include <sstream>
#include <string>
#include <vector>

namespace tessel_test {

inline std::string pattern(size_t n) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i)
        bytes += static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// Reads come from `input`, writes go to `output`, and every device call's length is recorded.
// Writes fail once `writeLimit` bytes were taken: the write that crosses it takes what fits.
template <class Buffer>
class MemoryDevice : public Buffer {
public:
    MemoryDevice(int bufferSize, std::ios_base::openmode mode, std::string i_input = {})
        : Buffer(bufferSize, mode), input(std::move(i_input)) {}

    std::string input;
    size_t readPos = 0;
    std::string output;
    size_t writeLimit = SIZE_MAX;
    std::vector<int> reads;
    std::vector<int> writes;

protected:
    int readFromDevice(char* buffer, int length) override {
        reads.push_back(length);
        const size_t n = std::min(static_cast<size_t>(length), input.size() - readPos);
        input.copy(buffer, n, readPos);
        readPos += n;
        return static_cast<int>(n);
    }

    int writeToDevice(const char* buffer, int length) override {
        writes.push_back(length);
        if (output.size() >= writeLimit)
            return -1;
        const size_t n = std::min(static_cast<size_t>(length), writeLimit - output.size());
        output.append(buffer, n);
        return static_cast<int>(n);
    }
};

inline std::shared_ptr<pel::TextEncoding> encoding(const wchar_t* name) {
    std::shared_ptr<pel::TextEncoding> result = pel::TextEncoding::create(name);
    EXPECT_TRUE(result) << testing::PrintToString(std::wstring(name));
    return result;
}

constexpr int BY_LINES = -1;

// All of the text: by readToEnd (blockSize 0), in blocks of blockSize units, or BY_LINES with
// each line followed by |.
inline std::wstring readText(const std::string& data, std::shared_ptr<pel::TextEncoding> enc, int blockSize = 0) {
    std::istringstream in(data);
    pel::StreamTextReader reader(in, std::move(enc));
    std::wstring text;
    std::vector<wchar_t> buffer(static_cast<size_t>(std::max(blockSize, 1)));
    if (blockSize == 0)
        reader.readToEnd(text);
    for (int n; blockSize > 0 && (n = reader.read(buffer.data(), blockSize)) > 0;)
        text.append(buffer.data(), static_cast<size_t>(n));
    while (blockSize == BY_LINES && reader.readLine(text) >= 0)
        text += L'|';
    return text;
}

// Written in uneven pieces up to 301 units, so that surrogate pairs split between calls too.
inline std::string writeText(const std::wstring& text, const wchar_t* name) {
    std::ostringstream out;
    pel::StreamTextWriter writer(out, encoding(name));
    for (size_t pos = 0, step = 1; pos < text.size(); pos += step, step = step * 3 % 301 + 1)
        writer.write(text.data() + pos, static_cast<int>(std::min(step, text.size() - pos)));
    writer.close();
    return out.str();
}

} // namespace tessel_test
