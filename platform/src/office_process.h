#pragma once
// A child process in a process group of its own, so that the whole tree it
// starts (soffice starts oosplash, which starts soffice.bin) can be ended at
// once. The group is killed when the object goes, whatever happened before.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace papyrion::office {

struct ProcessExit {
    int exit_code = -1;  // valid when signal == 0
    int signal = 0;      // the signal that ended it, or 0
};

class ChildProcess {
  public:
    // Starts `program` with `arguments`, standard input from /dev/null and
    // standard output and error appended to `output_file`. Raises
    // std::runtime_error naming the program when it cannot be started.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& output_file);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits until the process ends or the time is up; nothing when it still
    // runs. Other members of its group are not waited for.
    std::optional<ProcessExit> WaitFor(std::chrono::milliseconds timeout);
    bool Running();
    // Ends every process of the group (SIGTERM, then SIGKILL after `grace`)
    // and reaps the child.
    void EndGroup(std::chrono::milliseconds grace = std::chrono::milliseconds(0));

    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    std::optional<ProcessExit> exit_;
};

// True while any process of the group still exists (zombies excluded as far
// as the system lets us tell).
bool GroupAlive(pid_t group);

}  // namespace papyrion::office
