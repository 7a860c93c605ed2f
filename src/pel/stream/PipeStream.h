#pragma once
// Byte streams over an anonymous pipe, such as a child process's redirected standard handles.
// A failed pipe read or write shows as end of file or a bad stream, not as an exception.

#include "pel/process/Pipe.h"
#include "pel/stream/TBasicBufferedStreamBuf.h"

#include <istream>
#include <ostream>

namespace pel {

class PipeStreamBuf : public BufferedStreamBuf {
public:
    static constexpr int BUFFER_SIZE = 1024;

    PipeStreamBuf(const Pipe& pipe, std::ios_base::openmode mode);
    // Closes both ends of the pipe that are still open; what is buffered is dropped.
    void close();

protected:
    int readFromDevice(char* buffer, int length) override;
    int writeToDevice(const char* buffer, int length) override;

private:
    Pipe m_pipe;
};

class PipeIOS : public virtual std::ios {
public:
    PipeIOS(const Pipe& pipe, openmode mode);
    // Writes out what is buffered (best effort).
    ~PipeIOS() override;

    // Writes out the buffer, then closes both ends of the pipe; a failed write sets badbit.
    void close();
    PipeStreamBuf* rdbuf() { return &m_buf; }

protected:
    PipeStreamBuf m_buf;
};

class PipeInputStream : public PipeIOS, public std::istream {
public:
    explicit PipeInputStream(const Pipe& pipe) : PipeIOS(pipe, in), std::istream(&m_buf) {}
};

class PipeOutputStream : public PipeIOS, public std::ostream {
public:
    explicit PipeOutputStream(const Pipe& pipe) : PipeIOS(pipe, out), std::ostream(&m_buf) {}
};

} // namespace pel
