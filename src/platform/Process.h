// A child process started from an argument vector (never through a shell), with pipes for its
// standard input, output and error that the parent reads without blocking, polling for its end
// and ending it on request.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Which output pipe of a child to read.
enum class ProcessStream
{
    Output,
    Error
};

class Process
{
public:
    Process() = default;
    // Closes the parent's pipe ends; a child still running is killed and reaped, so that no
    // process outlives its owner unnoticed.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the program at `program` (a path; no search of PATH, no shell) with `arguments`
    // as argv[1..], in a process group of its own. With `mergeError` its standard error goes
    // into the same pipe as its standard output. Returns 0; 87 when the program does not exist
    // or cannot be run; the system error's status when the pipes cannot be made; -1 when this
    // object already holds a process.
    [[nodiscard]] int start(const std::string& program,
                            const std::vector<std::string>& arguments,
                            bool mergeError = false);

    // Writes all of `bytes` to the child's standard input, waiting while the pipe is full.
    // Returns 0; statusFromErrno(EPIPE) when the child has closed its input; -1 when the input is
    // closed or no child runs; another system error's status otherwise.
    [[nodiscard]] int writeInput(std::string_view bytes);

    // Closes the child's standard input so that it reads end-of-file.
    void closeInput();

    // Waits up to `timeoutMs` milliseconds (0: do not wait) until either output pipe holds
    // bytes or reaches its end. Returns true when one of them is ready.
    bool waitReadable(int timeoutMs);

    // Appends to `out` what `stream` holds now, at most `maxBytes`, without blocking. `ended`
    // becomes true once the pipe is at its end (the child and everything it started have
    // closed it). Returns 0, or the system error's status.
    [[nodiscard]] int
    readAvailable(ProcessStream stream, std::string& out, std::size_t maxBytes, bool& ended);

    // Waits up to `timeoutMs` milliseconds (0: just look) for the child to end. Returns true
    // when it has ended; `exitCode()` then holds its status.
    bool waitForExit(int timeoutMs);

    // True while a started child has not been seen to end.
    bool running() const { return m_pid > 0 && !m_exited; }

    // The child's exit status once it has ended: its exit code, or 128 + the signal that ended
    // it; -1 before.
    int exitCode() const { return m_exitCode; }

    // Sends SIGKILL to the child's process group and reaps it. Returns 0, or the system
    // error's status; 0 also when the child had already ended.
    [[nodiscard]] int kill();

private:
    void closeAll();

    int m_pid = -1;
    bool m_exited = false;
    int m_exitCode = -1;
    int m_input = -1;
    int m_output = -1;
    int m_error = -1;
};

} // namespace platform
