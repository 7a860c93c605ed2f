#include "pel/cl/CommandLineOptionValueTraits.h"

#include "pel/base/Assert.h"
#include "pel/files/file_io/FileIO.h"

namespace pel {

void CommandLineOptionPathValueTraits::convert(std::wstring* io_val) const {
    PEL_CHECK_PTR(io_val);
    if (io_val->empty()) {
        FileErrorObject::setError(FileErrorCode::INVALID_CALL);
        FileIO::throwLastError();
    }
    WorkString<> full;
    if (!FileIO::getFullPath(io_val->c_str(), &full))
        FileIO::throwLastError();
    io_val->assign(full.c_str(), full.length());
}

const CommandLineOptionPathValueTraits* CommandLineOptionPathValueTraits::instance() {
    static const CommandLineOptionPathValueTraits traits;
    return &traits;
}

} // namespace pel
