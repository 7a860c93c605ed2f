#include "pel/files/file_io/FileException.h"

#include "pel/text/StringTemplate.h"

namespace pel {

void FileException::displayText(std::wstring& out) const {
    Exception::displayText(out);
    out += StringTemplate(L" in `{1}` with code {2}").arg(1, path).arg(2, static_cast<unsigned int>(code)).render();
}

} // namespace pel
