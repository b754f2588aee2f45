#pragma once
// Helpers for the composition and run tests: a fresh folder per test, and a
// stand-in engine whose "PDF" files are text, one line per page, so that what
// was drawn on which page can be read straight from the file.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "processing/composition_engine.h"
#include "testsupport/files.h"
#include "testsupport/program.h"

namespace papyrion::test {

// A test's own folder whose paths come as strings, the form the run's
// interfaces take.
class RunFolder : public TempFolder {
  public:
    std::string operator/(const std::string& name) const { return (Path() / name).string(); }
};

// Text "PDF" of the stand-in engine: the header line, then one line per page.
std::string FakePdf(const std::vector<std::string>& pages);
// The page lines of a stand-in PDF; empty when it is not one.
std::vector<std::string> FakePages(const std::filesystem::path& file);

// What the stand-in engines of one test have been asked to do.
struct FakeEngineLog {
    std::map<std::string, int> opens;  // file name -> OpenFile calls
    std::vector<std::string> saves;    // file names given to SaveFile
    std::string fail_save_of;          // SaveFile of a name containing this fails
};

// Drawing a captured page appends "{content}" to the target page's line.
class FakeEngine : public CompositionEngine {
  public:
    explicit FakeEngine(FakeEngineLog& log);

    bool OpenFile(const std::string& file_name, const std::string& password) override;
    EngineDocumentId CurrentDocument() override { return selected_; }
    bool UseDocument(EngineDocumentId document) override;
    EngineDocumentId CreateDocument() override;
    int CountPages() override;
    bool UsePage(int page_number) override;
    double GetPageWidth() override { return 595; }
    double GetPageHeight() override { return 842; }
    bool SetPageSize(double, double) override { return true; }
    int GetPageRotation() override { return 0; }
    bool SetPageRotation(int) override { return true; }
    int AppendPages(int count) override;
    bool AppendDocument(EngineDocumentId other) override;
    EngineCaptureId CapturePageAsForm(int page_number) override;
    bool PlaceCapturedPage(EngineCaptureId capture, double left, double top, double width,
                           double height) override;
    // Drawing under puts "{content}" in front of the page's line.
    bool PlaceCapturedPageUnder(EngineCaptureId capture, double left, double top, double width,
                                double height) override;
    bool SaveFile(const std::string& file_name) override;
    int LastError() override { return last_error_; }

  private:
    struct Document {
        std::vector<std::string> pages;
        int page = 1;
        std::map<EngineCaptureId, std::string> captures;
    };
    Document& Selected() { return documents_.at(selected_); }

    FakeEngineLog& log_;
    std::map<EngineDocumentId, Document> documents_;
    EngineDocumentId selected_ = 0;
    EngineDocumentId next_id_ = 1;
    int last_error_ = 0;
};

CompositionEngineFactory FakeEngineFactory(FakeEngineLog& log);

}  // namespace papyrion::test

namespace papyrion::test {

using CliResult = ProgramResult;

// Runs the built papyrion-cli with its own XDG_DATA_HOME (and any further
// "NAME=value" settings); standard input is empty. `folder` is the test's.
CliResult RunCli(const RunFolder& folder, const std::string& xdg_data_home,
                 const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment = {});

}  // namespace papyrion::test
