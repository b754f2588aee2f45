#pragma once
// The PDF engine operations the stationery composition uses, behind a small
// interface: the program binds it to the engine facade, tests can put a
// double in its place to make single operations fail.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace papyrion {

// Opaque ids as the engine hands them out; 0 is never a valid id.
using EngineDocumentId = std::uintptr_t;
using EngineCaptureId = std::uintptr_t;

class CompositionEngine {
  public:
    virtual ~CompositionEngine() = default;

    // Results of 1/0 are true/false here.
    virtual bool OpenFile(const std::string& file_name, const std::string& password) = 0;
    virtual EngineDocumentId CurrentDocument() = 0;
    virtual bool UseDocument(EngineDocumentId document) = 0;
    virtual EngineDocumentId CreateDocument() = 0;
    virtual int CountPages() = 0;
    virtual bool UsePage(int page_number) = 0;
    virtual double GetPageWidth() = 0;
    virtual double GetPageHeight() = 0;
    virtual bool SetPageSize(double width, double height) = 0;
    // The selected page's /Rotate in degrees (0, 90, 180, 270).
    virtual int GetPageRotation() = 0;
    virtual bool SetPageRotation(int degrees) = 0;
    virtual int AppendPages(int count) = 0;
    virtual bool AppendDocument(EngineDocumentId other) = 0;
    virtual EngineCaptureId CapturePageAsForm(int page_number) = 0;
    virtual bool PlaceCapturedPage(EngineCaptureId capture, double left, double top, double width,
                                   double height) = 0;
    // Drawn beneath the page's own content.
    virtual bool PlaceCapturedPageUnder(EngineCaptureId capture, double left, double top,
                                        double width, double height) = 0;
    virtual bool SaveFile(const std::string& file_name) = 0;
    // The engine's last error code (kEngineErrorUnreadable, kEngineErrorWrongPassword).
    virtual int LastError() = 0;
};

// Last-error codes of the engine that the composition tells apart.
inline constexpr int kEngineErrorUnreadable = 401;
inline constexpr int kEngineErrorWrongPassword = 404;

// Every task makes its own engine and frees it at its end.
using CompositionEngineFactory = std::function<std::unique_ptr<CompositionEngine>()>;

}  // namespace papyrion
