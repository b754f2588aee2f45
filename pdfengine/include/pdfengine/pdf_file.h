#pragma once
// PdfFile: read a PDF (from a file or from memory), ask for its page count,
// page sizes and version, and write it back. A thin door over the engine's
// document model for command-line tools and tests; never throws.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdfengine/engine_errors.h"

namespace papyrion::pdf {

class TPDFDocument;

enum class PdfReadResult {
    kRead = 0,
    // Encrypted, and the password opens it neither as user nor as owner.
    kPasswordRejected = 1,
    // Not a readable PDF: no header, no cross-reference data, no trailer, no page tree.
    kNotReadable = 2,
    // The file itself could not be opened or read.
    kFileError = 3,
};

// 401 for kNotReadable, 404 for kPasswordRejected, 0 otherwise (a file that
// cannot be opened at all has no engine error code).
int OpenErrorCode(PdfReadResult result);

struct PdfPageSize {
    double width = 0;
    double height = 0;
};

class PdfFile {
  public:
    // An empty file object; open or create a document before use.
    PdfFile();
    ~PdfFile();
    PdfFile(PdfFile&&) noexcept;
    PdfFile& operator=(PdfFile&&) noexcept;

    // The blank one-page document (612 x 792 points, version 1.4).
    static PdfFile NewDocument();

    PdfReadResult OpenBytes(std::string bytes, std::string_view password = {});
    PdfReadResult OpenFile(const std::filesystem::path& path, std::string_view password = {});
    bool IsOpen() const;

    std::string Version() const;
    bool IsEncrypted() const;
    int PageCount() const;
    // Width and height of a page (1-based) from its MediaBox, inherited from
    // the page tree when the page has none; nullopt when there is no such page.
    std::optional<PdfPageSize> PageSize(int page_number) const;

    // The whole document as a new PDF file. An encrypted document stays
    // encrypted with its own password. False on failure.
    bool SaveToBytes(std::string& out) const;
    // Writes next to `path` and renames over it, so that a failure never
    // leaves a half-written file at `path`.
    bool SaveToFile(const std::filesystem::path& path) const;

    // Damage the reader repaired or stepped over, one line each.
    std::vector<std::string> Warnings() const;

  private:
    std::unique_ptr<TPDFDocument> document_;
};

}  // namespace papyrion::pdf
