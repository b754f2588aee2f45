#include "support/facade_sequences.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "pdfengine/pdfengine.h"

namespace papyrion::pdf::testing {

bool StampThroughFacade(const std::string& path, const std::string& stationery,
                        const StampOptions& options) {
    PdfEngine engine;
    if (engine.OpenFile(path) != 1) return false;
    const DocumentId doc = engine.CurrentDocument();
    const int n = engine.CountPages();
    engine.UsePage(1);
    const double h = engine.GetPageHeight();
    const double w = engine.GetPageWidth();
    const int rotation = engine.GetPageRotation();
    const DocumentId layer = engine.CreateDocument();
    engine.SetPageSize(w, h);
    if (n > 1) engine.AppendPages(n - 1);
    auto capture_stationery = [&]() -> CaptureId {
        if (engine.OpenFile(stationery) != 1) return 0;
        const DocumentId s = engine.CurrentDocument();
        engine.UseDocument(layer);
        engine.AppendDocument(s);
        return engine.CapturePageAsForm(engine.CountPages());
    };
    CaptureId once = options.append_per_page ? 0 : capture_stationery();
    for (int p = 1; p <= n; ++p) {
        const CaptureId cap = options.append_per_page ? capture_stationery() : once;
        engine.UsePage(p);
        if (options.follow_rotation) engine.SetPageRotation(rotation);
        if (engine.PlaceCapturedPage(cap, 0, h, w, h) != 1) return false;
    }
    if (engine.SaveFile(path) != 1) return false;
    if (options.foreground) {
        engine.UseDocument(doc);
        engine.AppendDocument(layer);
    } else {
        engine.UseDocument(layer);
        engine.AppendDocument(doc);
    }
    if (engine.SaveFile(path) != 1) return false;
    for (int q = 1; q <= n; ++q) {
        const CaptureId cap = engine.CapturePageAsForm(n + 1);
        engine.UsePage(q);
        if (engine.PlaceCapturedPage(cap, 0, h, w, h) != 1) return false;
    }
    return engine.SaveFile(path) == 1;
}

void RunFacadeSequence(std::string_view bytes) {
    static std::atomic<int> counter{0};
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string base =
        (folder / ("facade-sequence-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
            .string();
    const std::string input = base + "-in.pdf";
    const std::string output = base + "-out.pdf";
    {
        std::ofstream out(input, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    {
        PdfEngine engine;
        if (engine.OpenFile(input) == 1) {
            const DocumentId opened = engine.CurrentDocument();
            const int pages = engine.CountPages();
            const double w = engine.GetPageWidth();
            const double h = engine.GetPageHeight();
            engine.CreateDocument();
            engine.AppendDocument(opened);
            const CaptureId cap = engine.CapturePageAsForm(engine.CountPages());
            engine.UsePage(1);
            engine.PlaceCapturedPage(cap, 0, h, w, h);
            engine.PlaceText(10, 10, "(x)\\");
            engine.PaintCircle(50, 50, 20, 2);
            engine.GetDocInfo(kInfoTitle);
            engine.SetDocInfo(kInfoTitle, "t\xC3\xA9st");
            engine.SaveFile(output);
            engine.UsePage(pages);
            engine.ExtractPageList("1-3");
        }
    }
    std::error_code ignored;
    std::filesystem::remove(input, ignored);
    std::filesystem::remove(output, ignored);
}

}  // namespace papyrion::pdf::testing
