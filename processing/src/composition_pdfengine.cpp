#include "processing/composition_pdfengine.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "pdfengine/pdfengine.h"
#include "processing/composition.h"

namespace papyrion {
namespace {

// The composition tells the engine's errors apart by its own names for them.
static_assert(kEngineErrorUnreadable == pdf::kErrorFileNotReadable);
static_assert(kEngineErrorWrongPassword == pdf::kErrorWrongPassword);

class FacadeEngine : public CompositionEngine {
  public:
    bool OpenFile(const std::string& file_name, const std::string& password) override {
        return engine_.OpenFile(file_name, password) == 1;
    }
    EngineDocumentId CurrentDocument() override { return engine_.CurrentDocument(); }
    bool UseDocument(EngineDocumentId document) override {
        return engine_.UseDocument(document) == 1;
    }
    EngineDocumentId CreateDocument() override { return engine_.CreateDocument(); }
    int CountPages() override { return engine_.CountPages(); }
    bool UsePage(int page_number) override { return engine_.UsePage(page_number) == 1; }
    double GetPageWidth() override { return engine_.GetPageWidth(); }
    double GetPageHeight() override { return engine_.GetPageHeight(); }
    bool SetPageSize(double width, double height) override {
        return engine_.SetPageSize(width, height) == 1;
    }
    int GetPageRotation() override { return engine_.GetPageRotation(); }
    bool SetPageRotation(int degrees) override { return engine_.SetPageRotation(degrees) == 1; }
    int AppendPages(int count) override { return engine_.AppendPages(count); }
    bool AppendDocument(EngineDocumentId other) override {
        return engine_.AppendDocument(other) == 1;
    }
    EngineCaptureId CapturePageAsForm(int page_number) override {
        return engine_.CapturePageAsForm(page_number);
    }
    bool PlaceCapturedPage(EngineCaptureId capture, double left, double top, double width,
                           double height) override {
        return engine_.PlaceCapturedPage(capture, left, top, width, height) == 1;
    }
    bool PlaceCapturedPageUnder(EngineCaptureId capture, double left, double top, double width,
                                double height) override {
        return engine_.PlaceCapturedPageUnder(capture, left, top, width, height) == 1;
    }
    bool SaveFile(const std::string& file_name) override {
        return engine_.SaveFile(file_name) == 1;
    }
    int LastError() override { return engine_.LastError(); }

  private:
    pdf::PdfEngine engine_;
};

}  // namespace

CompositionEngineFactory MakePdfEngineFactory() {
    return [] { return std::unique_ptr<CompositionEngine>(std::make_unique<FacadeEngine>()); };
}

bool ExtractSinglePage(const std::string& source, int page, const std::string& target) {
    pdf::PdfEngine engine;
    if (engine.OpenFile(source) != 1) return false;
    const int pages = engine.CountPages();
    if (page > pages) page = pages;
    if (page < 1 || engine.ExtractPageList(std::to_string(page)) != 1) return false;
    // The engine writes beside the target and renames the whole file over it.
    return engine.SaveFile(target) == 1;
}

}  // namespace papyrion
