#include "afw/dialog/afDialogFile.h"

#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afLog.h"
#include "afw/core/afMainLoop.h"

#include <cderr.h>
#include <cwchar>
#include <shellapi.h>
#include <shlobj.h>

namespace {

constexpr const wchar_t* kAllFiles = L"*";

// The extension of the last path component without its full stop; empty when it has none.
std::wstring extensionOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return std::wstring();
    return path.substr(dot + 1);
}

std::wstring filePart(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

afDialogFileBase::afDialogFileBase(afViewPlatform* owner) : afWindow(owner), m_fileBuffer(new wchar_t[BUFFER_SIZE]) {
    m_fileBuffer[0] = 0;
}

afDialogFileBase::~afDialogFileBase() = default;

afFileFilter* afDialogFileBase::getCurrentFilter() const {
    return m_options ? m_options->filters.at(m_currentFilter) : nullptr;
}

afFileFilter* afDialogFileBase::getInitialFilter() const {
    return m_options ? m_options->filters.at(m_initialFilter) : nullptr;
}

std::wstring afDialogFileBase::buildFilterText(const afFileFilters& filters) {
    std::wstring text;
    for (size_t i = 0; i < filters.size(); ++i) {
        const afFileFilter* filter = filters.at(i);
        std::wstring patterns;
        for (const std::wstring& pattern : filter->patterns) {
            if (!patterns.empty())
                patterns += L"; ";
            patterns += L"*." + pattern;
        }
        text += filter->title + L" (" + patterns + L")";
        text += L'\0';
        text += patterns;
        text += L'\0';
    }
    return text;
}

uint32_t afDialogFileBase::keyForExtension(const afFileFilters& filters, const std::wstring& fileName) {
    const std::wstring extension = extensionOf(fileName);
    if (extension.empty())
        return 0;
    for (size_t i = 0; i < filters.size(); ++i)
        for (const std::wstring& pattern : filters.at(i)->patterns)
            if (::_wcsicmp(pattern.c_str(), extension.c_str()) == 0)
                return filters.at(i)->key;
    return 0;
}

uint32_t afDialogFileBase::filterPosition(const afFileFilters& filters, uint32_t key) {
    for (size_t i = 0; i < filters.size(); ++i)
        if (filters.at(i)->key == key)
            return static_cast<uint32_t>(i + 1);
    return 1;
}

void afDialogFileBase::splitSelection(const wchar_t* buffer, size_t capacity, std::vector<std::wstring>& o_paths) {
    // Every piece is read within the buffer, whatever the platform left in it.
    const wchar_t* end = buffer + capacity;
    const auto next = [end](const wchar_t* at) {
        const wchar_t* stop = at;
        while (stop < end && *stop)
            ++stop;
        return stop;
    };
    const wchar_t* folderEnd = next(buffer);
    const std::wstring folder(buffer, folderEnd);
    if (folder.empty())
        return;
    const wchar_t* name = folderEnd + 1;
    if (folderEnd >= end - 1 || !*name) {
        o_paths.push_back(folder);
        return;
    }
    const bool separated = folder.back() == L'\\' || folder.back() == L'/';
    while (name < end && *name) {
        const wchar_t* nameEnd = next(name);
        o_paths.push_back(folder + (separated ? L"" : L"\\") + std::wstring(name, nameEnd));
        name = nameEnd + 1;
    }
}

void afDialogFileBase::prepare(afFileDialogOptions& options, OPENFILENAMEW& o_record, std::wstring& o_filterText) {
    m_options = &options;
    o_record = OPENFILENAMEW();
    o_record.lStructSize = sizeof(OPENFILENAMEW);
    afWindow* owner = getHost() ? getHost()->getWindow() : nullptr;
    if (!owner && getHost())
        owner = getHost()->asWindow();
    o_record.hwndOwner = owner ? owner->getHandle() : nullptr;
    o_record.lpfnHook = &afDialogFileBase::hook;
    o_record.lCustData = reinterpret_cast<LPARAM>(this);
    o_record.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    if (options.mustExist)
        o_record.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (options.showHidden)
        o_record.Flags |= OFN_FORCESHOWHIDDEN;
    if (options.overwritePrompt)
        o_record.Flags |= OFN_OVERWRITEPROMPT;
    if (!options.allowReadOnly)
        o_record.Flags |= OFN_NOREADONLYRETURN;
    if (options.multiSelect)
        o_record.Flags |= OFN_ALLOWMULTISELECT;
    if (options.readOnly)
        o_record.Flags |= OFN_READONLY;
    o_record.nMaxFile = static_cast<DWORD>(BUFFER_SIZE - 1);
    if (!options.title.empty())
        o_record.lpstrTitle = options.title.c_str();

    if (options.selectedKey == 0)
        options.selectedKey = keyForExtension(options.filters, options.fileName);
    o_filterText = buildFilterText(options.filters);
    o_record.lpstrFilter = o_filterText.empty() ? nullptr : o_filterText.c_str();
    const uint32_t position = filterPosition(options.filters, options.selectedKey);
    o_record.nFilterIndex = position;
    m_initialFilter = m_currentFilter = position - 1;

    // A name that does not fit would overrun the buffer: the dialog starts without one.
    if (options.fileName.size() < BUFFER_SIZE) {
        std::wmemcpy(m_fileBuffer.get(), options.fileName.c_str(), options.fileName.size() + 1);
    } else {
        m_fileBuffer[0] = 0;
        pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE,
                        L"afDialogFileBase::run(): The initial name of %u characters does not fit; the dialog "
                        L"starts without one.",
                        static_cast<unsigned>(options.fileName.size()));
    }
    o_record.lpstrFile = m_fileBuffer.get();
}

uint32_t afDialogFileBase::finish(const OPENFILENAMEW& record, BOOL answer) {
    if (!answer) {
        if (const DWORD error = ::CommDlgExtendedError())
            pel::log_printf(AF_LOG_LEVEL, AF_LOG_SOURCE, L"afDialogFileBase::run(): The file dialog failed (0x%X).",
                            static_cast<unsigned>(error));
        return RESULT_CANCEL;
    }
    m_options->chosenFilter = record.nFilterIndex > 0 ? m_options->filters.at(record.nFilterIndex - 1) : nullptr;
    m_options->readOnly = (record.Flags & OFN_READONLY) != 0;
    if (m_options->multiSelect)
        splitSelection(m_fileBuffer.get(), BUFFER_SIZE, m_options->results);
    else
        m_options->results.emplace_back(m_fileBuffer.get());
    return RESULT_OK;
}

uint32_t afDialogFileBase::run(afFileDialogOptions& options) {
    OPENFILENAMEW record;
    std::wstring filterText;
    prepare(options, record, filterText);
    // The platform's dialog disables only its owner, and enables it as it ends whatever it was
    // before: the hold disables every window of the program first, and the loop's end disables
    // again what an outer hold (a modal window, a wait) had disabled.
    BOOL answer = FALSE;
    {
        const afMainLoop::Nested loop;
        afMainLoop::Hold hold;
        m_hold = &hold;
        answer = runPlatformDialog(&record);
        m_hold = nullptr;
    }
    return finish(record, answer);
}

bool afDialogFileBase::onFileOk(HWND /*dialog*/, OPENFILENAMEW* /*record*/) {
    return true;
}

void afDialogFileBase::onNotify(HWND dialog, const OFNOTIFYW* notify) {
    switch (notify->hdr.code) {
    case CDN_TYPECHANGE:
        if (notify->lpOFN && notify->lpOFN->nFilterIndex > 0)
            m_currentFilter = notify->lpOFN->nFilterIndex - 1;
        break;
    case CDN_FILEOK:
        // Refused: the dialog stays open.
        ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, onFileOk(dialog, notify->lpOFN) ? 0 : 1);
        break;
    default:
        break;
    }
}

UINT_PTR CALLBACK afDialogFileBase::hook(HWND dialog, UINT message, WPARAM /*wParam*/, LPARAM lParam) {
    UINT_PTR handled = 0;
    afGuard([&] {
        if (message == WM_INITDIALOG) {
            const auto* record = reinterpret_cast<const OPENFILENAMEW*>(lParam);
            ::SetWindowLongPtrW(dialog, GWLP_USERDATA, record ? record->lCustData : 0);
            // The hook's dialog lies inside the platform's: that one is what the user is asked in.
            auto* self = record ? reinterpret_cast<afDialogFileBase*>(record->lCustData) : nullptr;
            if (self && self->m_hold)
                self->m_hold->show(::GetParent(dialog));
            return;
        }
        if (message != WM_NOTIFY)
            return;
        auto* self = reinterpret_cast<afDialogFileBase*>(::GetWindowLongPtrW(dialog, GWLP_USERDATA));
        const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
        if (!self || !notify)
            return;
        self->onNotify(dialog, notify);
        handled = notify->hdr.code == CDN_FILEOK ? 1 : 0;
    });
    return handled;
}

BOOL afDialogFileOpen::runPlatformDialog(OPENFILENAMEW* record) {
    return ::GetOpenFileNameW(record);
}

BOOL afDialogFileSave::runPlatformDialog(OPENFILENAMEW* record) {
    m_confirmCount = 0;
    return ::GetSaveFileNameW(record);
}

bool afDialogFileSave::onFileOk(HWND dialog, OPENFILENAMEW* record) {
    const std::wstring typed = record && record->lpstrFile ? record->lpstrFile : L"";
    if (!extensionOf(typed).empty())
        return true;
    // The second confirmation of a bare name takes it as typed.
    if (++m_confirmCount >= 2)
        return true;
    std::wstring extension;
    const afFileFilter* shown = getCurrentFilter();
    const bool firstIsAll = !shown || shown->patterns.empty() || shown->patterns.front() == kAllFiles;
    const std::wstring& fileName = getOptions()->fileName;
    if (!fileName.empty() && m_currentFilter == m_initialFilter && !firstIsAll)
        extension = extensionOf(fileName);
    if (extension.empty() && !firstIsAll)
        extension = shown->patterns.front();
    if (extension.empty())
        return true;
    ::SetDlgItemTextW(::GetParent(dialog), NAME_BOX_ID, (filePart(typed) + L"." + extension).c_str());
    return false;
}

// ---- The folder picker

namespace {

bool isUsableFolder(LPCITEMIDLIST item) {
    wchar_t path[MAX_PATH] = {};
    if (!item || !::SHGetPathFromIDListW(item, path) || !path[0])
        return false;
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    SHFILEINFOW info = {};
    info.dwAttributes = SFGAO_LINK;
    if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(item), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) &&
        (info.dwAttributes & SFGAO_LINK))
        return false;
    const std::wstring name(path);
    return !(name.size() > 4 && ::_wcsicmp(name.c_str() + name.size() - 4, L".lnk") == 0);
}

} // namespace

int CALLBACK afBrowseFolderCallback(HWND window, UINT message, LPARAM lParam, LPARAM data) {
    afGuard([&] {
        const auto* given = reinterpret_cast<const afBrowseFolderData*>(data);
        if (message == BFFM_INITIALIZED) {
            ::SetWindowLongW(window, GWL_STYLE, ::GetWindowLongW(window, GWL_STYLE) & ~DS_CONTEXTHELP);
            ::SetWindowLongW(window, GWL_EXSTYLE, ::GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
            if (given && !given->folder.empty())
                ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(given->folder.c_str()));
            if (given && !given->title.empty())
                ::SetWindowTextW(window, given->title.c_str());
        } else if (message == BFFM_SELCHANGED) {
            ::SendMessageW(window, BFFM_ENABLEOK, 0, isUsableFolder(reinterpret_cast<LPCITEMIDLIST>(lParam)) ? 1 : 0);
        }
    });
    return 0;
}
