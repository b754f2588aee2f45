#pragma once
// Files and the process environment in tests.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace papyrion::test {

// A fresh folder of its own under the system temporary folder, removed with
// the object.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::filesystem::path Write(std::string_view name, std::string_view bytes) const;

  private:
    std::filesystem::path path_;
};

// The whole file; empty when it does not exist or cannot be read.
std::string ReadFile(const std::filesystem::path& file);
// The whole file; throws when it cannot be read.
std::string ReadText(const std::filesystem::path& file);
// Replaces the file's contents, making its folder first when needed; throws
// when it cannot be written, so that a fixture that was not made fails the
// test where it was made.
void WriteFile(const std::filesystem::path& file, std::string_view bytes);

// Sets (or, with nullopt, unsets) one environment variable and restores the
// old value at the end of the scope.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace papyrion::test
