// papyrion-pdf run as a program, on files the tests make.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "pdfengine/pdf_file.h"
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

}  // namespace
