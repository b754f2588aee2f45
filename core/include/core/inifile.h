#pragma once
// The settings file format: "[Section]" lines followed by "key=value" lines.
// Section and key names match without regard to (ASCII) case; the first
// matching section and the first matching key in it count. Every call opens
// the file, does one thing and closes it again, so a value written is seen by
// the next read at once. Text is UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace papyrion {

// The longest value a read returns, in characters; longer values are cut.
inline constexpr std::size_t kIniValueLimit = 2047;

// The value of section/key with surrounding blanks removed, or `def` when the
// file, the section or the key is missing. A key present with an empty value
// gives "". A file over 16 MiB counts as missing. Never throws.
std::string IniRead(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view def);

// Sets section/key to value, creating the file, the section or the key as
// needed. Every other line of the file stays as it was. The new content goes
// to a temporary file beside the old one, which then replaces it, so a crash
// never leaves a half-written file.
// Throws std::runtime_error "Unable to write to <file>" when the file cannot
// be written or is over 16 MiB (it is then left alone), and std::invalid_argument for a name or
// value that would break the line structure (a line break anywhere, "=" in the key, "]" in the
// section).
void IniWrite(const std::filesystem::path& file, std::string_view section, std::string_view key,
              std::string_view value);

}  // namespace papyrion
