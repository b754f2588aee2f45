#include "processing/processingrun.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "core/text_keys.h"
#include "delivery/mailcomposition.h"
#include "processing/conversion.h"
#include "processing/output_file.h"
#include "processing/pagerules.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

constexpr int kNo = 0;   // "Nee" in the yes/no boxes listed "Nee", "Ja"
constexpr int kYes = 1;  // "Ja" there; in the boxes listed "Ja", "Nee" it is "Nee"

constexpr std::string_view kOutputSuffix = "_output.pdf";
constexpr std::string_view kOutputMarker = "_output";
constexpr std::chrono::milliseconds kPauseAfterPrint{1000};

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool EndsWith(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

bool EndsWithAny(std::string_view text, std::initializer_list<std::string_view> endings) {
    return std::any_of(endings.begin(), endings.end(),
                       [text](std::string_view e) { return EndsWith(text, e); });
}

std::string LastThree(const std::string& text) {
    return text.size() <= 3 ? text : text.substr(text.size() - 3);
}

std::string WithoutLastFour(const std::string& text) {
    return text.size() <= 4 ? std::string() : text.substr(0, text.size() - 4);
}

bool SamePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || fs::equivalent(a, b, ec);
}

}  // namespace

int RunPercent(int file_counter, int total) {
    if (total <= 0) return 0;
    const long long numerator = (static_cast<long long>(file_counter) + 1) * 100;
    long long quotient = numerator / total;
    const long long twice_rest = 2 * (numerator % total);
    if (twice_rest > total || (twice_rest == total && quotient % 2 == 1)) ++quotient;
    return static_cast<int>(quotient);
}

int NextActivityPosition(int position) { return position + 1 >= 100 ? 1 : position + 1; }

std::string WithoutOutputMarker(const std::string& output) {
    const fs::path path(output);
    std::string name = path.filename().string();
    for (std::size_t at = Upper(name).find(Upper(std::string(kOutputMarker)));
         at != std::string::npos; at = Upper(name).find(Upper(std::string(kOutputMarker)))) {
        name.erase(at, kOutputMarker.size());
    }
    return path.has_parent_path() ? (path.parent_path() / name).string() : name;
}

ProcessingRun::ProcessingRun(RunServices services) : services_(std::move(services)) {
    services_.composition.SetActivityTick([this] { ActivityTick(); });
}

std::string ProcessingRun::Tr(std::string_view keyword) const {
    return services_.translate ? services_.translate(keyword) : std::string(keyword);
}

int ProcessingRun::Item(SettingKey key) const { return services_.settings.ItemIndex(key); }

std::string ProcessingRun::ItemText(SettingKey key,
                                    std::initializer_list<std::string_view> items) const {
    const int index = Item(key);
    if (index < 0 || index >= static_cast<int>(items.size())) return std::string();
    return std::string(*(items.begin() + index));
}

void ProcessingRun::ActivityTick() {
    activity_position_ = NextActivityPosition(activity_position_);
    services_.ui.ActivityTick();
    if (services_.display.activity_bar) services_.display.activity_bar(activity_position_, true);
}

void ProcessingRun::AddOutputEntry(const std::string& path) {
    outputs_.Add(path);
    if (services_.display.output_list_caption) {
        services_.display.output_list_caption(Tr(text::kOutputListBefore) +
                                              std::to_string(outputs_.Size()) +
                                              Tr(text::kOutputListAfter));
    }
}

void ProcessingRun::TraceSettings() {
    const SettingsModel& settings = services_.settings;
    const std::string placement =
        Item(setting::kStationeryPlacement) == 0 ? "Voorgrond " : "Achtergrond ";
    const std::string letterhead_mode =
        ItemText(setting::kLetterheadMode,
                 {"Geen", "Op alle pagina's", "Op eerste pagina", "Kies paginareeks"});
    const std::string continuation_mode =
        ItemText(setting::kContinuationMode,
                 {"Geen", "Op alle pagina's", "Op pagina 2  tot einde", "Kies paginareeks"});
    services_.log.LogEvent(
        "00977I", "Setting overlay-s;;;" + placement + letterhead_mode + " " +
                      " pag=" + settings.Value(setting::kLetterheadPage) + " " +
                      page_files_.letterhead + ";" + placement + continuation_mode + " " + "pag=" +
                      settings.Value(setting::kContinuationPage) + " " + page_files_.continuation);

    const auto no_yes = [this](SettingKey key) { return ItemText(key, {"Nee", "Ja"}); };
    const auto yes_no = [this](SettingKey key) { return ItemText(key, {"Ja", "Nee"}); };
    services_.log.LogEvent(
        "00978I", "Setting verwerking;;;Overschrijf origineel=" + no_yes(setting::kOverwriteInput) +
                      " Archiefmap=" + no_yes(setting::kArchiveOutputs) + " " +
                      settings.Value(setting::kArchiveFolder) +
                      ";Email allinone=" + no_yes(setting::kAllInOneMail) +
                      " EmailTemplate=" + yes_no(setting::kUseMailTemplate) +
                      " Output Opslaan=" + yes_no(setting::kDirectSave) +
                      " Directprint=" + no_yes(setting::kDirectPrint) +
                      " Email-File=" + no_yes(setting::kDirectMail) + ";;;");
}

void ProcessingRun::ShowProgress(int percent) {
    const std::string counts = Tr(text::kOf) + " " + std::to_string(total_) + " " +
                               Tr(text::kFiles) + ", " + Tr(text::kPages) + ":" +
                               std::to_string(pages_done_);
    if (services_.display.button_caption) {
        services_.display.button_caption(Tr(text::kWorkDone) + std::to_string(file_counter_) +
                                         counts);
    }
    services_.ui.ShowStatus(1, std::to_string(percent) + "% " + std::to_string(file_counter_) +
                                   Tr(text::kOf) + std::to_string(total_) + " " + Tr(text::kFiles) +
                                   ", " + Tr(text::kPages) + ":" + std::to_string(pages_done_));
    services_.ui.ShowStatus(2, inputs_.Front());
}

void ProcessingRun::ProcessInputList() {
    if (running_) return;
    running_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{running_};
    services_.mail_collection.Clear();
    outcomes_.clear();
    written_.clear();
    swept_.clear();
    const int maximum =
        selected_file_count_ != 0 ? selected_file_count_ : static_cast<int>(inputs_.Size()) - 1;
    if (services_.hand_offs.refresh_stationery_tab) {
        page_files_ = services_.hand_offs.refresh_stationery_tab();
    }
    if (services_.display.activity_bar) services_.display.activity_bar(activity_position_, true);
    total_ = static_cast<int>(inputs_.Size());
    file_counter_ = 0;
    pages_done_ = 0;

    while (!inputs_.Empty()) {
        // Files dropped during the run join it; the percentage stays below 100.
        total_ = std::max(total_, file_counter_ + static_cast<int>(inputs_.Size()));
        const auto start = services_.clock();
        const int percent = RunPercent(file_counter_, total_);
        services_.log.MarkNow();
        services_.log.LogEvent("00600i", "Start verwerking bestand;;;" + inputs_.Front());
        TraceSettings();
        ShowProgress(percent);
        if (services_.display.progress) services_.display.progress(file_counter_, maximum);

        Current current;
        FileOutcome outcome;
        outcome.input = inputs_.Front();
        const std::string failure = ProcessEntry(current, outcome);
        if (!failure.empty()) Fail(outcome, failure);
        outcome.produced = !current.output.empty() && Exists(current.output);
        if (outcome.produced) {
            outcome.output = current.output;
            pages_done_ += outcome.pages;
        }

        services_.ui.ShowStatus(2, "");
        const auto elapsed = services_.clock() - start;
        services_.log.LogEvent(
            "00602i", "Eind verwerking bestand;;" + ElapsedField(elapsed) + ";" + inputs_.Front());
        if (outcome.produced) {
            const std::string hand_off_failure = HandOff(current.output);
            if (!hand_off_failure.empty()) Fail(outcome, hand_off_failure);
        }
        outcomes_.push_back(outcome);
        inputs_.RemoveFront();
        ++file_counter_;
    }
    FinishRun();
}

// Conversion, stamping and placement of entry 0. "" when the output stands
// under its name, else why the file stopped (nothing of it was written).
std::string ProcessingRun::ProcessEntry(Current& current, FileOutcome& outcome) {
    current.entry = inputs_.Front();
    current.office = LastThree(Upper(current.entry)) != "PDF";
    if (!current.office) {
        current.source = current.entry;
        return WriteOutput(current, outcome);
    }
    // The converted file lives in the run's work folder, or in a hidden
    // folder beside the input: never where it could replace a user's file.
    std::optional<SideFolder> side;
    std::string folder = services_.work_folder;
    if (folder.empty()) {
        side.emplace(current.entry);
        if (!side->Ok()) return Tr(text::kOutputNotWritable) + current.entry;
        folder = fs::path(side->File()).parent_path().string();
    }
    const std::string upper = Upper(current.entry);
    const bool document = EndsWithAny(upper, {".DOC", ".DOCX", ".RTF", ".TXT", ".ODT"});
    const bool spreadsheet = EndsWithAny(upper, {".CSV", ".XLS", ".XLSX", ".XLSB", ".ODS"});
    const std::string target =
        (fs::path(folder) /
         ("converted-" + std::to_string(file_counter_ + 1) + (document ? ".PDF" : ".pdf")))
            .string();
    struct RemoveAtEnd {
        std::string file;
        ~RemoveAtEnd() {
            std::error_code ec;
            fs::remove(file, ec);
        }
    } converted_file{target};
    {
        std::error_code ec;
        fs::remove(target, ec);
    }
    const RunHandOffs& hand_offs = services_.hand_offs;
    std::string made;
    if (document && hand_offs.convert_document) {
        made = hand_offs.convert_document(current.entry, target);
    } else if (spreadsheet && hand_offs.convert_spreadsheet) {
        made = hand_offs.convert_spreadsheet(current.entry, target);
    }
    // A file that did not become a PDF stops here: the stamping would only
    // refuse it a second time.
    if (made.empty() || SamePath(made, current.entry) || !EndsWith(Upper(made), ".PDF") ||
        !Exists(made)) {
        services_.log.LogEvent("07600E", "conversion failed or invalid suffix;;;" + current.entry);
        return Tr(text::kConversionFailed) + current.entry;
    }
    current.source = made;
    return WriteOutput(current, outcome);
}

// The name the output is meant to have, before any clash is resolved.
std::string ProcessingRun::OutputName(const Current& current) const {
    const bool archive = Item(setting::kArchiveOutputs) == kYes;
    std::error_code ec;
    const std::string archive_folder = services_.settings.ArchiveFolder().string();
    const bool into_archive = archive && fs::is_directory(archive_folder, ec);
    if (!current.office) {
        if (Item(setting::kOverwriteInput) == kYes) return current.entry;
        const std::string output = WithoutLastFour(current.entry) + std::string(kOutputSuffix);
        return into_archive ? ArchiveTarget(archive_folder, output) : output;
    }
    const bool document =
        EndsWithAny(Upper(current.entry), {".DOC", ".DOCX", ".RTF", ".TXT", ".ODT"});
    const std::string pdf =
        document ? DocumentPdfNameFor(current.entry) : PdfNameFor(current.entry);
    if (!into_archive) return pdf;
    return WithoutOutputMarker(
        ArchiveTarget(archive_folder, WithoutLastFour(pdf) + std::string(kOutputSuffix)));
}

// Why the inputs cannot get the stationery the settings ask for; "" when they can.
std::string ProcessingRun::StationeryProblem() const {
    if (!services_.settings.Checked(setting::kWithStationery)) return std::string();
    if (Item(setting::kLetterheadMode) > 0 && !page_files_.letterhead_problem.empty()) {
        return page_files_.letterhead_problem;
    }
    if (Item(setting::kContinuationMode) > 0 && !page_files_.continuation_problem.empty()) {
        return page_files_.continuation_problem;
    }
    return std::string();
}

// Stamps the source into a hidden folder beside the output's place and gives
// the result its name in one rename, so the name never shows an unstamped
// or half-written file.
std::string ProcessingRun::WriteOutput(Current& current, FileOutcome& outcome) {
    SettingsModel& settings = services_.settings;
    if (!Exists(current.entry)) return Tr(text::kInputMissing) + current.entry;
    const std::string problem = StationeryProblem();
    if (!problem.empty()) return problem;

    const bool overwrite = !current.office && Item(setting::kOverwriteInput) == kYes;
    const std::optional<FileAccess> access = AccessOf(current.entry);
    if (!access) return Tr(text::kInputMissing) + current.entry;
    std::string target = OutputName(current);
    if (overwrite) {
        // Replacing keeps the owner; a file the user may not write, or whose
        // owner could not be kept, stays as it is.
        if (!WritableByItsBits(current.entry) ||
            (access->owner != ::geteuid() && ::geteuid() != 0)) {
            return Tr(text::kNotOverwritten) + current.entry;
        }
    } else {
        const std::string wanted = target;
        target = FreeName(wanted, [this, &current](const std::string& name) {
            if (SamePath(name, current.entry) || inputs_.Contains(name)) return true;
            for (const std::string& written : written_) {
                if (SamePath(written, name)) return true;
            }
            std::error_code ec;
            if (!fs::exists(fs::symlink_status(name, ec))) return false;
            // An earlier run's output may be replaced by this run's; any other
            // file is the user's and stays.
            return !EndsWith(Upper(fs::path(name).filename().string()),
                             Upper(std::string(kOutputSuffix)));
        });
        if (target != wanted)
            services_.ui.ShowMessage(Tr(text::kOutputNameTaken) + wanted + " -> " + target);
    }

    const std::string target_folder = fs::path(target).parent_path().string();
    if (std::find(swept_.begin(), swept_.end(), target_folder) == swept_.end()) {
        SideFolder::RemoveStale(target_folder);
        swept_.push_back(target_folder);
    }
    SideFolder side(target);
    if (!side.Ok()) return Tr(text::kOutputNotWritable) + target;
    const StationeryPages stationery{
        page_files_.letterhead,
        PageRuleText(StationeryKind::Letterhead, Item(setting::kLetterheadMode),
                     settings.Value(setting::kLetterheadPages)),
        page_files_.continuation,
        PageRuleText(StationeryKind::Continuation, Item(setting::kContinuationMode),
                     settings.Value(setting::kContinuationPages))};
    const bool stamp = settings.Checked(setting::kWithStationery);
    const ComposeResult composed = services_.composition.Compose(
        current.source, services_.input_password, stamp ? &stationery : nullptr, side.File());
    if (!composed.written) return composed.failure;
    outcome.pages = composed.pages;
    services_.ui.ProcessPendingMessages();

    if (overwrite) {
        services_.log.LogEvent("00902I", "Delete before rename;;;" + side.File() + ";" + target);
    } else if (current.office && Item(setting::kArchiveOutputs) == kYes) {
        services_.log.LogEvent("00904I",
                               "Delete before overschijf input;;;" + side.File() + ";" + target);
    } else if (current.office) {
        services_.log.LogEvent("00903I",
                               "Delete before rename file exist;;;" + side.File() + ";" + target);
    }
    const std::string error = PublishFile(side.File(), target, *access, overwrite);
    if (!error.empty()) return Tr(text::kOutputNotWritable) + target + " (" + error + ")";
    if (overwrite) {
        services_.log.LogEvent("00577i", "Renamed to input name;;;" + side.File() + ";" + target);
    } else if (current.office) {
        services_.log.LogEvent(Item(setting::kArchiveOutputs) == kYes ? "00579i" : "00578i",
                               "Renamed to input name;;;" + side.File() + ";" + target);
    }
    current.output = target;
    written_.push_back(target);
    // Counted once the file stands under its name.
    settings.AddToNumber(setting::kFilesCreated, 1);
    settings.AddToNumber(setting::kPagesCreated, composed.pages);
    AddOutputEntry(target);
    return std::string();
}

void ProcessingRun::Fail(FileOutcome& outcome, const std::string& reason) {
    if (!outcome.failure.empty()) outcome.failure += "; ";
    outcome.failure += reason;
    services_.ui.ShowMessage(reason);
    services_.log.LogEvent("00605E", "Verwerking mislukt;;;" + outcome.input + ";" + reason);
}

std::string ProcessingRun::Mail(const std::string& output, bool discard_when_mailed) {
    if (!services_.hand_offs.mail_output_file) return std::string();
    // An output that did not get into a message is kept, not discarded.
    if (!services_.hand_offs.mail_output_file(output)) return Tr(text::kNotMailed) + output;
    if (discard_when_mailed) services_.temp_files.Add(output);
    return std::string();
}

// "" when the output went where the action sends it. A failed print or mail
// never discards the output.
std::string ProcessingRun::HandOff(const std::string& output) {
    const RunHandOffs& hand_offs = services_.hand_offs;
    const bool all_in_one = Item(setting::kAllInOneMail) == kYes;
    const auto print = [&]() -> std::string {
        if (!hand_offs.print_pdf_file) return std::string();
        return hand_offs.print_pdf_file(output) ? std::string() : Tr(text::kNotPrinted) + output;
    };
    if (action_code_ == kActionPrint) {
        const std::string failure = print();
        if (hand_offs.sleep) hand_offs.sleep(kPauseAfterPrint);
        if (failure.empty()) services_.temp_files.Add(output);
        return failure;
    }
    if (action_code_ == kActionMail) {
        if (!all_in_one) return Mail(output, true);
        services_.mail_collection.Add(output);
        return std::string();
    }
    if (action_code_ != kActionConfigured) return std::string();
    std::string failure;
    if (Item(setting::kDirectPrint) == kYes) failure = print();
    if (Item(setting::kDirectMail) == kYes) {
        if (all_in_one) {
            services_.mail_collection.Add(output);
        } else {
            const std::string mail_failure = Mail(output, false);
            if (!mail_failure.empty()) failure += (failure.empty() ? "" : "; ") + mail_failure;
        }
    }
    // Directsave lists "Ja", "Nee": index 1 means the output is not kept,
    // unless it did not get where it was to go.
    if (Item(setting::kDirectSave) == 1 && failure.empty()) services_.temp_files.Add(output);
    return failure;
}

void ProcessingRun::FinishRun() {
    SortedPathList& collection = services_.mail_collection;
    if (Item(setting::kAllInOneMail) == kYes && !collection.Empty() &&
        services_.hand_offs.mail_output_file) {
        if (services_.hand_offs.mail_output_file(std::string(kMailInOne))) {
            if (action_code_ == kActionMail) {
                for (const std::string& output : collection.Entries()) {
                    services_.temp_files.Add(output);
                }
            }
        } else {
            // Every output of the collection failed its hand-off; all are kept.
            for (FileOutcome& outcome : outcomes_) {
                if (outcome.produced && collection.Contains(outcome.output)) {
                    Fail(outcome, Tr(text::kNotMailed) + outcome.output);
                }
            }
        }
    }
    services_.ui.ShowStatus(1, Tr(text::kWorkDone));
    services_.ui.ProcessPendingMessages();
    if (services_.hand_offs.quit_office) services_.hand_offs.quit_office();
    activity_position_ = 1;
    if (services_.display.activity_bar) services_.display.activity_bar(1, false);
}

}  // namespace papyrion
