#include "processing/composition_pdfengine.h"

#include <map>
#include <memory>
#include <system_error>

#include "pdfengine/pdf_file.h"
#include "processing/composition.h"

namespace papyrion {
namespace {

// Reads and writes whole documents; page capture and drawing are not there
// yet, so a composition with stationery fails (and says so) while copies work.
class PdfFileEngine : public CompositionEngine {
  public:
    PdfFileEngine() { CreateDocument(); }

    bool OpenFile(const std::string& file_name, const std::string& password) override {
        pdf::PdfFile file;
        const pdf::PdfReadResult read = file.OpenFile(file_name, password);
        if (read != pdf::PdfReadResult::kRead) {
            if (pdf::OpenErrorCode(read) != 0) last_error_ = pdf::OpenErrorCode(read);
            return false;
        }
        Register(std::move(file));
        return true;
    }
    EngineDocumentId CurrentDocument() override { return selected_; }
    bool UseDocument(EngineDocumentId document) override {
        if (!documents_.count(document)) return false;
        selected_ = document;
        return true;
    }
    EngineDocumentId CreateDocument() override {
        Register(pdf::PdfFile::NewDocument());
        return selected_;
    }
    int CountPages() override { return Selected().file.PageCount(); }
    bool UsePage(int page_number) override {
        if (page_number < 1 || page_number > CountPages()) return false;
        Selected().page = page_number;
        return true;
    }
    double GetPageWidth() override {
        const auto size = Selected().file.PageSize(Selected().page);
        return size ? size->width : 0;
    }
    double GetPageHeight() override {
        const auto size = Selected().file.PageSize(Selected().page);
        return size ? size->height : 0;
    }
    bool SetPageSize(double, double) override { return false; }
    int AppendPages(int) override { return 0; }
    bool AppendDocument(EngineDocumentId) override { return false; }
    EngineCaptureId CapturePageAsForm(int) override { return 0; }
    bool PlaceCapturedPage(EngineCaptureId, double, double, double, double) override {
        return false;
    }
    bool SaveFile(const std::string& file_name) override {
        return Selected().file.SaveToFile(file_name);
    }
    int LastError() override { return last_error_; }

  private:
    struct Entry {
        pdf::PdfFile file;
        int page = 1;
    };
    void Register(pdf::PdfFile file) {
        selected_ = next_id_++;
        documents_.emplace(selected_, Entry{std::move(file), 1});
    }
    Entry& Selected() { return documents_.at(selected_); }

    std::map<EngineDocumentId, Entry> documents_;
    EngineDocumentId selected_ = 0;
    EngineDocumentId next_id_ = 1;
    int last_error_ = 0;
};

}  // namespace

CompositionEngineFactory MakePdfEngineFactory() {
    return [] { return std::unique_ptr<CompositionEngine>(std::make_unique<PdfFileEngine>()); };
}

bool ExtractSinglePage(const std::string& source, int page, const std::string& target) {
    pdf::PdfFile file;
    if (file.OpenFile(source) != pdf::PdfReadResult::kRead) return false;
    if (file.PageCount() != 1 || page < 1) return false;
    const std::string side = SidePath(target);
    if (!file.SaveToFile(side)) return false;
    std::error_code ec;
    std::filesystem::rename(side, target, ec);
    return !ec;
}

}  // namespace papyrion
