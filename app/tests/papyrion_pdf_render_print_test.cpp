// papyrion-pdf render, print and printers run as a program.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "pdfengine/pdfengine.h"
#include "testsupport/files.h"
#include "testsupport/pdf_tools.h"
#include "testsupport/program.h"

namespace {

namespace fs = std::filesystem;

using papyrion::test::ProgramResult;
using papyrion::test::ReadFile;
using Arguments = std::vector<std::string>;

class PapyrionPdfRenderPrint : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = folder.Path();
        fs::create_directories(folder_ / "data");
        // Three A4 pages made by the engine.
        papyrion::pdf::PdfEngine engine;
        engine.CreateDocument();
        engine.SetPageSize(595, 842);
        engine.AppendPages(2);
        for (int page = 1; page <= 3; ++page) {
            engine.UsePage(page);
            engine.PlaceText(100, 700, "page " + std::to_string(page));
        }
        three_ = folder_ / "three.pdf";
        ASSERT_EQ(engine.SaveFile(three_.string()), 1);
    }

    ProgramResult Papyrion(Arguments arguments) const {
        arguments.insert(arguments.begin(), std::string(PAPYRION_BIN_DIR) + "/papyrion-pdf");
        papyrion::test::ProgramOptions options;
        options.environment = {"XDG_DATA_HOME=" + (folder_ / "data").string()};
        return papyrion::test::RunProgram(arguments, options);
    }

    papyrion::test::TempFolder folder;
    fs::path folder_;
    fs::path three_;
};

// Width and height from the first SOF marker.
std::pair<int, int> JpegSize(const std::string& data) {
    std::size_t i = 2;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(data[at]); };
    while (i + 9 < data.size() && byte(i) == 0xFF) {
        const int marker = byte(i + 1);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            return {byte(i + 7) * 256 + byte(i + 8), byte(i + 5) * 256 + byte(i + 6)};
        }
        i += 2 + byte(i + 2) * 256u + byte(i + 3);
    }
    return {0, 0};
}

TEST_F(PapyrionPdfRenderPrint, RenderWritesTheThumbnail) {
    const fs::path out = folder_ / "thumb.jpg";
    ProgramResult run = Papyrion({"render", three_, "9", out, "--dpi", "75", "--factor", "0.18"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(JpegSize(ReadFile(out)), (std::pair<int, int>{112, 158}));

    const fs::path nowhere = folder_ / "missing" / "thumb.jpg";
    run = Papyrion({"render", three_, "1", nowhere});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(nowhere.string()), std::string::npos) << run.err;

    const fs::path junk = folder_ / "junk.pdf";
    std::ofstream(junk) << "no PDF";
    run = Papyrion({"render", junk, "1", out});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(junk.string()), std::string::npos) << run.err;

    EXPECT_EQ(Papyrion({"render", three_, "x", out}).exit_code, 2);
}

TEST_F(PapyrionPdfRenderPrint, PrintToTheQueueAndToAPrinterThatDoesNotExist) {
    const char* queue = std::getenv("PAPYRION_TEST_PRINTER");
    const char* out = std::getenv("PAPYRION_TEST_PRINTER_OUT");
    if (queue == nullptr || out == nullptr)
        GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    ProgramResult run = Papyrion({"print", three_, "NoSuchPrinter-papyrion"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("NoSuchPrinter-papyrion"), std::string::npos) << run.err;

    const std::string title = "cli print " + folder_.filename().string();
    run = Papyrion(
        {"print", three_, queue, "--scaling", "1", "--rotate", "--pages", "2-3", "--title", title});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // cups-pdf names its file after the title, blanks made "_".
    std::string prefix = title;
    for (char& c : prefix) c = c == ' ' ? '_' : c;
    fs::path made;
    for (int attempt = 0; attempt < 300 && made.empty(); ++attempt) {
        for (const auto& entry : fs::directory_iterator(out)) {
            if (entry.path().filename().string().rfind(prefix, 0) == 0) made = entry.path();
        }
        if (made.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_FALSE(made.empty());
    int pages = -1;
    for (int attempt = 0; attempt < 50 && pages != 2; ++attempt) {
        papyrion::pdf::PdfEngine engine;
        pages = engine.OpenFile(made.string()) == 1 ? engine.CountPages() : -1;
        if (pages != 2) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(pages, 2);
}

TEST_F(PapyrionPdfRenderPrint, PrintersListsTheQueueAndMarksTheDefault) {
    const char* queue = std::getenv("PAPYRION_TEST_PRINTER");
    if (queue == nullptr) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    ProgramResult run = Papyrion({"printers"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // No stored choice: the default printer is preselected, and the
    // default-printer entry comes last.
    EXPECT_NE(run.out.find("* " + std::string(queue) + "\n"), std::string::npos) << run.out;
    const std::size_t last_line = run.out.rfind('\n', run.out.size() - 2);
    EXPECT_EQ(run.out.substr(last_line + 1, 2), "  ") << run.out;
}

TEST_F(PapyrionPdfRenderPrint, PrintersNamesAStoredPositionThatIsNoNumberAndKeepsTheDefault) {
    const char* queue = std::getenv("PAPYRION_TEST_PRINTER");
    if (queue == nullptr) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    const fs::path settings = folder_ / "data" / "Papyrion" / "Papyrion.ini";
    fs::create_directories(settings.parent_path());
    std::ofstream(settings) << "[Opties]\nPrinter=abc\n";
    ProgramResult run = Papyrion({"printers"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(
        run.err.find(settings.string() + ": [Opties] Printer=abc is not a valid whole number"),
        std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("* " + std::string(queue) + "\n"), std::string::npos) << run.out;
}

}  // namespace
