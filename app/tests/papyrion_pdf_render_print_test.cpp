// papyrion-pdf render, print and printers run as a program.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "pdfengine/pdfengine.h"

#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;

using papyrion::test::ProgramRun;
using papyrion::test::Quote;
using papyrion::test::Slurp;

class PapyrionPdfRenderPrint : public ::testing::Test {
  protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        folder_ = fs::temp_directory_path() / ("papyrion-pdf-rp-" + std::to_string(::getpid()) +
                                               "-" + std::to_string(counter++));
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
    void TearDown() override { fs::remove_all(folder_); }

    ProgramRun Papyrion(const std::string& arguments) {
        return papyrion::test::RunPapyrionPdf("XDG_DATA_HOME=" + Quote((folder_ / "data").string()), arguments, folder_ / "stderr.txt");
    }

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
    ProgramRun run = Papyrion("render " + Quote(three_.string()) + " 9 " + Quote(out.string()) +
                              " --dpi 75 --factor 0.18");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(JpegSize(Slurp(out)), (std::pair<int, int>{112, 158}));

    const fs::path nowhere = folder_ / "missing" / "thumb.jpg";
    run = Papyrion("render " + Quote(three_.string()) + " 1 " + Quote(nowhere.string()));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(nowhere.string()), std::string::npos) << run.err;

    const fs::path junk = folder_ / "junk.pdf";
    std::ofstream(junk) << "no PDF";
    run = Papyrion("render " + Quote(junk.string()) + " 1 " + Quote(out.string()));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(junk.string()), std::string::npos) << run.err;

    EXPECT_EQ(Papyrion("render " + Quote(three_.string()) + " x " + Quote(out.string())).exit_code,
              2);
}

TEST_F(PapyrionPdfRenderPrint, PrintToTheQueueAndToAPrinterThatDoesNotExist) {
    const char* queue = std::getenv("PAPYRION_TEST_PRINTER");
    const char* out = std::getenv("PAPYRION_TEST_PRINTER_OUT");
    if (queue == nullptr || out == nullptr)
        GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    ProgramRun run = Papyrion("print " + Quote(three_.string()) + " NoSuchPrinter-papyrion");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("NoSuchPrinter-papyrion"), std::string::npos) << run.err;

    const std::string title = "cli print " + folder_.filename().string();
    run = Papyrion("print " + Quote(three_.string()) + " " + Quote(queue) +
                   " --scaling 1 --rotate --pages 2-3 --title " + Quote(title));
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
    ProgramRun run = Papyrion("printers");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    // No stored choice: the default printer is preselected, and the
    // default-printer entry comes last.
    EXPECT_NE(run.out.find("* " + std::string(queue) + "\n"), std::string::npos) << run.out;
    const std::size_t last_line = run.out.rfind('\n', run.out.size() - 2);
    EXPECT_EQ(run.out.substr(last_line + 1, 2), "  ") << run.out;
}

}  // namespace
