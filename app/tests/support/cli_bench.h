#pragma once
// A fresh data folder and documents folder per test for running papyrion-cli
// end to end, with qpdf and pdftotext as the judges of what it wrote.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_test_support.h"

namespace papyrion::test {

inline const std::string kCorpus = std::string(PAPYRION_SHARED_DIR) + "/corpus/";
// One A4 page whose text names the company: pdftotext finds it on every
// page it was laid on.
inline const std::string kSampleLetterhead =
    std::string(PAPYRION_SOURCE_DIR) + "/data/Sample_Letterhead.pdf";
inline const std::string kSampleLetterheadText = "Papyrion Sample Stationery";

bool QpdfChecks(const std::string& file);
int QpdfPages(const std::string& file);
// The text pdftotext finds on one page.
std::string PageText(const std::string& file, int page);
int Occurrences(const std::string& text, const std::string& part);

// `copies` times all pages of `source`, through qpdf.
void RepeatPdf(const std::string& source, int copies, const std::string& target);

// The output paths papyrion-cli listed, without notes and the count line.
std::vector<std::string> ListedOutputs(const std::string& out);

// Every regular file below `folder`, sorted.
std::vector<std::string> FilesIn(const std::filesystem::path& folder);

unsigned ModeOf(const std::string& file);
uid_t OwnerOf(const std::string& file);

class CliBench {
  public:
    CliBench();

    // A corpus file copied into the documents folder as `as`.
    std::string Corpus(const std::string& name, const std::string& as) const;
    CliResult Cli(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment = {}) const;
    void Ini(const std::string& section, const std::string& key, const std::string& value) const;
    std::string Setting(const std::string& section, const std::string& key) const;
    // The sample letterhead on every page.
    static std::vector<std::string> StampAll(std::vector<std::string> paths);

    RunFolder folder;
    std::string xdg = folder / "xdg";
    std::string data_dir = xdg + "/Papyrion/";
    std::string docs = folder / "docs";
};

}  // namespace papyrion::test

namespace papyrion::test {

// papyrion-cli started without waiting for it, standard output and error
// going to `out` and `err`; -1 when it could not be started.
pid_t SpawnCli(const std::string& xdg_data_home, const std::vector<std::string>& arguments,
               const std::string& out, const std::string& err);
// The exit status of a spawned papyrion-cli; -1 when it did not exit by
// itself (a signal ended it).
int WaitForExit(pid_t pid);

}  // namespace papyrion::test
