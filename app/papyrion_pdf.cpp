// papyrion-pdf: the PDF engine's reading and writing from the command line.
//   papyrion-pdf info FILE [--password P]
//   papyrion-pdf resave IN OUT [--password P]
//   papyrion-pdf stamp IN STATIONERY OUT [--under]   (the processing run's composition)
//   papyrion-pdf render | print | printers (papyrion_pdf_render_print.h)

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/eventlog.h"
#include "core/settings.h"
#include "core/userinterface.h"
#include "papyrion_pdf_render_print.h"
#include "pdfengine/pdf_file.h"
#include "processing/composition.h"
#include "processing/composition_pdfengine.h"
#include "processing/output_file.h"
#include "processing/pagerules.h"

namespace {

using papyrion::pdf::PdfFile;
using papyrion::pdf::PdfReadResult;

int Usage() {
    std::cerr << "usage: papyrion-pdf info FILE [--password P]\n"
                 "       papyrion-pdf resave IN OUT [--password P]\n"
                 "       papyrion-pdf stamp IN STATIONERY OUT [--under]\n"
                 "       papyrion-pdf render | print | printers (see: papyrion-pdf render)\n";
    return 2;
}

std::string FormatPoints(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

// Opens `path`; on failure prints one line naming the file and the reason.
bool Open(PdfFile& file, const std::string& path, const std::string& password) {
    const PdfReadResult result = file.OpenFile(path, password);
    const char* reason = nullptr;
    switch (result) {
        case PdfReadResult::kRead:
            return true;
        case PdfReadResult::kPasswordRejected:
            reason = "the password opens this encrypted file neither as user nor as owner";
            break;
        case PdfReadResult::kNotReadable:
            reason = "not a readable PDF";
            break;
        case PdfReadResult::kFileError:
            reason = "cannot read the file";
            break;
    }
    std::cerr << "papyrion-pdf: " << path << ": " << reason;
    if (int code = papyrion::pdf::OpenErrorCode(result)) std::cerr << " (error " << code << ")";
    std::cerr << "\n";
    return false;
}

int Info(const std::string& path, const std::string& password) {
    PdfFile file;
    if (!Open(file, path, password)) return 1;
    std::cout << "pages: " << file.PageCount() << "\n";
    // A document without pages, or whose first page has no usable MediaBox, has no size.
    const auto size = file.PageSize(1).value_or(papyrion::pdf::PdfPageSize{});
    std::cout << "width: " << FormatPoints(size.width) << "\n";
    std::cout << "height: " << FormatPoints(size.height) << "\n";
    std::cout << "version: " << file.Version() << "\n";
    std::cout << "encrypted: " << (file.IsEncrypted() ? "yes" : "no") << "\n";
    return 0;
}

int Resave(const std::string& in, const std::string& out, const std::string& password) {
    PdfFile file;
    if (!Open(file, in, password)) return 1;
    if (!file.SaveToFile(out)) {
        std::cerr << "papyrion-pdf: " << out << ": cannot write the file\n";
        return 1;
    }
    return 0;
}

// Composition messages go to stderr, one line each like the other commands'
// reports; nothing is asked.
class StderrMessages : public papyrion::UserInterface {
  public:
    void ShowStatus(int, const std::string&) override {}
    void ActivityTick() override {}
    void ShowMessage(const std::string& text) override {
        std::cerr << "papyrion-pdf: " << text << "\n";
    }
    void ShowError(const std::string& text) override { ShowMessage(text); }
    bool AskYesNo(const std::string&) override { return false; }
    void ProcessPendingMessages() override {}
};

// There is no translation table here: an empty text makes the composition
// use its own English texts; the one message without such a text gets it here.
std::string CompositionText(std::string_view keyword) {
    if (keyword == "Invoerbestaatniet") return "Input file does not exist: ";
    return {};
}

// `page_file` as the letterhead on every page of `in`, over the text or
// (`under`) beneath it, written to `out`: the copy and the composition of a
// processing run, with settings that live only in memory.
bool ComposeLetterhead(const std::string& in, const std::string& page_file, const std::string& out,
                       bool under, papyrion::UserInterface& ui) {
    using namespace papyrion;
    const TranslateFn translate = CompositionText;
    SettingsModel settings({}, translate, [](std::string_view) { return std::string(); });
    settings.SetItemIndex(setting::kLetterheadMode, kPageModeAllPages);
    settings.SetItemIndex(setting::kContinuationMode, kPageModeNone);
    // Placement item 1 is the background.
    settings.SetItemIndex(setting::kStationeryPlacement, under ? 1 : 0);
    // Without a log file nothing is logged.
    EventLog log({});
    StationeryComposition composition(
        CompositionServices{settings, log, ui, translate, MakePdfEngineFactory()});
    const StationeryPages stationery{
        page_file, PageRuleText(StationeryKind::Letterhead, kPageModeAllPages, ""), "",
        PageRuleText(StationeryKind::Continuation, kPageModeNone, "")};
    const ComposeResult result = composition.Compose(in, "", &stationery, out);
    if (!result.written) ui.ShowMessage(result.failure);
    return result.written;
}

// The first page of STATIONERY as the letterhead over (with `under`, beneath)
// every page of IN, written to OUT through the processing run's composition,
// so that every page keeps its own box and turn. The page is cut to a page
// file first, as the run does; the engine writes OUT beside it and renames
// the whole file over it, so a failure leaves OUT as it was.
int Stamp(const std::string& in, const std::string& stationery, const std::string& out,
          bool under) {
    {
        PdfFile paper;
        if (!Open(paper, stationery, "")) return 1;
    }
    const papyrion::SideFolder side(out);
    if (!side.Ok() || !papyrion::ExtractSinglePage(stationery, 1, side.File())) {
        std::cerr << "papyrion-pdf: " << out << ": cannot write beside the file\n";
        return 1;
    }
    StderrMessages messages;
    return ComposeLetterhead(in, side.File(), out, under, messages) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (auto code = papyrion::app::RunRenderPrintCommand(arguments)) {
        return *code;
    }
    std::vector<std::string> positional;
    std::optional<std::string> password;
    bool under = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--password") {
            if (i + 1 >= argc) return Usage();
            password = argv[++i];
        } else if (arg == "--under") {
            under = true;
        } else if (arg.rfind("--password=", 0) == 0) {
            password = arg.substr(11);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty()) return Usage();
    const std::string& command = positional[0];
    if (command == "info" && positional.size() == 2) {
        return Info(positional[1], password.value_or(""));
    }
    if (command == "resave" && positional.size() == 3) {
        return Resave(positional[1], positional[2], password.value_or(""));
    }
    if (command == "stamp" && positional.size() == 4) {
        return Stamp(positional[1], positional[2], positional[3], under);
    }
    return Usage();
}
