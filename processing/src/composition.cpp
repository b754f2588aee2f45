#include "processing/composition.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "processing/pagerules.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

// What a document page looks like: its MediaBox size and its /Rotate.
struct PageShape {
    double width = 0;
    double height = 0;
    int rotation = 0;
};

constexpr std::string_view kOptions = "Opties";
constexpr std::string_view kLetterheadMode = "BriefPapier";
constexpr std::string_view kContinuationMode = "VolgPapier";
constexpr std::string_view kPlacement = "Voorgrond";
constexpr int kBackground = 1;
constexpr std::string_view kStatistics = "Statistiek";
constexpr std::string_view kFilesCreated = "Aangemaakte bestanden";
constexpr std::string_view kPagesCreated = "Aangemaakte paginas";
constexpr std::string_view kArchive = "Archief Directory";

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
        return Text("Invoergeentoegang", "The file cannot be read (no permission): ") + input;
    }
    if (engine_error == kEngineErrorWrongPassword) {
        return password.empty()
                   ? Text("Invoerwachtwoord", "The file is protected by a password: ") + input
                   : Text("Invoerwachtwoordfout", "The password does not open the file: ") + input;
    }
    return Text("Invoerbeschadigd", "The file is damaged and cannot be read as a PDF: ") + input;
}

ComposeResult StationeryComposition::Compose(const std::string& input, const std::string& password,
                                             const StationeryPages* stationery,
                                             const std::string& target) {
    ComposeResult result;
    if (tick_) tick_();
    if (!Exists(input)) {
        result.failure = Text("Invoerbestaatniet", "Input file does not exist: ") + input;
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
        result.failure = Text("Uitvoerschrijfniet", "The output file cannot be written: ") + target;
        return result;
    }
    result.written = true;
    return result;
}

// Lays the stationery on the selected document of `engine`; the document to
// save is selected at the end. "" on success, else what failed.
std::string StationeryComposition::Stamp(CompositionEngine& engine_ref,
                                         const StationeryPages& stationery,
                                         const std::string& input) {
    CompositionEngine* const engine = &engine_ref;
    const std::string& letterhead_page_file = stationery.letterhead_page_file;
    const std::string& continuation_page_file = stationery.continuation_page_file;
    const std::string& output = input;
    PageFlags flags;
    ClearPageFlags(flags);
    FillPageFlags(flags, StationeryKind::Letterhead, stationery.letterhead_rule);
    FillPageFlags(flags, StationeryKind::Continuation, stationery.continuation_rule);

    SettingsModel& settings = services_.settings;
    if (settings.ItemIndex(kOptions, kLetterheadMode) > 0 && !Exists(letterhead_page_file)) {
        settings.SetItemIndex(kOptions, kLetterheadMode, kPageModeNone);
    }
    if (settings.ItemIndex(kOptions, kContinuationMode) > 0 && !Exists(continuation_page_file)) {
        settings.SetItemIndex(kOptions, kContinuationMode, kPageModeNone);
    }
    const int letterhead_mode = settings.ItemIndex(kOptions, kLetterheadMode);
    const int continuation_mode = settings.ItemIndex(kOptions, kContinuationMode);

    const std::string stamping_failed = Text("Stempelenmislukt", "Stamping failed: ");
    const auto Fail = [](std::string message) { return message; };
    const EngineDocumentId document = engine->CurrentDocument();
    const int n = engine->CountPages();
    // Every layer page takes the size and turn of its document page: with
    // page 1's box for all pages, a landscape or turned page in a portrait
    // letter would be squeezed into the portrait box and lose its turn.
    std::vector<PageShape> shapes(static_cast<std::size_t>(n));
    for (int p = 1; p <= n; ++p) {
        engine->UsePage(p);
        shapes[static_cast<std::size_t>(p - 1)] = {engine->GetPageWidth(), engine->GetPageHeight(),
                                                   engine->GetPageRotation()};
    }
    const auto shape = [&](int p) -> const PageShape& {
        return shapes[static_cast<std::size_t>(p - 1)];
    };

    const EngineDocumentId layer = engine->CreateDocument();
    if (layer == 0 || !engine->SetPageSize(shape(1).width, shape(1).height)) {
        return Fail(stamping_failed + output);
    }
    if (n > 1 && engine->AppendPages(n - 1) != n) return Fail(stamping_failed + output);
    for (int p = 1; p <= n; ++p) {
        if (!engine->UsePage(p) || !engine->SetPageSize(shape(p).width, shape(p).height) ||
            !engine->SetPageRotation(shape(p).rotation)) {
            return Fail(stamping_failed + output);
        }
    }

    // One copy of each stationery page per output: appended and captured
    // once, then drawn on every page that gets it.
    std::string failure;
    const auto capture_stationery = [&](const std::string& page_file) -> EngineCaptureId {
        if (!engine->OpenFile(page_file, "")) {
            failure =
                Text("Briefpapieronleesbaar", "The stationery file cannot be read as a PDF: ") +
                page_file;
            return 0;
        }
        const EngineDocumentId stationery_document = engine->CurrentDocument();
        if (!engine->UseDocument(layer) || !engine->AppendDocument(stationery_document)) {
            failure = stamping_failed + output;
            return 0;
        }
        const EngineCaptureId capture = engine->CapturePageAsForm(engine->CountPages());
        if (capture == 0) failure = stamping_failed + output;
        return capture;
    };
    EngineCaptureId letterhead = 0;
    EngineCaptureId continuation = 0;
    if (AnyPageGets(flags, StationeryKind::Letterhead, letterhead_mode, n)) {
        letterhead = capture_stationery(letterhead_page_file);
        if (letterhead == 0) return failure;
    }
    if (AnyPageGets(flags, StationeryKind::Continuation, continuation_mode, n)) {
        continuation = capture_stationery(continuation_page_file);
        if (continuation == 0) return failure;
    }

    engine->UseDocument(layer);
    for (int p = 1; p <= n; ++p) {
        const bool gets_letterhead =
            StationeryApplies(flags, StationeryKind::Letterhead, letterhead_mode, p);
        const bool gets_continuation =
            StationeryApplies(flags, StationeryKind::Continuation, continuation_mode, p);
        if (!gets_letterhead && !gets_continuation) continue;
        if (!engine->UsePage(p)) return Fail(stamping_failed + output);
        const PageShape& box = shape(p);
        // The continuation page is drawn after, and so over, the letterhead.
        if (gets_letterhead &&
            !engine->PlaceCapturedPage(letterhead, 0, box.height, box.width, box.height)) {
            return Fail(stamping_failed + output);
        }
        if (gets_continuation &&
            !engine->PlaceCapturedPage(continuation, 0, box.height, box.width, box.height)) {
            return Fail(stamping_failed + output);
        }
    }

    // Background: the stationery layer is the base and every document page
    // is drawn over it; foreground: the document is the base and every layer
    // page is drawn over it.
    const bool background = settings.ItemIndex(kOptions, kPlacement) == kBackground;
    const EngineDocumentId base = background ? layer : document;
    const EngineDocumentId over = background ? document : layer;
    if (!engine->UseDocument(base) || !engine->AppendDocument(over)) {
        return Fail(stamping_failed + output);
    }
    for (int q = 1; q <= n; ++q) {
        const EngineCaptureId capture = engine->CapturePageAsForm(n + 1);
        const PageShape& box = shape(q);
        if (capture == 0 || !engine->UsePage(q) ||
            !engine->PlaceCapturedPage(capture, 0, box.height, box.width, box.height)) {
            return Fail(stamping_failed + output);
        }
    }
    return std::string();
}

}  // namespace papyrion
