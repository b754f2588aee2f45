#include "office_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace papyrion::office {

namespace {

constexpr std::chrono::milliseconds kPollStep(20);

class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
  public:
    SpawnAttributes() { posix_spawnattr_init(&attributes_); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &attributes_; }

  private:
    posix_spawnattr_t attributes_;
};

ProcessExit FromStatus(int status) {
    ProcessExit exit;
    if (WIFEXITED(status)) {
        exit.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        exit.signal = WTERMSIG(status);
    }
    return exit;
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments,
                           const std::filesystem::path& output_file) {
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, output_file.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO);

    SpawnAttributes attributes;
    posix_spawnattr_setflags(
        attributes.get(), POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(attributes.get(), 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(attributes.get(), &defaults);

    std::vector<std::string> argv_storage;
    argv_storage.reserve(arguments.size() + 1);
    argv_storage.push_back(program.string());
    argv_storage.insert(argv_storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : argv_storage) argv.push_back(a.data());
    argv.push_back(nullptr);

    const int rc =
        posix_spawn(&pid_, program.c_str(), actions.get(), attributes.get(), argv.data(), environ);
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("Cannot start " + program.string() + ": " + std::strerror(rc));
    }
}

ChildProcess::~ChildProcess() { EndGroup(); }

std::optional<ProcessExit> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
    if (exit_) return exit_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            reaped_ = true;
            exit_ = FromStatus(status);
            return exit_;
        }
        if (r < 0 && errno != EINTR) {
            // Someone else reaped it; treat as ended without a known code.
            reaped_ = true;
            exit_ = ProcessExit{};
            return exit_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(kPollStep);
    }
}

bool ChildProcess::Running() { return !WaitFor(std::chrono::milliseconds(0)).has_value(); }

void ChildProcess::EndGroup(std::chrono::milliseconds grace) {
    if (pid_ <= 0) return;
    if (grace.count() > 0 && GroupAlive(pid_)) {
        kill(-pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + grace;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!reaped_) WaitFor(std::chrono::milliseconds(0));
            if (!GroupAlive(pid_)) break;
            std::this_thread::sleep_for(kPollStep);
        }
    }
    kill(-pid_, SIGKILL);
    if (!reaped_) {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        if (!exit_) exit_ = FromStatus(status);
    }
}

bool GroupAlive(pid_t group) {
    if (kill(-group, 0) != 0 && errno != EPERM) return false;
    // Members that have ended but wait for a parent to reap them still
    // count for kill(); they are no longer running, so look closer.
    std::error_code ec;
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(line.substr(close + 1));
        char state = 0;
        long parent = 0;
        long process_group = 0;
        fields >> state >> parent >> process_group;
        if (fields && process_group == group && state != 'Z' && state != 'X') return true;
    }
    return false;
}

}  // namespace papyrion::office
