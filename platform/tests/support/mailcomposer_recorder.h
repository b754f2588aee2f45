#pragma once
// A fresh folder per test and a recording stand-in for a mail program: a
// script that writes each argument it gets, NUL-terminated, to a file.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace papyrion::testing {

class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& content);
std::string ReadFile(const std::filesystem::path& file);

// Writes an executable script at `script` that records its arguments into
// `record` and ends with `exit_code`.
void WriteRecorder(const std::filesystem::path& script, const std::filesystem::path& record,
                   int exit_code = 0);

// The arguments a recorder got; empty when it never ran.
std::vector<std::string> RecordedArguments(const std::filesystem::path& record);

// Decodes %XX sequences.
std::string PercentDecoded(const std::string& text);

}  // namespace papyrion::testing
