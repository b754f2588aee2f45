#include "platform/childprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

extern char** environ;

namespace papyrion {
namespace {

constexpr std::size_t kMaxCapturedOutput = 1 << 20;

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~FileDescriptor() { Close(); }
    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
};

struct Pipe {
    FileDescriptor read_end;
    FileDescriptor write_end;
};

Pipe MakePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    Pipe p;
    p.read_end = FileDescriptor(fds[0]);
    p.write_end = FileDescriptor(fds[1]);
    return p;
}

std::string_view VariableName(std::string_view entry) { return entry.substr(0, entry.find('=')); }

std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& overrides) {
    std::vector<std::string> result;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        std::string_view entry(*e);
        bool overridden = false;
        for (const auto& [name, value] : overrides) {
            if (VariableName(entry) == name) overridden = true;
        }
        if (!overridden) result.emplace_back(entry);
    }
    for (const auto& [name, value] : overrides) {
        if (!value.empty()) result.push_back(name + "=" + value);
    }
    return result;
}

std::vector<char*> PointerArray(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (auto& t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

ChildResult StatusOf(int wait_status) {
    ChildResult r;
    if (WIFEXITED(wait_status)) {
        r.status = ChildResult::Status::kExited;
        r.exit_code = WEXITSTATUS(wait_status);
    } else {
        r.status = ChildResult::Status::kSignalled;
    }
    return r;
}

}  // namespace

std::string EffectivePath(const std::vector<std::pair<std::string, std::string>>& environment) {
    for (const auto& [name, value] : environment) {
        if (name == "PATH") return value;
    }
    return ProcessSearchPath();
}

ChildResult RunChild(const ChildCommand& command) {
    ChildResult result;
    auto program = FindProgram(command.program, EffectivePath(command.environment));
    if (!program) {
        result.status = ChildResult::Status::kNotFound;
        return result;
    }

    // Everything the child needs is prepared before fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::string program_text = program->string();
    std::vector<std::string> argv_texts;
    argv_texts.push_back(command.program);
    argv_texts.insert(argv_texts.end(), command.arguments.begin(), command.arguments.end());
    std::vector<std::string> env_texts = ChildEnvironment(command.environment);
    std::vector<char*> argv = PointerArray(argv_texts);
    std::vector<char*> envp = PointerArray(env_texts);

    FileDescriptor null_fd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!null_fd.IsOpen()) throw std::system_error(errno, std::generic_category(), "/dev/null");
    Pipe exec_status = MakePipe();
    Pipe output;
    if (command.capture_output) output = MakePipe();

    pid_t pid = ::fork();
    if (pid < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (pid == 0) {
        // Own process group: a timed-out helper is killed with everything it
        // started, and a mail program left running does not get the
        // terminal's Ctrl-C meant for us.
        ::setpgid(0, 0);
        ::dup2(null_fd.Get(), STDIN_FILENO);
        ::dup2(command.capture_output ? output.write_end.Get() : null_fd.Get(), STDOUT_FILENO);
        ::execve(program_text.c_str(), argv.data(), envp.data());
        int err = errno;
        [[maybe_unused]] ssize_t ignored = ::write(exec_status.write_end.Get(), &err, sizeof err);
        ::_exit(127);
    }
    result.pid = pid;
    exec_status.write_end.Close();
    output.write_end.Close();

    int exec_error = 0;
    ssize_t n;
    do {
        n = ::read(exec_status.read_end.Get(), &exec_error, sizeof exec_error);
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof exec_error)) {
        int ignored_status = 0;
        ::waitpid(pid, &ignored_status, 0);
        result.status = ChildResult::Status::kStartFailed;
        result.error_number = exec_error;
        result.pid = -1;
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + command.wait_limit;
    bool ended = false;
    int wait_status = 0;
    for (;;) {
        if (!ended && ::waitpid(pid, &wait_status, WNOHANG) == pid) ended = true;
        if (ended && !output.read_end.IsOpen()) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (!output.read_end.IsOpen()) {
            ::poll(nullptr, 0, 10);
            continue;
        }
        // Once the child has ended, only what is already buffered is read: a
        // grandchild may keep the pipe open for ever.
        pollfd pfd{output.read_end.Get(), POLLIN, 0};
        if (::poll(&pfd, 1, ended ? 0 : 20) <= 0) {
            if (ended) output.read_end.Close();
            continue;
        }
        char buffer[4096];
        ssize_t got = ::read(output.read_end.Get(), buffer, sizeof buffer);
        if (got > 0) {
            if (result.output.size() < kMaxCapturedOutput) {
                result.output.append(buffer, static_cast<std::size_t>(got));
            }
        } else if (got == 0 || errno != EINTR) {
            output.read_end.Close();
        }
    }

    if (ended) {
        ChildResult done = StatusOf(wait_status);
        done.output = std::move(result.output);
        done.pid = -1;
        return done;
    }
    if (command.on_timeout == ChildCommand::OnTimeout::kLeaveRunning) {
        result.status = ChildResult::Status::kStillRunning;
        return result;
    }
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &wait_status, 0);
    result.status = ChildResult::Status::kKilled;
    result.pid = -1;
    return result;
}

void ReapFinishedChildren(std::vector<pid_t>& pids) {
    std::erase_if(pids, [](pid_t pid) {
        int status = 0;
        pid_t w = ::waitpid(pid, &status, WNOHANG);
        return w == pid || (w < 0 && errno == ECHILD);
    });
}

}  // namespace papyrion
