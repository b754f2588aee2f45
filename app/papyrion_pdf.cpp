// papyrion-pdf: the PDF engine's reading and writing from the command line.
//   papyrion-pdf info FILE [--password P]
//   papyrion-pdf resave IN OUT [--password P]
//   papyrion-pdf stamp IN STATIONERY OUT [--under]   (through the engine facade)
//   papyrion-pdf render | print | printers (papyrion_pdf_render_print.h)

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "papyrion_pdf_render_print.h"
#include "pdfengine/pdf_file.h"
#include "pdfengine/pdfengine.h"

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

// The first page of STATIONERY over (or under) every page of IN, written to
// OUT, the way the overlay composition drives the engine: the stationery is
// appended and captured once and drawn on every page of a layer document,
// which is then layered with the input.
int Stamp(const std::string& in, const std::string& stationery, const std::string& out,
          bool under) {
    using namespace papyrion::pdf;
    PdfEngine engine;
    if (engine.OpenFile(in) != 1) {
        std::cerr << "papyrion-pdf: " << in << ": cannot open (error " << engine.LastError()
                  << ")\n";
        return 1;
    }
    const DocumentId doc = engine.CurrentDocument();
    const int n = engine.CountPages();
    engine.UsePage(1);
    const double h = engine.GetPageHeight();
    const double w = engine.GetPageWidth();
    const DocumentId layer = engine.CreateDocument();
    engine.SetPageSize(w, h);
    if (n > 1) engine.AppendPages(n - 1);
    if (engine.OpenFile(stationery) != 1) {
        std::cerr << "papyrion-pdf: " << stationery << ": cannot open\n";
        return 1;
    }
    const DocumentId paper = engine.CurrentDocument();
    engine.UseDocument(layer);
    engine.AppendDocument(paper);
    const CaptureId form = engine.CapturePageAsForm(engine.CountPages());
    for (int p = 1; p <= n; ++p) {
        engine.UsePage(p);
        engine.PlaceCapturedPage(form, 0, h, w, h);
    }
    engine.UseDocument(under ? layer : doc);
    engine.AppendDocument(under ? doc : layer);
    for (int q = 1; q <= n; ++q) {
        const CaptureId page = engine.CapturePageAsForm(n + 1);
        engine.UsePage(q);
        engine.PlaceCapturedPage(page, 0, h, w, h);
    }
    if (engine.SaveFile(out) != 1) {
        std::cerr << "papyrion-pdf: " << out << ": cannot write the file\n";
        return 1;
    }
    return 0;
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
