// papyrion-cli end to end: real files, the real engine, qpdf as the judge.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "core/inifile.h"
#include "core/runstate.h"
#include "pdfengine/pdfengine.h"
#include "support/run_test_support.h"
#include "testsupport/pdf_tools.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::CliResult;
using test::DifferingShare;
using test::OnPath;
using test::QpdfPageCount;
using test::QpdfProblems;
using test::Raster;
using test::ReadFile;
using test::RunCli;
using test::RunFolder;
using test::RunProgram;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kCorpus = std::string(PAPYRION_SHARED_DIR) + "/corpus/";

bool QpdfChecks(const std::string& file) { return QpdfProblems(file).empty(); }

class CliTest : public ::testing::Test {
  protected:
    CliTest() {
        fs::create_directories(data_dir);
        fs::create_directories(docs);
        // Logging on, both boxes ticked, so every entry is written.
        IniWrite(data_dir + "Papyrion.ini", setting::kLogSize.section, setting::kLogSize.key, "1");
        IniWrite(data_dir + "Papyrion.ini", setting::kLogBox.section, setting::kLogBox.key, "1");
        IniWrite(data_dir + "Papyrion.ini", setting::kTraceBox.section, setting::kTraceBox.key,
                 "1");
    }

    std::string Corpus(const std::string& name, const std::string& as) {
        const std::string target = docs + "/" + as;
        fs::copy_file(kCorpus + name, target, fs::copy_options::overwrite_existing);
        return target;
    }

    CliResult Cli(std::vector<std::string> arguments, std::vector<std::string> env = {}) {
        return RunCli(folder, xdg, arguments, env);
    }

    // The codes of the run's entries, without the start and stop lines.
    std::vector<std::string> RunLogCodes() const {
        std::vector<std::string> codes;
        std::istringstream in(ReadFile(data_dir + "Papyrion_Log.csv"));
        for (std::string line; std::getline(in, line);) {
            const std::string code = line.substr(0, line.find(';'));
            if (code != "00000I" && code != "00002I" && code != "00009I") codes.push_back(code);
        }
        return codes;
    }

    std::string Setting(SettingKey key) const {
        return IniRead(data_dir + "Papyrion.ini", key.section, key.key, "<none>");
    }

    // Letterhead on page 1, continuation paper on pages 2 to the end.
    std::vector<std::string> StampArguments(std::vector<std::string> paths,
                                            const std::string& placement = "under") const {
        std::vector<std::string> arguments{
            "--stationery",        StampingWorks() ? "on" : "off",
            "--placement",         placement,
            "--letterhead",        kCorpus + "stationery/coverletter.pdf",
            "--letterhead-rule",   "first",
            "--continuation",      kCorpus + "stationery/template.pdf",
            "--continuation-rule", "rest"};
        arguments.insert(arguments.end(), paths.begin(), paths.end());
        return arguments;
    }
    static bool StampingWorks() { return true; }

    RunFolder folder;
    std::string xdg = folder / "xdg";
    std::string data_dir = xdg + "/Papyrion/";
    std::string docs = folder / "docs";
};

TEST_F(CliTest, UsageErrorsExitTwoWithTheUsage) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--action", "fax", "x.pdf"}, {"--bogus", "x.pdf"}}) {
        const CliResult result = Cli(arguments);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_THAT(result.err, HasSubstr("usage: papyrion-cli [OPTIONS] PATH..."));
        EXPECT_THAT(result.out, IsEmpty());
    }
    const CliResult help = Cli({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_THAT(help.out, HasSubstr("--letterhead-rule none|all|first|RANGE"));
    const CliResult version = Cli({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_THAT(version.out, HasSubstr("papyrion-cli "));
}

TEST_F(CliTest, KeepsACopyOfADroppedFolderAndLogsEveryStep) {
    Corpus("plain/minimal-document.pdf", "a.pdf");
    WriteFile(docs + "/c.jpg", "not taken");
    const CliResult result = Cli({"--stationery", "off", docs});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string output = docs + "/a_output.pdf";
    EXPECT_EQ(result.out, output + "\n1 of 1 input gave an output\n");
    EXPECT_TRUE(QpdfChecks(output));
    EXPECT_THAT(RunLogCodes(), ElementsAre("00600i", "00977I", "00978I", "00800I", "00602i"));
    EXPECT_EQ(Setting(setting::kFilesCreated), "1");
    EXPECT_EQ(Setting(setting::kPagesCreated), "1");
    // The option held for this run only.
    EXPECT_EQ(Setting(setting::kWithStationery), "<none>");
}

TEST_F(CliTest, UnreadableInputsGiveNoOutputAndExitOne) {
    const std::string locked = Corpus("encrypted/r4-user-password.pdf", "locked.pdf");
    const std::string damaged = docs + "/damaged.pdf";
    WriteFile(damaged, "%PDF-1.4\nnothing here\n");
    const std::string good = Corpus("plain/minimal-document.pdf", "good.pdf");
    const std::string missing = docs + "/missing.pdf";
    const CliResult result = Cli({"--stationery", "off", locked, damaged, good, missing});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.out, docs + "/good_output.pdf\n1 of 4 inputs gave an output\n");
    EXPECT_THAT(result.err, HasSubstr(locked));
    EXPECT_THAT(result.err, HasSubstr(damaged));
    EXPECT_THAT(result.err, HasSubstr(missing));
    EXPECT_FALSE(fs::exists(docs + "/locked_output.pdf"));
    EXPECT_FALSE(fs::exists(docs + "/damaged_output.pdf"));
    EXPECT_FALSE(fs::exists(docs + "/missing_output.pdf"));
}

// An output without the stationery it was to get is no result.
TEST_F(CliTest, MissingStationeryFailsTheInputAndNamesTheFile) {
    const std::string input = Corpus("plain/minimal-document.pdf", "a.pdf");
    const std::string missing = folder / "no-such-letterhead.pdf";
    const CliResult result =
        Cli({"--stationery", "on", "--letterhead", missing, "--letterhead-rule", "all", input});
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_THAT(result.err, HasSubstr(missing));
    EXPECT_FALSE(fs::exists(docs + "/a_output.pdf"));
}

TEST_F(CliTest, ArchiveAndOverwritePlaceTheOutput) {
    const std::string archive = folder / "archive";
    fs::create_directories(archive);
    const std::string a = Corpus("plain/minimal-document.pdf", "a.pdf");
    CliResult result = Cli({"--stationery", "off", "--archive", archive, a});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr(archive + "/a_output.pdf\n"));
    EXPECT_TRUE(QpdfChecks(archive + "/a_output.pdf"));
    EXPECT_FALSE(fs::exists(docs + "/a_output.pdf"));
    // The archive folder was for this run only: the saved values are the
    // ones from before it.
    EXPECT_EQ(Setting(setting::kArchiveOutputs), "0");
    EXPECT_EQ(Setting(setting::kArchiveFolder), "");

    const std::string before = ReadFile(a);
    fs::permissions(a, fs::perms::owner_write, fs::perm_options::add);
    result = Cli({"--stationery", "off", "--overwrite", a});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out, a + "\n1 of 1 input gave an output\n");
    EXPECT_NE(ReadFile(a), before);  // re-saved by the engine
    EXPECT_TRUE(QpdfChecks(a));
    EXPECT_FALSE(fs::exists(docs + "/a_output.pdf"));
}

// A page rendered by pdftoppm in grey at 36 dots per inch.
Raster Render(const std::string& pdf, int page) { return test::RenderPage(pdf, page, 36, true); }

TEST_F(CliTest, StampedPagesLookLikeQpdfOverlayAndUnderlay) {
    if (!StampingWorks()) GTEST_SKIP() << "stamping needs the engine's page capture";
    const std::string letterhead = kCorpus + "stationery/coverletter.pdf";
    const std::string continuation = kCorpus + "stationery/template.pdf";
    struct Case {
        const char* corpus_file;
        int pages_to_compare;
        std::vector<std::string> placements;
    };
    // read.go.pdf leaves a scaled coordinate system behind at the end of its
    // page content, which the stationery drawn over it must not inherit.
    const Case cases[] = {{"fonts/standard_fonts.pdf", 3, {"over", "under"}},
                          {"multipage/GeoTopo-komprimiert.pdf", 3, {"over", "under"}},
                          {"multipage/read.go.pdf", 2, {"over", "under"}},
                          {"plain/minimal-document.pdf", 1, {"over", "under"}}};
    for (const Case& c : cases) {
        for (const std::string& placement : c.placements) {
            SCOPED_TRACE(std::string(c.corpus_file) + " " + placement);
            const std::string input = Corpus(c.corpus_file, "doc.pdf");
            const CliResult result = Cli(StampArguments({input}, placement));
            ASSERT_EQ(result.exit_code, 0) << result.err;
            const std::string ours = docs + "/doc_output.pdf";
            EXPECT_TRUE(QpdfChecks(ours));
            const int pages = QpdfPageCount(input);
            EXPECT_EQ(QpdfPageCount(ours), pages);

            // qpdf takes one file of each kind per pass: letterhead first, then
            // the continuation page repeated over pages 2 to the end.
            const std::string first_pass = folder / "qpdf-1.pdf";
            const std::string theirs = folder / "qpdf.pdf";
            const std::string mode = placement == "over" ? "--overlay" : "--underlay";
            const auto first =
                RunProgram({"qpdf", input, mode, letterhead, "--to=1", "--", first_pass});
            ASSERT_EQ(first.exit_code, 0) << first.err;
            if (pages > 1) {
                const auto rest = RunProgram({"qpdf", first_pass, mode, continuation, "--to=2-z",
                                              "--from=", "--repeat=1", "--", theirs});
                ASSERT_EQ(rest.exit_code, 0) << rest.err;
            } else {
                fs::copy_file(first_pass, theirs, fs::copy_options::overwrite_existing);
            }
            for (int page = 1; page <= std::min(pages, c.pages_to_compare); ++page) {
                const Raster stamped = Render(ours, page);
                const Raster reference = Render(theirs, page);
                ASSERT_GT(stamped.width, 0);
                EXPECT_LT(DifferingShare(stamped, reference), 0.005) << "page " << page;
                // The stationery really is there: the unstamped page differs.
                EXPECT_GT(DifferingShare(stamped, Render(input, page)), 0.0005) << "page " << page;
            }
        }
    }
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

TEST_F(CliTest, PrintsEveryOutputOnTheTestQueue) {
    const std::string queue = EnvOr("PAPYRION_TEST_PRINTER", "");
    const std::string landing = EnvOr("PAPYRION_TEST_PRINTER_OUT", "");
    if (queue.empty() || landing.empty()) GTEST_SKIP() << "no test print queue (scripts/test-cups)";
    // The printer setting is a position in the list of destinations.
    const auto destinations = RunProgram({"lpstat", "-e"});
    ASSERT_EQ(destinations.exit_code, 0) << destinations.err;
    std::istringstream names(destinations.out);
    int position = 0;
    for (std::string name; std::getline(names, name) && name != queue;) ++position;
    IniWrite(data_dir + "Papyrion.ini", setting::kPrinter.section, setting::kPrinter.key,
             std::to_string(position));
    std::set<fs::path> before;
    for (const auto& entry : fs::directory_iterator(landing)) before.insert(entry.path());

    const std::string input = Corpus("fonts/standard_fonts.pdf", "print-me.pdf");
    const CliResult result = Cli(StampArguments({"--action", "print", input}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string output = docs + "/print-me_output.pdf";
    EXPECT_EQ(result.out,
              output + "\t(handed on, removed at the end)\n1 of 1 input gave an output\n");
    EXPECT_FALSE(fs::exists(output)) << "printed outputs are temporary";

    // The queue writes the job as a PDF; it has the document's 14 pages.
    bool printed = false;
    for (int attempt = 0; attempt < 120 && !printed; ++attempt) {
        for (const auto& entry : fs::directory_iterator(landing)) {
            if (before.count(entry.path()) || entry.path().extension() != ".pdf") continue;
            printed = printed || QpdfPageCount(entry.path()) == 14;
        }
        if (!printed) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_TRUE(printed) << "no 14-page job landed in " << landing;
}

bool SofficeOnPath() { return OnPath("soffice"); }

TEST_F(CliTest, OfficeInputsBecomePdfsUnderTheirOwnNames) {
    if (!SofficeOnPath()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const std::string office = std::string(PAPYRION_SOURCE_DIR) + "/platform/tests/data/office/";
    fs::copy_file(office + "letter.docx", docs + "/letter.docx");
    fs::copy_file(office + "letter.odt", docs + "/note.odt");
    fs::copy_file(office + "figures.xlsx", docs + "/figures.xlsx");
    fs::copy_file(office + "list.csv", docs + "/list.csv");
    const CliResult result = Cli(StampArguments({docs}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    // Word-processing results end in ".PDF", spreadsheets in ".pdf".
    EXPECT_EQ(result.out, docs + "/figures.pdf\n" + docs + "/letter.PDF\n" + docs + "/list.pdf\n" +
                              docs + "/note.PDF\n4 of 4 inputs gave an output\n");
    for (const char* name : {"figures.pdf", "letter.PDF", "list.pdf", "note.PDF"}) {
        EXPECT_TRUE(QpdfChecks(docs + "/" + name)) << name;
    }
    for (const char* name : {"letter.docx", "note.odt", "figures.xlsx", "list.csv"}) {
        EXPECT_TRUE(fs::exists(docs + "/" + name)) << "the dropped file stays: " << name;
    }
    EXPECT_FALSE(fs::exists(docs + "/letter_output.pdf"));
}

TEST_F(CliTest, CollectedMailGoesOutOnceAfterTheLastFile) {
    const std::string recorder = folder / "mail-recorder";
    const std::string record = folder / "mail-calls";
    // The record's path reaches the script through the environment, so it
    // needs no quoting.
    WriteFile(recorder,
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >>\"$MAIL_RECORD\"\n"
              "echo --- >>\"$MAIL_RECORD\"\n");
    fs::permissions(recorder, fs::perms::owner_all);
    WriteFile(data_dir + "Email_user031.txt", "TO:office@example.org\nSUBJECT:Stamped\nHello\n");
    IniWrite(data_dir + "Papyrion.ini", setting::kAllInOneMail.section, setting::kAllInOneMail.key,
             "1");
    Corpus("plain/minimal-document.pdf", "a.pdf");
    Corpus("plain/minimal-document.pdf", "b.pdf");

    const CliResult result = Cli({"--stationery", "off", "--action", "mail", docs},
                                 {"PAPYRION_MAIL_COMMAND=" + recorder, "MAIL_RECORD=" + record});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string calls = ReadFile(record);
    // One message, both outputs attached.
    std::size_t messages = 0;
    for (std::size_t at = calls.find("\n---\n"); at != std::string::npos;
         at = calls.find("\n---\n", at + 1)) {
        ++messages;
    }
    EXPECT_EQ(messages, 1u) << calls;
    EXPECT_THAT(calls, HasSubstr(docs + "/a_output.pdf"));
    EXPECT_THAT(calls, HasSubstr(docs + "/b_output.pdf"));
    EXPECT_THAT(result.out, HasSubstr(docs + "/a_output.pdf\t(mailed)\n"));
    // Still there for the mail program to read when the message is sent.
    EXPECT_TRUE(fs::exists(docs + "/a_output.pdf"));
}

}  // namespace
}  // namespace papyrion
