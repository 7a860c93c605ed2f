#pragma once
// Child processes: launching with the standard handles optionally redirected to pipes, waiting,
// killing, and asking a cooperating process to end itself; the calling process's id and times.

#include "pel/process/Pipe.h"
#include "pel/process/ProcessHandle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pel {

class Process {
public:
    using Args = std::vector<std::wstring>;

    static uint32_t id();
    // CPU time of this process in whole seconds; both -1 when the system cannot tell.
    static void times(long& o_user, long& o_kernel);

    // Runs `command` (its '/' turned into '\') followed by each argument after one space, as
    // given: arguments are not quoted, so callers quote what holds blanks. The child inherits
    // the environment and the current directory. A pipe given for a standard handle takes that
    // handle over: the parent keeps the write end of `in` and the read ends of `out` and `err`;
    // without a pipe the child shares this process's handle, or gets none when this process has
    // none (a GUI program).
    static ProcessHandle launch(const std::wstring& command, const Args& args);
    static ProcessHandle launch(const std::wstring& command, const Args& args, Pipe* inPipe, Pipe* outPipe,
                                Pipe* errPipe);

    // The exit code, once the process has ended.
    static int wait(const ProcessHandle& handle);
    static void kill(const ProcessHandle& handle);
    static void kill(uint32_t pid);

    // Sets the named event terminationEventName(pid); the process is expected to wait on the
    // event of its own id and end itself when it is set.
    static void requestTermination(uint32_t pid);
    // "PELTRM" and the id in eight upper-case hexadecimal digits.
    static std::wstring terminationEventName(uint32_t pid);
};

} // namespace pel
