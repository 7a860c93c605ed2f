#include "pel/stream/PipeStream.h"

#include "pel/files/file_io/FileException.h"

namespace pel {

PipeStreamBuf::PipeStreamBuf(const Pipe& pipe, std::ios_base::openmode mode)
    : BufferedStreamBuf(BUFFER_SIZE, mode), m_pipe(pipe) {}

void PipeStreamBuf::close() {
    resetBuffers();
    m_pipe.close(Pipe::CLOSE_BOTH);
}

int PipeStreamBuf::readFromDevice(char* buffer, int length) {
    try {
        return m_pipe.readBytes(buffer, length);
    } catch (const FileException&) {
        return -1;
    }
}

int PipeStreamBuf::writeToDevice(const char* buffer, int length) {
    try {
        return m_pipe.writeBytes(buffer, length);
    } catch (const FileException&) {
        return -1;
    }
}

PipeIOS::PipeIOS(const Pipe& pipe, openmode mode) : m_buf(pipe, mode) { init(&m_buf); }

PipeIOS::~PipeIOS() {
    try {
        m_buf.pubsync();
    } catch (...) {
        // a destructor never throws; whoever needs to know calls close()
    }
}

void PipeIOS::close() {
    if (m_buf.pubsync() != 0)
        setstate(badbit);
    m_buf.close();
}

} // namespace pel
