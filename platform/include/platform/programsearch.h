#pragma once
// Finding an installed program on the search path, the way a shell would,
// except that an empty entry (the current folder) is never searched: a file
// that happens to lie in the folder we run in is not an installed program.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace papyrion {

// This process's PATH, or the system's usual folders when it has none.
std::string ProcessSearchPath();

// Where `program` would be started from: itself when it holds a "/", else the
// first executable regular file of that name in the ":"-separated `path`.
std::optional<std::filesystem::path> FindProgram(std::string_view program, std::string_view path);

}  // namespace papyrion
