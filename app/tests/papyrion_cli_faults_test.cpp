// papyrion-cli end to end where a run could lose the user's data or report
// a failure as success: real files, the real engine, qpdf and pdftotext as
// the judges.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "support/cli_bench.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::CliBench;
using test::CliResult;
using test::kCorpus;
using test::kSampleLetterhead;
using test::kSampleLetterheadText;
using test::ListedOutputs;
using test::PageText;
using test::QpdfChecks;
using test::QpdfPages;
using test::ReadFile;
using test::WriteFile;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;

const std::string kOnePage = kCorpus + "plain/minimal-document.pdf";

class CliFaultsTest : public ::testing::Test, protected CliBench {};

bool SofficeOnPath() { return test::OnPath("soffice"); }

bool IsPdfName(const fs::path& file) {
    std::string suffix = file.extension().string();
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), ::tolower);
    return suffix == ".pdf";
}

int PdfFilesIn(const fs::path& folder) {
    const std::vector<std::string> files = test::FilesIn(folder);
    return static_cast<int>(std::count_if(files.begin(), files.end(), IsPdfName));
}

// Office files whose names meet a PDF the user already has, or each other:
// the user's files stay as they were and every input keeps its own result.
TEST(CliConversionTest, ResultsNeverTakeTheNameOfAnExistingFile) {
    if (!SofficeOnPath()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    struct File {
        std::string name;
        int pages;  // a PDF of this many pages; 0: `text` is the content
        std::string text;
    };
    struct Case {
        const char* what;
        std::vector<File> files;
        std::vector<std::string> inputs;  // in the documents folder; "" is the folder
        bool archive;
        std::multiset<int> output_pages;
        std::vector<std::string> output_texts;  // each on page 1 of one output
    };
    const std::string csv = "Gamma,7\nDelta,9\n";
    const std::string rtf = "{\\rtf1\\ansi Beta words\\par}\n";
    const Case cases[] = {
        {"spreadsheet beside the user's PDF",
         {{"report.pdf", 10, ""}, {"report.csv", 0, csv}},
         {"report.csv"},
         false,
         {1},
         {"Gamma"}},
        {"both in a dropped folder",
         {{"report.pdf", 10, ""}, {"report.csv", 0, csv}},
         {""},
         false,
         {1, 10},
         {"Gamma"}},
        {"spreadsheet into the archive",
         {{"s.pdf", 10, ""}, {"s.csv", 0, csv}},
         {"s.csv"},
         true,
         {1},
         {"Gamma"}},
        {"text beside a PDF with an upper-case suffix",
         {{"note.PDF", 10, ""}, {"note.txt", 0, "Alpha words\n"}},
         {"note.txt"},
         false,
         {1},
         {"Alpha"}},
        {"two documents of one name",
         {{"letter.txt", 0, "Alpha words\n"}, {"letter.rtf", 0, rtf}},
         {"letter.txt", "letter.rtf"},
         false,
         {1, 1},
         {"Alpha", "Beta"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CliBench bench;
        std::map<std::string, std::string> before;
        for (const File& file : c.files) {
            const std::string path = bench.docs + "/" + file.name;
            if (file.pages > 0) {
                test::RepeatPdf(kOnePage, file.pages, path);
            } else {
                WriteFile(path, file.text);
            }
            before[path] = ReadFile(path);
        }
        const std::string archive = bench.folder / "archive";
        std::vector<std::string> arguments = CliBench::StampAll({});
        if (c.archive) {
            fs::create_directories(archive);
            arguments.insert(arguments.end(), {"--archive", archive});
        }
        for (const std::string& input : c.inputs) {
            arguments.push_back(input.empty() ? bench.docs : bench.docs + "/" + input);
        }

        const CliResult result = bench.Cli(arguments);
        EXPECT_EQ(result.exit_code, 0) << result.err;
        for (const auto& [path, content] : before) {
            if (!fs::exists(path)) {
                ADD_FAILURE() << "deleted: " << path;
            } else {
                EXPECT_TRUE(ReadFile(path) == content) << "changed: " << path;
            }
        }
        const std::vector<std::string> outputs = ListedOutputs(result.out);
        EXPECT_EQ(std::set<std::string>(outputs.begin(), outputs.end()).size(), outputs.size())
            << result.out;
        std::multiset<int> pages;
        std::string texts;
        for (const std::string& output : outputs) {
            SCOPED_TRACE(output);
            EXPECT_EQ(before.count(output), 0u) << "an output took the name of an input";
            ASSERT_TRUE(QpdfChecks(output));
            pages.insert(QpdfPages(output));
            EXPECT_EQ(fs::path(output).parent_path(), c.archive ? archive : bench.docs);
            const std::string first_page = PageText(output, 1);
            EXPECT_THAT(first_page, HasSubstr(kSampleLetterheadText));
            texts += first_page;
        }
        EXPECT_EQ(pages, c.output_pages) << result.out;
        for (const std::string& text : c.output_texts) {
            EXPECT_EQ(test::Occurrences(texts, text), 1) << text << " in\n" << result.out;
        }
        // Nothing beyond the user's PDFs and the results: no result stamped
        // again as a new input, no result under a name nobody was told.
        int pdfs_before = 0;
        for (const File& file : c.files) pdfs_before += IsPdfName(file.name) ? 1 : 0;
        EXPECT_EQ(PdfFilesIn(bench.docs) + PdfFilesIn(archive),
                  pdfs_before + static_cast<int>(outputs.size()))
            << result.out;
    }
}

TEST_F(CliFaultsTest, AllPagesReachesPageOneThousand) {
    const std::string input = docs + "/big.pdf";
    test::RepeatPdf(kOnePage, 10, folder / "ten.pdf");
    test::RepeatPdf(folder / "ten.pdf", 100, input);
    ASSERT_EQ(QpdfPages(input), 1000);
    const CliResult result = Cli(StampAll({input}));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const std::string output = docs + "/big_output.pdf";
    EXPECT_EQ(QpdfPages(output), 1000);
    for (int page : {1, 999, 1000}) {
        EXPECT_THAT(PageText(output, page), HasSubstr(kSampleLetterheadText)) << "page " << page;
    }
}

TEST_F(CliFaultsTest, ASecondRunOverAFolderLeavesItsOutputsAlone) {
    Corpus("plain/minimal-document.pdf", "a.pdf");
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const CliResult result = Cli(StampAll({docs}));
        EXPECT_EQ(result.exit_code, 0) << result.err;
        EXPECT_EQ(ListedOutputs(result.out), std::vector<std::string>{docs + "/a_output.pdf"});
    }
    EXPECT_FALSE(fs::exists(docs + "/a_output_output.pdf"));
    EXPECT_THAT(PageText(docs + "/a_output.pdf", 1), HasSubstr(kSampleLetterheadText));
}

TEST_F(CliFaultsTest, OneArchiveForTwoFoldersKeepsFilesOfOneName) {
    const std::string archive = folder / "out";
    fs::create_directories(archive);
    Corpus("plain/minimal-document.pdf", "a/letter.pdf");
    Corpus("fonts/standard_fonts.pdf", "b/letter.pdf");
    const CliResult result = Cli(StampAll({"--archive", archive, docs + "/a", docs + "/b"}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::vector<std::string> stored = test::FilesIn(archive);
    ASSERT_THAT(stored, SizeIs(2)) << result.out;
    std::multiset<int> pages;
    for (const std::string& file : stored) pages.insert(QpdfPages(file));
    EXPECT_EQ(pages, (std::multiset<int>{1, 14}));
    std::vector<std::string> listed = ListedOutputs(result.out);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, stored);
}

TEST_F(CliFaultsTest, OutputsAreNoMoreOpenThanTheirInput) {
    const std::string input = Corpus("plain/minimal-document.pdf", "private.pdf");
    fs::permissions(input, fs::perms::owner_read | fs::perms::owner_write);
    CliResult result = Cli(StampAll({input}));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const unsigned output_mode = test::ModeOf(docs + "/private_output.pdf");
    EXPECT_EQ(output_mode & ~0600u, 0u) << std::oct << output_mode;

    result = Cli(StampAll({"--overwrite", input}));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(test::ModeOf(input), 0600u) << std::oct << test::ModeOf(input);
}

TEST_F(CliFaultsTest, OverwriteRefusesAReadOnlyFileOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "handing a file to another user needs root";
    const std::string input = Corpus("plain/minimal-document.pdf", "theirs.pdf");
    ASSERT_EQ(test::RunProgram({"chown", "nobody", input}).exit_code, 0);
    fs::permissions(input, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string content = ReadFile(input);
    const uid_t owner = test::OwnerOf(input);

    const CliResult result = Cli(StampAll({"--overwrite", input}));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr(input));
    EXPECT_THAT(ListedOutputs(result.out), IsEmpty());
    EXPECT_TRUE(ReadFile(input) == content) << "the file changed";
    EXPECT_EQ(test::OwnerOf(input), owner);
    EXPECT_EQ(test::ModeOf(input), 0444u) << std::oct << test::ModeOf(input);
}

TEST_F(CliFaultsTest, AFailedPrintExitsOneAndKeepsTheOutput) {
    struct Case {
        const char* what;
        std::string printer;  // Opties/Printer, a position in the destination list
        std::vector<std::string> environment;
    };
    const Case cases[] = {
        {"no scheduler answers", "0", {"CUPS_SERVER=" + (folder / "nobody-serves.sock")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ini("Opties", "Printer", c.printer);
        const std::string input = Corpus("plain/minimal-document.pdf", "print-me.pdf");
        const std::string output = docs + "/print-me_output.pdf";
        fs::remove(output);
        const CliResult result = Cli(StampAll({"--action", "print", input}), c.environment);
        EXPECT_EQ(result.exit_code, 1) << result.out;
        EXPECT_THAT(result.err, HasSubstr("print-me"));
        EXPECT_TRUE(QpdfChecks(output)) << "the stamped output is kept";
    }
}

TEST_F(CliFaultsTest, AMailProgramThatFailsIsNoHandOff) {
    const std::string composer = folder / "failing-composer";
    WriteFile(composer, "#!/bin/sh\nexit 3\n");
    fs::permissions(composer, fs::perms::owner_all);
    WriteFile(data_dir + "Email_user031.txt", "TO:office@example.org\nSUBJECT:Stamped\nHello\n");
    const std::string input = Corpus("plain/minimal-document.pdf", "a.pdf");
    const CliResult result =
        Cli(StampAll({"--action", "mail", input}), {"PAPYRION_MAIL_COMMAND=" + composer});
    EXPECT_EQ(result.exit_code, 1) << result.out;
    EXPECT_THAT(result.out, Not(HasSubstr("(mailed)")));
    EXPECT_TRUE(QpdfChecks(docs + "/a_output.pdf"));
}

TEST_F(CliFaultsTest, StationeryThatCannotBeReadStopsTheRun) {
    const std::string empty = folder / "empty.pdf";
    WriteFile(empty, "");
    const std::string damaged = folder / "damaged.pdf";
    WriteFile(damaged, "%PDF-1.4\nnothing here\n");
    const std::string locked = folder / "locked.pdf";
    fs::copy_file(kCorpus + "encrypted/r4-user-password.pdf", locked);
    const std::string input = Corpus("plain/minimal-document.pdf", "a.pdf");
    for (const char* kind : {"--letterhead", "--continuation"}) {
        for (const std::string& stationery :
             {std::string(folder / "missing.pdf"), empty, damaged, locked}) {
            SCOPED_TRACE(std::string(kind) + " " + stationery);
            const CliResult result = Cli({"--stationery", "on", kind, stationery,
                                          std::string(kind) + "-rule", "all", input});
            EXPECT_EQ(result.exit_code, 1);
            EXPECT_THAT(result.err, HasSubstr(stationery));
            EXPECT_THAT(ListedOutputs(result.out), IsEmpty()) << "an unstamped copy was listed";
        }
    }
}

TEST_F(CliFaultsTest, ADropOverTheLimitSaysHowManyWereLeftOut) {
    // Files that fail at once keep the run short: the count is what matters.
    for (int i = 0; i < 10050; ++i) WriteFile(docs + "/f" + std::to_string(i) + ".pdf", "x");
    const CliResult result = Cli({"--stationery", "off", docs});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr("51"));
}

TEST_F(CliFaultsTest, AMissingArchiveFolderIsAUsageError) {
    const std::string archive = folder / "no-such-folder";
    const std::string input = Corpus("plain/minimal-document.pdf", "a.pdf");
    const CliResult result = Cli(StampAll({"--archive", archive, input}));
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_THAT(result.err, HasSubstr("no-such-folder"));
    EXPECT_THAT(result.out, IsEmpty());
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_EQ(test::FilesIn(docs), std::vector<std::string>{input});
}

TEST_F(CliFaultsTest, SavedStationerySettingsStampWithoutOptions) {
    Ini("Overlay", "MetofZonder", "1");
    Ini("Overlay", "Brief papier", kSampleLetterhead);
    Ini("Opties", "BriefPapier", "1");
    const std::string input = Corpus("plain/minimal-document.pdf", "a.pdf");
    const CliResult result = Cli({input});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_THAT(PageText(docs + "/a_output.pdf", 1), HasSubstr(kSampleLetterheadText));
}

TEST_F(CliFaultsTest, ABadNumberInTheSettingsIsNamedUnlessAnOptionReplacesIt) {
    Ini("Overlay", "Brief papier pagina", "abc");
    const std::string input = Corpus("plain/minimal-document.pdf", "a.pdf");
    CliResult result = Cli(StampAll({input}));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, AllOf(HasSubstr("Papyrion.ini"), HasSubstr("Overlay"),
                                  HasSubstr("Brief papier pagina"), HasSubstr("abc")));

    result = Cli(StampAll({"--letterhead-page", "1", input}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_THAT(PageText(docs + "/a_output.pdf", 1), HasSubstr(kSampleLetterheadText));
}

TEST_F(CliFaultsTest, MessagesFollowTheLocaleWhenNoCountryIsSaved) {
    const std::string damaged = docs + "/damaged.pdf";
    WriteFile(damaged, "%PDF-1.4\nnothing here\n");
    const CliResult result =
        Cli({"--stationery", "off", damaged}, {"LC_ALL=", "LC_MESSAGES=", "LANG=en_GB.UTF-8"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, AllOf(HasSubstr(damaged), HasSubstr("cannot be read")));
}

TEST_F(CliFaultsTest, AnEncryptedInputIsStampedWithThePasswordAndStaysEncrypted) {
    Ini("Opties", "Country", "044");
    const std::string input = docs + "/enc.pdf";
    ASSERT_EQ(test::RunProgram({"qpdf", "--encrypt", "user", "owner", "256", "--", kOnePage, input})
                  .exit_code,
              0);
    const std::string output = docs + "/enc_output.pdf";

    CliResult result = Cli(StampAll({input}));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, AllOf(HasSubstr(input), HasSubstr("password")));
    EXPECT_THAT(ListedOutputs(result.out), IsEmpty());

    result = Cli(StampAll({input}), {"PAPYRION_INPUT_PASSWORD=user"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    // qpdf exits 0 when the file cannot be opened without a password.
    EXPECT_EQ(test::RunProgram({"qpdf", "--requires-password", output}).exit_code, 0);
    EXPECT_THAT(test::RunProgram({"qpdf", "--show-encryption", "--password=user", output}).out,
                Not(HasSubstr("not encrypted")));
    EXPECT_THAT(test::RunProgram({"pdftotext", "-upw", "user", output, "-"}).out,
                HasSubstr(kSampleLetterheadText));
}

TEST_F(CliFaultsTest, AnInputWithoutReadPermissionIsUnreadableNotDamaged) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    Ini("Opties", "Country", "044");
    const std::string input = Corpus("plain/minimal-document.pdf", "closed.pdf");
    fs::permissions(input, fs::perms::none);
    const CliResult result = Cli({"--stationery", "off", input});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_THAT(result.err, HasSubstr(input));
    EXPECT_THAT(result.err, Not(HasSubstr("damaged")));
}

TEST_F(CliFaultsTest, ALongFileNameGivesItsOutput) {
    const std::string input = Corpus("plain/minimal-document.pdf", std::string(236, 'a') + ".pdf");
    const CliResult result = Cli(StampAll({input}));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::vector<std::string> outputs = ListedOutputs(result.out);
    ASSERT_THAT(outputs, SizeIs(1));
    EXPECT_TRUE(QpdfChecks(outputs.front()));
}

TEST_F(CliFaultsTest, TheEventLogRecordsAFailureWithItsFileAndReason) {
    const std::string damaged = docs + "/damaged.pdf";
    WriteFile(damaged, "%PDF-1.4\nnothing here\n");
    const CliResult result = Cli({"--stationery", "off", damaged});
    EXPECT_EQ(result.exit_code, 1);
    const std::string log = ReadFile(data_dir + "Papyrion_Log.csv");
    bool recorded = false;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const std::string code = line.substr(0, line.find(';'));
        if (code.empty() || code.back() != 'E' || line.find(damaged) == std::string::npos) continue;
        for (const char* reason : {"damag", "beschadig", "read", "leesba", "invalid", "corrupt"}) {
            recorded = recorded || line.find(reason) != std::string::npos;
        }
    }
    EXPECT_TRUE(recorded) << log;
}

}  // namespace
}  // namespace papyrion
