#include "testsupport/program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "test_kind.h"

extern char** environ;

namespace papyrion::test {

namespace {

// Both ends close on exec, so that a program started by another test thread
// does not hold them open.
bool MakePipe(int ends[2]) { return ::pipe2(ends, O_CLOEXEC) == 0; }

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
    std::map<std::string, std::string> values;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        values[text.substr(0, text.find('='))] = text;
    }
    for (const std::string& change : changes) {
        const std::size_t equals = change.find('=');
        if (equals == std::string::npos) {
            values.erase(change);
        } else {
            values[change.substr(0, equals)] = change;
        }
    }
    std::vector<std::string> result;
    for (auto& [name, text] : values) result.push_back(std::move(text));
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Writes `input` to the program and reads both of its outputs at the same
// time, so that neither side blocks on a full pipe.
void Exchange(int in_fd, int out_fd, int err_fd, const std::string& input, ProgramResult& result) {
    std::size_t written = 0;
    if (input.empty() && in_fd >= 0) {
        ::close(in_fd);
        in_fd = -1;
    }
    char buffer[65536];
    while (out_fd >= 0 || err_fd >= 0) {
        pollfd fds[3];
        nfds_t count = 0;
        if (out_fd >= 0) fds[count++] = {out_fd, POLLIN, 0};
        if (err_fd >= 0) fds[count++] = {err_fd, POLLIN, 0};
        if (in_fd >= 0) fds[count++] = {in_fd, POLLOUT, 0};
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0) continue;
            int& fd = fds[i].fd == out_fd ? out_fd : fds[i].fd == err_fd ? err_fd : in_fd;
            if (&fd == &in_fd) {
                const ssize_t n = ::write(in_fd, input.data() + written, input.size() - written);
                if (n > 0) written += static_cast<std::size_t>(n);
                if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                if (n < 0 || written == input.size()) {
                    ::close(in_fd);
                    in_fd = -1;
                }
                continue;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (&fd == &out_fd ? result.out : result.err)
                    .append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fd);
                fd = -1;
            }
        }
    }
    if (in_fd >= 0) ::close(in_fd);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& arguments, const ProgramOptions& options) {
    ProgramResult result;
    if (arguments.empty()) {
        result.err = "no program given";
        return result;
    }
    NoteExternalProgram(arguments.front());
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (!MakePipe(out) || !MakePipe(err) || (!options.input.empty() && !MakePipe(in))) {
        result.err = std::string("pipe: ") + std::strerror(errno);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
            if (fd >= 0) ::close(fd);
        }
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in[0] >= 0) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (!options.directory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.directory.c_str());
    }
    std::vector<std::string> argv_texts = arguments;
    std::vector<std::string> env_texts = ChildEnvironment(options.environment);
    std::vector<char*> argv = Pointers(argv_texts);
    std::vector<char*> envp = Pointers(env_texts);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {in[0], out[1], err[1]}) {
        if (fd >= 0) ::close(fd);
    }
    if (spawned != 0) {
        for (int fd : {in[1], out[0], err[0]}) {
            if (fd >= 0) ::close(fd);
        }
        result.err = "cannot start " + arguments.front() + ": " + std::strerror(spawned);
        return result;
    }
    // A program that stops reading its input must not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    // A blocking write of more than the pipe holds would wait for a program
    // that is itself waiting for us to read its output.
    if (in[1] >= 0) ::fcntl(in[1], F_SETFL, ::fcntl(in[1], F_GETFL) | O_NONBLOCK);
    Exchange(in[1], out[0], err[0], options.input, result);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.exit_code = 128 + WTERMSIG(status);
    }
    return result;
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    const std::string folders = path;
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace papyrion::test
