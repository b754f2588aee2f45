#include "processing/processingrun.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "delivery/mailcomposition.h"
#include "processing/pagerules.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOptions = "Opties";
constexpr std::string_view kArchive = "Archief Directory";
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

int ProcessingRun::Item(std::string_view section, std::string_view key) const {
    return services_.settings.ItemIndex(section, key);
}

std::string ProcessingRun::ItemText(std::string_view section, std::string_view key,
                                    std::initializer_list<std::string_view> items) const {
    const int index = Item(section, key);
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
        services_.display.output_list_caption(Tr("Hierstaan1") + std::to_string(outputs_.Size()) +
                                              Tr("Hierstaan2"));
    }
}

void ProcessingRun::TraceSettings() {
    const SettingsModel& settings = services_.settings;
    const std::string placement = Item(kOptions, "Voorgrond") == 0 ? "Voorgrond " : "Achtergrond ";
    const std::string letterhead_mode =
        ItemText(kOptions, "BriefPapier",
                 {"Geen", "Op alle pagina's", "Op eerste pagina", "Kies paginareeks"});
    const std::string continuation_mode =
        ItemText(kOptions, "VolgPapier",
                 {"Geen", "Op alle pagina's", "Op pagina 2  tot einde", "Kies paginareeks"});
    services_.log.LogEvent("00977I",
                           "Setting overlay-s;;;" + placement + letterhead_mode + " " +
                               " pag=" + settings.Value("Overlay", "Brief papier pagina") + " " +
                               page_files_.letterhead + ";" + placement + continuation_mode + " " +
                               "pag=" + settings.Value("Overlay", "Volg papier pagina") + " " +
                               page_files_.continuation);

    const auto no_yes = [this](std::string_view section, std::string_view key) {
        return ItemText(section, key, {"Nee", "Ja"});
    };
    const auto yes_no = [this](std::string_view section, std::string_view key) {
        return ItemText(section, key, {"Ja", "Nee"});
    };
    services_.log.LogEvent(
        "00978I",
        "Setting verwerking;;;Overschrijf origineel=" + no_yes(kOptions, "OverschrijfInput") +
            " Archiefmap=" + no_yes(kArchive, "Optie") + " " + settings.Value(kArchive, "Naam") +
            ";Email allinone=" + no_yes(kOptions, "AllinOneMail") + " EmailTemplate=" +
            yes_no("Email", "EmailModel") + " Output Opslaan=" + yes_no(kOptions, "Directsave") +
            " Directprint=" + no_yes(kOptions, "DirectPrint") +
            " Email-File=" + no_yes(kOptions, "DirectMail") + ";;;");
}

void ProcessingRun::ShowProgress(int percent) {
    const std::string counts = Tr("van") + " " + std::to_string(total_) + " " + Tr("Bestanden") +
                               ", " + Tr("Paginas") + ":" + std::to_string(pages_done_);
    if (services_.display.button_caption) {
        services_.display.button_caption(Tr("klaarmetwerk") + std::to_string(file_counter_) +
                                         counts);
    }
    services_.ui.ShowStatus(1, std::to_string(percent) + "% " + std::to_string(file_counter_) +
                                   Tr("van") + std::to_string(total_) + " " + Tr("Bestanden") +
                                   ", " + Tr("Paginas") + ":" + std::to_string(pages_done_));
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
        if (ProcessEntry(current, outcome)) {
            outcome.produced = Exists(current.output);
            if (outcome.produced) outcome.output = current.output;
            pages_done_ += outcome.pages;
        }

        services_.ui.ShowStatus(2, "");
        const auto elapsed = services_.clock() - start;
        services_.log.LogEvent(
            "00602i", "Eind verwerking bestand;;" + ElapsedField(elapsed) + ";" + inputs_.Front());
        if (outcome.produced) HandOff(current.output);
        outcomes_.push_back(outcome);
        inputs_.RemoveFront();
        ++file_counter_;
    }
    FinishRun();
}

// Conversion, copy, stamping and placement of entry 0. False when the file
// stopped without an output (the user has been told why).
bool ProcessingRun::ProcessEntry(Current& current, FileOutcome& outcome) {
    const std::string entry = inputs_.Front();
    const std::string upper = Upper(entry);
    current.suffix = LastThree(upper);
    if (current.suffix != "PDF") {
        const RunHandOffs& hand_offs = services_.hand_offs;
        if (EndsWithAny(upper, {".DOC", ".DOCX", ".RTF", ".TXT", ".ODT"})) {
            if (hand_offs.convert_document) inputs_.ReplaceFront(hand_offs.convert_document(entry));
        } else if (EndsWithAny(upper, {".CSV", ".XLS", ".XLSX", ".XLSB", ".ODS"})) {
            if (hand_offs.convert_spreadsheet) {
                inputs_.ReplaceFront(hand_offs.convert_spreadsheet(entry));
            }
        }
        // A file that did not become a PDF stops here: the copy would only
        // refuse it a second time.
        if (!EndsWith(Upper(inputs_.Front()), ".PDF") || !Exists(inputs_.Front())) {
            services_.ui.ShowMessage(Tr("showmsgconv01") + inputs_.Front());
            services_.log.LogEvent("07600E",
                                   "conversion failed or invalid suffix;;;" + inputs_.Front());
            return false;
        }
    }

    current.input = inputs_.Front();
    current.output = WithoutLastFour(current.input) + std::string(kOutputSuffix);
    const CopyResult copy = services_.composition.CopyInToOut(current.input, current.output);
    if (!copy.written) return false;
    current.output = copy.output;
    outcome.pages = copy.pages;
    services_.ui.ProcessPendingMessages();

    if (services_.settings.Checked("Overlay", "MetofZonder")) {
        SettingsModel& settings = services_.settings;
        const std::string letterhead_rule =
            PageRuleText(StationeryKind::Letterhead, Item(kOptions, "BriefPapier"),
                         settings.Value("Pagerange", "BriefPapier"));
        const std::string continuation_rule =
            PageRuleText(StationeryKind::Continuation, Item(kOptions, "VolgPapier"),
                         settings.Value("Pagerange", "VolgPapier"));
        if (!services_.composition.ComposeStationery(page_files_.letterhead, letterhead_rule,
                                                     page_files_.continuation, continuation_rule,
                                                     current.output)) {
            // The unstamped copy is not a result; it is this run's own file.
            std::error_code ec;
            fs::remove(current.output, ec);
            return false;
        }
    }

    if (Item(kOptions, "OverschrijfInput") != kYes && current.suffix == "PDF") {
        AddOutputEntry(current.output);
    }
    PlaceOutput(current);
    return true;
}

// `from` replaces `to` in one step: `to` is never missing in between, and a
// failed rename leaves both as they were. Across file systems (an archive
// folder on another disk) the file is copied beside `to` first.
bool ProcessingRun::RenameOver(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec == std::errc::cross_device_link) {
        const std::string side = SidePath(to);
        ec.clear();
        fs::copy_file(from, side, fs::copy_options::overwrite_existing, ec);
        if (!ec) fs::rename(side, to, ec);
        std::error_code ignored;
        if (ec) {
            fs::remove(side, ignored);
        } else {
            fs::remove(from, ignored);
        }
    }
    if (ec) {
        services_.ui.ShowMessage("Renaming " + from + " to " + to + " failed: " + ec.message());
        return false;
    }
    return true;
}

void ProcessingRun::PlaceOutput(Current& current) {
    const std::string input = current.input;
    const std::string output = current.output;
    const int overwrite = Item(kOptions, "OverschrijfInput");
    const int archive = Item(kArchive, "Optie");

    if (overwrite == kYes && Exists(input) && Exists(output)) {
        services_.log.LogEvent("00902I", "Delete before rename;;;" + output + ";" + input);
        if (!RenameOver(output, input)) return;
        services_.log.LogEvent("00577i", "Renamed to input name;;;" + output + ";" + input);
        current.output = input;
        AddOutputEntry(input);
    }
    if (current.suffix == "PDF") return;

    if (Exists(input) && archive == kNo && overwrite == kNo) {
        services_.log.LogEvent("00903I",
                               "Delete before rename file exist;;;" + output + ";" + input);
        if (!RenameOver(output, input)) return;
        services_.log.LogEvent("00578i", "Renamed to input name;;;" + output + ";" + input);
        current.output = input;
        AddOutputEntry(input);
    }
    std::error_code ec;
    if (archive == kYes && fs::is_directory(services_.settings.ArchiveFolder(), ec) &&
        overwrite == kNo && Exists(output)) {
        services_.log.LogEvent("00904I",
                               "Delete before overschijf input;;;" + output + ";" + input);
        const std::string result = WithoutOutputMarker(output);
        if (!RenameOver(output, result)) return;
        // The converted file goes only once the result stands under its new
        // name, and never when the archive is the input's own folder and the
        // two names are one.
        if (!SamePath(input, result)) fs::remove(input, ec);
        inputs_.ReplaceFront(result);
        services_.log.LogEvent("00579i", "Renamed to input name;;;" + output + ";" + result);
        current.output = result;
        AddOutputEntry(result);
    }
}

void ProcessingRun::Mail(const std::string& output, bool discard_when_mailed) {
    if (!services_.hand_offs.mail_output_file) return;
    // An output that did not get into a message is kept, not discarded.
    if (services_.hand_offs.mail_output_file(output) && discard_when_mailed) {
        services_.temp_files.Add(output);
    }
}

void ProcessingRun::HandOff(const std::string& output) {
    const RunHandOffs& hand_offs = services_.hand_offs;
    const bool all_in_one = Item(kOptions, "AllinOneMail") == kYes;
    if (action_code_ == kActionPrint) {
        if (hand_offs.print_pdf_file) hand_offs.print_pdf_file(output);
        if (hand_offs.sleep) hand_offs.sleep(kPauseAfterPrint);
        services_.temp_files.Add(output);
    } else if (action_code_ == kActionMail) {
        if (all_in_one) {
            services_.mail_collection.Add(output);
        } else {
            Mail(output, true);
        }
    } else if (action_code_ == kActionConfigured) {
        // Directsave lists "Ja", "Nee": index 1 means the output is not kept.
        if (Item(kOptions, "Directsave") == 1) services_.temp_files.Add(output);
        if (Item(kOptions, "DirectPrint") == kYes && hand_offs.print_pdf_file) {
            hand_offs.print_pdf_file(output);
        }
        if (Item(kOptions, "DirectMail") == kYes) {
            if (all_in_one) {
                services_.mail_collection.Add(output);
            } else {
                Mail(output, false);
            }
        }
    }
}

void ProcessingRun::FinishRun() {
    SortedPathList& collection = services_.mail_collection;
    if (Item(kOptions, "AllinOneMail") == kYes && !collection.Empty() &&
        services_.hand_offs.mail_output_file) {
        if (services_.hand_offs.mail_output_file(std::string(kMailInOne)) &&
            action_code_ == kActionMail) {
            for (const std::string& output : collection.Entries()) services_.temp_files.Add(output);
        }
    }
    services_.ui.ShowStatus(1, Tr("klaarmetwerk"));
    services_.ui.ProcessPendingMessages();
    if (services_.hand_offs.quit_office) services_.hand_offs.quit_office();
    activity_position_ = 1;
    if (services_.display.activity_bar) services_.display.activity_bar(1, false);
}

}  // namespace papyrion
