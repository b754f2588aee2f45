#pragma once
// Replacing a file in one step: the new content is written to a hidden file
// beside the target, flushed to disk and renamed over the target, so that
// readers and a crash see the old file or the whole new one, never a part.

#include <sys/types.h>

#include <filesystem>
#include <string_view>
#include <system_error>

namespace papyrion {

// The hidden side file is named ".<target name>.<digits>.part": unique among
// concurrent writers, and recognisable as nobody's input.
//
// A target that is a symbolic link stays one: the file it points to is
// replaced. An existing target keeps its permission bits; a new one gets
// `mode_if_new`. Returns the error of the step that failed (the side file is
// then removed and the target left as it was). Never throws.
std::error_code ReplaceFileContent(const std::filesystem::path& target, std::string_view content,
                                   mode_t mode_if_new = 0600);

// The same with the bytes of `source`; a new target gets the source's
// permission bits.
std::error_code ReplaceFileWithCopy(const std::filesystem::path& target,
                                    const std::filesystem::path& source);

// Renames `from` over `to` and flushes the folder of `to`, so that the new
// name survives a crash. `from` must be on the same file system.
std::error_code RenameDurably(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace papyrion
