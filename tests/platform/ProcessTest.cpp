// Child processes: argument passing without a shell, stdin/stdout/stderr pipes, exit codes,
// non-blocking reads, large outputs, missing programs and killing.
#include "platform/Process.h"

#include "platform/Status.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using platform::Process;
using platform::ProcessStream;

namespace {

// Reads both streams until the child has ended and both pipes are at their end.
void collect(Process& process, std::string& out, std::string& err)
{
    bool outEnded = false;
    bool errEnded = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((!outEnded || !errEnded) && std::chrono::steady_clock::now() < deadline) {
        process.waitReadable(50);
        ASSERT_EQ(process.readAvailable(ProcessStream::Output, out, 1 << 20, outEnded), 0);
        ASSERT_EQ(process.readAvailable(ProcessStream::Error, err, 1 << 20, errEnded), 0);
    }
    ASSERT_TRUE(outEnded && errEnded);
    ASSERT_TRUE(process.waitForExit(10000));
}

} // namespace

TEST(ProcessTest, PassesEachArgumentVerbatimWithoutAShell)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> arguments;
        std::string expected;
    };

    const std::vector<Case> cases = {
        {"spaces", {"%s|", "a b", " c "}, "a b| c |"},
        {"shell characters", {"%s|", "$HOME", "`id`;*", "\"q\""}, "$HOME|`id`;*|\"q\"|"},
        {"non-ASCII and empty", {"%s|", "päßwörd 🔑", ""}, "päßwörd 🔑||"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Process process;
        ASSERT_EQ(process.start("/usr/bin/printf", c.arguments), 0);
        std::string out;
        std::string err;
        collect(process, out, err);
        EXPECT_EQ(out, c.expected);
        EXPECT_EQ(err, "");
        EXPECT_EQ(process.exitCode(), 0);
    }
}

TEST(ProcessTest, InputReachesTheChildAndOutputAndErrorStaySeparateOrMerge)
{
    for (const bool merge : {false, true}) {
        SCOPED_TRACE(merge ? "merged" : "separate");
        Process process;
        ASSERT_EQ(process.start("/bin/sh",
                                {"-c", "read line; echo \"out:$line\"; echo err >&2; exit 7"},
                                merge),
                  0);
        ASSERT_EQ(process.writeInput("pass word\nignored\n"), 0);
        process.closeInput();
        std::string out;
        std::string err;
        collect(process, out, err);
        EXPECT_EQ(process.exitCode(), 7);
        if (merge) {
            EXPECT_NE(out.find("out:pass word\n"), std::string::npos);
            EXPECT_NE(out.find("err\n"), std::string::npos);
            EXPECT_EQ(err, "");
        } else {
            EXPECT_EQ(out, "out:pass word\n");
            EXPECT_EQ(err, "err\n");
        }
    }
}

TEST(ProcessTest, ReadsDoNotBlockWhileTheChildIsSilent)
{
    Process process;
    ASSERT_EQ(process.start("/bin/sleep", {"5"}), 0);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(process.waitReadable(20));
    std::string out;
    bool ended = true;
    ASSERT_EQ(process.readAvailable(ProcessStream::Output, out, 4096, ended), 0);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(process.waitForExit(5));
    EXPECT_TRUE(process.running());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));

    ASSERT_EQ(process.kill(), 0);
    EXPECT_FALSE(process.running());
    EXPECT_EQ(process.exitCode(), 128 + 9);
}

TEST(ProcessTest, OutputLargerThanThePipeBufferArrivesWhole)
{
    // 4 MiB of zeros: far beyond a pipe's buffer, so the child blocks until we read.
    Process process;
    ASSERT_EQ(process.start("/usr/bin/head", {"-c", "4194304", "/dev/zero"}), 0);
    std::string out;
    std::string err;
    collect(process, out, err);
    EXPECT_EQ(out.size(), 4194304u);
    EXPECT_EQ(out.find_first_not_of('\0'), std::string::npos);
    EXPECT_EQ(process.exitCode(), 0);
}

TEST(ProcessTest, MissingProgramAndChildThatClosedItsInput)
{
    Process missing;
    EXPECT_EQ(missing.start("/nonexistent/tool", {}), platform::kStatusInvalid);
    EXPECT_FALSE(missing.running());
    EXPECT_EQ(missing.writeInput("x"), platform::kStatusFailed);

    Process process;
    ASSERT_EQ(process.start("/bin/sh", {"-c", "exec 0<&-; sleep 5"}), 0);
    // Writing into a pipe nobody reads must fail with EPIPE, not kill the test with SIGPIPE.
    int status = 0;
    const std::string big(1 << 20, 'x');
    for (int attempt = 0; attempt < 200 && status == 0; ++attempt) {
        status = process.writeInput(big);
    }
    EXPECT_EQ(status, platform::statusFromErrno(EPIPE));
    ASSERT_EQ(process.kill(), 0);
}

TEST(ProcessTest, DestructorEndsAChildStillRunning)
{
    int pid = 0;
    {
        Process process;
        ASSERT_EQ(process.start("/bin/sh", {"-c", "echo $$; exec sleep 30"}), 0);
        std::string out;
        bool ended = false;
        while (out.find('\n') == std::string::npos) {
            process.waitReadable(100);
            ASSERT_EQ(process.readAvailable(ProcessStream::Output, out, 64, ended), 0);
            ASSERT_FALSE(ended);
        }
        pid = std::stoi(out);
    }
    ASSERT_GT(pid, 0);
    // The child was reaped: the id no longer names a process of ours.
    EXPECT_NE(::kill(pid, 0), 0);
}
