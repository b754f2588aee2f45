#pragma once
// Runs another program as a child process: arguments go to it one by one
// (never through a shell), so no text in them is interpreted by anyone but
// the program itself.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/programsearch.h"

namespace papyrion {

struct ChildCommand {
    // An absolute or relative path, or a bare name looked up on PATH.
    std::string program;
    std::vector<std::string> arguments;
    // Variables added to (or replacing those of) this process's environment;
    // an empty value removes the variable.
    std::vector<std::pair<std::string, std::string>> environment;
    // Collect what the child writes to standard output (standard input is
    // always /dev/null, so a child can never wait for a keyboard).
    bool capture_output = false;
    std::chrono::milliseconds wait_limit{std::chrono::seconds(30)};
    // A mail program started in the foreground may legitimately run for hours:
    // such a child is left running when the wait limit passes; a helper that
    // only answers a question is killed.
    enum class OnTimeout { kKill, kLeaveRunning } on_timeout = OnTimeout::kKill;
};

struct ChildResult {
    enum class Status {
        kNotFound,      // no such program (or not executable)
        kStartFailed,   // found, but could not be started
        kExited,        // ran and ended; exit_code is set
        kSignalled,     // ended by a signal
        kStillRunning,  // passed the wait limit and was left running; pid is set
        kKilled,        // passed the wait limit and was killed
    };
    Status status = Status::kNotFound;
    int exit_code = -1;
    int error_number = 0;  // errno of a failed start
    pid_t pid = -1;
    std::string output;
};

// The value PATH lookups use: the override in `environment` when present,
// else this process's PATH (FindProgram searches it).
std::string EffectivePath(const std::vector<std::pair<std::string, std::string>>& environment);

// Never throws for a failing child; throws std::system_error only when the
// process table or pipes are exhausted.
ChildResult RunChild(const ChildCommand& command);

// Collects the exit status of children left running earlier that have ended
// since; removes them from `pids`. Never blocks.
void ReapFinishedChildren(std::vector<pid_t>& pids);

}  // namespace papyrion
