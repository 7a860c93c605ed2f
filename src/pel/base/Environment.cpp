#include "pel/base/Environment.h"

#include "pel/base/Assert.h"
#include "pel/text/FormatString.h"

#include <windows.h>

#include <vector>

namespace pel {

bool EnvironmentImpl::has(const wchar_t* name) {
    PEL_CHECK_PTR(name);
    wchar_t probe[1];
    SetLastError(ERROR_SUCCESS);
    if (GetEnvironmentVariableW(name, probe, 1) > 0)
        return true;
    // An empty variable reports 0 characters, as a missing one does, but leaves no error.
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

void EnvironmentImpl::get(const wchar_t* name, std::wstring* io_value, bool append) {
    PEL_CHECK_PTR(name);
    PEL_CHECK_PTR(io_value);
    std::vector<wchar_t> buffer(256);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            throw NotFoundException(name);
        if (length < buffer.size()) {
            // Appending keeps every character the caller already had.
            if (!append)
                io_value->clear();
            io_value->append(buffer.data(), length);
            return;
        }
        buffer.resize(length); // the count includes the terminating NUL; the value may still grow
    }
}

std::wstring EnvironmentImpl::get(const wchar_t* name) {
    std::wstring value;
    get(name, &value, false);
    return value;
}

void EnvironmentImpl::set(const wchar_t* name, const wchar_t* value) {
    PEL_CHECK_PTR(name);
    PEL_CHECK_PTR(value);
    if (!SetEnvironmentVariableW(name, value))
        throw SystemException(formatString(L"Cannot set environment variable: %s", name));
}

void EnvironmentImpl::getApplicationPath(std::wstring* o_path) {
    PEL_CHECK_PTR(o_path);
    wchar_t buffer[1024];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 1024);
    if (length == 0 || length >= 1024)
        throw IllegalStateException(L"Cannot get application file name.");
    o_path->assign(buffer, length);
}

void EnvironmentImpl::getCommandLine(std::wstring* o_command_line) {
    PEL_CHECK_PTR(o_command_line);
    const wchar_t* line = GetCommandLineW();
    o_command_line->assign(line ? line : L"");
}

void EnvironmentImpl::getNodeName(std::wstring* o_name) {
    PEL_CHECK_PTR(o_name);
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(buffer, &size))
        throw SystemException(L"Cannot get computer name");
    o_name->assign(buffer, size);
}

} // namespace pel
