#pragma once
// Helpers for the office automation tests: a private folder per test, the
// fixtures, and the independent tools that judge a PDF.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace papyrion::testing {

// A fresh folder under the system temporary folder, removed at the end.
class OfficeTestFolder {
  public:
    OfficeTestFolder();
    ~OfficeTestFolder();
    OfficeTestFolder(const OfficeTestFolder&) = delete;
    OfficeTestFolder& operator=(const OfficeTestFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

std::filesystem::path OfficeFixture(const std::string& name);
// Copies a fixture into `folder` and returns the copy's path.
std::filesystem::path CopyFixture(const std::string& name, const std::filesystem::path& folder);

std::string FileBytes(const std::filesystem::path& file);
// Standard output of a shell command; `status` gets its exit status.
std::string CommandOutput(const std::string& command, int* status = nullptr);
std::string PdfText(const std::filesystem::path& pdf);  // pdftotext -layout
bool QpdfCheckPasses(const std::filesystem::path& pdf);
std::string QpdfEncryption(const std::filesystem::path& pdf);  // qpdf --show-encryption

// Live (not zombie) processes whose command line contains `marker`.
std::vector<pid_t> ProcessesMentioning(const std::string& marker);
// Whether a process with this id is still alive (not a zombie).
bool ProcessAlive(pid_t pid);
// Waits a bounded while for processes to go away (they may need a moment
// after a kill); returns those still there.
std::vector<pid_t> RemainingProcesses(const std::string& marker);

}  // namespace papyrion::testing
