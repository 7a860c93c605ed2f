#include "service/base/JasmineLoader.h"
#include "service/base/ValueNodeParser.h"

#include "pel/files/FileUtils.h"
#include "pel/files/SafeSave.h"
#include "pel/files/file_io/FileError.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/log/Log.h"
#include "pel/text/TextDecoding.h"
#include "pel/text/WideString.h"

#include <memory>
#include <new>
#include <string>

namespace tessel {

namespace {

void logLoad(const wchar_t* format, const wchar_t* path) {
    pel::log_printf(pel::LOG_INFO, LOG_JASMINE_LOADER_SOURCE, format, path);
}

const wchar_t READ_FAILED[] = L"ERROR: JasmineLoader::load(): Error reading file \"%s\".\n";

// The file's bytes, or false after logging why not.
bool readWhole(const wchar_t* path, std::unique_ptr<wchar_t[]>& o_bytes, size_t* o_size) {
    pel::File* file = pel::FileIO::openFile(path, pel::FILE_MODE_READ);
    if (!file) {
        logLoad(READ_FAILED, path);
        return false;
    }
    const int64_t size = file->getSize();
    bool read = false;
    if (size == 0) {
        logLoad(L"ERROR: JasmineLoader::load(): File \"%s\" is empty.\n", path);
    } else if (size < 0 || size > JasmineLoader::MAX_FILE_SIZE) {
        if (size > 0)
            pel::FileErrorObject::setError(ERROR_FILE_TOO_LARGE).addParam(path);
        logLoad(READ_FAILED, path);
    } else {
        // In units, so that UTF-16 text can be read where it lies.
        o_bytes.reset(new (std::nothrow) wchar_t[static_cast<size_t>(size + 1) / 2]);
        if (o_bytes) // only what was read counts: a file that shrank since its size was taken gives less
            *o_size = pel::FileUtils::readFully(nullptr, file, o_bytes.get(), static_cast<uint32_t>(size));
        else
            pel::FileErrorObject::setError(ERROR_NOT_ENOUGH_MEMORY).addParam(path);
        read = o_bytes && *o_size > 0;
        if (!read)
            logLoad(READ_FAILED, path);
    }
    pel::FileIO::closeFileKeepError(file);
    return read;
}

// The bytes' text, or false after logging why not.
bool decode(const wchar_t* path, const JasmineLoader::FileBytes& bytes, std::wstring& o_text) {
    // UTF-16 LE, which every save writes, needs no decoding: only its line ends are made "\n".
    if (pel::detect_bom_encoding(bytes.data.get(), bytes.size).code == pel::ENCODING_UTF16LE && bytes.size % 2 == 0) {
        pel::normalizeLineEndings(bytes.data.get() + 1, bytes.size / 2 - 1, o_text);
        return true;
    }
    if (pel::decodeText(bytes.data.get(), bytes.size, 0, o_text))
        return true;
    logLoad(L"ERROR: JasmineLoader::load(): Conversion of file \"%s\" failed.\n", path);
    return false;
}

} // namespace

bool JasmineLoader::read(const wchar_t* path, FileBytes& o_bytes) {
    o_bytes.data.reset();
    o_bytes.size = 0;
    if (!path) {
        pel::FileErrorObject::setError(pel::FileErrorCode::INVALID_CALL);
        logLoad(READ_FAILED, path);
        return false;
    }
    return readWhole(path, o_bytes.data, &o_bytes.size);
}

bool JasmineLoader::load(const wchar_t* path, ValueNode& o_node) {
    FileBytes bytes;
    std::wstring text;
    if (!read(path, bytes) || !decode(path, bytes, text))
        return false;
    bytes.data.reset();
    ValueNodeParser parser;
    return parser.parse(text.c_str(), o_node);
}

bool JasmineLoader::load(const wchar_t* path, ValueSections& o_sections) {
    FileBytes bytes;
    return read(path, bytes) && load(path, bytes, o_sections);
}

bool JasmineLoader::load(const wchar_t* path, const FileBytes& bytes, ValueSections& o_sections) {
    o_sections.text.clear();
    if (!decode(path, bytes, o_sections.text))
        return false;
    ValueNodeParser().parseSections(o_sections.text.c_str(), o_sections);
    return true;
}

bool JasmineLoader::save(const wchar_t* path, const ValueNode& node) {
    if (!path || !*path) {
        pel::log_printf(pel::LOG_INFO, LOG_JASMINE_LOADER_SOURCE, L"JasmineLoader::save(): File name is empty or NULL.\n");
        return false;
    }
    std::wstring text;
    writeValue(node, text, 0);
    pel::SafeSave file(path);
    if (!file.isOpen()) {
        pel::log_printf(pel::LOG_INFO, LOG_JASMINE_LOADER_SOURCE, L"JasmineLoader::save(): Cannot open file for writing.\n");
        return false;
    }
    static const unsigned char BYTE_ORDER_MARK[] = {0xFF, 0xFE};
    if (file.write(BYTE_ORDER_MARK, sizeof BYTE_ORDER_MARK) && file.write(text.data(), text.size() * sizeof(wchar_t)) &&
        file.commit())
        return true;
    pel::log_printf(pel::LOG_INFO, LOG_JASMINE_LOADER_SOURCE, L"JasmineLoader::save(): Writing file \"%s\" failed.\n",
                    path);
    return false;
}

} // namespace tessel
