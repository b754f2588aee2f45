#pragma once
// File URLs as the office suites take them for loading and storing.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace papyrion {

// "file://" + the absolute path with every byte outside the unreserved set
// and "/" percent-encoded, so that spaces, "#", "%", "\" and non-ASCII names
// survive the trip. `scheme` lets callers keep their own spelling ("File").
std::string FileUrlFromPath(const std::filesystem::path& absolute_path,
                            std::string_view scheme = "file");

// The local path of a "file:" URL (scheme matched without regard to case,
// empty or "localhost" host); nothing for other URLs or broken escapes.
std::optional<std::filesystem::path> PathFromFileUrl(std::string_view url);

}  // namespace papyrion
