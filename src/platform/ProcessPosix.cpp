// POSIX implementation of child processes: posix_spawn with pipes whose parent ends are
// non-blocking and closed on exec, so that no other child inherits them.
#include "Process.h"
#include "Status.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

constexpr std::size_t kReadPiece = 65536;

// The status of the failed call that set errno.
int lastError()
{
    return statusFromErrno(errno);
}

void closeFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Both ends of a pipe, closed when the object goes unless released.
struct Pipe
{
    int ends[2] = {-1, -1};

    ~Pipe()
    {
        closeFd(ends[0]);
        closeFd(ends[1]);
    }

    int open() { return ::pipe2(ends, O_CLOEXEC) == 0 ? kStatusOk : lastError(); }

    int release(int index)
    {
        const int fd = ends[index];
        ends[index] = -1;
        return fd;
    }
};

int makeNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        return lastError();
    }
    return kStatusOk;
}

// The spawn attributes and file actions, destroyed with the object.
struct SpawnSetup
{
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    bool actionsReady = false;
    bool attributesReady = false;

    ~SpawnSetup()
    {
        if (actionsReady) {
            posix_spawn_file_actions_destroy(&actions);
        }
        if (attributesReady) {
            posix_spawnattr_destroy(&attributes);
        }
    }
};

int decodeWaitStatus(int status)
{
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return kStatusFailed;
}

} // namespace

Process::~Process()
{
    if (running()) {
        (void)kill();
    }
    closeAll();
}

void Process::closeAll()
{
    closeFd(m_input);
    closeFd(m_output);
    closeFd(m_error);
}

int Process::start(const std::string& program,
                   const std::vector<std::string>& arguments,
                   bool mergeError)
{
    if (m_pid > 0) {
        return kStatusFailed;
    }
    Pipe input;
    Pipe output;
    Pipe error;
    int status = input.open();
    if (status == kStatusOk) {
        status = output.open();
    }
    if (status == kStatusOk && !mergeError) {
        status = error.open();
    }
    if (status != kStatusOk) {
        return status;
    }

    SpawnSetup setup;
    if (posix_spawn_file_actions_init(&setup.actions) != 0) {
        return kStatusFailed;
    }
    setup.actionsReady = true;
    if (posix_spawnattr_init(&setup.attributes) != 0) {
        return kStatusFailed;
    }
    setup.attributesReady = true;

    // dup2 clears close-on-exec on the copies, so the child keeps exactly fds 0, 1 and 2.
    const int errorEnd = mergeError ? output.ends[1] : error.ends[1];
    if (posix_spawn_file_actions_adddup2(&setup.actions, input.ends[0], STDIN_FILENO) != 0 ||
        posix_spawn_file_actions_adddup2(&setup.actions, output.ends[1], STDOUT_FILENO) != 0 ||
        posix_spawn_file_actions_adddup2(&setup.actions, errorEnd, STDERR_FILENO) != 0) {
        return kStatusFailed;
    }

    // The child starts with default signal handling and an empty mask, whatever this process
    // has set up, in its own process group so that kill() reaches what it starts too.
    sigset_t defaults;
    sigset_t empty;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigemptyset(&empty);
    if (posix_spawnattr_setsigdefault(&setup.attributes, &defaults) != 0 ||
        posix_spawnattr_setsigmask(&setup.attributes, &empty) != 0 ||
        posix_spawnattr_setpgroup(&setup.attributes, 0) != 0 ||
        posix_spawnattr_setflags(&setup.attributes,
                                 static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                    POSIX_SPAWN_SETPGROUP)) != 0) {
        return kStatusFailed;
    }

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = -1;
    if (posix_spawn(
            &pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ) != 0) {
        return kStatusInvalid;
    }

    m_pid = pid;
    m_exited = false;
    m_exitCode = -1;
    m_input = input.release(1);
    m_output = output.release(0);
    m_error = mergeError ? -1 : error.release(0);
    for (const int fd : {m_input, m_output, m_error}) {
        if (fd >= 0) {
            (void)makeNonBlocking(fd);
        }
    }
    return kStatusOk;
}

int Process::writeInput(std::string_view bytes)
{
    if (m_input < 0) {
        return kStatusFailed;
    }
    // A child that closed its input would raise SIGPIPE, which ends this whole process by
    // default: block it on this thread for the write and swallow one that the write caused.
    sigset_t pipeSet;
    sigset_t previous;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &previous);
    sigset_t pending;
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;

    int status = kStatusOk;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_input, bytes.data() + done, bytes.size() - done);
        if (n >= 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd entry{m_input, POLLOUT, 0};
            (void)::poll(&entry, 1, 10);
            continue;
        }
        status = lastError();
        break;
    }

    if (status == statusFromErrno(EPIPE) && !alreadyPending) {
        const timespec zero{0, 0};
        while (sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return status;
}

void Process::closeInput()
{
    closeFd(m_input);
}

bool Process::waitReadable(int timeoutMs)
{
    pollfd entries[2];
    nfds_t count = 0;
    for (const int fd : {m_output, m_error}) {
        if (fd >= 0) {
            entries[count++] = pollfd{fd, POLLIN, 0};
        }
    }
    if (count == 0) {
        return false;
    }
    for (;;) {
        const int ready = ::poll(entries, count, timeoutMs < 0 ? 0 : timeoutMs);
        if (ready >= 0) {
            return ready > 0;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

int Process::readAvailable(ProcessStream stream,
                           std::string& out,
                           std::size_t maxBytes,
                           bool& ended)
{
    int& fd = stream == ProcessStream::Output ? m_output : m_error;
    ended = fd < 0;
    std::size_t total = 0;
    char buffer[kReadPiece];
    while (fd >= 0 && total < maxBytes) {
        const std::size_t want = std::min(sizeof buffer, maxBytes - total);
        const ssize_t n = ::read(fd, buffer, want);
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
            total += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) {
            closeFd(fd);
            ended = true;
            break;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        }
        return lastError();
    }
    return kStatusOk;
}

bool Process::waitForExit(int timeoutMs)
{
    if (m_pid <= 0) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_exited) {
        int status = 0;
        const pid_t got = ::waitpid(m_pid, &status, WNOHANG);
        if (got == m_pid) {
            m_exited = true;
            m_exitCode = decodeWaitStatus(status);
            break;
        }
        if (got < 0 && errno != EINTR) {
            // Someone else reaped it; its status is lost.
            m_exited = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return m_exited;
}

int Process::kill()
{
    if (!running()) {
        return kStatusOk;
    }
    if (::killpg(m_pid, SIGKILL) != 0 && ::kill(m_pid, SIGKILL) != 0 && errno != ESRCH) {
        return lastError();
    }
    int status = 0;
    pid_t got = -1;
    do {
        got = ::waitpid(m_pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    m_exited = true;
    m_exitCode = got == m_pid ? decodeWaitStatus(status) : kStatusFailed;
    return kStatusOk;
}

} // namespace platform
