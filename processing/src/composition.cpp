#include "processing/composition.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "core/settings_keys.h"
#include "core/text_keys.h"
#include "processing/pagerules.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

constexpr int kBackground = 1;

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// Whether any page of an n-page document gets this stationery.
bool AnyPageGets(const PageFlags& flags, StationeryKind kind, int mode, int pages) {
    for (int p = 1; p <= pages; ++p) {
        if (StationeryApplies(flags, kind, mode, p)) return true;
    }
    return false;
}

}  // namespace

std::string FilesCreatedCaption(long long files) {
    return "Aangemaakte bestanden : " + std::to_string(files);
}

std::string PagesCreatedCaption(long long pages) {
    return "Aangemaakte pagina\"s  : " + std::to_string(pages);
}

std::string ArchiveTarget(const std::string& archive_folder, const std::string& output) {
    const std::string name = fs::path(output).filename().string();
    if (!archive_folder.empty() && archive_folder.back() == '/') return archive_folder + name;
    return archive_folder + "/" + name;
}

StationeryComposition::StationeryComposition(CompositionServices services)
    : services_(std::move(services)) {}

std::string StationeryComposition::Text(std::string_view keyword, std::string_view fallback) const {
    std::string text = services_.translate ? services_.translate(keyword) : std::string();
    if (text.empty() || text == "*") return std::string(fallback);
    return text;
}

// Which of the three it is: no permission to read, a password, or damage.
std::string StationeryComposition::Unreadable(const std::string& input, const std::string& password,
                                              int engine_error) const {
    if (::access(input.c_str(), R_OK) != 0) {
        return Text(text::kInputNoPermission, "The file cannot be read (no permission): ") + input;
    }
    if (engine_error == kEngineErrorWrongPassword) {
        return password.empty()
                   ? Text(text::kInputNeedsPassword, "The file is protected by a password: ") +
                         input
                   : Text(text::kInputWrongPassword, "The password does not open the file: ") +
                         input;
    }
    return Text(text::kInputDamaged, "The file is damaged and cannot be read as a PDF: ") + input;
}

ComposeResult StationeryComposition::Compose(const std::string& input, const std::string& password,
                                             const StationeryPages* stationery,
                                             const std::string& target) {
    ComposeResult result;
    if (tick_) tick_();
    if (!Exists(input)) {
        result.failure = Text(text::kInputMissing, "Input file does not exist: ") + input;
        return result;
    }
    services_.log.LogEvent("00800I", "Copy In to Out PDF;;;" + input + ";" + target);
    const std::unique_ptr<CompositionEngine> engine = services_.make_engine();
    // An input the engine cannot read stops here: stamping the engine's blank
    // start page instead would hand on an empty document as a result.
    if (!engine->OpenFile(input, password)) {
        result.failure = Unreadable(input, password, engine->LastError());
        return result;
    }
    result.pages = engine->CountPages();
    if (stationery != nullptr) {
        result.failure = Stamp(*engine, *stationery, input);
        if (!result.failure.empty()) return result;
    }
    // The engine writes beside the target and leaves it alone on failure.
    if (!engine->SaveFile(target)) {
        result.failure =
            Text(text::kOutputNotWritable, "The output file cannot be written: ") + target;
        return result;
    }
    result.written = true;
    return result;
}

// Lays the stationery on the selected document of `engine`, which stays
// selected. "" on success, else what failed.
//
// The stationery is drawn straight onto the document's own pages: over
// their content in the foreground, beneath it in the background. The pages
// stay the document's, so their annotations, links and form fields, the
// catalog's outline, structure and labels, and the document's encryption
// all stay as they were.
std::string StationeryComposition::Stamp(CompositionEngine& engine,
                                         const StationeryPages& stationery,
                                         const std::string& input) {
    PageFlags flags;
    ClearPageFlags(flags);
    FillPageFlags(flags, StationeryKind::Letterhead, stationery.letterhead_rule);
    FillPageFlags(flags, StationeryKind::Continuation, stationery.continuation_rule);

    SettingsModel& settings = services_.settings;
    if (settings.ItemIndex(setting::kLetterheadMode) > 0 &&
        !Exists(stationery.letterhead_page_file)) {
        settings.SetItemIndex(setting::kLetterheadMode, kPageModeNone);
    }
    if (settings.ItemIndex(setting::kContinuationMode) > 0 &&
        !Exists(stationery.continuation_page_file)) {
        settings.SetItemIndex(setting::kContinuationMode, kPageModeNone);
    }
    const int letterhead_mode = settings.ItemIndex(setting::kLetterheadMode);
    const int continuation_mode = settings.ItemIndex(setting::kContinuationMode);
    const bool background = settings.ItemIndex(setting::kStationeryPlacement) == kBackground;
    const std::string stamping_failed = Text(text::kStampingFailed, "Stamping failed: ") + input;

    const EngineDocumentId document = engine.CurrentDocument();
    const int n = engine.CountPages();
    std::string failure;
    // One copy of each stationery page per output: appended to the document
    // and captured once, then drawn on every page that gets it.
    const auto capture_stationery = [&](const std::string& page_file) -> EngineCaptureId {
        if (!engine.OpenFile(page_file, "")) {
            failure =
                Text(text::kStationeryUnreadable, "The stationery file cannot be read as a PDF: ") +
                page_file;
            return 0;
        }
        const EngineDocumentId stationery_document = engine.CurrentDocument();
        if (!engine.UseDocument(document) || !engine.AppendDocument(stationery_document)) {
            failure = stamping_failed;
            return 0;
        }
        const EngineCaptureId capture = engine.CapturePageAsForm(engine.CountPages());
        if (capture == 0) failure = stamping_failed;
        return capture;
    };
    EngineCaptureId letterhead = 0;
    EngineCaptureId continuation = 0;
    if (AnyPageGets(flags, StationeryKind::Letterhead, letterhead_mode, n)) {
        letterhead = capture_stationery(stationery.letterhead_page_file);
        if (letterhead == 0) return failure;
    }
    if (AnyPageGets(flags, StationeryKind::Continuation, continuation_mode, n)) {
        continuation = capture_stationery(stationery.continuation_page_file);
        if (continuation == 0) return failure;
    }
    if (!engine.UseDocument(document) || engine.CountPages() != n) return stamping_failed;

    for (int p = 1; p <= n; ++p) {
        const bool gets_letterhead =
            StationeryApplies(flags, StationeryKind::Letterhead, letterhead_mode, p);
        const bool gets_continuation =
            StationeryApplies(flags, StationeryKind::Continuation, continuation_mode, p);
        if (!gets_letterhead && !gets_continuation) continue;
        if (!engine.UsePage(p)) return stamping_failed;
        // Each page's own box: a landscape or turned page in a portrait
        // letter keeps its shape and its turn.
        const double width = engine.GetPageWidth();
        const double height = engine.GetPageHeight();
        const auto place = [&](EngineCaptureId capture) {
            return background ? engine.PlaceCapturedPageUnder(capture, 0, height, width, height)
                              : engine.PlaceCapturedPage(capture, 0, height, width, height);
        };
        // The continuation page lies over the letterhead: drawn after it in
        // the foreground, and beneath the page before it in the background.
        const EngineCaptureId first = background ? continuation : letterhead;
        const EngineCaptureId second = background ? letterhead : continuation;
        const bool first_applies = background ? gets_continuation : gets_letterhead;
        const bool second_applies = background ? gets_letterhead : gets_continuation;
        if (first_applies && !place(first)) return stamping_failed;
        if (second_applies && !place(second)) return stamping_failed;
    }
    return std::string();
}

}  // namespace papyrion
