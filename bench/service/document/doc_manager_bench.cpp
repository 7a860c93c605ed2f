// Opening 1 000 small files through the DocumentManager and releasing them again, in µs per
// document (the loader hand-off, the undo log, the parse job, the watch entry and the release),
// beside reading and decoding the same files directly with the file facade and decode_text in the
// same run (target: within 6×).
//   doc_manager_bench --folder DIR [--files N]

#include "pel/files/file_io/FileDeviceWin32.h"
#include "pel/files/file_io/FileIO.h"
#include "pel/legacy/MessageRegistry.h"
#include "pel/text/TextDecoding.h"
#include "pel/thread/MainThread.h"
#include "service/base/Config.h"
#include "service/document/Document.h"
#include "service/document/DocumentManager.h"
#include "support/Bench.h"
#include "support/FileBench.h"
#include "support/TempDevices.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// A small source file: a few hundred bytes of lines, some indented, every fifth with a non-ASCII
// character.
std::string fixture(int index) {
    std::string text;
    for (int line = 0; line < 12; ++line) {
        text += line % 3 ? "    " : "";
        text += "line " + std::to_string(line) + " of file " + std::to_string(index);
        text += index % 5 == 0 && line == 4 ? " caf\xC3\xA9\r\n" : " with some text\r\n";
    }
    return text;
}

// Reads and decodes the file as a load must at the least; the units decoded.
size_t readAndDecode(const std::wstring& path, std::vector<char>& bytes, std::vector<wchar_t>& text) {
    pel::File* file = pel::FileIO::openFile(path.c_str(), pel::FILE_MODE_READ);
    if (!file)
        bench::fileFailure("open");
    const size_t size = static_cast<size_t>(file->getSize());
    bytes.resize(size);
    if (file->read(bytes.data(), static_cast<uint32_t>(size)) != static_cast<int32_t>(size))
        bench::fileFailure("read");
    pel::FileIO::closeFile(file);
    const pel::BomEntry& mark = pel::detect_bom_encoding(bytes.data(), size);
    uint32_t code = mark.code;
    if (mark.length == 0 && pel::is_utf8_text(bytes.data(), size))
        code = pel::ENCODING_UTF8_PLAIN;
    text.resize(size + 1);
    size_t units = text.size();
    pel::decode_text(text.data(), bytes.data() + mark.length, size - mark.length, code, &units);
    return units;
}

} // namespace

int main(int argc, char** argv) {
    const bench::Options options(argc, argv);
    const int count = static_cast<int>(options.number("--files", 1000));
    pel::store_main_thread_id();
    pel::MessageRegistry registry;
    registry.initRegistry(::GetModuleHandleW(nullptr));
    pel::FileDeviceWin32 native(nullptr, true);
    pel::FileIO::attachDevice(L"__winfs", &native, 0);
    tessel_test::TempDevices devices; // the undo logs' "vtmp"

    const std::wstring folder = bench::folderOption(options) + L"\\doc-manager";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(folder + L"\\file" + std::to_wstring(i) + L".txt");
        const std::string bytes = fixture(i);
        pel::File* file = pel::FileIO::openFile(paths.back().c_str(), pel::FILE_MODE_WRITE);
        if (!file || file->write(bytes.data(), static_cast<uint32_t>(bytes.size())) != static_cast<int32_t>(bytes.size()) ||
            !pel::FileIO::closeFile(file))
            bench::fileFailure("write");
    }

    double managed = 0;
    {
        tessel::DocumentManager manager;
        tessel::Config config(nullptr);
        manager.readSettings(config);
        std::vector<tessel::Document*> documents(paths.size());
        managed = bench::bestOf(5, [&] {
            for (size_t i = 0; i < paths.size(); ++i) {
                tessel::DocumentManager::FileError error;
                documents[i] = manager.loadDocument(paths[i].c_str(), &error);
                if (!documents[i])
                    bench::fileFailure("load");
            }
            for (tessel::Document* document : documents)
                manager.releaseDocument(document);
        });
    }
    std::vector<char> bytes;
    std::vector<wchar_t> text;
    size_t units = 0;
    const double plain = bench::bestOf(5, [&] {
        for (const std::wstring& path : paths)
            units += readAndDecode(path, bytes, text);
    });
    if (units == 0)
        return 1;

    const double perDocument = managed / paths.size() * 1e6, perFile = plain / paths.size() * 1e6;
    bench::figure("doc_manager_open_release", perDocument, "us/document");
    bench::figure("doc_manager_plain_read_decode", perFile, "us/file");
    bench::figure("doc_manager_vs_plain", perDocument / perFile, "ratio");
    for (const std::wstring& path : paths)
        ::DeleteFileW(path.c_str());
    ::RemoveDirectoryW(folder.c_str());
    registry.releaseRegistry();
    return 0;
}
