// Running programs on POSIX systems: fork, exec, a pipe for the output.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <thread>

#include "test_support.h"

namespace quorvane::testing {

namespace {

// Starts `program` with standard output on `out` (or /dev/null where `out`
// is negative) and standard input from /dev/null.
pid_t spawn(const std::string& program, const std::vector<std::string>& args,
            const std::string& cwd, int out, int close_in_child, unsigned timeout_seconds) {
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(strings.size() + 1);
    for (std::string& arg : strings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        const int null_fd = ::open("/dev/null", O_RDWR);
        ::dup2(null_fd, STDIN_FILENO);
        ::dup2(out >= 0 ? out : null_fd, STDOUT_FILENO);
        if (close_in_child >= 0) {
            ::close(close_in_child);
        }
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) {
            ::_exit(126);
        }
        ::alarm(timeout_seconds);  // survives exec: a hung tool dies of SIGALRM
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return child;
}

int wait_for(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

run_result run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& cwd, const output_watcher& watch,
                       unsigned timeout_seconds) {
    std::array<int, 2> pipe_fds{};
    if (::pipe(pipe_fds.data()) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = spawn(program, args, cwd, pipe_fds[1], pipe_fds[0], timeout_seconds);
    ::close(pipe_fds[1]);
    run_result result;
    std::array<char, 4096> chunk{};
    for (;;) {
        const ssize_t got = ::read(pipe_fds[0], chunk.data(), chunk.size());
        if (got > 0) {
            result.output.append(chunk.data(), static_cast<std::size_t>(got));
            if (watch) {
                watch(result.output);
            }
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipe_fds[0]);
    result.status = wait_for(child);
    return result;
}

int run_and_kill(const std::string& program, const std::vector<std::string>& args,
                 std::chrono::microseconds delay) {
    const pid_t child = spawn(program, args, {}, -1, -1, 120);
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    return wait_for(child);
}

}  // namespace quorvane::testing
