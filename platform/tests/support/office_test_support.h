#pragma once
// Helpers for the office automation tests: the fixtures and the processes
// that LibreOffice leaves behind.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace papyrion::testing {

std::filesystem::path OfficeFixture(const std::string& name);
// Copies a fixture into `folder` and returns the copy's path.
std::filesystem::path CopyFixture(const std::string& name, const std::filesystem::path& folder);

// Live (not zombie) processes whose command line contains `marker`.
std::vector<pid_t> ProcessesMentioning(const std::string& marker);
// Whether a process with this id is still alive (not a zombie).
bool ProcessAlive(pid_t pid);
// Waits a bounded while for processes to go away (they may need a moment
// after a kill); returns those still there.
std::vector<pid_t> RemainingProcesses(const std::string& marker);

}  // namespace papyrion::testing
