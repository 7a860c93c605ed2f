#pragma once
// Byte streams over files of the virtual file system: FileInputStream reads, FileOutputStream
// writes, FileStream does both. Opening or seeking a file that fails throws the file exception
// of the thread's error; a close that loses data sets badbit.

#include "pel/stream/TBasicBufferedBidirectionalStreamBuf.h"

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

namespace pel {

class File;

class FileStreamBuf : public BufferedBidirectionalStreamBuf {
public:
    static constexpr int BUFFER_SIZE = 4096;

    FileStreamBuf();
    // Closes; a failure cannot be reported from here.
    ~FileStreamBuf() override;

    // in: read; out: write keeping the content, out | trunc: write a new content; in | out
    // (| trunc) both. ate or app start at the end, and with app every write goes to the end.
    void open(const std::wstring& path, std::ios_base::openmode mode);
    // Writes out what is buffered and closes the file: false when that lost data (the thread's
    // record tells why). True when nothing was open.
    bool close();
    // Writes out what is buffered and ends the file where the writing stands: what lay beyond,
    // in a file opened keeping its content, goes. False on failure (the thread's record tells
    // why).
    bool truncate();
    bool isOpen() const { return m_file != nullptr; }
    const std::wstring& path() const { return m_path; }

protected:
    // Writes out the put area and flushes the file through whatever buffers it (the device's
    // file buffer included), so that what was written survives the process; -1 on failure.
    int sync() override;
    int readFromDevice(char* buffer, int length) override;
    int writeToDevice(const char* buffer, int length) override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    int64_t seekFile(int origin, int64_t offset);
    // Writes out the put area only (before a read, a seek or a close).
    bool writeOutPutArea() { return BufferedBidirectionalStreamBuf::sync() == 0; }

    std::wstring m_path;
    File* m_file = nullptr;
    int64_t m_pos = 0; // of the device
};

class FileIOS : public virtual std::ios {
public:
    // defaultMode: the mode of the stream class, added to every open.
    explicit FileIOS(std::ios_base::openmode defaultMode);

    void open(const std::wstring& path, std::ios_base::openmode mode);
    // Closes the file; badbit when that failed.
    void close();
    FileStreamBuf* rdbuf() { return &m_buf; }

protected:
    FileStreamBuf m_buf;
    std::ios_base::openmode m_defaultMode;
};

class FileInputStream : public FileIOS, public std::istream {
public:
    FileInputStream();
    explicit FileInputStream(const std::wstring& path, std::ios_base::openmode mode = std::ios_base::in);
};

class FileOutputStream : public FileIOS, public std::ostream {
public:
    FileOutputStream();
    explicit FileOutputStream(const std::wstring& path,
                              std::ios_base::openmode mode = std::ios_base::out | std::ios_base::trunc);
};

class FileStream : public FileIOS, public std::iostream {
public:
    FileStream();
    explicit FileStream(const std::wstring& path, std::ios_base::openmode mode = std::ios_base::in | std::ios_base::out);
};

} // namespace pel
