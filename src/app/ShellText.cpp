#include "app/ShellText.h"

#include "pel/files/file_io/FileError.h"
#include "pel/text/StringTemplate.h"

namespace tessel {

std::wstring shellText(const wchar_t* format, const std::wstring& first, const std::wstring& second) {
    return pel::StringTemplate(format).arg(1, first).arg(2, second).render();
}

std::wstring fileErrorText(const DocumentManager::FileError& error) {
    std::wstring text;
    if (error)
        pel::FileErrorObject::getMessage(&error->record(), &text);
    return text;
}

} // namespace tessel
