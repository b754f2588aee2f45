// papyrion-pdf run as a program, on files the tests make.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include "pdfengine/pdf_file.h"

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

}  // namespace
