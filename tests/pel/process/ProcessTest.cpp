#include "../stream/StreamTestSupport.h"
#include "pel/files/file_io/FileException.h"
#include "pel/process/Process.h"
#include "pel/stream/PipeStream.h"
#include "pel/stream/StreamCopier.h"
#include "support/ChildProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace pel;
using testing::HasSubstr;
using tessel_test::thrown;

namespace {

// Ends the child when the test leaves, or after a minute with exit code 99, so that a child
// that never sees the end of its input fails the test instead of hanging the suite.
struct Watchdog {
    explicit Watchdog(HANDLE child)
        : child(child), thread([child] {
              if (::WaitForSingleObject(child, 60000) == WAIT_TIMEOUT)
                  ::TerminateProcess(child, 99);
          }) {}
    ~Watchdog() {
        ::TerminateProcess(child, 98); // fails harmlessly once the child has ended
        thread.join();
    }
    HANDLE child;
    std::thread thread;
};

std::string helperText() {
    const std::wstring path = tessel_test::helperPath();
    return std::string(path.begin(), path.end());
}

} // namespace

TEST(Process, EchoesCommandLineAndInputThroughPipesUntilTheInputCloses) {
    std::wstring slashed = tessel_test::helperPath();
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    Pipe in, out, err;
    const ProcessHandle child = Process::launch(slashed, {L"echo", L"7", L"-a", L"b c"}, &in, &out, &err);
    Watchdog watchdog(child.process());

    const std::string data = tessel_test::pattern(100000);
    std::thread writer([&] {
        PipeOutputStream input(in);
        input.write(data.data(), static_cast<std::streamsize>(data.size()));
        input.close();
    });
    PipeInputStream output(out), errors(err);
    std::string line, echoed, counted;
    std::getline(output, line);
    // Ends with the child: the parent holds no write end of the pipe.
    StreamCopier::copyToString(output, echoed, 3000);
    writer.join();
    std::getline(errors, counted);
    EXPECT_EQ(helperText() + " echo 7 -a b c", line);
    EXPECT_TRUE(echoed == data) << echoed.size() << " bytes echoed";
    EXPECT_EQ("100000 bytes", counted);
    EXPECT_EQ(7, Process::wait(child));
}

TEST(Process, ParentWithoutStandardInputGivesTheChildNone) {
    struct RestoreInput {
        const HANDLE saved = ::GetStdHandle(STD_INPUT_HANDLE);
        ~RestoreInput() { ::SetStdHandle(STD_INPUT_HANDLE, saved); }
    };
    Pipe out;
    const ProcessHandle child = [&out] {
        const RestoreInput restore;
        ::SetStdHandle(STD_INPUT_HANDLE, nullptr); // as in a GUI program
        return Process::launch(tessel_test::helperPath(), {L"echo", L"4"}, nullptr, &out, &out);
    }();
    Watchdog watchdog(child.process());
    PipeInputStream output(out);
    std::string text;
    StreamCopier::copyToString(output, text, 100);
    EXPECT_EQ(helperText() + " echo 4\n0 bytes\n", text);
    EXPECT_EQ(4, Process::wait(child));
}

TEST(Process, EndsOnATerminationRequestOrWhenKilled) {
    EXPECT_EQ(L"PELTRM00001A2C", Process::terminationEventName(6700));
    for (int way = 0; way < 3; ++way) {
        Pipe out;
        const ProcessHandle child = Process::launch(tessel_test::helperPath(), {L"await-termination"}, nullptr,
                                                    &out, nullptr);
        Watchdog watchdog(child.process());
        PipeInputStream output(out);
        std::string line;
        std::getline(output, line);
        ASSERT_EQ("ready", line);
        way == 0 ? Process::requestTermination(child.id()) : way == 1 ? Process::kill(child) : Process::kill(child.id());
        EXPECT_EQ(way == 0 ? 3 : 0, Process::wait(child)) << way;
    }
}

TEST(Process, ReportsFailuresWithTheirTexts) {
    // Event handles stand in for processes whose wait, exit code or termination fails.
    const HANDLE event = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE unwaitable = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), event, ::GetCurrentProcess(), &unwaitable, EVENT_MODIFY_STATE, FALSE, 0);
    const ProcessHandle notAProcess(new ProcessHandleImpl(event, 77));
    const ProcessHandle cannotWait(new ProcessHandleImpl(unwaitable, 78));
    EXPECT_EQ(L"Cannot get exit code for process 77.", thrown<SystemException>([&] { Process::wait(notAProcess); }));
    EXPECT_EQ(L"Wait failed for process 78.", thrown<SystemException>([&] { Process::wait(cannotWait); }));
    EXPECT_EQ(L"Cannot kill process `77`.", thrown<SystemException>([&] { Process::kill(notAProcess); }));
    EXPECT_EQ(L"Cannot launch process `no/such/program.exe`.",
              thrown<SystemException>([] { Process::launch(L"no/such/program.exe", {L"x"}); }));

    Pipe pipe;
    EXPECT_THAT(thrown<AssertionViolationException>([&] { Process::launch(L"x", {}, &pipe, nullptr, &pipe); }),
                HasSubstr(L"inPipe == 0 || (inPipe != outPipe && inPipe != errPipe)"));
    EXPECT_THAT(thrown<NullPointerException>([] { ProcessHandle(nullptr); }), HasSubstr(L"_pImpl"));
}

TEST(Pipe, SharesItsEndsAndReportsMisuse) {
    Pipe pipe;
    char buffer[8];
    Pipe copy = pipe;
    copy.writeBytes("abc", 3);
    copy.close(Pipe::CLOSE_WRITE); // for every copy
    EXPECT_EQ(3, pipe.readBytes(buffer, sizeof buffer));
    EXPECT_EQ(0, pipe.readBytes(buffer, sizeof buffer)); // the writer is gone: end of data
    EXPECT_THAT(thrown<AssertionViolationException>([&] { pipe.writeBytes("x", 1); }),
                HasSubstr(L"_writeHandle != INVALID_HANDLE_VALUE"));
    pipe.close();
    EXPECT_THAT(thrown<AssertionViolationException>([&] { pipe.readBytes(buffer, 1); }),
                HasSubstr(L"_readHandle != INVALID_HANDLE_VALUE"));

    Pipe unread;
    unread.close(Pipe::CLOSE_READ);
    EXPECT_EQ(L"anonymous pipe", thrown<WriteFileException>([&] { unread.writeBytes("x", 1); }));
    PipeOutputStream stream(unread);
    stream << "lost"; // buffered until the close
    stream.close();
    EXPECT_TRUE(stream.bad());
}
