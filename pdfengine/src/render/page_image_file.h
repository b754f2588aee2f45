#pragma once
// Writing one page of an engine document as an image file: the engine's
// part of rendering (page clamping, file creation, format) around the
// poppler renderer.

#include <filesystem>
#include <string>

namespace papyrion::pdf {

class TPDFDocument;

enum class RenderFileResult {
    kFailed = 0,
    kWritten = 1,
    kCannotCreateFile = 2,
};

// The only image format the program asks for.
inline constexpr int kRenderFormatJpeg = 1;
inline constexpr int kJpegQuality = 75;

struct PageImageRequest {
    int page_number = 1;  // clamped to the document's pages
    double dpi = 72;      // the resolution already multiplied by the render factor
    int format = kRenderFormatJpeg;
};

// Creates (replaces) `file`, renders the page and writes it. When nothing
// could be rendered the created file is removed again, so that no caller
// mistakes an empty file for a picture. `error` says why on failure.
RenderFileResult WritePageImageFile(TPDFDocument& document, const PageImageRequest& request,
                                    const std::filesystem::path& file, std::string& error);

}  // namespace papyrion::pdf
