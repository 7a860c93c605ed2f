#pragma once
// Starts a test helper program (pel_test_helper.exe unless named otherwise, beside the test
// executable) as a child process, optionally capturing its standard output.

#include <string>
#include <windows.h>

namespace tessel_test {

inline std::wstring helperPath(const wchar_t* program = L"pel_test_helper.exe") {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + program;
}

class ChildProcess {
public:
    // arguments: the helper's command line after its name.
    explicit ChildProcess(const std::wstring& arguments, bool captureOutput = false,
                          const wchar_t* program = L"pel_test_helper.exe") {
        std::wstring commandLine = L"\"" + helperPath(program) + L"\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        HANDLE writeEnd = nullptr;
        if (captureOutput) {
            SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
            ::CreatePipe(&m_output, &writeEnd, &inherit, 0);
            ::SetHandleInformation(m_output, HANDLE_FLAG_INHERIT, 0);
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = writeEnd;
            startup.hStdError = writeEnd;
            startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        }
        PROCESS_INFORMATION info = {};
        m_started = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, captureOutput, 0, nullptr, nullptr,
                                     &startup, &info) != 0;
        if (writeEnd)
            ::CloseHandle(writeEnd);
        if (m_started) {
            ::CloseHandle(info.hThread);
            m_process = info.hProcess;
            m_processId = info.dwProcessId;
        }
    }
    ~ChildProcess() {
        if (m_process) {
            if (::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(m_process, 1);
            ::CloseHandle(m_process);
        }
        if (m_output)
            ::CloseHandle(m_output);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_started; }
    DWORD processId() const { return m_processId; }

    // Reads the output to its end (when captured), waits for the exit and returns the code.
    DWORD wait() {
        if (m_output) {
            char buffer[4096];
            DWORD read = 0;
            while (::ReadFile(m_output, buffer, sizeof buffer, &read, nullptr) && read > 0)
                m_text.append(buffer, read);
        }
        ::WaitForSingleObject(m_process, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(m_process, &code);
        return code;
    }

    // The next line of the captured output without its line end; false once the output ended
    // (the child exited or closed it) before a whole line came.
    bool readLine(std::string& line) {
        line.clear();
        char c;
        for (DWORD read = 0; m_output && ::ReadFile(m_output, &c, 1, &read, nullptr) && read == 1;) {
            if (c == '\n')
                return true;
            if (c != '\r')
                line.push_back(c);
        }
        return false;
    }

    // Ends the child at once, as a crash or the task manager would, and waits until it is gone.
    void terminate() {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, INFINITE);
    }

    // The captured output with carriage returns removed.
    std::string output() const {
        std::string text;
        for (char c : m_text)
            if (c != '\r')
                text.push_back(c);
        return text;
    }

private:
    bool m_started = false;
    HANDLE m_process = nullptr;
    DWORD m_processId = 0;
    HANDLE m_output = nullptr;
    std::string m_text;
};

} // namespace tessel_test
