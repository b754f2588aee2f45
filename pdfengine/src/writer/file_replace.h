#pragma once
// Saving a file in one step. The engine keeps this small copy of the
// program's atomic replacement because it uses nothing of the project.

#include <filesystem>
#include <string_view>

namespace papyrion::pdf {

// Writes `bytes` to a hidden side file ".<name>.<digits>.part" beside
// `target`, flushes it and renames it over `target`: readers and a crash see
// the old file or the whole new one. An existing target keeps its permission
// bits; a symbolic link stays one. False when any step failed (the side file
// is removed, the target untouched). Never throws.
bool ReplaceFile(const std::filesystem::path& target, std::string_view bytes);

}  // namespace papyrion::pdf
