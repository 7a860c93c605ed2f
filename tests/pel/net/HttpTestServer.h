#pragma once
// Starts http_test_server.py (copied beside the test program) on the Linux side of Wine for the HTTP client
// tests and keeps it running while a lease request stays open: the server ends when the lease
// closes, also when the test process dies. Only 127.0.0.1 is ever contacted.

#include "pel/net/http/HTTPClientSession.h"
#include "pel/net/http/HTTPRequest.h"
#include "pel/net/http/HTTPResponse.h"

#include <memory>
#include <string>
#include <windows.h>

namespace tessel_test {

class HttpTestServer {
public:
    // Empty when the server could not be started.
    static std::unique_ptr<HttpTestServer> start(std::wstring* o_error) {
        // Wine's WinHTTP sends even loopback requests through $http_proxy.
        for (const wchar_t* name : {L"http_proxy", L"HTTP_PROXY", L"https_proxy", L"HTTPS_PROXY"})
            ::SetEnvironmentVariableW(name, nullptr);
        using ToUnix = char*(__cdecl*)(const wchar_t*);
        const auto toUnix = reinterpret_cast<ToUnix>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        wchar_t folder[MAX_PATH];
        wchar_t portFile[MAX_PATH];
        if (!toUnix || !::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, L"hts", 0, portFile)) {
            *o_error = L"not running under Wine";
            return nullptr;
        }
        ::DeleteFileW(portFile);
        char* const unixPortFile = toUnix(portFile);
        wchar_t program[MAX_PATH];
        const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
        const std::wstring programPath(program, length);
        char* const unixScript =
            toUnix((programPath.substr(0, programPath.find_last_of(L"\\/") + 1) + L"http_test_server.py").c_str());
        const std::string script = unixScript ? unixScript : "";
        if (unixScript)
            ::HeapFree(::GetProcessHeap(), 0, unixScript);
        const bool plain = ::GetFileAttributesW(L"Z:\\usr\\bin\\python3") != INVALID_FILE_ATTRIBUTES;
        std::string command = (plain ? "python3 \"" : "env python3 \"") + script + "\" \"" + unixPortFile + "\"";
        ::HeapFree(::GetProcessHeap(), 0, unixPortFile);
        std::wstring commandLine(command.begin(), command.end());
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessW(plain ? L"Z:\\usr\\bin\\python3" : L"Z:\\usr\\bin\\env", &commandLine[0], nullptr, nullptr,
                              FALSE, 0, nullptr, nullptr, &startup, &info)) {
            *o_error = L"python3 could not be started";
            return nullptr;
        }
        if (info.hProcess)
            ::CloseHandle(info.hProcess);
        if (info.hThread)
            ::CloseHandle(info.hThread);
        const int port = waitForPort(portFile);
        if (port <= 0) {
            *o_error = L"the server did not report its port";
            return nullptr;
        }
        std::unique_ptr<HttpTestServer> server(new HttpTestServer(static_cast<unsigned short>(port)));
        server->m_lease.sendRequest(server->m_leaseRequest);
        server->m_lease.receiveResponse(server->m_leaseResponse);
        return server;
    }

    unsigned short port() const { return m_port; }

private:
    explicit HttpTestServer(unsigned short port)
        : m_port(port), m_lease(L"127.0.0.1", port), m_leaseRequest(L"GET", L"/lease") {}

    static int waitForPort(const wchar_t* portFile) {
        for (int attempt = 0; attempt < 600; ++attempt) {
            const HANDLE file = ::CreateFileW(portFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                char text[16] = {};
                DWORD read = 0;
                ::ReadFile(file, text, sizeof text - 1, &read, nullptr);
                ::CloseHandle(file);
                ::DeleteFileW(portFile);
                return atoi(text);
            }
            ::Sleep(50);
        }
        return 0;
    }

    unsigned short m_port;
    pel::net::HTTPClientSession m_lease;
    pel::net::HTTPRequest m_leaseRequest;
    pel::net::HTTPResponse m_leaseResponse;
};

} // namespace tessel_test
