#include "pel/stream/FileStream.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIO.h"

namespace pel {

namespace {

using std::ios_base;

uint32_t openKind(ios_base::openmode mode) {
    if (!(mode & ios_base::out))
        return FILE_MODE_READ;
    if (mode & ios_base::trunc)
        return (mode & ios_base::in) ? FILE_MODE_READ_WRITE_NEW : FILE_MODE_WRITE;
    return FILE_MODE_READ_WRITE; // keeps the content and can seek in it
}

} // namespace

FileStreamBuf::FileStreamBuf() : BufferedBidirectionalStreamBuf(BUFFER_SIZE, ios_base::openmode()) {}

FileStreamBuf::~FileStreamBuf() { close(); }

void FileStreamBuf::open(const std::wstring& path, ios_base::openmode mode) {
    if (m_file)
        assertionViolation(L"m_file == NULL", PEL_FILE, __LINE__);
    m_path = path;
    setMode(mode);
    resetBuffers();
    m_pos = 0;
    if (path.empty()) {
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
    } else {
        m_file = FileIO::openFile(path.c_str(), openKind(mode));
    }
    if (!m_file) {
        setMode(ios_base::openmode());
        FileIO::throwLastError();
    }
    if (mode & (ios_base::ate | ios_base::app)) {
        try {
            m_pos = seekFile(FILE_SEEK_END, 0);
        } catch (...) {
            FileIO::closeFileKeepError(m_file);
            m_file = nullptr;
            setMode(ios_base::openmode());
            throw;
        }
    }
}

bool FileStreamBuf::close() {
    if (!m_file)
        return true;
    bool ok = true;
    if (getMode() & ios_base::out) {
        try {
            ok = writeOutPutArea();
        } catch (...) {
            ok = false;
        }
    }
    if (ok)
        FileErrorObject::setError(0);
    ok = FileIO::closeFileKeepError(m_file) && ok;
    m_file = nullptr;
    setMode(ios_base::openmode());
    resetBuffers();
    return ok;
}

bool FileStreamBuf::truncate() {
    return m_file && (getMode() & ios_base::out) && writeOutPutArea() && m_file->truncate();
}

int FileStreamBuf::sync() {
    if (!m_file || !(getMode() & ios_base::out))
        return 0;
    return writeOutPutArea() && m_file->flush() ? 0 : -1;
}

int64_t FileStreamBuf::seekFile(int origin, int64_t offset) {
    FileErrorObject::setError(0);
    const int64_t position = m_file->seek(origin, offset);
    if (position < 0) {
        if (FileErrorObject::getErrorCode() == 0) // a position outside the file
            FileErrorObject::setError(FileErrorCode::INVALID_CALL).addParam(m_path);
        FileIO::throwLastError();
    }
    return position;
}

int FileStreamBuf::readFromDevice(char* buffer, int length) {
    if (!m_file || !(getMode() & ios_base::in))
        return -1;
    if ((getMode() & ios_base::out) && !writeOutPutArea())
        return -1;
    const int32_t n = m_file->read(buffer, static_cast<uint32_t>(length));
    if (n > 0)
        m_pos += n;
    return n;
}

int FileStreamBuf::writeToDevice(const char* buffer, int length) {
    if (!m_file || !(getMode() & ios_base::out))
        return -1;
    if (getMode() & ios_base::app)
        m_pos = seekFile(FILE_SEEK_END, 0);
    const int32_t n = m_file->write(buffer, static_cast<uint32_t>(length));
    if (n > 0)
        m_pos += n;
    return n;
}

FileStreamBuf::pos_type FileStreamBuf::seekoff(off_type offset, ios_base::seekdir direction,
                                               ios_base::openmode which) {
    if (!m_file || !(which & getMode()))
        return pos_type(off_type(-1));
    if ((getMode() & ios_base::out) && !writeOutPutArea())
        return pos_type(off_type(-1));
    int origin = FILE_SEEK_BEGIN;
    if (direction == ios_base::cur) {
        offset -= egptr() - gptr(); // read ahead, not yet taken
        origin = FILE_SEEK_CURRENT;
    } else if (direction == ios_base::end) {
        origin = FILE_SEEK_END;
    }
    resetBuffers();
    m_pos = seekFile(origin, offset);
    return pos_type(m_pos);
}

FileStreamBuf::pos_type FileStreamBuf::seekpos(pos_type position, ios_base::openmode which) {
    return seekoff(off_type(position), ios_base::beg, which);
}

FileIOS::FileIOS(ios_base::openmode defaultMode) : m_defaultMode(defaultMode) { init(&m_buf); }

void FileIOS::open(const std::wstring& path, ios_base::openmode mode) {
    m_buf.open(path, mode | m_defaultMode);
    clear();
}

void FileIOS::close() {
    if (!m_buf.close())
        setstate(ios_base::badbit);
}

FileInputStream::FileInputStream() : FileIOS(ios_base::in), std::istream(&m_buf) {}

FileInputStream::FileInputStream(const std::wstring& path, ios_base::openmode mode)
    : FileIOS(ios_base::in), std::istream(&m_buf) {
    open(path, mode);
}

FileOutputStream::FileOutputStream() : FileIOS(ios_base::out), std::ostream(&m_buf) {}

FileOutputStream::FileOutputStream(const std::wstring& path, ios_base::openmode mode)
    : FileIOS(ios_base::out), std::ostream(&m_buf) {
    open(path, mode);
}

FileStream::FileStream() : FileIOS(ios_base::in | ios_base::out), std::iostream(&m_buf) {}

FileStream::FileStream(const std::wstring& path, ios_base::openmode mode)
    : FileIOS(ios_base::in | ios_base::out), std::iostream(&m_buf) {
    open(path, mode);
}

} // namespace pel
