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
        const std::wstring path = pel::systemPathOf(failure.path);
        const pel::ErrorMessageTLS record = failure.error ? failure.error->record() : pel::ErrorMessageTLS();
        switch (failure.step) {
        case Config::SaveFailure::READ:
            // Nothing was written over a file that could not be read: what is there stays.
            text += pel::describeFileFailure(pel::FileAction::OPEN, path, record);
            break;
        case Config::SaveFailure::BACK_UP:
            text += pel::describeFileFailure(pel::FileAction::SAVE, path + L".bak", record);
            break;
        case Config::SaveFailure::KEPT_CHANGING:
            text += shellText(L"Cannot save `{1}`: another program kept writing it.", path);
            break;
        case Config::SaveFailure::WRITE:
            text += pel::describeFileFailure(pel::FileAction::SAVE, path, record);
            break;
        }
    }
    return text;
}

} // namespace tessel
