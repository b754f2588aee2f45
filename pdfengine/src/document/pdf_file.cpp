#include "pdfengine/pdf_file.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <system_error>

#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "writer/file_replace.h"

namespace papyrion::pdf {

int OpenErrorCode(PdfReadResult result) {
    switch (result) {
        case PdfReadResult::kNotReadable:
            return kErrorFileNotReadable;
        case PdfReadResult::kPasswordRejected:
            return kErrorWrongPassword;
        case PdfReadResult::kRead:
        case PdfReadResult::kFileError:
            break;
    }
    return 0;
}

PdfFile::PdfFile() = default;
PdfFile::~PdfFile() = default;
PdfFile::PdfFile(PdfFile&&) noexcept = default;
PdfFile& PdfFile::operator=(PdfFile&&) noexcept = default;

PdfFile PdfFile::NewDocument() {
    PdfFile file;
    file.document_ = std::make_unique<TPDFDocument>();
    file.document_->MakeNewDocument();
    return file;
}

PdfReadResult PdfFile::OpenBytes(std::string bytes, std::string_view password) {
    auto document = std::make_unique<TPDFDocument>();
    ReadResult result = document->Read(std::move(bytes), password);
    if (result != ReadResult::kRead) {
        return result == ReadResult::kPasswordRejected ? PdfReadResult::kPasswordRejected
                                                       : PdfReadResult::kNotReadable;
    }
    document_ = std::move(document);
    return PdfReadResult::kRead;
}

PdfReadResult PdfFile::OpenFile(const std::filesystem::path& path, std::string_view password) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return PdfReadResult::kFileError;
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return PdfReadResult::kFileError;
    const std::streamoff size = in.tellg();
    if (size < 0) return PdfReadResult::kFileError;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size)) return PdfReadResult::kFileError;
    PdfReadResult result = OpenBytes(std::move(bytes), password);
    if (result == PdfReadResult::kRead) document_->SetFileName(path.string());
    return result;
}

bool PdfFile::IsOpen() const { return document_ != nullptr; }

std::string PdfFile::Version() const { return document_ ? document_->Version() : std::string(); }

bool PdfFile::IsEncrypted() const { return document_ && document_->IsEncrypted(); }

int PdfFile::PageCount() const {
    return document_ ? static_cast<int>(CollectPages(*document_).size()) : 0;
}

std::optional<PdfPageSize> PdfFile::PageSize(int page_number) const {
    if (!document_ || page_number < 1) return std::nullopt;
    auto pages = CollectPages(*document_, static_cast<std::size_t>(page_number));
    if (static_cast<std::size_t>(page_number) > pages.size()) return std::nullopt;
    auto box = InheritedMediaBox(*pages[static_cast<std::size_t>(page_number - 1)]);
    if (!box) return std::nullopt;
    return PdfPageSize{std::fabs((*box)[2] - (*box)[0]), std::fabs((*box)[3] - (*box)[1])};
}

bool PdfFile::SaveToBytes(std::string& out) const {
    if (!document_) return false;
    std::ostringstream stream(std::ios::binary);
    bool ok = document_->Write(stream);
    out = std::move(stream).str();
    return ok;
}

bool PdfFile::SaveToFile(const std::filesystem::path& path) const {
    std::string bytes;
    return SaveToBytes(bytes) && ReplaceFile(path, bytes);
}

std::vector<std::string> PdfFile::Warnings() const {
    return document_ ? document_->Warnings() : std::vector<std::string>{};
}

}  // namespace papyrion::pdf
