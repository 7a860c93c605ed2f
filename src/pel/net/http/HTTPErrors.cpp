#include "pel/net/http/HTTPErrors.h"

#include <windows.h>

namespace pel {
namespace net {

namespace {

struct ErrorText {
    uint32_t code;
    const wchar_t* text;
};

const ErrorText kErrorTable[] = {
    {6, L"The handle passed to the application programming interface (API) has been either invalidated or closed."},
    {8, L"Not enough memory was available to complete the requested operation."},
    {18, L"No more files have been found."},
    {50, L"The required protocol stack is not loaded and the application cannot start WinSock."},
    {122, L"The size, in bytes, of the buffer supplied to a function was insufficient to contain the returned data."},
    {12001, L"WINHTTP out of handles."},
    {12002, L"The request has timed out."},
    {12004, L"An internal error has occurred."},
    {12005, L"The URL is not valid."},
    {12006, L"The URL specified a scheme other than \"http:\" or \"https:\"."},
    {12007, L"The server name cannot be resolved."},
    {12009, L"A request to WinHttpQueryOption or WinHttpSetOption specified an invalid option value."},
    {12011, L"The requested option cannot be set, only queried."},
    {12012, L"The WinHTTP function support is being shut down or unloaded."},
    {12015, L"The login attempt failed."},
    {12017, L"The operation was canceled, usually because the handle on which the request was operating was closed before the operation completed."},
    {12018, L"The type of handle supplied is incorrect for this operation."},
    {12019, L"The requested operation cannot be carried out because the handle supplied is not in the correct state."},
    {12029, L"Connection to the server failed."},
    {12030, L"The connection with the server has been reset or terminated."},
    {12032, L"The WinHTTP function failed."},
    {12037, L"Required certificate is not within its validity period when verifying against the current system clock or the timestamp in the signed file."},
    {12038, L"Certificate CN name does not match the passed value."},
    {12044, L"The server requires SSL client Authentication."},
    {12045, L"Certificate chain was processed, but terminated in a root certificate that is not trusted by the trust provider."},
    {12057, L"Indicates that revocation cannot be checked because the revocation server was offline."},
    {12100, L"Specified request option cannot be requested before OPEN."},
    {12101, L"Specified request option cannot be requested before SEND."},
    {12102, L"Specified request option cannot be requested after SEND."},
    {12103, L"Specified request option cannot be requested after OPEN."},
    {12150, L"The requested header cannot be located."},
    {12152, L"The server response cannot be parsed."},
    {12154, L"Invalid query request."},
    {12155, L"HTTP header already exists."},
    {12156, L"The redirection failed because either the scheme changed or all attempts made to redirect failed."},
    {12157, L"An error occurred having to do with a secure channel."},
    {12166, L"An error occurred executing the script code in the Proxy Auto-Configuration (PAC) file."},
    {12167, L"The PAC file cannot be downloaded."},
    {12169, L"Certificate is invalid."},
    {12170, L"Certificate has been revoked."},
    {12172, L"WINHTTP not initialized."},
    {12175, L"One or more errors were found in the Secure Sockets Layer (SSL) certificate sent by the server."},
    {12178, L"Proxy for the specified URL cannot be located."},
    {12179, L"Certificate is not valid for the requested usage."},
    {12180, L"Unable to discover the URL of the Proxy Auto-Configuration (PAC) file."},
    {12181, L"A larger number of headers were present in a response than WinHTTP could receive."},
    {12182, L"The size of headers received exceeds the limit for the request handle."},
    {12183, L"Overflow condition is encountered in the course of parsing chunked encoding."},
    {12184, L"An incoming response exceeds an internal WinHTTP size limit."},
    {12185, L"The context for the SSL client certificate does not have a private key associated with it. The client certificate may have been imported to the computer without the private key."},
    {12186, L"The application does not have the required privileges to access the private key associated with the client certificate."},
};

std::wstring systemText(uint32_t code) {
    wchar_t buffer[512];
    // WinHTTP's codes have their texts in its own module, the rest in the system's table.
    const HMODULE winhttp = ::GetModuleHandleW(L"winhttp.dll");
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (winhttp && code >= 12000 && code < 13000)
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    DWORD length = ::FormatMessageW(flags, winhttp, code, 0, buffer, 512, nullptr);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' || buffer[length - 1] == L' '))
        --length;
    return std::wstring(buffer, length);
}

} // namespace

const wchar_t* httpErrorTableText(uint32_t code) {
    for (const ErrorText& row : kErrorTable)
        if (row.code == code)
            return row.text;
    return nullptr;
}

std::wstring httpErrorText(uint32_t code) {
    if (const wchar_t* text = httpErrorTableText(code))
        return text;
    if (code == 0)
        return L"The WinHTTP call failed without giving a reason.";
    std::wstring text = systemText(code);
    if (text.empty())
        text = L"The WinHTTP call failed with error " + std::to_wstring(code) + L".";
    return text;
}

} // namespace net
} // namespace pel
