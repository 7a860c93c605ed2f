#include "pel/process/Process.h"

#include "pel/base/Assert.h"
#include "pel/text/NumberText.h"
#include "pel/text/StringTemplate.h"
#include "pel/thread/Mutex.h"
#include "pel/thread/NamedEvent.h"

namespace pel {

namespace {

std::wstring message(const wchar_t* text, uint32_t pid) {
    return StringTemplate(text).arg(1, static_cast<unsigned long>(pid)).render();
}

long wholeSeconds(const FILETIME& time) {
    const uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<long>(ticks / 10000000u);
}

// The child-side copies of the three standard handles, inheritable; closed when the launch ends.
class ChildHandles {
public:
    ChildHandles() = default;
    ChildHandles(const ChildHandles&) = delete;
    ChildHandles& operator=(const ChildHandles&) = delete;
    ~ChildHandles() {
        for (HANDLE handle : m_handles)
            if (handle)
                ::CloseHandle(handle);
    }

    // A pipe end that is already closed cannot be handed on: false.
    bool fromPipe(int slot, HANDLE end) { return end != INVALID_HANDLE_VALUE && copy(slot, end); }

    // A process without the standard handle (a GUI program) passes none.
    void fromStandard(int slot, DWORD which) {
        const HANDLE own = ::GetStdHandle(which);
        if (own && own != INVALID_HANDLE_VALUE)
            copy(slot, own);
    }

    HANDLE operator[](int slot) const { return m_handles[slot]; }

private:
    bool copy(int slot, HANDLE handle) {
        const HANDLE self = ::GetCurrentProcess();
        return ::DuplicateHandle(self, handle, self, &m_handles[slot], 0, TRUE, DUPLICATE_SAME_ACCESS) != 0;
    }

    HANDLE m_handles[3] = {nullptr, nullptr, nullptr};
};

} // namespace

uint32_t Process::id() { return ::GetCurrentProcessId(); }

void Process::times(long& o_user, long& o_kernel) {
    FILETIME creation, exit, kernel, user;
    if (::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
        o_user = wholeSeconds(user);
        o_kernel = wholeSeconds(kernel);
    } else {
        o_user = -1;
        o_kernel = -1;
    }
}

ProcessHandle Process::launch(const std::wstring& command, const Args& args) {
    return launch(command, args, nullptr, nullptr, nullptr);
}

ProcessHandle Process::launch(const std::wstring& command, const Args& args, Pipe* inPipe, Pipe* outPipe,
                              Pipe* errPipe) {
    PEL_ASSERT(inPipe == 0 || (inPipe != outPipe && inPipe != errPipe));
    const std::wstring failure = StringTemplate(L"Cannot launch process `{1}`.").arg(1, command).render();

    std::wstring commandLine = command;
    for (wchar_t& c : commandLine)
        if (c == L'/')
            c = L'\\';
    for (const std::wstring& arg : args)
        commandLine.append(1, L' ').append(arg);

    STARTUPINFOW startup;
    ::GetStartupInfoW(&startup);
    startup.cb = sizeof startup;
    startup.lpReserved = nullptr;
    startup.cbReserved2 = 0;
    startup.lpReserved2 = nullptr;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_FORCEOFFFEEDBACK;

    PROCESS_INFORMATION info = {};
    {
        // Inheritable handles exist only while one launch runs, so that a child started from
        // another thread at the same time cannot inherit this child's ends and keep them open.
        static FastMutex launchMutex;
        ScopedLock<FastMutex> lock(launchMutex);

        ChildHandles child;
        bool copied = true;
        Pipe* const pipes[3] = {inPipe, outPipe, errPipe};
        const DWORD standard[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
        for (int slot = 0; slot < 3; ++slot) {
            if (!pipes[slot])
                child.fromStandard(slot, standard[slot]);
            else if (!child.fromPipe(slot, slot == 0 ? inPipe->readHandle() : pipes[slot]->writeHandle()))
                copied = false;
        }
        if (!copied)
            throw SystemException(failure);
        // The parent keeps only its own ends, so that each side sees the end of the data when
        // the other closes.
        if (inPipe)
            inPipe->close(Pipe::CLOSE_READ);
        if (outPipe)
            outPipe->close(Pipe::CLOSE_WRITE);
        if (errPipe)
            errPipe->close(Pipe::CLOSE_WRITE);

        startup.hStdInput = child[0];
        startup.hStdOutput = child[1];
        startup.hStdError = child[2];
        if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &info))
            throw SystemException(failure);
    }
    ::CloseHandle(info.hThread);
    return ProcessHandle(new ProcessHandleImpl(info.hProcess, info.dwProcessId));
}

int Process::wait(const ProcessHandle& handle) {
    if (::WaitForSingleObject(handle.process(), INFINITE) != WAIT_OBJECT_0)
        throw SystemException(message(L"Wait failed for process {1}.", handle.id()));
    DWORD code = 0;
    if (!::GetExitCodeProcess(handle.process(), &code))
        throw SystemException(message(L"Cannot get exit code for process {1}.", handle.id()));
    return static_cast<int>(code);
}

void Process::kill(const ProcessHandle& handle) {
    if (!::TerminateProcess(handle.process(), 0))
        throw SystemException(message(L"Cannot kill process `{1}`.", handle.id()));
}

void Process::kill(uint32_t pid) {
    const std::wstring text = message(L"Cannot kill process `{1}`.", pid);
    const HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    if (!process) {
        switch (::GetLastError()) {
        case ERROR_ACCESS_DENIED:
            throw NoPermissionException(text);
        case ERROR_NOT_FOUND:
            throw NotFoundException(text);
        default:
            throw SystemException(text);
        }
    }
    const bool killed = ::TerminateProcess(process, 0) != 0;
    ::CloseHandle(process);
    if (!killed)
        throw SystemException(text);
}

void Process::requestTermination(uint32_t pid) { NamedEvent(terminationEventName(pid)).set(); }

std::wstring Process::terminationEventName(uint32_t pid) {
    std::wstring name = L"PELTRM";
    formatUnsigned(name, pid, 16, 8);
    return name;
}

} // namespace pel
