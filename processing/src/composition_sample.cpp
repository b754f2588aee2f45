#include "processing/composition_sample.h"

#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "pdfengine/pdfengine.h"
#include "processing/composition.h"

namespace papyrion {
namespace {

void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

// A 24-bit bitmap of `size` pixels square: a teal-to-blue diagonal blend
// with a white ring, the engine's one raster input format.
bool WriteMarkBitmap(const std::string& file, int size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const int row_bytes = (size * 3 + 3) / 4 * 4;
    const std::uint32_t data_bytes = static_cast<std::uint32_t>(row_bytes * size);
    out.put('B');
    out.put('M');
    PutLe(out, 54 + data_bytes, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(size), 4);
    PutLe(out, static_cast<std::uint32_t>(size), 4);
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);
    PutLe(out, data_bytes, 4);
    PutLe(out, 2835, 4);  // 72 dots per inch
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    const double centre = (size - 1) / 2.0;
    for (int y = 0; y < size; ++y) {  // bottom row first
        for (int x = 0; x < size; ++x) {
            const double dx = x - centre;
            const double dy = y - centre;
            const double r2 = dx * dx + dy * dy;
            const bool ring =
                r2 > (size * 0.30) * (size * 0.30) && r2 < (size * 0.38) * (size * 0.38);
            const int t = (x + y) * 255 / (2 * (size - 1));
            const std::array<int, 3> bgr = ring ? std::array<int, 3>{255, 255, 255}
                                                : std::array<int, 3>{160 + t / 3, 120, 20 + t / 4};
            for (int c : bgr) out.put(static_cast<char>(c));
        }
        for (int pad = size * 3; pad < row_bytes; ++pad) out.put(0);
    }
    return static_cast<bool>(out);
}

}  // namespace

bool WriteSampleLetterhead(const std::string& file, const std::string& work_folder) {
    pdf::PdfEngine engine;
    bool ok = engine.SetPageSize(kA4Width, kA4Height) == 1;

    // Logo: three overlapping discs, outlined.
    engine.SetStrokeRGB(0.05, 0.2, 0.45);
    engine.SetFillRGB(0.05, 0.2, 0.45);
    ok = ok && engine.PaintCircle(78, 778, 26, 2) == 1;
    engine.SetFillRGB(0.1, 0.65, 0.7);
    ok = ok && engine.PaintCircle(108, 790, 18, 2) == 1;
    engine.SetFillRGB(0.95, 0.6, 0.1);
    ok = ok && engine.PaintCircle(110, 760, 11, 1) == 1;

    // A small raster mark at the right, next to the address block.
    const std::string bitmap = (std::filesystem::path(work_folder) /
                                ("sample-mark-" + std::to_string(::getpid()) + ".bmp"))
                                   .string();
    if (ok && WriteMarkBitmap(bitmap, 48) && engine.LoadImageFile(bitmap, 0) != 0) {
        ok = engine.PlaceImage(524, 814, 44, 44) == 1;
    } else {
        ok = false;
    }
    std::error_code ec;
    std::filesystem::remove(bitmap, ec);

    engine.SetFillRGB(0.05, 0.2, 0.45);
    ok = ok && engine.PlaceText(146, 786, "Papyrion Sample Stationery B.V.") == 1;
    engine.SetFillRGB(0.3, 0.3, 0.3);
    const char* const address[] = {"Keizersgracht 1", "1015 AA Amsterdam", "+31 20 123 45 67",
                                   "info@example.org"};
    double y = 800;
    for (const char* line : address) {
        ok = ok && engine.PlaceText(392, y, line) == 1;
        y -= 14;
    }
    // Footer with the registration details, and a folding mark.
    ok = ok && engine.PlaceText(56, 40,
                                "KvK 12345678  -  IBAN NL00 BANK 0123 4567 89  -  "
                                "www.example.org") == 1;
    engine.SetFillRGB(0.6, 0.6, 0.6);
    ok = ok && engine.PaintCircle(14, kA4Height * 2 / 3, 2, 1) == 1;

    engine.SetDocInfo(pdf::kInfoAuthor, "Papyrion");
    engine.SetDocInfo(pdf::kInfoTitle, "Sample letterhead");
    if (!ok) return false;
    // The engine writes beside the file and renames the whole file over it.
    return engine.SaveFile(file) == 1;
}

}  // namespace papyrion
