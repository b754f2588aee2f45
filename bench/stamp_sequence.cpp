// stamp_sequence IN STATIONERY OUT [--under]: the stationery's last page over
// (or under) every page of IN through the engine facade, in the literal
// per-page sequence: the stationery is opened, appended and captured anew for
// every page, and the layer is saved twice on the way. Every layer page takes
// page 1's box. Kept only to measure what that sequence costs against
// `papyrion-pdf stamp` (bench/stamp_bench.py); its output is not a result to
// hand on. Run by hand, not a test.

#include <iostream>
#include <string>

#include "pdfengine/pdfengine.h"

namespace {

int Stamp(const std::string& in, const std::string& stationery, const std::string& out,
          bool under) {
    using namespace papyrion::pdf;
    PdfEngine engine;
    if (engine.OpenFile(in) != 1) {
        std::cerr << "stamp_sequence: " << in << ": cannot open (error " << engine.LastError()
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
    for (int p = 1; p <= n; ++p) {
        if (engine.OpenFile(stationery) != 1) {
            std::cerr << "stamp_sequence: " << stationery << ": cannot open\n";
            return 1;
        }
        const DocumentId paper = engine.CurrentDocument();
        engine.UseDocument(layer);
        engine.AppendDocument(paper);
        const CaptureId form = engine.CapturePageAsForm(engine.CountPages());
        engine.UsePage(p);
        engine.PlaceCapturedPage(form, 0, h, w, h);
    }
    engine.SaveFile(out);
    engine.UseDocument(under ? layer : doc);
    engine.AppendDocument(under ? doc : layer);
    engine.SaveFile(out);
    for (int q = 1; q <= n; ++q) {
        const CaptureId page = engine.CapturePageAsForm(n + 1);
        engine.UsePage(q);
        engine.PlaceCapturedPage(page, 0, h, w, h);
    }
    if (engine.SaveFile(out) != 1) {
        std::cerr << "stamp_sequence: " << out << ": cannot write the file\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool under = argc == 5 && std::string(argv[4]) == "--under";
    if (argc != 4 && !under) {
        std::cerr << "usage: stamp_sequence IN STATIONERY OUT [--under]\n";
        return 2;
    }
    return Stamp(argv[1], argv[2], argv[3], under);
}
