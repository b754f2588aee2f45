#include "core/restart.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace papyrion {

namespace fs = std::filesystem;

fs::path RunningExecutable() {
    std::error_code ec;
    const fs::path path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : path;
}

std::string ProgramFolder() {
    const fs::path executable = RunningExecutable();
    if (executable.empty()) return {};
    std::string folder = executable.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

namespace {

// Starts the program in a grandchild so it is not our child: it outlives us
// without becoming a zombie while we shut down. A close-on-exec pipe carries
// the errno of a failed exec back; end of file means the exec succeeded.
void StartDetached(const fs::path& executable) {
    const auto fail = [&executable](int error) {
        throw std::runtime_error("Unable to start " + executable.string() + ": " +
                                 std::strerror(error));
    };
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) fail(errno);
    const std::string program = executable.string();
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};

    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        fail(error);
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        close(pipe_fds[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        const int null_fd = open("/dev/null", O_RDONLY);
        if (null_fd >= 0) {
            dup2(null_fd, STDIN_FILENO);
            if (null_fd != STDIN_FILENO) close(null_fd);
        }
        execv(argv[0], argv);
        const int error = errno;
        [[maybe_unused]] const ssize_t ignored = write(pipe_fds[1], &error, sizeof error);
        _exit(127);
    }
    close(pipe_fds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int exec_error = 0;
    ssize_t n = 0;
    do {
        n = read(pipe_fds[0], &exec_error, sizeof exec_error);
    } while (n < 0 && errno == EINTR);
    close(pipe_fds[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail(EAGAIN);
    if (n == static_cast<ssize_t>(sizeof exec_error)) fail(exec_error);
}

}  // namespace

void RestartProgram(const fs::path& executable, const std::function<void()>& terminate) {
    StartDetached(executable);
    if (terminate) terminate();
}

}  // namespace papyrion
