// papyrion-pdf run as a program, on files the tests make.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pdfengine/pdf_file.h"
#include "pdfengine/pdfengine.h"
#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;

using papyrion::test::ProgramRun;
using papyrion::test::Quote;
using papyrion::test::Slurp;

class PapyrionPdf : public ::testing::Test {
  protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        folder_ = fs::temp_directory_path() / ("papyrion-pdf-cli-" + std::to_string(::getpid()) +
                                               "-" + std::to_string(counter++));
        fs::create_directories(folder_);
        blank_ = folder_ / "blank.pdf";
        ASSERT_TRUE(papyrion::pdf::PdfFile::NewDocument().SaveToFile(blank_));
    }
    void TearDown() override { fs::remove_all(folder_); }

    ProgramRun Papyrion(const std::string& arguments) {
        return papyrion::test::RunPapyrionPdf("", arguments, folder_ / "stderr.txt");
    }

    fs::path folder_;
    fs::path blank_;
};

TEST_F(PapyrionPdf, InfoPrintsPagesSizeAndVersion) {
    ProgramRun run = Papyrion("info " + Quote(blank_.string()));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("pages: 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("width: 612\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("height: 792\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("version: 1.4\n"), std::string::npos) << run.out;
}

TEST_F(PapyrionPdf, UnreadableInputFailsWithOneLineNamingTheFile) {
    fs::path text = folder_ / "letter.txt";
    std::ofstream(text) << "Dear reader,\n";
    const fs::path missing = folder_ / "missing.pdf";
    for (const fs::path& input : {text, missing}) {
        ProgramRun run = Papyrion("info " + Quote(input.string()));
        EXPECT_EQ(run.exit_code, 1) << input;
        EXPECT_NE(run.err.find(input.string()), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(PapyrionPdf, ResaveWritesAFileQpdfAccepts) {
    fs::path out = folder_ / "out.pdf";
    ProgramRun run = Papyrion("resave " + Quote(blank_.string()) + " " + Quote(out.string()));
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(std::system(("qpdf --check " + Quote(out.string()) + " >/dev/null 2>&1").c_str()), 0);
    ProgramRun info = Papyrion("info " + Quote(out.string()));
    EXPECT_NE(info.out.find("pages: 1\n"), std::string::npos) << info.out;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        EXPECT_EQ(entry.path().string().find(".part-"), std::string::npos) << entry.path();
    }
}

TEST_F(PapyrionPdf, FailedResaveLeavesTheOutputAsItWas) {
    fs::path out = folder_ / "keep.pdf";
    std::ofstream(out) << "previous contents";
    fs::path bad = folder_ / "bad.pdf";
    std::ofstream(bad) << "%PDF-1.4\nnothing else";
    ProgramRun run = Papyrion("resave " + Quote(bad.string()) + " " + Quote(out.string()));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(bad.string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("not a readable PDF (error 401)"), std::string::npos) << run.err;
    EXPECT_EQ(Slurp(out), "previous contents");

    fs::path nowhere = folder_ / "no-such-folder" / "out.pdf";
    run = Papyrion("resave " + Quote(blank_.string()) + " " + Quote(nowhere.string()));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(nowhere.string()), std::string::npos) << run.err;
}

TEST_F(PapyrionPdf, PasswordOpensEncryptedFiles) {
    fs::path locked = folder_ / "locked.pdf";
    std::string encrypt = "qpdf --encrypt secret owner 256 -- " + Quote(blank_.string()) + " " +
                          Quote(locked.string());
    ASSERT_EQ(std::system(encrypt.c_str()), 0);

    ProgramRun refused = Papyrion("info " + Quote(locked.string()));
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find(locked.string()), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("password"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("404"), std::string::npos) << refused.err;

    ProgramRun opened = Papyrion("info " + Quote(locked.string()) + " --password secret");
    EXPECT_EQ(opened.exit_code, 0) << opened.err;
    EXPECT_NE(opened.out.find("pages: 1\n"), std::string::npos) << opened.out;
    EXPECT_NE(opened.out.find("encrypted: yes\n"), std::string::npos) << opened.out;
}

// What an independent reader sees of one page: its MediaBox, its turn and
// its text.
struct ShownPage {
    std::string media_box;
    int rotation = -1;
    std::string text;
};

ShownPage ShowPage(const fs::path& file, int page, const fs::path& scratch) {
    const std::string range = " -f " + std::to_string(page) + " -l " + std::to_string(page) + " ";
    const fs::path listing = scratch / "pdfinfo.txt";
    const fs::path text = scratch / "pdftotext.txt";
    ShownPage shown;
    if (std::system(("pdfinfo -box" + range + Quote(file.string()) + " >" +
                     Quote(listing.string()) + " 2>/dev/null")
                        .c_str()) != 0 ||
        std::system(
            ("pdftotext" + range + Quote(file.string()) + " " + Quote(text.string())).c_str()) !=
            0) {
        return shown;
    }
    std::istringstream lines(Slurp(listing));
    for (std::string line; std::getline(lines, line);) {
        if (line.find("MediaBox:") != std::string::npos) {
            std::istringstream numbers(line.substr(line.find(':') + 1));
            for (std::string number; numbers >> number;) shown.media_box += number + " ";
        } else if (const auto at = line.find("rot:"); at != std::string::npos) {
            shown.rotation = std::stoi(line.substr(at + 4));
        }
    }
    shown.text = Slurp(text);
    return shown;
}

TEST_F(PapyrionPdf, StampKeepsEveryPagesBoxAndTurnInBothPlacements) {
    struct PageShape {
        double width;
        double height;
        int rotation;
        const char* media_box;  // as pdfinfo prints it
    };
    const std::vector<PageShape> shapes = {{595, 842, 0, "0.00 0.00 595.00 842.00 "},
                                           {842, 595, 0, "0.00 0.00 842.00 595.00 "},
                                           {595, 842, 90, "0.00 0.00 595.00 842.00 "},
                                           {420, 595, 270, "0.00 0.00 420.00 595.00 "}};
    const fs::path letter = folder_ / "letter.pdf";
    const fs::path stationery = folder_ / "stationery.pdf";
    {
        papyrion::pdf::PdfEngine engine;
        engine.CreateDocument();
        engine.AppendPages(static_cast<int>(shapes.size()) - 1);
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            ASSERT_EQ(engine.UsePage(static_cast<int>(i) + 1), 1);
            engine.SetPageSize(shapes[i].width, shapes[i].height);
            engine.SetPageRotation(shapes[i].rotation);
            engine.PlaceText(72, 100, "Body of page " + std::to_string(i + 1));
        }
        ASSERT_EQ(engine.SaveFile(letter.string()), 1);
        // Two pages: only the first is the letterhead.
        engine.CreateDocument();
        engine.SetPageSize(595, 842);
        engine.PlaceText(72, 800, "Letterhead mark");
        engine.AppendPages(1);
        engine.PlaceText(72, 800, "Second stationery page");
        ASSERT_EQ(engine.SaveFile(stationery.string()), 1);
    }

    for (const std::string placement : {"", " --under"}) {
        const fs::path out = folder_ / ("stamped" + placement + ".pdf");
        ProgramRun run =
            Papyrion("stamp " + Quote(letter.string()) + " " + Quote(stationery.string()) + " " +
                     Quote(out.string()) + placement);
        ASSERT_EQ(run.exit_code, 0) << placement << run.err;
        ASSERT_EQ(std::system(("qpdf --check " + Quote(out.string()) + " >/dev/null").c_str()), 0);
        ProgramRun info = Papyrion("info " + Quote(out.string()));
        EXPECT_NE(info.out.find("pages: 4\n"), std::string::npos) << info.out;
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            const ShownPage page = ShowPage(out, static_cast<int>(i) + 1, folder_);
            const std::string where = "page " + std::to_string(i + 1) + placement;
            EXPECT_EQ(page.media_box, shapes[i].media_box) << where;
            EXPECT_EQ(page.rotation, shapes[i].rotation) << where;
            EXPECT_NE(page.text.find("Body of page " + std::to_string(i + 1)), std::string::npos)
                << where << ": " << page.text;
            EXPECT_NE(page.text.find("Letterhead mark"), std::string::npos) << where;
            EXPECT_EQ(page.text.find("Second stationery page"), std::string::npos) << where;
        }
    }
    for (const auto& entry : fs::directory_iterator(folder_)) {
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
            << entry.path();
    }
}

TEST_F(PapyrionPdf, FailedStampLeavesTheOutputAsItWas) {
    const fs::path out = folder_ / "keep.pdf";
    std::ofstream(out) << "previous contents";
    const fs::path bad = folder_ / "bad.pdf";
    std::ofstream(bad) << "%PDF-1.4\nnothing else";
    const fs::path missing = folder_ / "missing.pdf";
    // Unreadable or missing input, unreadable or missing stationery.
    const std::vector<std::pair<fs::path, fs::path>> cases = {
        {bad, blank_}, {missing, blank_}, {blank_, bad}, {blank_, missing}};
    for (const auto& [input, stationery] : cases) {
        ProgramRun run = Papyrion("stamp " + Quote(input.string()) + " " +
                                  Quote(stationery.string()) + " " + Quote(out.string()));
        const fs::path& named = input == blank_ ? stationery : input;
        EXPECT_EQ(run.exit_code, 1) << input << " " << stationery;
        EXPECT_NE(run.err.find(named.string()), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(Slurp(out), "previous contents");
    }
    for (const auto& entry : fs::directory_iterator(folder_)) {
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
            << entry.path();
    }
}

}  // namespace
