#pragma once
// The running executable, its folder, and starting it again.

#include <filesystem>
#include <functional>
#include <string>

namespace papyrion {

// The file of the running executable (from /proc/self/exe).
std::filesystem::path RunningExecutable();

// The folder of the running executable with a trailing "/": the program
// folder that holds the shipped data files.
std::string ProgramFolder();

// Starts `executable` as a new, detached process with no arguments (its
// standard input from /dev/null), then calls `terminate` to end this one.
// When the new process cannot be started, throws std::runtime_error naming the
// executable and does not call `terminate`: ending the program without a
// successor would leave the user with nothing running.
void RestartProgram(const std::filesystem::path& executable,
                    const std::function<void()>& terminate);

}  // namespace papyrion
