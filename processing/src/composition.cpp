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

std::string SidePath(const std::string& target) {
    const fs::path path(target);
    const std::string name =
        "." + path.filename().string() + "." + std::to_string(::getpid()) + ".part";
    return (path.parent_path() / name).string();
}

StationeryComposition::StationeryComposition(CompositionServices services)
    : services_(std::move(services)) {}

std::string StationeryComposition::Text(std::string_view keyword, std::string_view fallback) const {
    std::string text = services_.translate ? services_.translate(keyword) : std::string();
    if (text.empty() || text == "*") return std::string(fallback);
    return text;
}

bool StationeryComposition::Fail(const std::string& message) {
    services_.ui.ShowMessage(message);
    return false;
}

// The engine writes a side file which then replaces the target in one step:
// the target is never seen half-written, and a failed write leaves it alone.
bool StationeryComposition::SaveBeside(CompositionEngine& engine, const std::string& target) {
    const std::string side = SidePath(target);
    std::error_code ec;
    if (!engine.SaveFile(side)) {
        fs::remove(side, ec);
        return Fail(Text("Uitvoerschrijfniet", "The output file cannot be written: ") + target);
    }
    fs::rename(side, target, ec);
    if (ec) {
        fs::remove(side, ec);
        return Fail(Text("Uitvoerschrijfniet", "The output file cannot be written: ") + target);
    }
    return true;
}

CopyResult StationeryComposition::CopyInToOut(const std::string& input, const std::string& output) {
    CopyResult result;
    result.output = output;
    if (tick_) tick_();
    const std::unique_ptr<CompositionEngine> engine = services_.make_engine();

    if (!Exists(input)) {
        Fail(services_.translate("Invoerbestaatniet") + input);
        return result;
    }
    services_.log.LogEvent("00800I", "Copy In to Out PDF;;;" + input + ";" + output);

    // An input the engine cannot read stops here: stamping the engine's blank
    // start page instead would hand on an empty document as a result.
    if (!engine->OpenFile(input, "")) {
        Fail(Text("Invoeronleesbaar",
                  "The file cannot be read as a PDF (damaged, or protected by a password): ") +
             input);
        return result;
    }
    const EngineDocumentId document = engine->CurrentDocument();
    engine->UseDocument(document);
    const int pages = engine->CountPages();

    SettingsModel& settings = services_.settings;
    std::string target = output;
    const std::string archive = settings.ArchiveFolder().string();
    std::error_code ec;
    if (settings.ItemIndex(kArchive, "Optie") == 1 && fs::is_directory(archive, ec)) {
        target = ArchiveTarget(archive, output);
    }
    result.output = target;
    if (!SaveBeside(*engine, target)) return result;

    // Counted once the file exists, so the statistics count created files.
    settings.AddToNumber(kStatistics, kFilesCreated, 1);
    settings.AddToNumber(kStatistics, kPagesCreated, pages);
    result.written = true;
    result.pages = pages;
    return result;
}

bool StationeryComposition::ComposeStationery(const std::string& letterhead_page_file,
                                              const std::string& letterhead_rule_text,
                                              const std::string& continuation_page_file,
                                              const std::string& continuation_rule_text,
                                              const std::string& output) {
    PageFlags flags;
    ClearPageFlags(flags);
    FillPageFlags(flags, StationeryKind::Letterhead, letterhead_rule_text);
    FillPageFlags(flags, StationeryKind::Continuation, continuation_rule_text);

    SettingsModel& settings = services_.settings;
    if (settings.ItemIndex(kOptions, kLetterheadMode) > 0 && !Exists(letterhead_page_file)) {
        settings.SetItemIndex(kOptions, kLetterheadMode, kPageModeNone);
    }
    if (settings.ItemIndex(kOptions, kContinuationMode) > 0 && !Exists(continuation_page_file)) {
        settings.SetItemIndex(kOptions, kContinuationMode, kPageModeNone);
    }
    const int letterhead_mode = settings.ItemIndex(kOptions, kLetterheadMode);
    const int continuation_mode = settings.ItemIndex(kOptions, kContinuationMode);

    const std::unique_ptr<CompositionEngine> engine = services_.make_engine();
    const std::string stamping_failed = Text("Stempelenmislukt", "Stamping failed: ");
    if (!engine->OpenFile(output, "")) {
        return Fail(Text("Invoeronleesbaar",
                         "The file cannot be read as a PDF (damaged, or protected by a "
                         "password): ") +
                    output);
    }
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
    const auto capture_stationery = [&](const std::string& page_file) -> EngineCaptureId {
        if (!engine->OpenFile(page_file, "")) {
            Fail(Text("Briefpapieronleesbaar", "The stationery file cannot be read as a PDF: ") +
                 page_file);
            return 0;
        }
        const EngineDocumentId stationery = engine->CurrentDocument();
        if (!engine->UseDocument(layer) || !engine->AppendDocument(stationery)) {
            Fail(stamping_failed + output);
            return 0;
        }
        const EngineCaptureId capture = engine->CapturePageAsForm(engine->CountPages());
        if (capture == 0) Fail(stamping_failed + output);
        return capture;
    };
    EngineCaptureId letterhead = 0;
    EngineCaptureId continuation = 0;
    if (AnyPageGets(flags, StationeryKind::Letterhead, letterhead_mode, n)) {
        letterhead = capture_stationery(letterhead_page_file);
        if (letterhead == 0) return false;
    }
    if (AnyPageGets(flags, StationeryKind::Continuation, continuation_mode, n)) {
        continuation = capture_stationery(continuation_page_file);
        if (continuation == 0) return false;
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
    return SaveBeside(*engine, output);
}

}  // namespace papyrion
