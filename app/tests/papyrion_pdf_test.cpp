// papyrion-pdf run as a program, on files the tests make.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pdfengine/pdf_file.h"
#include "pdfengine/pdfengine.h"
#include "testsupport/files.h"
#include "testsupport/pdf_tools.h"
#include "testsupport/program.h"

namespace {

namespace fs = std::filesystem;

using papyrion::test::ProgramResult;
using papyrion::test::ReadFile;
using Arguments = std::vector<std::string>;

class PapyrionPdf : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = folder.Path();
        fs::create_directories(folder_);
        blank_ = folder_ / "blank.pdf";
        ASSERT_TRUE(papyrion::pdf::PdfFile::NewDocument().SaveToFile(blank_));
    }

    static ProgramResult Papyrion(Arguments arguments) {
        arguments.insert(arguments.begin(), std::string(PAPYRION_BIN_DIR) + "/papyrion-pdf");
        return papyrion::test::RunProgram(arguments);
    }

    papyrion::test::TempFolder folder;
    fs::path folder_;
    fs::path blank_;
};

TEST_F(PapyrionPdf, InfoPrintsPagesSizeAndVersion) {
    ProgramResult run = Papyrion({"info", blank_});
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
        ProgramResult run = Papyrion({"info", input});
        EXPECT_EQ(run.exit_code, 1) << input;
        EXPECT_NE(run.err.find(input.string()), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(PapyrionPdf, ResaveWritesAFileQpdfAccepts) {
    fs::path out = folder_ / "out.pdf";
    ProgramResult run = Papyrion({"resave", blank_, out});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(papyrion::test::QpdfProblems(out), "");
    ProgramResult info = Papyrion({"info", out});
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
    ProgramResult run = Papyrion({"resave", bad, out});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(bad.string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("not a readable PDF (error 401)"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(out), "previous contents");

    fs::path nowhere = folder_ / "no-such-folder" / "out.pdf";
    run = Papyrion({"resave", blank_, nowhere});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(nowhere.string()), std::string::npos) << run.err;
}

TEST_F(PapyrionPdf, PasswordOpensEncryptedFiles) {
    fs::path locked = folder_ / "locked.pdf";
    const ProgramResult encrypt = papyrion::test::RunProgram(
        {"qpdf", "--encrypt", "secret", "owner", "256", "--", blank_, locked});
    ASSERT_EQ(encrypt.exit_code, 0) << encrypt.err;

    ProgramResult refused = Papyrion({"info", locked});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find(locked.string()), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("password"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("404"), std::string::npos) << refused.err;

    ProgramResult opened = Papyrion({"info", locked, "--password", "secret"});
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

ShownPage ShowPage(const fs::path& file, int page) {
    const std::string page_number = std::to_string(page);
    ShownPage shown;
    const ProgramResult listing =
        papyrion::test::RunProgram({"pdfinfo", "-box", "-f", page_number, "-l", page_number, file});
    const ProgramResult text =
        papyrion::test::RunProgram({"pdftotext", "-f", page_number, "-l", page_number, file, "-"});
    if (listing.exit_code != 0 || text.exit_code != 0) return shown;
    std::istringstream lines(listing.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("MediaBox:") != std::string::npos) {
            std::istringstream numbers(line.substr(line.find(':') + 1));
            for (std::string number; numbers >> number;) shown.media_box += number + " ";
        } else if (const auto at = line.find("rot:"); at != std::string::npos) {
            shown.rotation = std::stoi(line.substr(at + 4));
        }
    }
    shown.text = text.out;
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

    for (const bool under : {false, true}) {
        const std::string placement = under ? " under" : "";
        const fs::path out = folder_ / ("stamped" + placement + ".pdf");
        Arguments arguments = {"stamp", letter, stationery, out};
        if (under) arguments.push_back("--under");
        ProgramResult run = Papyrion(arguments);
        ASSERT_EQ(run.exit_code, 0) << placement << run.err;
        ASSERT_EQ(papyrion::test::QpdfProblems(out), "");
        ProgramResult info = Papyrion({"info", out});
        EXPECT_NE(info.out.find("pages: 4\n"), std::string::npos) << info.out;
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            const ShownPage page = ShowPage(out, static_cast<int>(i) + 1);
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
        ProgramResult run = Papyrion({"stamp", input, stationery, out});
        const fs::path& named = input == blank_ ? stationery : input;
        EXPECT_EQ(run.exit_code, 1) << input << " " << stationery;
        EXPECT_NE(run.err.find(named.string()), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(ReadFile(out), "previous contents");
    }
    for (const auto& entry : fs::directory_iterator(folder_)) {
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
            << entry.path();
    }
}

}  // namespace
