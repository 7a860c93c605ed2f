#include "app/ShellText.h"

#include "pel/files/file_io/FileError.h"
#include "pel/text/StringTemplate.h"

namespace tessel {

std::wstring shellText(const wchar_t* format, const std::wstring& first, const std::wstring& second) {
    return pel::StringTemplate(format).arg(1, first).arg(2, second).render();
}

std::wstring fileFailureText(pel::FileAction action, const std::wstring& path, const DocumentManager::FileError& error) {
    return pel::describeFileFailure(action, path, error ? error->record() : pel::ErrorMessageTLS());
}

std::wstring settingsFailureText(const std::vector<Config::SaveFailure>& failures) {
    std::wstring text;
    for (const Config::SaveFailure& failure : failures) {
        if (!text.empty())
            text += L'\n';
        text += pel::describeFileFailure(pel::FileAction::SAVE, pel::systemPathOf(failure.path),
                                         failure.error.record());
    }
    return text;
}

} // namespace tessel
