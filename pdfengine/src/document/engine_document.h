#pragma once
// EngineDocument: a document as the engine facade holds it. The object
// model and its reader and writer (TPDFDocument), its page tree with the
// selected page, and the captured pages, images and fonts it owns.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/captured_page.h"
#include "document/page_tree.h"
#include "document/pdf_document.h"

namespace papyrion::pdf {

// An image XObject the engine made from an image file.
struct TPDFImage {
    std::uint64_t id = 0;
    std::string resource_name;
    int object_number = 0;
    int width = 0;
    int height = 0;
    bool is_mask = false;
    // White unless something records another value.
    std::uint32_t colour_key = 0xFFFFFF;
};

// A font dictionary the engine added.
struct TPDFFont {
    std::string resource_name;
    int object_number = 0;
};

class EngineDocument {
  public:
    EngineDocument() : document_(std::make_unique<TPDFDocument>()), pages_(*document_) {}
    EngineDocument(const EngineDocument&) = delete;
    EngineDocument& operator=(const EngineDocument&) = delete;

    TPDFDocument& Document() { return *document_; }
    TPDFPageTree& Pages() { return pages_; }

    std::vector<std::unique_ptr<TPDFCapturedPage>>& CapturedPages() { return captured_; }
    std::vector<std::unique_ptr<TPDFImage>>& Images() { return images_; }
    std::vector<std::unique_ptr<TPDFFont>>& Fonts() { return fonts_; }

  private:
    std::unique_ptr<TPDFDocument> document_;
    TPDFPageTree pages_;
    std::vector<std::unique_ptr<TPDFCapturedPage>> captured_;
    std::vector<std::unique_ptr<TPDFImage>> images_;
    std::vector<std::unique_ptr<TPDFFont>> fonts_;
};

}  // namespace papyrion::pdf
