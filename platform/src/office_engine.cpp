#include "office_engine.h"

#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <thread>

#include "platform/atomicfile.h"
#include "platform/officeurl.h"
#include "platform/programsearch.h"

namespace papyrion {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kStopGrace(2000);

std::string ReadSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    if (all.size() > 64 * 1024) all.resize(64 * 1024);
    return all;
}

// Removes a folder tree when the scope ends, whatever the way out.
class FolderGuard {
  public:
    explicit FolderGuard(fs::path folder) : folder_(std::move(folder)) {}
    ~FolderGuard() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    FolderGuard(const FolderGuard&) = delete;
    FolderGuard& operator=(const FolderGuard&) = delete;

  private:
    fs::path folder_;
};

void CheckReadable(const fs::path& input) {
    std::error_code ec;
    if (!fs::is_regular_file(input, ec)) {
        throw AutomationError("Cannot open " + input.string() + ": no such file");
    }
    std::ifstream probe(input, std::ios::binary);
    if (!probe) throw AutomationError("Cannot read " + input.string() + ": permission denied");
}

bool LooksLikePdf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char head[5] = {};
    in.read(head, sizeof head);
    return in.gcount() == 5 && std::string(head, 5) == "%PDF-";
}

// Copied beside the target and renamed over it: readers see the old file or
// the whole new one, never half a PDF.
void MoveIntoPlace(const fs::path& produced, const fs::path& target) {
    if (const std::error_code ec = ReplaceFileWithCopy(target, produced)) {
        throw AutomationError("Cannot write " + target.string() + ": " + ec.message());
    }
}

std::string Seconds(std::chrono::milliseconds span) {
    std::ostringstream text;
    text << static_cast<double>(span.count()) / 1000.0 << " s";
    return text.str();
}

}  // namespace

std::optional<fs::path> FindSoffice(std::string_view search_path) {
    return FindProgram("soffice", search_path);
}

void KeptInstance::Stop() {
    if (process_) {
        process_->EndGroup(kStopGrace);
        process_.reset();
    }
    std::error_code ignored;
    if (!socket_.empty()) {
        fs::remove(socket_, ignored);
        socket_.clear();
    }
    // Only when this instance held the profile: a second one hands over to
    // the first and ends at once, and the first's pipe must stay.
    if (served_ && !profile_socket_.empty()) fs::remove(profile_socket_, ignored);
    served_ = false;
    profile_socket_.clear();
    if (!folder_.empty()) {
        fs::remove_all(folder_, ignored);
        folder_.clear();
    }
}

LibreOfficeAutomation::Engine::Engine(LibreOfficeOptions options)
    : options_(std::move(options)),
      soffice_(FindSoffice(options_.search_path)),
      profile_dir_(options_.temp_dir / "lo_profile") {
    std::random_device random;
    tag_ = std::to_string(getpid()) + "_" + std::to_string(random() % 1000000);
}

std::shared_ptr<KeptInstance> LibreOfficeAutomation::Engine::SharedInstance() {
    std::shared_ptr<KeptInstance> instance = instance_.lock();
    if (!instance) {
        instance = std::make_shared<KeptInstance>();
        instance_ = instance;
    }
    return instance;
}

fs::path LibreOfficeAutomation::Engine::NewWorkFolder() {
    const fs::path folder =
        options_.temp_dir / ("lo_work_" + tag_ + "_" + std::to_string(++serial_));
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder / "in", ec);
    if (!ec) fs::create_directories(folder / "out", ec);
    if (ec) {
        throw AutomationError("Cannot create the work folder " + folder.string() + ": " +
                              ec.message());
    }
    return folder;
}

bool LibreOfficeAutomation::Engine::EnsureStarted(KeptInstance& instance) {
    if (instance.Running()) return true;
    instance.Stop();
    instance.folder_ = NewWorkFolder();
    const fs::path keep_document = instance.folder_ / "in" / "keep.txt";
    {
        std::ofstream keep(keep_document);
        keep << "\n";
    }
    const std::string pipe_name = "papyrion_" + tag_ + "_" + std::to_string(serial_);
    const fs::path socket = office::PipeSocketPath(pipe_name, getuid());
    instance.socket_ = socket;
    instance.profile_socket_ =
        office::PipeSocketPath(office::SingleInstancePipeName(profile_dir_), getuid());
    try {
        instance.process_ = std::make_unique<office::ChildProcess>(
            *soffice_, office::InstanceArguments(profile_dir_, pipe_name, keep_document),
            instance.folder_ / "instance.log");
    } catch (const std::exception&) {
        instance.Stop();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + options_.timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        if (fs::exists(socket, ec)) {
            instance.served_ = true;
            return true;
        }
        if (!instance.Running()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Not up in time: do without it; the conversion gets a process of its own.
    instance.Stop();
    return false;
}

std::optional<office::ProcessExit> LibreOfficeAutomation::Engine::RunClient(
    const office::ConversionJob& job, const fs::path& log, KeptInstance* instance) {
    // With a kept instance up, this soffice hands the job to it over the
    // profile's pipe and waits for it to be done; without one it converts
    // itself and ends.
    const bool kept = instance != nullptr && options_.keep_instance && EnsureStarted(*instance);
    const fs::path instance_log = kept ? instance->folder_ / "instance.log" : fs::path();
    std::error_code ec;
    const std::uintmax_t said_before = kept ? fs::file_size(instance_log, ec) : 0;
    office::ChildProcess client(*soffice_, office::ConvertArguments(profile_dir_, job), log);
    std::optional<office::ProcessExit> exit = client.WaitFor(options_.timeout);
    client.EndGroup();
    if (kept && !ec) {
        // The instance, not the client, says why a file would not load.
        std::ifstream said(instance_log, std::ios::binary);
        said.seekg(static_cast<std::streamoff>(said_before));
        std::ofstream(log, std::ios::app | std::ios::binary) << said.rdbuf();
    }
    if (!exit) {
        // A client that does not come back waits for the instance, which hangs.
        if (kept) instance->Stop();
        if (std::shared_ptr<KeptInstance> active = instance_.lock()) active->Stop();
    }
    return exit;
}

void LibreOfficeAutomation::Engine::Convert(const ConversionRequest& request,
                                            KeptInstance* instance) {
    RunInWorkFolder(
        request,
        [&](const fs::path& copy, const fs::path& out_dir, const fs::path& log) -> Produced {
            office::ConversionJob job;
            job.source = copy;
            job.out_dir = out_dir;
            job.kind = request.kind;
            job.import_filter = request.import_filter;
            job.export_options = request.export_options;
            return {RunClient(job, log, instance), out_dir / (copy.stem().string() + ".pdf"), {}};
        });
}

void LibreOfficeAutomation::Engine::ConvertActiveSheet(const ConversionRequest& request) {
    RunInWorkFolder(
        request,
        [&](const fs::path& copy, const fs::path& out_dir, const fs::path& log) -> Produced {
            // A profile of its own: a kept instance on the main profile would
            // take the macro over and not say when it is done.
            const fs::path profile = options_.temp_dir / "lo_profile_sheets";
            PrepareMacroProfile(profile, log);
            const fs::path pdf = out_dir / "sheet.pdf";
            const fs::path failure = out_dir / "failure.txt";
            const std::string url =
                office::ActiveSheetMacroUrl(FileUrlFromPath(copy), FileUrlFromPath(pdf), copy,
                                            request.import_filter, FileUrlFromPath(failure));
            office::ChildProcess process(*soffice_, office::MacroArguments(profile, url), log);
            std::optional<office::ProcessExit> exit = process.WaitFor(options_.timeout);
            process.EndGroup();
            std::string reason = ReadSmallFile(failure);
            while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) {
                reason.pop_back();
            }
            return {exit, pdf, reason};
        });
}

void LibreOfficeAutomation::Engine::PrepareMacroProfile(const fs::path& profile,
                                                        const fs::path& log) {
    const fs::path module = profile / "user" / "basic" / "Standard" / "Module1.xba";
    std::error_code ec;
    if (!fs::exists(module.parent_path(), ec)) {
        // The first start lays out the profile, Basic libraries included.
        office::ChildProcess first(
            *soffice_,
            [&] {
                std::vector<std::string> args = office::CommonArguments(profile);
                args.emplace_back("--terminate_after_init");
                return args;
            }(),
            log);
        const bool done = first.WaitFor(options_.timeout).has_value();
        first.EndGroup();
        if (!done) {
            throw AutomationError("LibreOffice did not set up its profile " + profile.string() +
                                  " within " + Seconds(options_.timeout));
        }
    }
    std::ofstream out(module, std::ios::trunc);
    out << office::ActiveSheetModule();
    if (!out.flush()) throw AutomationError("Cannot write " + module.string());
}

void LibreOfficeAutomation::Engine::RunInWorkFolder(const ConversionRequest& request,
                                                    const Runner& run) {
    const std::string name = request.input.string();
    if (!soffice_) {
        throw AutomationError("LibreOffice is not installed: cannot convert " + name);
    }
    CheckReadable(request.input);

    const fs::path work = NewWorkFolder();
    FolderGuard guard(work);
    // LibreOffice reads a private copy: the user's file cannot be touched,
    // not even by a lock file beside it.
    const fs::path copy = work / "in" / request.input.filename();
    std::error_code ec;
    fs::copy_file(request.input, copy, ec);
    if (ec) throw AutomationError("Cannot read " + name + ": " + ec.message());

    const fs::path log = work / "soffice.log";
    Produced produced;
    try {
        produced = run(copy, work / "out", log);
    } catch (const AutomationError& error) {
        throw AutomationError(std::string(error.what()) + " (converting " + name + ")");
    } catch (const std::exception& error) {
        throw AutomationError("Cannot start LibreOffice to convert " + name + ": " + error.what());
    }
    if (!produced.exit) {
        throw AutomationError("LibreOffice did not finish converting " + name + " within " +
                              Seconds(options_.timeout));
    }
    if (!fs::exists(produced.pdf, ec) || !LooksLikePdf(produced.pdf)) {
        std::string reason = produced.reason;
        if (produced.exit->signal != 0) {
            reason = "LibreOffice ended with signal " + std::to_string(produced.exit->signal);
        }
        if (reason.empty()) reason = office::FailureReason(ReadSmallFile(log));
        if (reason.empty()) reason = "no PDF was written";
        throw AutomationError(
            "LibreOffice could not convert " + name +
            " (damaged, password-protected or not a document it reads): " + reason);
    }
    MoveIntoPlace(produced.pdf, request.target);
}

}  // namespace papyrion
