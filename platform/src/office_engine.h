#pragma once
// The part of the LibreOffice automation that runs soffice: one conversion
// at a time, in a private work folder, bounded in time, the result moved to
// its final name in one step.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "office_command.h"
#include "office_process.h"
#include "platform/officeautomation_libreoffice.h"

namespace papyrion {

// What the automation objects ask for.
struct ConversionRequest {
    std::filesystem::path input;   // the user's file; only ever read
    std::filesystem::path target;  // the PDF to write
    office::DocumentKind kind = office::DocumentKind::kText;
    std::string import_filter;
    std::vector<office::ExportOption> export_options;
};

// One headless LibreOffice kept for the objects that share it. The process
// starts with the first conversion handed to it and ends with the last
// reference (or when a conversion through it hangs).
class KeptInstance {
  public:
    KeptInstance() = default;
    ~KeptInstance() { Stop(); }
    KeptInstance(const KeptInstance&) = delete;
    KeptInstance& operator=(const KeptInstance&) = delete;

    bool Running() { return process_ && process_->Running(); }
    void Stop();

    std::unique_ptr<office::ChildProcess> process_;
    std::filesystem::path folder_;
    // A killed instance leaves its pipes behind: the one it listens on and,
    // once it served the profile, the profile's own.
    std::filesystem::path socket_;
    std::filesystem::path profile_socket_;
    bool served_ = false;
};

class LibreOfficeAutomation::Engine {
  public:
    explicit Engine(LibreOfficeOptions options);

    bool Installed() const { return soffice_.has_value(); }
    // The instance that live objects keep, or nothing.
    std::shared_ptr<KeptInstance> ActiveInstance() const { return instance_.lock(); }
    // The live instance, or a new one (not yet started).
    std::shared_ptr<KeptInstance> SharedInstance();

    // Converts, raising AutomationError with a text naming the input file.
    // `instance` is the kept instance to use, or null for a process of its own.
    void Convert(const ConversionRequest& request, KeptInstance* instance);

    // Converts only the sheet that the workbook shows first (its active
    // sheet), in a process of its own.
    void ConvertActiveSheet(const ConversionRequest& request);

    const std::filesystem::path& ProfileDir() const { return profile_dir_; }

  private:
    struct Produced {
        std::optional<office::ProcessExit> exit;  // nothing: timed out
        std::filesystem::path pdf;
        std::string reason;  // what LibreOffice said about a failure, if anything
    };
    using Runner = std::function<Produced(const std::filesystem::path& copy,
                                          const std::filesystem::path& out_dir,
                                          const std::filesystem::path& log)>;
    // Checks the input, copies it into a fresh work folder, lets `run` make
    // the PDF there and moves it to the target.
    void RunInWorkFolder(const ConversionRequest& request, const Runner& run);
    void PrepareMacroProfile(const std::filesystem::path& profile,
                             const std::filesystem::path& log);
    std::filesystem::path NewWorkFolder();
    bool EnsureStarted(KeptInstance& instance);
    std::optional<office::ProcessExit> RunClient(const office::ConversionJob& job,
                                                 const std::filesystem::path& log,
                                                 KeptInstance* instance);

    LibreOfficeOptions options_;
    std::optional<std::filesystem::path> soffice_;
    std::filesystem::path profile_dir_;
    std::weak_ptr<KeptInstance> instance_;
    unsigned serial_ = 0;
    std::string tag_;  // keeps names of this engine apart from other processes'
};

}  // namespace papyrion
