#pragma once
// What a PdfEngine keeps for rendering and printing: the render settings,
// the job titles of MakePrintOptions and the custom-printer registry.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "print/custom_printer.h"

namespace papyrion::pdf {

// Handed to the renderer with every page; kept because the engine's
// callers set and expect them, although poppler needs none of it.
struct GraphicsLibrarySettings {
    std::string library = "gdiplus.dll";
    bool flags[4] = {true, true, true, false};
};

struct CaseInsensitiveLess {
    bool operator()(std::string_view a, std::string_view b) const;
};

struct RenderPrintState {
    double render_factor = 1.0;
    int jpeg_quality = 75;
    int render_mode = 2;
    GraphicsLibrarySettings graphics;
    std::vector<std::string> job_titles;
    std::map<std::string, TPDFCustomPrinter, CaseInsensitiveLess> custom_printers;
    // Why the last render or print failed; cleared when one starts.
    std::string result_text;
};

// The packed print options (bits 0-3 scaling, bit 4 rotation and centring,
// bits 8-23 450 + title index).
inline constexpr int kFirstTitleCode = 450;
int PackPrintOptions(int scaling, int auto_rotate_centre, int title_count);
// The title a packed value names, or `fallback`.
std::string TitleOfOptions(int options, const std::vector<std::string>& titles,
                           const std::string& fallback);

// The registry name of a new custom printer: the upper-case MD5 of the
// number of entries so far and the time ("yyyy/mm/dd hh:mm:ss").
std::string CustomPrinterName(std::size_t entries, std::string_view date_time);

}  // namespace papyrion::pdf
